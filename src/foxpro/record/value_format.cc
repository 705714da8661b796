#include "foxpro/record/value_format.h"

#include <charconv>
#include <cmath>

namespace veltrane::foxpro {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr int64_t kMillisecondsPerDay = 86400000;

void AppendPadded(int64_t value, int width, std::string& out) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;
  for (int n = static_cast<int>(end - buffer); n < width; ++n) out.push_back('0');
  out.append(buffer, end);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void AppendHex(std::string_view bytes, std::string& out) {
  out.reserve(out.size() + 2 + bytes.size() * 2);
  out += "\\x";
  for (char c : bytes) {
    unsigned char b = static_cast<unsigned char>(c);
    out.push_back(kHexDigits[b >> 4]);
    out.push_back(kHexDigits[b & 0x0F]);
  }
}

bool ParseHex(std::string_view text, std::string& bytes) {
  if (text.size() < 2 || text[0] != '\\' || (text[1] != 'x' && text[1] != 'X')) return false;
  if (text.size() % 2 != 0) return false;
  std::string result;
  result.reserve((text.size() - 2) / 2);
  for (size_t i = 2; i < text.size(); i += 2) {
    int high = HexValue(text[i]);
    int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    result.push_back(static_cast<char>((high << 4) | low));
  }
  bytes.swap(result);
  return true;
}

bool ValidDate(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int days = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= days;
}

void AppendDate(int year, int month, int day, std::string& out) {
  AppendPadded(year, 4, out);
  out.push_back('-');
  AppendPadded(month, 2, out);
  out.push_back('-');
  AppendPadded(day, 2, out);
}

// Julian day number <-> Gregorian date (Fliegel and Van Flandern).
void CivilFromJulianDay(int64_t jd, int& year, int& month, int& day) {
  int64_t l = jd + 68569;
  int64_t n = 4 * l / 146097;
  l = l - (146097 * n + 3) / 4;
  int64_t i = 4000 * (l + 1) / 1461001;
  l = l - 1461 * i / 4 + 31;
  int64_t j = 80 * l / 2447;
  day = static_cast<int>(l - 2447 * j / 80);
  l = j / 11;
  month = static_cast<int>(j + 2 - 12 * l);
  year = static_cast<int>(100 * (n - 49) + i + l);
}

int64_t JulianDayFromCivil(int year, int month, int day) {
  int64_t y = year, m = month, d = day;
  return (1461 * (y + 4800 + (m - 14) / 12)) / 4 + (367 * (m - 2 - 12 * ((m - 14) / 12))) / 12 -
         (3 * ((y + 4900 + (m - 14) / 12) / 100)) / 4 + d - 32075;
}

void AppendDateTime(int64_t julian_day, int64_t milliseconds, std::string& out) {
  julian_day += milliseconds / kMillisecondsPerDay;
  milliseconds %= kMillisecondsPerDay;
  int year, month, day;
  CivilFromJulianDay(julian_day, year, month, day);
  AppendDate(year, month, day, out);
  out.push_back(' ');
  AppendPadded(milliseconds / 3600000, 2, out);
  out.push_back(':');
  AppendPadded(milliseconds / 60000 % 60, 2, out);
  out.push_back(':');
  AppendPadded(milliseconds / 1000 % 60, 2, out);
  if (milliseconds % 1000 != 0) {
    out.push_back('.');
    AppendPadded(milliseconds % 1000, 3, out);
  }
}

void AppendCurrency(int64_t value, std::string& out) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  if (value < 0) out.push_back('-');
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, magnitude / 10000);
  (void)ec;
  out.append(buffer, end);
  unsigned fraction = static_cast<unsigned>(magnitude % 10000);
  if (fraction == 0) return;
  char digits[5] = {static_cast<char>('0' + fraction / 1000), static_cast<char>('0' + fraction / 100 % 10),
                    static_cast<char>('0' + fraction / 10 % 10), static_cast<char>('0' + fraction % 10), 0};
  int length = 4;
  while (digits[length - 1] == '0') --length;
  out.push_back('.');
  out.append(digits, length);
}

void AppendDouble(double value, std::string& out) {
  if (std::isnan(value)) {
    out += "NaN";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-Infinity" : "Infinity";
    return;
  }
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;
  out.append(buffer, end);
}

}  // namespace veltrane::foxpro
