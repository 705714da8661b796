// How one value is written into the INSERT statements of both directions.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "db/type_names.h"
#include "transfer/column_types.h"
#include "transfer/split_foxpro_literal.h"
#include "transfer/value_rendering.h"

namespace veltrane::transfer {
namespace {

// The VALUES list of a one-value INSERT, as each direction writes it.
std::string PostgreSqlValues(const std::string& text) {
  std::string statement(kOpenValues);
  AppendPostgreSqlValue(statement, text);
  FinishValues(statement);
  return statement;
}

std::string FoxProValues(const std::string& text) {
  std::string statement(kOpenValues);
  AppendFoxProValue(statement, text);
  FinishValues(statement);
  return statement;
}

TEST(PostgreSqlValueTest, EmptyTextIsNullAndQuotesAreDoubled) {
  EXPECT_EQ(PostgreSqlValues(""), " VALUES(NULL)");
  EXPECT_EQ(PostgreSqlValues(" "), " VALUES(' ')");
  EXPECT_EQ(PostgreSqlValues("O'Brien"), " VALUES('O''Brien')");
  EXPECT_EQ(PostgreSqlValues("a\\b\r\nc  "), " VALUES('a\\b\r\nc  ')");

  std::string statement(kOpenValues);
  AppendPostgreSqlValue(statement, "");
  AppendPostgreSqlValue(statement, "1");
  AppendPostgreSqlValue(statement, "");
  FinishValues(statement);
  EXPECT_EQ(statement, " VALUES(NULL, '1', NULL)");
}

TEST(SplitFoxProLiteralTest, JointsFollowEvery200thCharacter) {
  EXPECT_EQ(SplitFoxProLiteral(""), "");
  EXPECT_EQ(SplitFoxProLiteral(std::string(199, 'a')), std::string(199, 'a'));
  EXPECT_EQ(SplitFoxProLiteral(std::string(200, 'a')), std::string(200, 'a') + "'+'");
  EXPECT_EQ(SplitFoxProLiteral(std::string(450, 'a')),
            std::string(200, 'a') + "'+'" + std::string(200, 'a') + "'+'" + std::string(50, 'a'));
  // Characters, not bytes: 200 two-byte characters make one full literal.
  std::string accents;
  for (int i = 0; i < 201; ++i) accents += "é";
  EXPECT_EQ(SplitFoxProLiteral(accents), accents.substr(0, 400) + "'+'" + "é");
}

TEST(FoxProValueTest, LongValuesBecomeChainsOfLiterals) {
  const std::string a199(199, 'a'), a200(200, 'a');
  EXPECT_EQ(FoxProValues(""), " VALUES('')");
  EXPECT_EQ(FoxProValues("It's"), " VALUES('It''s')");
  EXPECT_EQ(FoxProValues(a199), " VALUES('" + a199 + "')");
  EXPECT_EQ(FoxProValues(a200), " VALUES('" + a200 + "'+'')");
  EXPECT_EQ(FoxProValues(std::string(450, 'b')),
            " VALUES('" + std::string(200, 'b') + "'+'" + std::string(200, 'b') + "'+'" +
                std::string(50, 'b') + "')");
  // A quote on either side of a joint is doubled inside its own literal.
  EXPECT_EQ(FoxProValues(std::string(199, 'a') + "''"),
            " VALUES('" + a199 + "'''+'''')");
}

TEST(FoxProValueTest, QuotesBesidePlusSignsArriveUnchanged) {
  EXPECT_EQ(FoxProValues("a'+b"), " VALUES('a''+b')");
  EXPECT_EQ(FoxProValues("a+'b"), " VALUES('a+''b')");
  EXPECT_EQ(FoxProValues("'+'"), " VALUES('''+''')");
}

TEST(FoxProValueTest, LineBreaksBecomeChrJointsOnOneLine) {
  EXPECT_EQ(FoxProValues("one\r\ntwo"), " VALUES('one'+CHR(13)+CHR(10)+'two')");
  EXPECT_EQ(FoxProValues("\nx\r"), " VALUES(''+CHR(10)+'x'+CHR(13)+'')");
  // A break at a chunk's end: both joints, still one expression.
  EXPECT_EQ(FoxProValues(std::string(199, 'a') + "\n" + "b"),
            " VALUES('" + std::string(199, 'a') + "'+CHR(10)+''+'b')");
}

TEST(ColumnTypeTest, NamesDecideTheColumnTypeInOrder) {
  auto pg = [](int16_t code) { return std::string(PostgreSqlColumnText(code)); };
  auto fox = [](int16_t code) { return std::string(FoxProColumnText(code)); };
  EXPECT_EQ(pg(3), " INT,");       // adInteger
  EXPECT_EQ(pg(20), " INT,");      // adBigInt
  EXPECT_EQ(pg(4), " FLOAT,");     // adSingle, fractions kept
  EXPECT_EQ(pg(5), " FLOAT,");     // adDouble
  EXPECT_EQ(pg(205), " BYTEA,");   // adLongVarBinary
  EXPECT_EQ(pg(129), " text,");    // adChar
  EXPECT_EQ(pg(131), " text,");    // adNumeric
  EXPECT_EQ(pg(6), " text,");      // adCurrency
  EXPECT_EQ(pg(11), " text,");     // adBoolean
  EXPECT_EQ(pg(135), " text,");    // adDBTimeStamp
  EXPECT_EQ(pg(204), " text,");    // adVarBinary
  EXPECT_EQ(pg(999), " text,");    // no name
  for (int16_t code : {0, 2, 3, 4, 5, 6, 7, 11, 20, 72, 129, 131, 133, 135, 200, 201, 202, 203,
                       204, 999})
    EXPECT_EQ(fox(code), " M,") << code;
  EXPECT_EQ(fox(205), " BLOB,");
}

}  // namespace
}  // namespace veltrane::transfer
