// The typed column mapping and its value forms, without a server.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "transfer/typed_columns.h"
#include "transfer/typed_values.h"

namespace veltrane::transfer {
namespace {

db::ColumnDetails FoxProField(char type, int width = 0, int decimals = 0, bool nullable = false,
                              bool binary = false) {
  db::ColumnDetails field;
  field.foxpro_type = type;
  field.width = width;
  field.decimals = decimals;
  field.nullable = nullable;
  field.binary = binary;
  return field;
}

db::ColumnDetails PgColumn(uint32_t oid, int32_t typmod = -1, bool nullable = true) {
  db::ColumnDetails column;
  column.pg_type = oid;
  column.pg_typmod = typmod;
  column.nullable = nullable;
  return column;
}

int32_t NumericTypmod(int precision, int scale) { return ((precision << 16) | scale) + 4; }

std::string PgText(const db::ColumnDetails& field) {
  return TypedPostgreSqlColumnText(PlanPostgreSqlColumn(field));
}

std::string FoxText(const db::ColumnDetails& column) {
  return TypedFoxProColumnText(PlanFoxProField(column));
}

// The boundaries of the mapping and the fields of other dialects (the
// transfer tests cover the common types).
TEST(TypedColumnsTest, FoxProFieldsBecomeColumnsOfTheirType) {
  // Every value of the field fits: the sign's place holds a digit of a
  // positive value, the point takes one.
  EXPECT_EQ(PgText(FoxProField('N', 13, 2)), " numeric(12,2),");
  EXPECT_EQ(PgText(FoxProField('N', 5)), " numeric(5,0),");
  EXPECT_EQ(PgText(FoxProField('N', 20)), " bigint,");
  EXPECT_EQ(PgText(FoxProField('N', 0)), " numeric,");
  EXPECT_EQ(PgText(FoxProField('N', 3, 3)), " numeric,");
  EXPECT_EQ(PgText(FoxProField('V', 10, 0, false, true)), " bytea NOT NULL,");
  EXPECT_EQ(PgText(FoxProField('P', 10, 0, true)), " bytea,");
  EXPECT_EQ(PgText(FoxProField('@', 8, 0, true)), " timestamp,");
  EXPECT_EQ(PgText(FoxProField('O', 8)), " double precision NOT NULL,");
  EXPECT_EQ(PgText(FoxProField('+', 4)), " integer NOT NULL,");
  EXPECT_EQ(PgText(FoxProField('I', 2, 0, true)), " smallint,");
  EXPECT_EQ(PgText(FoxProField('I', 8, 0, true)), " bigint,");
  EXPECT_EQ(PgText(FoxProField('I', 5)), " bigint NOT NULL,");
  EXPECT_EQ(PgText(FoxProField('I', 0)), " integer,");  // no bytes: always null
  EXPECT_EQ(PgText(FoxProField('T', 4)), " time,");     // a time of day
  db::ColumnDetails unread = FoxProField('^', 10);
  unread.raw = true;
  EXPECT_EQ(PgText(unread), " text NOT NULL,");
  EXPECT_EQ(PgText(FoxProField('B', 10)), " bytea,");  // dBase's binary memo
  EXPECT_EQ(PgText(FoxProField('X', 5, 0, true)), " text,");
}

TEST(TypedColumnsTest, PostgreSqlColumnsBecomeFieldsOfTheirType) {
  EXPECT_EQ(FoxText(PgColumn(1700, NumericTypmod(19, 2))), " N(20,2) NULL,");
  EXPECT_EQ(FoxText(PgColumn(1700, NumericTypmod(20, 0))), " N(20,0) NULL,");
  // Wider than FoxPro's numbers, or unbounded: the exact text in a memo.
  EXPECT_EQ(FoxText(PgColumn(1700, NumericTypmod(20, 2))), " M NULL,");
  EXPECT_EQ(FoxText(PgColumn(1700)), " M NULL,");
  EXPECT_EQ(FoxText(PgColumn(1043, 254 + 4, false)), " V(254),");
  EXPECT_EQ(FoxText(PgColumn(1043, 255 + 4)), " M NULL,");
  EXPECT_EQ(FoxText(PgColumn(1043)), " M NULL,");
  EXPECT_EQ(FoxText(PgColumn(1042, 1 + 4)), " C(1) NULL,");
}

std::optional<std::string> ToPg(const PgColumnPlan& plan, std::string_view text) {
  const auto value = PostgreSqlValueOf(plan, text);
  return value ? std::optional<std::string>(*value) : std::nullopt;
}

TEST(TypedValuesTest, FoxProValuesTakeTheFormOfTheirColumn) {
  const PgColumnPlan character = PlanPostgreSqlColumn(FoxProField('C', 10));
  EXPECT_EQ(ToPg(character, "ab  "), "ab");
  EXPECT_EQ(ToPg(character, "  "), "");
  EXPECT_EQ(ToPg(character, " a b"), " a b");
  EXPECT_EQ(ToPg(PlanPostgreSqlColumn(FoxProField('V', 10)), "ab  "), "ab  ");
  // varchar(n) counts characters; a longer value (a hex form) takes varchar.
  const PgColumnPlan three = PlanPostgreSqlColumn(FoxProField('C', 3));
  EXPECT_EQ(ToPg(three, "\xC3\xBC\xC3\xBC\xC3\xBC "), "\xC3\xBC\xC3\xBC\xC3\xBC");
  EXPECT_EQ(ToPg(three, "\\x610062"), std::nullopt);
  EXPECT_EQ(WiderColumn(three, "\\x610062")->type, "varchar");

  const PgColumnPlan amount = PlanPostgreSqlColumn(FoxProField('N', 6, 2));  // numeric(5,2)
  EXPECT_EQ(ToPg(amount, "-12.50"), "-12.50");
  EXPECT_EQ(ToPg(amount, "999.99"), "999.99");
  EXPECT_EQ(ToPg(amount, "1.5e2"), "1.5e2");
  // Not a number, or more digits before the point than the column holds:
  // the value goes as NULL (and is counted).
  EXPECT_EQ(ToPg(amount, "1.2300"), "1.2300");
  for (const char* bad : {".", "1,200.00", "12a", "1000.5", "1e5", "1.235"})
    EXPECT_EQ(ToPg(amount, bad), std::nullopt) << bad;
  // A number only the column's limit refuses (which it would reject or
  // round) takes numeric without one; what is no number takes nothing.
  EXPECT_EQ(WiderColumn(amount, "1.235")->type, "numeric");
  EXPECT_EQ(WiderColumn(amount, "1e5")->type, "numeric");
  EXPECT_EQ(WiderColumn(amount, "1,200.00"), std::nullopt);
  const PgColumnPlan big = PlanPostgreSqlColumn(FoxProField('N', 20));  // bigint
  EXPECT_EQ(ToPg(big, "-9223372036854775808"), "-9223372036854775808");
  EXPECT_EQ(ToPg(big, "+12"), "+12");
  for (const char* bad : {"9223372036854775808", "1.5", "+-5", "."})
    EXPECT_EQ(ToPg(big, bad), std::nullopt) << bad;
  EXPECT_EQ(WiderColumn(big, "9223372036854775808")->type, "numeric");
  EXPECT_EQ(WiderColumn(big, "+-5"), std::nullopt);

  const PgColumnPlan date = PlanPostgreSqlColumn(FoxProField('D', 8));
  EXPECT_EQ(ToPg(date, "2024-02-29"), "2024-02-29");
  for (const char* bad : {"2023-02-29", "NotAYear", "2024-02-29 10:00:00", "20240229"})
    EXPECT_EQ(ToPg(date, bad), std::nullopt) << bad;
  const PgColumnPlan datetime = PlanPostgreSqlColumn(FoxProField('T', 8));
  EXPECT_EQ(ToPg(datetime, "2024-02-29 23:59:59.125"), "2024-02-29 23:59:59.125");
  EXPECT_EQ(ToPg(datetime, "2024-02-29"), std::nullopt);
  const PgColumnPlan time = PlanPostgreSqlColumn(FoxProField('T', 4));
  EXPECT_EQ(ToPg(time, "23:59:59.999"), "23:59:59.999");
  EXPECT_EQ(ToPg(time, "24:00:00"), std::nullopt);
  const PgColumnPlan logical = PlanPostgreSqlColumn(FoxProField('L', 1));
  EXPECT_EQ(ToPg(logical, "false"), "false");
  EXPECT_EQ(ToPg(logical, "x"), std::nullopt);
}

std::string ToFox(const db::ColumnDetails& column, std::string_view text, std::string* problem = nullptr) {
  std::string out;
  const FoxProValueOutcome outcome = FoxProValueOf(PlanFoxProField(column), text, out);
  if (problem) *problem = outcome.problem;
  if (!outcome.problem.empty()) return "<" + outcome.problem + ">";
  return outcome.cut_below_millisecond ? out + " <cut>" : out;
}

TEST(TypedValuesTest, TimestamptzArrivesInUtc) {
  const db::ColumnDetails timestamptz = PgColumn(1184);
  EXPECT_EQ(ToFox(timestamptz, "2024-02-29 13:45:07+00"), "2024-02-29 13:45:07");
  EXPECT_EQ(ToFox(timestamptz, "2024-03-01 00:30:00.25+01"), "2024-02-29 23:30:00.25");
  EXPECT_EQ(ToFox(timestamptz, "2023-12-31 20:00:00-05:30"), "2024-01-01 01:30:00");
  EXPECT_EQ(ToFox(timestamptz, "1900-01-01 00:00:00.000001+00:53:28"),
            "1899-12-31 23:06:32.000 <cut>");
}

// A FoxPro datetime holds milliseconds: the digits below are cut, never
// rounded into the next second, day or year, and only a digit that was
// not 0 counts as cut.
TEST(TypedValuesTest, TimesAreCutToTheMillisecond) {
  const struct {
    int type;
    const char* text;
    const char* stored;
  } kCases[] = {
      {1114, "2025-12-31 23:59:59.999999", "2025-12-31 23:59:59.999 <cut>"},
      {1184, "2025-12-31 23:59:59.999999+00", "2025-12-31 23:59:59.999 <cut>"},
      {1114, "2025-12-31 23:59:59.999", "2025-12-31 23:59:59.999"},
      {1114, "2025-12-31 23:59:59.1230", "2025-12-31 23:59:59.123"},
      {1114, "2025-12-31 23:59:59", "2025-12-31 23:59:59"},
  };
  for (const auto& c : kCases) EXPECT_EQ(ToFox(PgColumn(c.type), c.text), c.stored) << c.text;
}

TEST(TypedValuesTest, ValuesFoxProCannotHoldAreRefused) {
  std::string problem;
  for (const char* date : {"infinity", "-infinity", "0044-03-15 BC", "10000-01-01"}) {
    ToFox(PgColumn(1082), date, &problem);
    EXPECT_EQ(problem, "FoxPro holds dates of the years 1 to 9999 only") << date;
  }
  for (const char* timestamp : {"infinity", "0001-01-01 00:00:00 BC", "10000-01-01 00:00:00"}) {
    ToFox(PgColumn(1114), timestamp, &problem);
    EXPECT_FALSE(problem.empty()) << timestamp;
  }
  // Within range before the conversion, outside it after.
  ToFox(PgColumn(1184), "0001-01-01 00:30:00+01", &problem);
  EXPECT_FALSE(problem.empty());
  EXPECT_EQ(ToFox(PgColumn(1114), "9999-12-31 23:59:59.999"), "9999-12-31 23:59:59.999");

  for (const char* special : {"NaN", "Infinity", "-Infinity"}) {
    ToFox(PgColumn(701), special, &problem);
    EXPECT_EQ(problem, "a FoxPro double holds no NaN or infinity");
  }
  EXPECT_EQ(ToFox(PgColumn(701), "-1.5e+300"), "-1.5e+300");

  const db::ColumnDetails amount = PgColumn(1700, NumericTypmod(12, 2));  // N(13,2)
  EXPECT_EQ(ToFox(amount, "9999999999.99"), "9999999999.99");
  EXPECT_EQ(ToFox(amount, "-999999999.99"), "-999999999.99");
  EXPECT_EQ(ToFox(amount, "-9999999999.99"), "<it is wider than the field's N(13,2)>");
  EXPECT_EQ(ToFox(amount, "NaN"), "<it is not a number FoxPro can hold>");
  EXPECT_EQ(ToFox(PgColumn(20), "-9223372036854775808"), "-9223372036854775808");

  EXPECT_EQ(ToFox(PgColumn(790), "-922337203685477.58"), "-922337203685477.58");
  ToFox(PgColumn(790), "92233720368547758.07", &problem);
  EXPECT_EQ(problem, "it is outside FoxPro's currency range (+/-922337203685477.5807)");
}

TEST(TypedValuesTest, NulledValuesAreDescribedOncePerColumn) {
  NulledValues nulled;
  nulled.Add(1, 3, "1,5");
  nulled.Add(1, 9, ".");
  nulled.Add(2, 4, "x");
  const std::vector<PgColumnPlan> plans = {PlanPostgreSqlColumn(FoxProField('C', 5)),
                                           PlanPostgreSqlColumn(FoxProField('N', 6, 2)),
                                           PlanPostgreSqlColumn(FoxProField('L', 1))};
  EXPECT_THAT(nulled.Descriptions("t", {"c", "n", "l"}, plans),
              ::testing::ElementsAre("Table \"t\", column \"n\": 2 values are not numeric(5,2) "
                                     "values (the first in row 3: \"1,5\"); they arrived as NULL.",
                                     "Table \"t\", column \"l\": 1 value is not a boolean value "
                                     "(row 4: \"x\"); it arrived as NULL."));
}

}  // namespace
}  // namespace veltrane::transfer
