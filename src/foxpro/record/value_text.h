#ifndef VELTRANE_FOXPRO_RECORD_VALUE_TEXT_H_
#define VELTRANE_FOXPRO_RECORD_VALUE_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace veltrane::foxpro {

// Reading the text forms of numbers, dates and times: one scanner for
// each, for the table engine and the layers above it. Where readers take
// different spellings, the difference is a rule they choose.

// `text` without the blanks, tabs and line breaks around it.
std::string_view TrimSpace(std::string_view text);

// ---- Decimal numbers

// The parts of [+-]digits[.digits][(e|E)[+-]digits], with at least one
// digit before or after the point; nothing else, not even blanks.
struct DecimalText {
  bool negative = false;
  std::string_view whole;     // the digits before the point, as written
  std::string_view fraction;  // the digits after it
  bool has_exponent = false;
  // The exponent's value; one of more than five digits (leading zeros
  // aside) reads as at least kLargeExponent, far beyond any field or column.
  int exponent = 0;
};
inline constexpr int kLargeExponent = 100000;
bool ScanDecimal(std::string_view text, DecimalText& out);

// [+-]digits within int64_t.
bool ParseWholeNumber(std::string_view text, int64_t& value);

// A decimal number as an exact value.
struct Decimal {
  bool negative = false;
  std::string digits;  // without leading or trailing zeros; empty for zero
  int exponent = 0;    // value = digits x 10^exponent
};
// A decimal text between blanks (ScanDecimal's form).
bool ParseDecimal(std::string_view text, Decimal& out);
// `value` rounded half away from zero to `places` decimal places, as text
// with exactly that many places ("-12.50"); "0" for zero without places.
std::string FormatDecimal(const Decimal& value, int places);

// ---- Dates and times

// What a reading takes beyond its strictest form, which is a date
// YYYY-MM-DD, a time of day HH:MM:SS with an optional fraction of one to
// six digits, and a date and a time with a blank between them.
struct DateTimeRules {
  bool compact_date = false;      // YYYYMMDD as well
  bool long_year = false;         // a year of 4 to 18 digits
  bool t_separator = false;       // "T" between the date and the time as well
  bool optional_seconds = false;  // HH:MM as well (without a fraction)
  bool empty_fraction = false;    // a point with no digit after it
  bool long_fraction = false;     // more than six digits of fraction
  bool utc_offset = false;        // +HH[:MM[:SS]] or -HH... after a time
  bool era = false;               // " BC" at the end
};

// A date, a time of day, or both. Hours, minutes and seconds are checked
// (below 24, 60, 60); the calendar is the caller's to check.
struct DateTime {
  int64_t year = 0;
  int month = 0, day = 0;
  bool has_time = false;
  int hour = 0, minute = 0, second = 0;
  int64_t microsecond = 0;  // digits below the microsecond are cut
  bool has_offset = false;
  int64_t offset_seconds = 0;  // east of UTC
  bool before_christ = false;
};

// The whole of `text` as a date, optionally followed by a time of day.
bool ParseDateTime(std::string_view text, const DateTimeRules& rules, DateTime& out);
// The whole of `text` as a time of day.
bool ParseTimeOfDay(std::string_view text, const DateTimeRules& rules, DateTime& out);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_VALUE_TEXT_H_
