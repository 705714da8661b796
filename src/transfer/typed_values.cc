#include "transfer/typed_values.h"

#include <algorithm>

#include "foxpro/record/value_format.h"
#include "foxpro/record/value_text.h"

namespace veltrane::transfer {
namespace {

// The most digits PostgreSQL's numeric holds before the point and after it.
constexpr int64_t kNumericWholeDigits = 131072;
constexpr int64_t kNumericPlaces = 16383;
// An example value in a report is cut to this many bytes.
constexpr size_t kExampleBytes = 40;

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kMicrosecondsPerSecond = 1000000;

// Dates and times as PostgreSQL writes them with DateStyle ISO:
// YYYY-MM-DD[ HH:MM:SS[.ffffff]][+HH[:MM[:SS]]][ BC].
constexpr foxpro::DateTimeRules kServerDateTime{
    .long_year = true, .long_fraction = true, .utc_offset = true, .era = true};

// Whether the date is one of the years FoxPro holds.
bool FoxProDate(const foxpro::DateTime& value) {
  return !value.before_christ && value.year <= 9999 &&
         foxpro::ValidDate(static_cast<int>(value.year), value.month, value.day);
}

constexpr const char* kDateRange = "FoxPro holds dates of the years 1 to 9999 only";

void AppendTwoDigits(int value, std::string& out) {
  out += static_cast<char>('0' + value / 10);
  out += static_cast<char>('0' + value % 10);
}

// The time `value` (with its offset) in UTC, as YYYY-MM-DD HH:MM:SS with a
// fraction when it has one; false when the UTC date is outside FoxPro's.
bool AppendUtc(const foxpro::DateTime& value, std::string& out) {
  const int64_t julian_day =
      foxpro::JulianDayFromCivil(static_cast<int>(value.year), value.month, value.day);
  int64_t seconds = julian_day * kSecondsPerDay + value.hour * 3600 + value.minute * 60 +
                    value.second - value.offset_seconds;
  const int64_t day = seconds / kSecondsPerDay;
  seconds %= kSecondsPerDay;
  int year, month, date;
  foxpro::CivilFromJulianDay(day, year, month, date);
  if (!foxpro::ValidDate(year, month, date)) return false;
  foxpro::AppendDate(year, month, date, out);
  out += ' ';
  AppendTwoDigits(static_cast<int>(seconds / 3600), out);
  out += ':';
  AppendTwoDigits(static_cast<int>(seconds / 60 % 60), out);
  out += ':';
  AppendTwoDigits(static_cast<int>(seconds % 60), out);
  if (value.microsecond != 0) {
    std::string fraction = std::to_string(kMicrosecondsPerSecond + value.microsecond).substr(1);
    while (fraction.back() == '0') fraction.pop_back();
    out += '.';
    out += fraction;
  }
  return true;
}

// Whether `text` is a date (or a date and time) as PostgreSQL writes the
// years 1 to 9999: four digits of year, no era after it. Saves the full
// parse of the common case; the table writer checks the calendar.
bool PlainFourDigitYear(std::string_view text, bool date_only) {
  constexpr size_t kDateLength = 10;  // YYYY-MM-DD
  constexpr size_t kDateTimeLength = 19;  // YYYY-MM-DD HH:MM:SS
  if (date_only ? text.size() != kDateLength : text.size() < kDateTimeLength) return false;
  for (size_t i = 0; i < 4; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return text[4] == '-' && text.back() != 'C' && text.substr(0, 4) != "0000";
}

// Whether `text` is a date, or with `timestamp` a date and time without an
// offset, of the years FoxPro holds.
bool IsDate(std::string_view text, bool timestamp) {
  foxpro::DateTime value;
  return foxpro::ParseDateTime(text, kServerDateTime, value) && value.has_time == timestamp &&
         !value.has_offset && FoxProDate(value);
}

bool IsTimeOfDay(std::string_view text) {
  foxpro::DateTime value;
  return foxpro::ParseTimeOfDay(text, kServerDateTime, value);
}

// Digits before the point of a parsed decimal.
int64_t WholeDigits(const foxpro::Decimal& number) {
  return static_cast<int64_t>(number.digits.size()) + number.exponent;
}

// The digits of a plain decimal text (an optional sign, digits and at most
// one point, as numeric fields hold them) before the point, leading zeros
// not counted, and after it, trailing zeros not counted; false for any
// other text. Saves parsing the common case.
bool PlainDigits(std::string_view text, int64_t& whole, int64_t& places) {
  foxpro::DecimalText number;
  if (!foxpro::ScanDecimal(text, number) || number.has_exponent) return false;
  const size_t first = number.whole.find_first_not_of('0');
  whole = first == std::string_view::npos ? 0 : static_cast<int64_t>(number.whole.size() - first);
  places = static_cast<int64_t>(number.fraction.find_last_not_of('0') + 1);
  return true;
}

// The digits of a number before and after the point, as PlainDigits counts
// them; false when `text` is not a number.
bool NumberDigits(std::string_view text, int64_t& whole, int64_t& places) {
  if (PlainDigits(text, whole, places)) return true;
  foxpro::Decimal number;
  if (!foxpro::ParseDecimal(text, number)) return false;
  whole = std::max<int64_t>(WholeDigits(number), 0);
  places = std::max(-number.exponent, 0);
  return true;
}

// Whether PostgreSQL takes `text` for the numeric column of `plan` as it
// stands: neither refused for its digits nor rounded to the column's scale.
bool FitsNumericColumn(const PgColumnPlan& plan, std::string_view text) {
  int64_t whole = 0, places = 0;
  if (!NumberDigits(text, whole, places)) return false;
  if (plan.precision == 0) return whole <= kNumericWholeDigits && places <= kNumericPlaces;
  return whole <= plan.precision - plan.scale && places <= plan.scale;
}

// Whether UTF-8 `text` has at most `limit` characters.
bool AtMostCharacters(std::string_view text, int limit) {
  if (text.size() <= static_cast<size_t>(limit)) return true;
  const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;  // not a continuation byte
  });
  return characters <= limit;
}

std::string NumberProblem(const FoxProFieldPlan& plan, std::string_view text) {
  // A plain decimal with no more places than the field: its stored width
  // is the sign, the digits before the point (at least one), the point and
  // the field's places.
  int64_t whole = 0, places = 0;
  if (PlainDigits(text, whole, places) && places <= plan.decimals) {
    const int64_t width = (text[0] == '-' ? 1 : 0) + std::max<int64_t>(whole, 1) +
                          (plan.decimals > 0 ? plan.decimals + 1 : 0);
    if (width <= plan.width) return "";
  }
  foxpro::Decimal number;
  if (!foxpro::ParseDecimal(text, number)) return "it is not a number FoxPro can hold";
  if (WholeDigits(number) > plan.width ||
      foxpro::FormatDecimal(number, plan.decimals).size() > static_cast<size_t>(plan.width))
    return "it is wider than the field's N(" + std::to_string(plan.width) + "," +
           std::to_string(plan.decimals) + ")";
  return "";
}

std::string CurrencyProblem(std::string_view text) {
  foxpro::Decimal number;
  if (!foxpro::ParseDecimal(text, number)) return "it is not a number FoxPro can hold";
  // Currency is stored as a 64-bit count of ten-thousandths.
  if (!number.digits.empty()) number.exponent += 4;
  int64_t units = 0;
  if (WholeDigits(number) > 20 ||
      !foxpro::ParseWholeNumber(foxpro::FormatDecimal(number, 0), units))
    return "it is outside FoxPro's currency range (+/-922337203685477.5807)";
  return "";
}

// Cuts the fraction of the time in `text` to milliseconds; true when a
// digit that was cut was not 0.
bool CutBelowMillisecond(std::string& text) {
  constexpr size_t kMillisecondDigits = 3;
  const size_t point = text.find('.');
  if (point == std::string::npos) return false;
  const size_t digits_end = text.find_first_not_of("0123456789", point + 1);
  const size_t end = digits_end == std::string::npos ? text.size() : digits_end;
  const size_t keep = point + 1 + kMillisecondDigits;
  if (end <= keep) return false;
  const bool lost = text.find_first_not_of('0', keep) < end;
  text.erase(keep, end - keep);
  return lost;
}

}  // namespace

std::optional<std::string_view> PostgreSqlValueOf(const PgColumnPlan& plan, std::string_view text) {
  switch (plan.form) {
    case PgValueForm::kAsIs:
      if (plan.length > 0 && !AtMostCharacters(text, plan.length)) return std::nullopt;
      return text;
    case PgValueForm::kTrimmed: {
      const size_t end = text.find_last_not_of(' ');
      const std::string_view trimmed = text.substr(0, end == std::string_view::npos ? 0 : end + 1);
      if (plan.length > 0 && !AtMostCharacters(trimmed, plan.length)) return std::nullopt;
      return trimmed;
    }
    case PgValueForm::kNumeric:
      if (FitsNumericColumn(plan, text)) return text;
      return std::nullopt;
    case PgValueForm::kBigInt: {
      int64_t value = 0;  // a whole number that bigint holds
      if (foxpro::ParseWholeNumber(text, value)) return text;
      return std::nullopt;
    }
    case PgValueForm::kBoolean:
      if (text == "true" || text == "false") return text;
      return std::nullopt;
    case PgValueForm::kDate:
      if (IsDate(text, false)) return text;
      return std::nullopt;
    case PgValueForm::kTimestamp:
      if (IsDate(text, true)) return text;
      return std::nullopt;
    case PgValueForm::kTime:
      if (IsTimeOfDay(text)) return text;
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<PgColumnPlan> WiderColumn(const PgColumnPlan& plan, std::string_view text) {
  PgColumnPlan wider = plan;
  if (plan.length > 0) {
    wider.type = "varchar";
    wider.length = 0;
    return wider;
  }
  if ((plan.form == PgValueForm::kNumeric && plan.precision > 0) ||
      plan.form == PgValueForm::kBigInt) {
    wider.type = "numeric";
    wider.form = PgValueForm::kNumeric;
    wider.precision = wider.scale = 0;
    if (FitsNumericColumn(wider, text)) return wider;
  }
  return std::nullopt;
}

std::string ReportExample(std::string_view text) {
  if (text.size() <= kExampleBytes) return std::string(text);
  size_t cut = kExampleBytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "...";
}

FoxProValueOutcome FoxProValueOf(const FoxProFieldPlan& plan, std::string_view text,
                                 std::string& out) {
  out.assign(text);
  switch (plan.form) {
    case FoxProValueForm::kAsIs:
      return {};
    case FoxProValueForm::kNumber:
      return {NumberProblem(plan, text)};
    case FoxProValueForm::kDouble:
      if (text == "NaN" || text == "Infinity" || text == "-Infinity")
        return {"a FoxPro double holds no NaN or infinity"};
      return {};
    case FoxProValueForm::kCurrency:
      return {CurrencyProblem(text)};
    case FoxProValueForm::kDate:
    case FoxProValueForm::kDateTime: {
      if (!PlainFourDigitYear(text, plan.form == FoxProValueForm::kDate)) {
        foxpro::DateTime value;
        if (!foxpro::ParseDateTime(text, kServerDateTime, value) || !FoxProDate(value))
          return {kDateRange};
      }
      if (plan.form == FoxProValueForm::kDate) return {};
      return {"", CutBelowMillisecond(out)};
    }
    case FoxProValueForm::kDateTimeUtc: {
      foxpro::DateTime value;
      if (!foxpro::ParseDateTime(text, kServerDateTime, value) || value.before_christ ||
          value.year > 9999)
        return {kDateRange};
      out.clear();
      if (!AppendUtc(value, out)) return {kDateRange};
      return {"", CutBelowMillisecond(out)};
    }
  }
  return {};
}

std::string_view BlankFoxProValue(const FoxProFieldPlan& plan) {
  return plan.type == 'I' || plan.type == 'B' || plan.type == 'Y' ? "0" : "";
}

void ChangedFoxProValues::Add(Count& entry, int64_t row, std::string_view text) {
  if (entry.count++ == 0) {
    entry.first_row = row;
    entry.first_text = ReportExample(text);
  }
}

void ChangedFoxProValues::AddReplaced(int column, int64_t row, std::string_view text,
                                      const std::string& why) {
  Count& entry = replaced_[column];
  if (entry.count == 0) entry.why = why;
  Add(entry, row, text);
}

void ChangedFoxProValues::AddCut(int column, int64_t row, std::string_view text) {
  Add(cut_[column], row, text);
}

std::vector<std::string> ChangedFoxProValues::Problems(
    const std::string& table, const std::vector<std::string>& names,
    const std::vector<FoxProFieldPlan>& plans) const {
  std::vector<std::string> problems;
  for (const auto& [column, entry] : replaced_) {
    const bool one = entry.count == 1;
    const std::string_view blank = BlankFoxProValue(plans[column]);
    problems.push_back(
        "Table \"" + table + "\", column \"" + names[column] + "\": " +
        (one ? "1 value" : std::to_string(entry.count) + " values") +
        " cannot be stored in FoxPro (" + (one ? "row " : "the first in row ") +
        std::to_string(entry.first_row) + ": \"" + entry.first_text + "\": " + entry.why + "); " +
        (one ? "it" : "they") + " arrived as " +
        (plans[column].nullable ? std::string("NULL")
         : blank.empty()        ? std::string(one ? "a blank value" : "blank values")
                                : std::string(blank)) +
        ".");
  }
  return problems;
}

std::vector<std::string> ChangedFoxProValues::Notes(const std::string& table,
                                                    const std::vector<std::string>& names) const {
  std::vector<std::string> notes;
  for (const auto& [column, entry] : cut_) {
    const bool one = entry.count == 1;
    notes.push_back("Table \"" + table + "\", column \"" + names[column] + "\": " +
                    (one ? "1 time has" : std::to_string(entry.count) + " times have") +
                    " digits below the millisecond, which a FoxPro datetime does not hold; " +
                    "they were cut (" +
                    (one ? "row " : "the first in row ") + std::to_string(entry.first_row) +
                    ": \"" + entry.first_text + "\").");
  }
  return notes;
}

void NulledValues::Add(int column, int64_t row, std::string_view text) {
  Count& entry = columns_[column];
  if (entry.count++ == 0) {
    entry.first_row = row;
    entry.first_text = ReportExample(text);
  }
}

std::vector<std::string> NulledValues::Descriptions(const std::string& table,
                                                    const std::vector<std::string>& names,
                                                    const std::vector<PgColumnPlan>& plans) const {
  std::vector<std::string> descriptions;
  for (const auto& [column, entry] : columns_) {
    const bool one = entry.count == 1;
    descriptions.push_back(
        "Table \"" + table + "\", column \"" + names[column] + "\": " +
        (one ? "1 value is not a " : std::to_string(entry.count) + " values are not ") +
        plans[column].type + (one ? " value (row " : " values (the first in row ") +
        std::to_string(entry.first_row) + ": \"" + entry.first_text + "\"); " +
        (one ? "it" : "they") + " arrived as NULL.");
  }
  return descriptions;
}

}  // namespace veltrane::transfer
