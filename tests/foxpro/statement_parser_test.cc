#include <gtest/gtest.h>

#include <string>

#include "foxpro/error.h"
#include "foxpro/statements/statement.h"

namespace veltrane::foxpro {
namespace {

using Kind = InputValue::Kind;

std::string FailureOf(const std::string& text) {
  try {
    ParseStatement(text);
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

TEST(StatementParserTest, ReadsTheFourFormsWithBacktickNames) {
  Statement select = ParseStatement("SELECT * FROM `Orders`");
  EXPECT_EQ(select.kind, Statement::Kind::kSelect);
  EXPECT_EQ(select.target, "Orders");

  Statement drop = ParseStatement("drop table `odd``name with blanks`");
  EXPECT_EQ(drop.kind, Statement::Kind::kDropTable);
  EXPECT_EQ(drop.target, "odd`name with blanks");

  Statement insert = ParseStatement("INSERT INTO `C:\\data\\it``s.DBF` VALUES('1', 'x')");
  EXPECT_EQ(insert.kind, Statement::Kind::kInsert);
  EXPECT_EQ(insert.target, "C:\\data\\it`s.DBF");
  ASSERT_EQ(insert.values.size(), 2u);

  Statement create = ParseStatement("CREATE TABLE '/tmp/x/orders.DBF'([id] M,[photo] BLOB);");
  EXPECT_EQ(create.kind, Statement::Kind::kCreateTable);
  EXPECT_EQ(create.target, "/tmp/x/orders.DBF");
  ASSERT_EQ(create.fields.size(), 2u);
  EXPECT_EQ(create.fields[0].name, "id");
  EXPECT_EQ(create.fields[0].type, 'M');
  EXPECT_EQ(create.fields[1].type, 'W');
}

TEST(StatementParserTest, RejectsOtherStatementsWithADescription) {
  EXPECT_NE(FailureOf("UPDATE `t` SET a = 1").find("runs only SELECT"), std::string::npos);
  EXPECT_NE(FailureOf("").find("runs only SELECT"), std::string::npos);
  EXPECT_NE(FailureOf("SELECT a FROM `t`").find("Expected \"*\""), std::string::npos);
  EXPECT_NE(FailureOf("SELECT * FROM `t` WHERE 1").find("Unexpected text after"),
            std::string::npos);
  EXPECT_NE(FailureOf("SELECT * FROM `unclosed").find("no closing `"), std::string::npos);
  EXPECT_NE(FailureOf("DROP TABLE ``").find("empty"), std::string::npos);
  EXPECT_NE(FailureOf("INSERT INTO `t` VALUES('a'").find("Expected \")\""), std::string::npos);
  EXPECT_NE(FailureOf("INSERT INTO `t` VALUES('a)").find("no closing quote"), std::string::npos);
  EXPECT_NE(FailureOf("INSERT INTO `t` VALUES(a)").find("Expected a value"), std::string::npos);
  EXPECT_NE(FailureOf("INSERT INTO `t` VALUES(1+'a')").find("joined"), std::string::npos);
  EXPECT_NE(FailureOf("INSERT INTO `t` VALUES(CHR(256))").find("0 to 255"), std::string::npos);
  // The description shows where, with an excerpt of the statement.
  EXPECT_NE(FailureOf("SELECT * FROM `t` junk").find("at character 19"), std::string::npos);
}

TEST(StatementParserTest, CreateTableTakesEveryTypeWithNullClauses) {
  Statement create = ParseStatement(
      "create table 'p.dbf'([a] C(10) NOT NULL, [b] V(20) NULL, [c] N(12,2), [d] F(8, 3),"
      " [e] I, [f] B NULL, [g] Y, [h] D, [i] T, [j] L, [k] M NOCPTRANS, [l] G, [m] W, [n] Q(16),"
      " [o] CHARACTER(3), [p] DATETIME, [q] N(5));");
  ASSERT_EQ(create.fields.size(), 17u);
  const std::string types = "CVNFIBYDTLMGWQCTN";
  for (size_t i = 0; i < types.size(); ++i) EXPECT_EQ(create.fields[i].type, types[i]) << i;
  EXPECT_EQ(create.fields[0].length, 10);
  EXPECT_FALSE(create.fields[0].nullable);
  EXPECT_TRUE(create.fields[1].nullable);
  EXPECT_EQ(create.fields[2].length, 12);
  EXPECT_EQ(create.fields[2].decimals, 2);
  EXPECT_EQ(create.fields[3].decimals, 3);
  EXPECT_TRUE(create.fields[5].nullable);
  EXPECT_TRUE(create.fields[10].binary);
  EXPECT_EQ(create.fields[13].length, 16);
  EXPECT_EQ(create.fields[16].decimals, 0);

  EXPECT_NE(FailureOf("CREATE TABLE 'p'([a] C)").find("needs a width"), std::string::npos);
  EXPECT_NE(FailureOf("CREATE TABLE 'p'([a] C(255))").find("1 to 254"), std::string::npos);
  EXPECT_NE(FailureOf("CREATE TABLE 'p'([a] N(5,5))").find("scale"), std::string::npos);
  EXPECT_NE(FailureOf("CREATE TABLE 'p'([a] I(4))").find("takes no width"), std::string::npos);
  EXPECT_NE(FailureOf("CREATE TABLE 'p'([a] XYZ)").find("unknown type \"XYZ\""),
            std::string::npos);
  EXPECT_NE(FailureOf("CREATE TABLE 'p'([a] M PRIMARY KEY)").find("[a]: unexpected text"),
            std::string::npos);
  EXPECT_NE(FailureOf("CREATE TABLE 'p'([a] I NOCPTRANS)").find("NOCPTRANS"), std::string::npos);
}

TEST(StatementParserTest, FieldNamesInBracketsKeepOddCharacters) {
  Statement create = ParseStatement(
      "CREATE TABLE 'C:\\it''s here\\t.DBF'([unit_price_kg] M,[größe-%] M,[a'b`c\"d,e)f] BLOB,"
      "[ lead] M, plain M);");
  EXPECT_EQ(create.target, "C:\\it's here\\t.DBF");
  ASSERT_EQ(create.fields.size(), 5u);
  EXPECT_EQ(create.fields[1].name, "größe-%");
  EXPECT_EQ(create.fields[2].name, "a'b`c\"d,e)f");
  EXPECT_EQ(create.fields[3].name, " lead");
  EXPECT_EQ(create.fields[4].name, "plain");
}

TEST(StatementParserTest, EvaluatesValueExpressions) {
  Statement insert = ParseStatement(
      "INSERT INTO `t` VALUES('It''s', '', NULL, 12, -3.5e2, .T., .f., 'a'+'b'+CHR(13)+CHR(10)+'c',"
      " 'x'+NULL, CHR(128)+CHR(233), \"dq\", +7,.5)");
  const auto& v = insert.values;
  ASSERT_EQ(v.size(), 13u);
  EXPECT_EQ(v[0].kind, Kind::kText);
  EXPECT_EQ(v[0].text, "It's");
  EXPECT_EQ(v[1].kind, Kind::kText);
  EXPECT_EQ(v[1].text, "");
  EXPECT_EQ(v[2].kind, Kind::kNull);
  EXPECT_EQ(v[3].kind, Kind::kNumber);
  EXPECT_EQ(v[3].text, "12");
  EXPECT_EQ(v[4].text, "-3.5e2");
  EXPECT_EQ(v[5].kind, Kind::kLogical);
  EXPECT_TRUE(v[5].logical);
  EXPECT_FALSE(v[6].logical);
  EXPECT_EQ(v[7].text, "ab\r\nc");
  EXPECT_EQ(v[8].kind, Kind::kNull);
  EXPECT_EQ(v[9].text, "\xE2\x82\xAC\xC3\xA9");  // euro sign, e acute
  EXPECT_EQ(v[10].text, "dq");
  EXPECT_EQ(v[11].text, "7");
  EXPECT_EQ(v[12].text, ".5");
  // CHR(0) is a character like any other.
  EXPECT_EQ(ParseStatement("INSERT INTO `t` VALUES(CHR(0))").values[0].text, std::string(1, '\0'));
}

// A memo value of several megabytes arrives as 200-character literals joined
// by "'+'" and CHR() joints; parsing must stay linear and not recurse.
TEST(StatementParserTest, ParsesVeryLongJoinedValues) {
  std::string expected;
  std::string statement = "INSERT INTO `big.dbf` VALUES('";
  const std::string chunk(199, 'x');
  for (int i = 0; i < 20000; ++i) {
    statement += chunk + "'''+'";  // a chunk ending in a quote, then a joint
    expected += chunk + "'";
    if (i % 3 == 0) {
      statement += "'+CHR(13)+CHR(10)+'";
      expected += "\r\n";
    }
  }
  statement += "end', 'short')";
  expected += "end";
  ASSERT_GT(statement.size(), 4u * 1000 * 1000);
  Statement insert = ParseStatement(statement);
  ASSERT_EQ(insert.values.size(), 2u);
  EXPECT_EQ(insert.values[0].text, expected);
  EXPECT_EQ(insert.values[1].text, "short");
}

}  // namespace
}  // namespace veltrane::foxpro
