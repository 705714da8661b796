#ifndef VELTRANE_FOXPRO_RECORD_VALUE_FORMAT_H_
#define VELTRANE_FOXPRO_RECORD_VALUE_FORMAT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace veltrane::foxpro {

// Text forms of stored values. Each appends to or fills `out`.

// "\x" followed by two lower-case hex digits per byte.
void AppendHex(std::string_view bytes, std::string& out);
// The bytes a "\x..." hex form denotes; false when `text` is not one.
bool ParseHex(std::string_view text, std::string& bytes);

// YYYY-MM-DD.
void AppendDate(int year, int month, int day, std::string& out);
// A Julian day number as year, month and day (proleptic Gregorian).
void CivilFromJulianDay(int64_t julian_day, int& year, int& month, int& day);
int64_t JulianDayFromCivil(int year, int month, int day);
bool ValidDate(int year, int month, int day);

// A Visual FoxPro datetime (Julian day + milliseconds since midnight) as
// "YYYY-MM-DD HH:MM:SS" with ".mmm" when there are milliseconds.
void AppendDateTime(int64_t julian_day, int64_t milliseconds, std::string& out);

// The exact decimal text of a currency value stored as ten-thousandths,
// without trailing zeros in the fraction.
void AppendCurrency(int64_t ten_thousandths, std::string& out);

// The shortest text that reads back as the same double.
void AppendDouble(double value, std::string& out);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_VALUE_FORMAT_H_
