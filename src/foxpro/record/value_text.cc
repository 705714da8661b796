#include "foxpro/record/value_text.h"

#include <charconv>

namespace veltrane::foxpro {

namespace {

constexpr size_t kMicrosecondDigits = 6;
// Years of more digits than this do not fit the reading's integer.
constexpr size_t kLongestYear = 18;
constexpr std::string_view kBeforeChrist = " BC";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a text from left to right.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ == text_.size(); }
  bool Take(char c) {
    if (pos_ == text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // An optional + or -; whether it was a minus.
  bool TakeSign() { return Take('-') || (Take('+') && false); }
  // Whether the rest of the text is `rest`; takes it if so.
  bool TakeRest(std::string_view rest) {
    if (text_.substr(pos_) != rest) return false;
    pos_ = text_.size();
    return true;
  }
  // The digits that come next.
  std::string_view TakeDigits() {
    const size_t start = pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }
  // From `least` to `most` digits, as a number.
  template <typename Number>
  bool Digits(size_t least, size_t most, Number& value) {
    const size_t start = pos_;
    value = 0;
    for (; pos_ < text_.size() && pos_ - start < most && IsDigit(text_[pos_]); ++pos_)
      value = value * 10 + (text_[pos_] - '0');
    return pos_ - start >= least;
  }
  bool TwoDigits(int& value) { return Digits(2, 2, value); }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// HH:MM:SS[.fraction], or what `rules` take beyond it.
bool ReadTime(Cursor& in, const DateTimeRules& rules, DateTime& out) {
  if (!in.TwoDigits(out.hour) || !in.Take(':') || !in.TwoDigits(out.minute)) return false;
  if (in.Take(':')) {
    if (!in.TwoDigits(out.second)) return false;
    if (in.Take('.')) {
      const std::string_view digits = in.TakeDigits();
      if (digits.empty() ? !rules.empty_fraction
                         : digits.size() > kMicrosecondDigits && !rules.long_fraction)
        return false;
      for (size_t i = 0; i < kMicrosecondDigits; ++i)
        out.microsecond = out.microsecond * 10 + (i < digits.size() ? digits[i] - '0' : 0);
    }
  } else if (!rules.optional_seconds) {
    return false;
  }
  return out.hour < 24 && out.minute < 60 && out.second < 60;
}

// +HH[:MM[:SS]] or -HH[:MM[:SS]], when one comes next.
bool ReadOffset(Cursor& in, DateTime& out) {
  const bool east = in.Take('+');
  if (!east && !in.Take('-')) return true;
  int hours = 0, minutes = 0, seconds = 0;
  if (!in.TwoDigits(hours)) return false;
  if (in.Take(':') && !in.TwoDigits(minutes)) return false;
  if (in.Take(':') && !in.TwoDigits(seconds)) return false;
  out.offset_seconds = (hours * 3600 + minutes * 60 + seconds) * (east ? 1 : -1);
  out.has_offset = true;
  return true;
}

}  // namespace

std::string_view TrimSpace(std::string_view text) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

bool ScanDecimal(std::string_view text, DecimalText& out) {
  Cursor in(text);
  out = DecimalText();
  out.negative = in.TakeSign();
  out.whole = in.TakeDigits();
  if (in.Take('.')) out.fraction = in.TakeDigits();
  if (out.whole.empty() && out.fraction.empty()) return false;
  out.has_exponent = in.Take('e') || in.Take('E');
  if (out.has_exponent) {
    const bool negative = in.TakeSign();
    const std::string_view digits = in.TakeDigits();
    if (digits.empty()) return false;
    int value = 0;
    for (char c : digits)
      if (value < kLargeExponent) value = value * 10 + (c - '0');
    out.exponent = negative ? -value : value;
  }
  return in.AtEnd();
}

bool ParseWholeNumber(std::string_view text, int64_t& value) {
  if (!text.empty() && text[0] == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text[0] == '-') return false;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool ParseDecimal(std::string_view text, Decimal& out) {
  out = Decimal();
  DecimalText number;
  if (!ScanDecimal(TrimSpace(text), number)) return false;
  std::string& digits = out.digits;
  digits.reserve(number.whole.size() + number.fraction.size());
  digits.append(number.whole).append(number.fraction);
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    digits.clear();
    return true;  // zero, never negative
  }
  out.negative = number.negative;
  out.exponent = number.exponent - static_cast<int>(number.fraction.size());
  digits.erase(0, first);
  const size_t last = digits.find_last_not_of('0');
  out.exponent += static_cast<int>(digits.size() - last - 1);
  digits.erase(last + 1);
  return true;
}

std::string FormatDecimal(const Decimal& value, int places) {
  if (value.digits.empty()) return places > 0 ? "0." + std::string(places, '0') : "0";
  // Scale to an integer count of 10^-places, as decimal digit text.
  std::string digits = value.digits;
  int shift = value.exponent + places;  // digits x 10^shift units
  bool round_up = false;
  if (shift >= 0) {
    if (shift > 400) shift = 400;  // far beyond any field; the caller rejects it
    digits.append(static_cast<size_t>(shift), '0');
  } else {
    size_t drop = static_cast<size_t>(-shift);
    if (drop > digits.size()) {
      digits.clear();
    } else {
      round_up = digits[digits.size() - drop] >= '5';
      digits.erase(digits.size() - drop);
    }
  }
  if (round_up) {
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0; --i) {
      if (digits[i] == '9') digits[i] = '0';
      else {
        ++digits[i];
        break;
      }
    }
    if (i < 0) digits.insert(digits.begin(), '1');
  }
  size_t first = digits.find_first_not_of('0');
  bool zero = first == std::string::npos;
  digits = zero ? "" : digits.substr(first);
  if (digits.size() < static_cast<size_t>(places) + 1)
    digits.insert(0, static_cast<size_t>(places) + 1 - digits.size(), '0');
  std::string text = (value.negative && !zero) ? "-" : "";
  text += digits.substr(0, digits.size() - places);
  if (places > 0) text += "." + digits.substr(digits.size() - places);
  return text;
}

bool ParseDateTime(std::string_view text, const DateTimeRules& rules, DateTime& out) {
  Cursor in(text);
  out = DateTime();
  if (!in.Digits(4, rules.long_year ? kLongestYear : 4, out.year)) return false;
  const bool dashes = in.Take('-');
  if (!dashes && !rules.compact_date) return false;
  if (!in.TwoDigits(out.month) || (dashes && !in.Take('-')) || !in.TwoDigits(out.day))
    return false;
  if (in.AtEnd()) return true;
  if (rules.era && in.TakeRest(kBeforeChrist)) {
    out.before_christ = true;
    return true;
  }
  if (!in.Take(' ') && !(rules.t_separator && in.Take('T'))) return false;
  out.has_time = true;
  if (!ReadTime(in, rules, out) || (rules.utc_offset && !ReadOffset(in, out))) return false;
  if (rules.era && in.TakeRest(kBeforeChrist)) out.before_christ = true;
  return in.AtEnd();
}

bool ParseTimeOfDay(std::string_view text, const DateTimeRules& rules, DateTime& out) {
  Cursor in(text);
  out = DateTime();
  out.has_time = true;
  return ReadTime(in, rules, out) && in.AtEnd();
}

}  // namespace veltrane::foxpro
