#include "foxpro/record/value_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veltrane::foxpro {
namespace {

TEST(ValueTextTest, DecimalsReadAsExactValues) {
  struct Case {
    std::string text;
    bool ok;
    std::string formatted;  // FormatDecimal with two places
  };
  const std::vector<Case> cases = {
      {"12.345", true, "12.35"},      {" -0.005\t", true, "-0.01"}, {"+7", true, "7.00"},
      {".5", true, "0.50"},           {"5.", true, "5.00"},        {"-0.00", true, "0.00"},
      {"1.5e2", true, "150.00"},      {"25E-1", true, "2.50"},     {"1e+0", true, "1.00"},
      {"9.995", true, "10.00"},       {"", false, ""},            {".", false, ""},
      {"-", false, ""},               {"1e", false, ""},           {"1e+", false, ""},
      {"1.2.3", false, ""},           {"1,5", false, ""},          {"+-1", false, ""},
      {"1e--5", false, ""},           {"0x10", false, ""},         {"1 2", false, ""},
  };
  for (const Case& c : cases) {
    Decimal number;
    ASSERT_EQ(ParseDecimal(c.text, number), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(FormatDecimal(number, 2), c.formatted) << c.text;
    }
  }
  // The scanner's parts, and an exponent too long to matter.
  DecimalText parts;
  ASSERT_TRUE(ScanDecimal("-007.250e3", parts));
  EXPECT_TRUE(parts.negative);
  EXPECT_EQ(parts.whole, "007");
  EXPECT_EQ(parts.fraction, "250");
  EXPECT_EQ(parts.exponent, 3);
  ASSERT_TRUE(ScanDecimal("1e-99999999999999999999", parts));
  EXPECT_LE(parts.exponent, -kLargeExponent);
  EXPECT_FALSE(ScanDecimal(" 1", parts));
}

TEST(ValueTextTest, DatesAndTimesFollowTheirRules) {
  const DateTimeRules strict;
  const DateTimeRules input{.compact_date = true,
                            .t_separator = true,
                            .optional_seconds = true,
                            .empty_fraction = true,
                            .long_fraction = true};
  const DateTimeRules server{
      .long_year = true, .long_fraction = true, .utc_offset = true, .era = true};
  struct Case {
    const DateTimeRules* rules;
    std::string text;
    bool ok;
    std::string fields;  // year month day hour:minute:second.microsecond offset era
  };
  const std::vector<Case> cases = {
      {&strict, "2024-02-29", true, "2024 2 29 0:0:0.0 +0"},
      {&strict, "2024-02-30", true, "2024 2 30 0:0:0.0 +0"},  // the calendar is the caller's
      {&strict, "2024-01-02 03:04:05.123456", true, "2024 1 2 3:4:5.123456 +0"},
      {&strict, "2024-01-02 03:04:05.1234567", false, ""},
      {&strict, "2024-01-02 03:04:05.", false, ""},
      {&strict, "2024-01-02 03:04", false, ""},
      {&strict, "2024-01-02T03:04:05", false, ""},
      {&strict, "20240102", false, ""},
      {&strict, "2024-01-02 24:00:00", false, ""},
      {&strict, "2024-01-02 23:60:00", false, ""},
      {&strict, "2024-1-02", false, ""},
      {&strict, "12024-01-02", false, ""},
      {&strict, "2024-01-02 ", false, ""},
      {&input, "20240102T03:04", true, "2024 1 2 3:4:0.0 +0"},
      {&input, "2024-01-02 03:04:05.", true, "2024 1 2 3:4:5.0 +0"},
      {&input, "2024-01-02 03:04:05.9999999", true, "2024 1 2 3:4:5.999999 +0"},
      {&input, "2024-0102", false, ""},
      {&input, "202401-02", false, ""},
      {&input, "2024-01-02 03:04.5", false, ""},
      {&server, "12024-01-02 03:04:05.5+05:30 BC", true, "12024 1 2 3:4:5.500000 +19800 BC"},
      {&server, "0044-03-15 BC", true, "44 3 15 0:0:0.0 +0 BC"},
      {&server, "2024-01-02 03:04:05-08", true, "2024 1 2 3:4:5.0 -28800"},
      {&server, "2024-01-02+05", false, ""},
      {&server, "2024-01-02 03:04:05+5", false, ""},
      {&server, "2024-01-02  BC", false, ""},
      {&server, "1234567890123456789-01-02", false, ""},
  };
  for (const Case& c : cases) {
    DateTime value;
    ASSERT_EQ(ParseDateTime(c.text, *c.rules, value), c.ok) << c.text;
    if (!c.ok) continue;
    const std::string fields =
        std::to_string(value.year) + " " + std::to_string(value.month) + " " +
        std::to_string(value.day) + " " + std::to_string(value.hour) + ":" +
        std::to_string(value.minute) + ":" + std::to_string(value.second) + "." +
        std::to_string(value.microsecond) + " " + (value.offset_seconds < 0 ? "" : "+") +
        std::to_string(value.offset_seconds) + (value.before_christ ? " BC" : "");
    EXPECT_EQ(fields, c.fields) << c.text;
  }
  DateTime time;
  EXPECT_TRUE(ParseTimeOfDay("23:59:59.5", strict, time));
  EXPECT_EQ(time.microsecond, 500000);
  EXPECT_FALSE(ParseTimeOfDay("23:59:59+01", server, time));
  EXPECT_FALSE(ParseTimeOfDay("2024-01-02", server, time));
}

}  // namespace
}  // namespace veltrane::foxpro
