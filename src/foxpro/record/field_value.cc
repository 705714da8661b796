#include "foxpro/record/field_value.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "foxpro/codepages/codepage.h"
#include "foxpro/record/coding.h"
#include "foxpro/record/value_format.h"

namespace veltrane::foxpro {
namespace {

// The Julian day numbers of 0001-01-01 and 9999-12-31, and of the day
// before 0001-01-01, where dBase 7's timestamps count from.
constexpr int64_t kFirstJulianDay = 1721426;
constexpr int64_t kLastJulianDay = 5373484;
constexpr int64_t kJulianDayBeforeYearOne = kFirstJulianDay - 1;
constexpr int64_t kMillisecondsPerDay = 86400000;
constexpr uint64_t kSignBit = uint64_t{1} << 63;

// UTF-16: code units of two bytes, surrogate pairs for the characters
// from U+10000. Harbour's variable-length Unicode field ends with its
// length in two bytes, 0xFFFF for none.
constexpr size_t kUtf16UnitBytes = 2;
constexpr uint32_t kHighSurrogateFirst = 0xD800;
constexpr uint32_t kLowSurrogateFirst = 0xDC00;
constexpr uint32_t kLowSurrogateLast = 0xDFFF;
constexpr uint32_t kSupplementaryFirst = 0x10000;
constexpr size_t kUnicodeLengthBytes = 2;
constexpr uint64_t kUnicodeNoLength = 0xFFFF;

std::string_view Trim(std::string_view s, std::string_view chars) {
  const size_t begin = s.find_first_not_of(chars);
  if (begin == std::string_view::npos) return {};
  return s.substr(begin, s.find_last_not_of(chars) - begin + 1);
}

constexpr std::string_view kBlanks(" \0", 2);

bool IsBlank(std::string_view raw) { return Trim(raw, kBlanks).empty(); }

bool IsZero(std::string_view raw) {
  return std::all_of(raw.begin(), raw.end(), [](char c) { return c == '\0'; });
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Digits(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

// A number's text: optional sign, digits with at most one point, optional
// exponent.
bool ValidNumber(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  bool digits = false, point = false;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') digits = true;
    else if (s[i] == '.' && !point) point = true;
    else break;
  }
  if (!digits) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
      if (s[i] < '0' || s[i] > '9') return false;
  }
  return i == s.size();
}

// A little-endian signed integer of 1 to 8 bytes.
int64_t LittleEndian(std::string_view raw) {
  uint64_t value = DecodeLittleEndian(raw);
  const unsigned bits = static_cast<unsigned>(8 * raw.size());
  if (bits < 64 && (value >> (bits - 1)) != 0) value |= ~uint64_t{0} << bits;  // sign
  return static_cast<int64_t>(value);
}

// dBase 7 stores integers big-endian with the sign bit flipped, so that
// their bytes sort as their values do.
int64_t SortableInteger(std::string_view raw) {
  const unsigned bits = static_cast<unsigned>(8 * raw.size());
  uint64_t value = DecodeBigEndian(raw) ^ (uint64_t{1} << (bits - 1));
  if (bits < 64 && (value >> (bits - 1)) != 0) value |= ~uint64_t{0} << bits;
  return static_cast<int64_t>(value);
}

// A big-endian double whose bytes sort as its values do: dBase 7 flips the
// sign bit of positive values and every bit of negative ones. Other
// writers of the type flip the sign bit alone.
double SortableDouble(std::string_view raw, bool dbase7) {
  const uint64_t bits = DecodeBigEndian(raw);
  if ((bits & kSignBit) != 0 || !dbase7) return DoubleOfBits(bits ^ kSignBit);
  return DoubleOfBits(~bits);
}

void AppendTwoDigits(int64_t value, std::string& out) {
  out.push_back(static_cast<char>('0' + value / 10 % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

// A time of day as HH:MM:SS, with .mmm when there are milliseconds.
void AppendTimeOfDay(int64_t milliseconds, std::string& out) {
  AppendTwoDigits(milliseconds / 3600000, out);
  out.push_back(':');
  AppendTwoDigits(milliseconds / 60000 % 60, out);
  out.push_back(':');
  AppendTwoDigits(milliseconds / 1000 % 60, out);
  if (milliseconds % 1000 != 0) {
    out.push_back('.');
    out.push_back(static_cast<char>('0' + milliseconds / 100 % 10));
    AppendTwoDigits(milliseconds % 100, out);
  }
}

bool ValidDay(int64_t julian_day) {
  return julian_day >= kFirstJulianDay && julian_day <= kLastJulianDay;
}

// A Julian day and milliseconds since midnight, as two little-endian
// 32-bit numbers (FoxPro, Harbour).
bool DayAndTime(std::string_view raw, std::string& out) {
  const int64_t day = static_cast<int64_t>(DecodeLittleEndian(raw.substr(0, 4)));
  const int64_t milliseconds = static_cast<int64_t>(DecodeLittleEndian(raw.substr(4, 4)));
  if (!ValidDay(day) || !ValidDay(day + milliseconds / kMillisecondsPerDay)) return false;
  out.clear();
  AppendDateTime(day, milliseconds, out);
  return true;
}

// dBase 7's timestamp: a big-endian double counting the milliseconds since
// the start of the day before 0001-01-01 (so 0001-01-01 is day 1). dBase 7
// stores the double as it is; writers that store it like their sortable
// doubles flip its sign bit. A timestamp is never negative, so a set sign
// bit marks the flipped form.
bool MillisecondsSinceYearOne(std::string_view raw, std::string& out) {
  const double value = DoubleOfBits(DecodeBigEndian(raw) & ~kSignBit);
  if (!std::isfinite(value)) return false;
  const double days = std::floor(value / kMillisecondsPerDay);
  const double julian_day = days + kJulianDayBeforeYearOne;
  if (julian_day < kFirstJulianDay || julian_day > kLastJulianDay) return false;
  const int64_t milliseconds = std::llround(value - days * kMillisecondsPerDay);
  if (!ValidDay(static_cast<int64_t>(julian_day) + milliseconds / kMillisecondsPerDay)) return false;
  out.clear();
  AppendDateTime(static_cast<int64_t>(julian_day), milliseconds, out);
  return true;
}

// `value` / 10^`decimals` exactly, as a plain decimal: 100 with 2 decimals
// is "1.00", -5 with 2 is "-0.05".
void AppendScaled(int64_t value, int decimals, std::string& out) {
  const uint64_t magnitude = value < 0 ? uint64_t{0} - static_cast<uint64_t>(value)
                                       : static_cast<uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  if (digits.size() <= static_cast<size_t>(decimals))
    digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
  if (value < 0) out.push_back('-');
  out.append(digits, 0, digits.size() - static_cast<size_t>(decimals));
  if (decimals > 0) {
    out.push_back('.');
    out.append(digits, digits.size() - static_cast<size_t>(decimals), std::string::npos);
  }
}

// A binary integer; a decimal count places the point (Harbour keeps
// fixed-point numbers in integer fields this way).
FieldReading Integer(std::string_view raw, bool sortable, int decimals, std::string& out) {
  if (raw.empty()) return FieldReading::kNull;
  if (raw.size() > 8) return FieldReading::kUnknown;
  if (sortable && IsZero(raw)) return FieldReading::kNull;  // never written
  out.clear();
  AppendScaled(sortable ? SortableInteger(raw) : LittleEndian(raw), decimals, out);
  return FieldReading::kValue;
}

FieldReading Number(std::string_view raw, std::string& out) {
  const std::string_view text = Trim(raw, std::string_view(" \0*", 3));
  if (text.empty() || text.find_first_not_of('?') == std::string_view::npos)
    return FieldReading::kNull;
  out.assign(text);
  std::replace(out.begin(), out.end(), ',', '.');
  return ValidNumber(out) ? FieldReading::kValue : FieldReading::kInvalid;
}

FieldReading Date(std::string_view raw, std::string& out) {
  if (raw.size() == 3 || raw.size() == 4) {  // a binary Julian day (Harbour)
    const int64_t day = static_cast<int64_t>(DecodeLittleEndian(raw));
    if (day == 0) return FieldReading::kNull;
    if (!ValidDay(day)) return FieldReading::kInvalid;
    int year, month, day_of_month;
    CivilFromJulianDay(day, year, month, day_of_month);
    out.clear();
    AppendDate(year, month, day_of_month, out);
    return FieldReading::kValue;
  }
  const std::string_view text = Trim(raw, kBlanks);
  if (text.empty() || text.find_first_not_of('0') == std::string_view::npos ||
      text.find('?') != std::string_view::npos)
    return FieldReading::kNull;
  // YYYYMMDD, or with separators: YYYY-MM-DD, YYYY/MM/DD, YYYY.MM.DD.
  std::string_view year = text.substr(0, 4), month, day;
  if (text.size() == 8) {
    month = text.substr(4, 2);
    day = text.substr(6, 2);
  } else if (text.size() == 10 && text[4] == text[7] &&
             (text[4] == '-' || text[4] == '/' || text[4] == '.')) {
    month = text.substr(5, 2);
    day = text.substr(8, 2);
  } else {
    return FieldReading::kInvalid;
  }
  if (!AllDigits(year) || !AllDigits(month) || !AllDigits(day) ||
      !ValidDate(Digits(year), Digits(month), Digits(day)))
    return FieldReading::kInvalid;
  out.clear();
  AppendDate(Digits(year), Digits(month), Digits(day), out);
  return FieldReading::kValue;
}

FieldReading DateTime(std::string_view raw, std::string& out) {
  if (raw.size() == 4) {  // a time of day alone (Harbour)
    if (IsBlank(raw)) return FieldReading::kNull;
    const int64_t milliseconds = static_cast<int64_t>(DecodeLittleEndian(raw));
    if (milliseconds >= kMillisecondsPerDay) return FieldReading::kInvalid;
    out.clear();
    AppendTimeOfDay(milliseconds, out);
    return FieldReading::kValue;
  }
  if (raw.size() != 8) return FieldReading::kUnknown;
  if (IsBlank(raw) || DecodeLittleEndian(raw.substr(0, 4)) == 0) return FieldReading::kNull;
  return DayAndTime(raw, out) ? FieldReading::kValue : FieldReading::kInvalid;
}

// A timestamp ('@', '='): dBase 7 writes a double of milliseconds,
// Harbour a day and a time like FoxPro's datetime. Each table's own form is
// tried first, then the other one.
FieldReading Timestamp(std::string_view raw, bool dbase7, std::string& out) {
  if (raw.size() != 8) return raw.empty() ? FieldReading::kNull : FieldReading::kUnknown;
  if (IsBlank(raw)) return FieldReading::kNull;
  const bool read = dbase7 ? MillisecondsSinceYearOne(raw, out) || DayAndTime(raw, out)
                           : DayAndTime(raw, out) || MillisecondsSinceYearOne(raw, out);
  return read ? FieldReading::kValue : FieldReading::kInvalid;
}

FieldReading Logical(std::string_view raw, std::string& out) {
  const std::string_view text = Trim(raw, kBlanks);
  if (text.empty() || text[0] == '?') return FieldReading::kNull;
  switch (text[0]) {
    case 'T': case 't': case 'Y': case 'y':
      out = "true";
      return FieldReading::kValue;
    case 'F': case 'f': case 'N': case 'n':
      out = "false";
      return FieldReading::kValue;
    default:
      return FieldReading::kInvalid;
  }
}

}  // namespace

std::string_view UnicodeFieldValue(const FieldDescriptor& f, std::string_view raw) {
  if (f.type != field_type::kUnicodeVarChar) return raw;
  if (raw.size() < kUnicodeLengthBytes) return {};
  const std::string_view text = raw.substr(0, raw.size() - kUnicodeLengthBytes);
  const uint64_t count = DecodeLittleEndian(raw.substr(text.size()));
  if (count == kUnicodeNoLength) return {};
  return text.substr(0, std::min<uint64_t>(count * kUtf16UnitBytes, text.size()));
}

bool AppendUtf16LeAsUtf8(std::string_view bytes, std::string& out) {
  if (bytes.size() % kUtf16UnitBytes != 0) return false;
  for (size_t i = 0; i < bytes.size(); i += kUtf16UnitBytes) {
    uint32_t code = DecodeFixed16(bytes.data() + i);
    if (code >= kLowSurrogateFirst && code <= kLowSurrogateLast) return false;
    if (code >= kHighSurrogateFirst && code < kLowSurrogateFirst) {
      if (i + 2 * kUtf16UnitBytes > bytes.size()) return false;
      const uint32_t low = DecodeFixed16(bytes.data() + i + kUtf16UnitBytes);
      if (low < kLowSurrogateFirst || low > kLowSurrogateLast) return false;
      code = kSupplementaryFirst + ((code - kHighSurrogateFirst) << 10) + (low - kLowSurrogateFirst);
      i += kUtf16UnitBytes;
    }
    AppendUtf8(code, out);
  }
  return true;
}

bool KnowsField(const FieldDescriptor& f) {
  switch (f.type) {
    case field_type::kUnicodeChar:
      return f.length % kUtf16UnitBytes == 0;
    case field_type::kUnicodeVarChar:
      return f.length % kUtf16UnitBytes == 0 && f.length >= kUnicodeLengthBytes;
    case 'C': case 'V': case 'Q': case 'M': case 'G': case 'P': case 'W':
    case 'N': case 'F': case 'D': case 'L':
      return true;
    case 'I': case '+': case '^':
      return f.length <= 8;
    case 'B':  // a double at width 8, else a memo
      return true;
    case 'O': case 'Y': case '@': case '=':
      return f.length == 0 || f.length == 8;
    case 'T':
      return f.length == 0 || f.length == 4 || f.length == 8;
    default:
      return false;
  }
}

FieldReading ReadFixedField(const FieldDescriptor& f, bool dbase7, std::string_view raw,
                            std::string& out) {
  switch (f.type) {
    case 'N':
    case 'F':
      return Number(raw, out);
    case 'I':
    case '+':
      return Integer(raw, dbase7 && raw.size() == 4, f.decimals, out);
    case '^':
      return Integer(raw, false, f.decimals, out);
    case 'B':
    case 'O': {
      if (raw.empty()) return FieldReading::kNull;
      if (raw.size() != 8) return FieldReading::kUnknown;
      double value;
      if (f.type == 'B') {
        value = DoubleOfBits(DecodeFixed64(raw.data()));
      } else if (IsZero(raw)) {
        if (dbase7) return FieldReading::kNull;  // never written
        value = 0;
      } else {
        value = SortableDouble(raw, dbase7);
      }
      out.clear();
      AppendDouble(value, out);
      return FieldReading::kValue;
    }
    case 'Y': {
      if (raw.empty()) return FieldReading::kNull;
      if (raw.size() != 8) return FieldReading::kUnknown;
      out.clear();
      AppendCurrency(LittleEndian(raw), out);
      return FieldReading::kValue;
    }
    case 'D':
      return raw.empty() ? FieldReading::kNull : Date(raw, out);
    case 'T':
      return raw.empty() ? FieldReading::kNull : DateTime(raw, out);
    case '@':
    case '=':
      return Timestamp(raw, dbase7, out);
    case 'L':
      return Logical(raw, out);
    default:
      return FieldReading::kUnknown;
  }
}

}  // namespace veltrane::foxpro
