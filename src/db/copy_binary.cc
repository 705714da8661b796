#include "db/copy_binary.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "foxpro/record/coding.h"
#include "foxpro/record/value_format.h"
#include "foxpro/record/value_text.h"

namespace veltrane::db {
namespace {

// Dates and times count from 2000-01-01 (Julian day 2451545) in days or
// microseconds.
constexpr int64_t kJulianDayOf2000 = 2451545;
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kMicrosecondsPerSecond = 1000000;

// numeric's binary form: base-10000 digits, a weight (the power of 10000
// of the first digit), a sign word and the display scale.
constexpr int kDecimalDigitsPerNumericDigit = 4;
constexpr uint16_t kNumericPositive = 0x0000;
constexpr uint16_t kNumericNegative = 0x4000;
// Beyond these the server's own reading of the text decides (it refuses
// exponents past 1000); numbers of FoxPro's widths are far inside them.
constexpr int64_t kLargestExponent = 1000;
constexpr int64_t kLargestNumericDigits = 1000;

void AppendLength(std::string& out, size_t length) {
  foxpro::PutBigEndian32(out, static_cast<uint32_t>(length));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AppendInteger(std::string& out, std::string_view text, int bytes) {
  int64_t value = 0;
  if (!foxpro::ParseWholeNumber(text, value)) return false;
  const int64_t limit = bytes == 8 ? std::numeric_limits<int64_t>::max()
                                   : (int64_t{1} << (8 * bytes - 1)) - 1;
  if (value > limit || value < -limit - 1) return false;
  AppendLength(out, bytes);
  switch (bytes) {
    case 2: foxpro::PutBigEndian16(out, static_cast<uint16_t>(value)); break;
    case 4: foxpro::PutBigEndian32(out, static_cast<uint32_t>(value)); break;
    default: foxpro::PutBigEndian64(out, static_cast<uint64_t>(value)); break;
  }
  return true;
}

bool AppendDouble(std::string& out, std::string_view text) {
  double value = 0;
  if (text == "NaN") {
    value = std::numeric_limits<double>::quiet_NaN();
  } else if (text == "Infinity" || text == "-Infinity") {
    value = text[0] == '-' ? -std::numeric_limits<double>::infinity()
                           : std::numeric_limits<double>::infinity();
  } else {
    // Digits, a point and an exponent only: the server reads other spellings
    // (words, blanks, a plus sign) its own way.
    for (char c : text)
      if (!IsDigit(c) && c != '.' && c != '-' && c != '+' && c != 'e' && c != 'E') return false;
    if (text.empty() || text[0] == '+') return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return false;
  }
  AppendLength(out, sizeof value);
  foxpro::PutBigEndian64(out, foxpro::BitsOfDouble(value));
  return true;
}

// A decimal text: [+-]digits[.digits][(e|E)[+-]digits], at least one digit.
bool AppendNumeric(std::string& out, std::string_view text) {
  foxpro::DecimalText number;
  if (!foxpro::ScanDecimal(text, number) || number.exponent > kLargestExponent ||
      number.exponent < -kLargestExponent)
    return false;
  const int64_t whole_digits = static_cast<int64_t>(number.whole.size());
  const int64_t places = static_cast<int64_t>(number.fraction.size());
  // The digits without the point, kept between calls to save allocations.
  thread_local std::string digits;
  digits.assign(number.whole).append(number.fraction);
  const int64_t scale = std::max<int64_t>(places - number.exponent, 0);
  int64_t weight = 0;
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    digits.clear();  // zero
  } else {
    // The value is 0.<digits> times ten to the power `point_at`; its first
    // digit's power of ten falls in the base-10000 digit of `weight`, which
    // is padded with zeros in front, the last one behind.
    const int64_t point_at = whole_digits + number.exponent - static_cast<int64_t>(first);
    digits.erase(0, first);
    digits.erase(digits.find_last_not_of('0') + 1);
    const int64_t power = point_at - 1;
    weight = power >= 0 ? power / kDecimalDigitsPerNumericDigit
                        : -((-power + kDecimalDigitsPerNumericDigit - 1) /
                            kDecimalDigitsPerNumericDigit);
    digits.insert(0, static_cast<size_t>(weight * kDecimalDigitsPerNumericDigit +
                                         kDecimalDigitsPerNumericDigit - 1 - power),
                  '0');
    digits.append((kDecimalDigitsPerNumericDigit - digits.size() % kDecimalDigitsPerNumericDigit) %
                      kDecimalDigitsPerNumericDigit,
                  '0');
  }
  const size_t groups = digits.size() / kDecimalDigitsPerNumericDigit;
  if (static_cast<int64_t>(groups) > kLargestNumericDigits || weight > kLargestNumericDigits ||
      weight < -kLargestNumericDigits || scale > kLargestExponent)
    return false;
  AppendLength(out, 8 + 2 * groups);
  foxpro::PutBigEndian16(out, static_cast<uint16_t>(groups));
  foxpro::PutBigEndian16(out, static_cast<uint16_t>(static_cast<int16_t>(weight)));
  foxpro::PutBigEndian16(out, number.negative && groups > 0 ? kNumericNegative : kNumericPositive);
  foxpro::PutBigEndian16(out, static_cast<uint16_t>(scale));
  for (size_t g = 0; g < digits.size(); g += kDecimalDigitsPerNumericDigit) {
    int group = 0;
    for (size_t i = g; i < g + kDecimalDigitsPerNumericDigit; ++i)
      group = group * 10 + (digits[i] - '0');
    foxpro::PutBigEndian16(out, static_cast<uint16_t>(group));
  }
  return true;
}

// The server's own forms: YYYY-MM-DD, HH:MM:SS with up to six digits of a
// fraction, and the two with a blank between them.
constexpr foxpro::DateTimeRules kServerDateTime;

// A date of the years 1 to 9999, as days since 2000-01-01.
bool DaysOf(const foxpro::DateTime& value, int64_t& days) {
  const int year = static_cast<int>(value.year);
  if (!foxpro::ValidDate(year, value.month, value.day)) return false;
  days = foxpro::JulianDayFromCivil(year, value.month, value.day) - kJulianDayOf2000;
  return true;
}

int64_t MicrosecondsOf(const foxpro::DateTime& value) {
  return (value.hour * int64_t{3600} + value.minute * 60 + value.second) * kMicrosecondsPerSecond +
         value.microsecond;
}

bool AppendEight(std::string& out, int64_t value) {
  AppendLength(out, 8);
  foxpro::PutBigEndian64(out, static_cast<uint64_t>(value));
  return true;
}

bool AppendBytes(std::string& out, std::string_view bytes) {
  if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
  AppendLength(out, bytes.size());
  out.append(bytes);
  return true;
}

}  // namespace

std::optional<PgBinaryType> PgBinaryTypeOf(std::string_view sql_type) {
  const std::string_view base = sql_type.substr(0, sql_type.find('('));
  if (base == "text" || base == "varchar") return PgBinaryType::kText;
  if (base == "bytea") return PgBinaryType::kBytea;
  if (base == "smallint") return PgBinaryType::kSmallInt;
  if (base == "integer") return PgBinaryType::kInteger;
  if (base == "bigint") return PgBinaryType::kBigInt;
  if (base == "double precision") return PgBinaryType::kDouble;
  if (base == "numeric") return PgBinaryType::kNumeric;
  if (base == "date") return PgBinaryType::kDate;
  if (base == "timestamp") return PgBinaryType::kTimestamp;
  if (base == "time") return PgBinaryType::kTime;
  if (base == "boolean") return PgBinaryType::kBoolean;
  return std::nullopt;
}

void AppendCopyBinaryRowStart(std::string& out, int16_t fields) {
  foxpro::PutBigEndian16(out, static_cast<uint16_t>(fields));
}

void AppendCopyBinaryNull(std::string& out) { foxpro::PutBigEndian32(out, 0xFFFFFFFF); }

bool AppendCopyBinaryValue(std::string& out, PgBinaryType type, std::string_view text) {
  switch (type) {
    case PgBinaryType::kText:
      return AppendBytes(out, text);
    case PgBinaryType::kBytea: {
      // The server's hex form begins with a lower-case x.
      std::string bytes;
      return text.substr(0, 2) == "\\x" && foxpro::ParseHex(text, bytes) &&
             AppendBytes(out, bytes);
    }
    case PgBinaryType::kSmallInt:
      return AppendInteger(out, text, 2);
    case PgBinaryType::kInteger:
      return AppendInteger(out, text, 4);
    case PgBinaryType::kBigInt:
      return AppendInteger(out, text, 8);
    case PgBinaryType::kDouble:
      return AppendDouble(out, text);
    case PgBinaryType::kNumeric:
      return AppendNumeric(out, text);
    case PgBinaryType::kDate: {
      foxpro::DateTime value;
      int64_t days = 0;
      if (!foxpro::ParseDateTime(text, kServerDateTime, value) || value.has_time ||
          !DaysOf(value, days))
        return false;
      AppendLength(out, 4);
      foxpro::PutBigEndian32(out, static_cast<uint32_t>(static_cast<int32_t>(days)));
      return true;
    }
    case PgBinaryType::kTimestamp: {
      foxpro::DateTime value;
      int64_t days = 0;
      if (!foxpro::ParseDateTime(text, kServerDateTime, value) || !value.has_time ||
          !DaysOf(value, days))
        return false;
      return AppendEight(out,
                         days * kSecondsPerDay * kMicrosecondsPerSecond + MicrosecondsOf(value));
    }
    case PgBinaryType::kTime: {
      foxpro::DateTime value;
      return foxpro::ParseTimeOfDay(text, kServerDateTime, value) &&
             AppendEight(out, MicrosecondsOf(value));
    }
    case PgBinaryType::kBoolean:
      if (text != "true" && text != "false") return false;
      AppendLength(out, 1);
      out += static_cast<char>(text == "true" ? 1 : 0);
      return true;
  }
  return false;
}

}  // namespace veltrane::db
