#include "foxpro/record/record_encoder.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "foxpro/record/coding.h"
#include "foxpro/error.h"
#include "foxpro/files/memo_file.h"
#include "foxpro/record/value_format.h"
#include "foxpro/record/value_text.h"

namespace veltrane::foxpro {

namespace {

constexpr int64_t kMillisecondsPerDay = 86400000;

// A value as a report quotes it: its first characters, "..." after a cut.
std::string ValueExample(std::string_view text) {
  constexpr size_t kExampleCharacters = 40;
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (characters++ == kExampleCharacters) return std::string(text.substr(0, i)) + "...";
  }
  return std::string(text);
}

// `number` as FormatDecimal writes it with `places` decimal places, when it
// is a plain decimal (no exponent) with no more places than that, so that
// nothing is rounded: what most callers give, without the general parse.
bool FormatPlainDecimal(const DecimalText& number, int places, std::string& text) {
  if (number.has_exponent || number.fraction.size() > static_cast<size_t>(places)) return false;
  std::string_view whole = number.whole;
  while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
  const bool zero = whole.empty() && number.fraction.find_first_not_of('0') == std::string_view::npos;
  text.clear();
  if (number.negative && !zero) text += '-';
  if (whole.empty()) text += '0';
  else text.append(whole);
  if (places > 0) {
    text += '.';
    text.append(number.fraction);
    text.append(static_cast<size_t>(places) - number.fraction.size(), '0');
  }
  return true;
}

void PutDigits(char* at, int value, int count) {
  for (int i = count - 1; i >= 0; --i, value /= 10) at[i] = static_cast<char>('0' + value % 10);
}

// Dates as YYYY-MM-DD or YYYYMMDD, and a time after a blank or "T" as
// HH:MM[:SS[.fraction]].
constexpr DateTimeRules kDateTimeInput{.compact_date = true,
                                       .t_separator = true,
                                       .optional_seconds = true,
                                       .empty_fraction = true,
                                       .long_fraction = true};

}  // namespace

RecordEncoder::RecordEncoder(const TableHeader& header, const TextCodec& codec,
                             const std::string& table_name)
    : header_(header), codec_(codec), table_name_(table_name) {}

void RecordEncoder::Fail(const FieldDescriptor& f, const std::string& problem) const {
  throw Error("Table \"" + table_name_ + "\", field \"" + f.name + "\": " + problem + ".");
}

void RecordEncoder::SetNullBit(char* record, int bit) const {
  size_t byte = header_.null_flags.offset + static_cast<size_t>(bit) / 8;
  record[byte] = static_cast<char>(static_cast<uint8_t>(record[byte]) | (1u << (bit % 8)));
}

void RecordEncoder::SetMemoPointer(char* record, size_t field, uint32_t block) const {
  const FieldDescriptor& f = header_.fields[field];
  char* at = record + f.offset;
  if (f.length == 4) {
    EncodeFixed32(at, block);
  } else {
    std::string digits = std::to_string(block);
    std::memset(at, ' ', f.length);
    std::memcpy(at + f.length - digits.size(), digits.data(), digits.size());
  }
}

void RecordEncoder::AppendTextBytes(size_t field, const InputValue& value,
                                    std::string& out) const {
  std::string_view text;
  switch (value.kind) {
    case InputValue::Kind::kText:
    case InputValue::Kind::kNumber: text = value.text; break;
    case InputValue::Kind::kLogical: text = value.logical ? "true" : "false"; break;
    case InputValue::Kind::kNull: break;
  }
  const size_t replaced = codec_.EncodeReplacing(text, out, bad_character_, &characters_);
  if (replaced == 0) return;
  Replaced entry;
  entry.characters = replaced;
  entry.first_character = bad_character_;
  entry.first_value = ValueExample(text);
  replaced_in_record_.emplace_back(field, std::move(entry));
}

std::vector<Notice> RecordEncoder::ReplacementNotices() {
  std::vector<Notice> notices;
  const std::string code_page = std::to_string(codec_.code_page());
  for (size_t i = 0; i < replaced_.size(); ++i) {
    const Replaced& entry = replaced_[i];
    if (entry.characters == 0) continue;
    const bool one = entry.characters == 1;
    notices.push_back(Notice{
        true, "Table \"" + table_name_ + "\", field \"" + header_.fields[i].name + "\": " +
                  (one ? "1 character" : std::to_string(entry.characters) + " characters") +
                  " that code page " + code_page + " cannot hold " + (one ? "was" : "were") +
                  " stored as \"?\" (" + (one ? "row " : "the first in row ") +
                  std::to_string(entry.first_record) + ": " + entry.first_character + " in \"" +
                  entry.first_value + "\")."});
  }
  if (!notices.empty()) {
    const std::vector<int> holding = CodePagesHolding(characters_);
    if (holding.empty()) {
      notices.push_back(Notice{false, "No code page that FoxPro marks tables with holds every "
                                      "character of table \"" + table_name_ + "\"."});
    } else {
      const std::string better = std::to_string(holding.front());
      notices.push_back(Notice{false, "Code page " + better + " would hold every character of "
                                      "table \"" + table_name_ + "\": send it again with "
                                      "--code-page " + better + " (the setting FoxProCodePage=" +
                                      better + ")."});
    }
  }
  replaced_.clear();
  characters_ = CharacterSet();
  return notices;
}

void RecordEncoder::AppendBinaryBytes(const InputValue& value, std::string& out) const {
  if (value.kind == InputValue::Kind::kLogical) {
    out += value.logical ? "true" : "false";
    return;
  }
  std::string bytes;
  if (ParseHex(value.text, bytes)) {
    out += bytes;
    return;
  }
  out += value.text;
}

void RecordEncoder::Encode(const std::vector<InputValue>& values, char* record,
                           std::vector<PendingMemo>& memos, std::string& memo_bytes,
                           uint64_t record_number) const {
  if (values.size() != header_.fields.size())
    throw Error("Table \"" + table_name_ + "\" has " + std::to_string(header_.fields.size()) +
                " fields but " + std::to_string(values.size()) + " values were given.");
  std::memset(record, 0, header_.record_length);
  record[0] = dbf::kLiveRecord;
  memos.clear();
  memo_bytes.clear();
  replaced_in_record_.clear();
  for (size_t i = 0; i < values.size(); ++i) EncodeField(i, values[i], record, memos, memo_bytes);
  if (replaced_in_record_.empty()) return;
  replaced_.resize(header_.fields.size());
  for (auto& [field, entry] : replaced_in_record_) {
    Replaced& total = replaced_[field];
    if (total.characters == 0) {
      total = std::move(entry);
      total.first_record = record_number;
    } else {
      total.characters += entry.characters;
    }
  }
}

void RecordEncoder::EncodeField(size_t index, const InputValue& value, char* record,
                                std::vector<PendingMemo>& memos, std::string& memo_bytes) const {
  const FieldDescriptor& f = header_.fields[index];
  char* out = record + f.offset;
  // The empty form of each type, also stored under a null mark.
  switch (f.type) {
    case 'C': case 'N': case 'F': case 'D': case 'L':
      std::memset(out, ' ', f.length);
      break;
    case 'M': case 'G': case 'W':
      if (f.length != 4) std::memset(out, ' ', f.length);
      break;
    default:
      break;  // binary types and varchar: zero bytes
  }
  if (f.autoincrement()) return;  // filled in by the writer
  if (value.kind == InputValue::Kind::kNull) {
    if (f.null_bit < 0) Fail(f, "the field does not accept null values");
    SetNullBit(record, f.null_bit);
    return;
  }
  switch (f.type) {
    case 'C': return EncodeText(index, value, record);
    case 'V': case 'Q': return EncodeVarchar(index, value, record);
    case 'M': case 'G': case 'W': return EncodeMemo(index, value, memos, memo_bytes);
    case 'N': case 'F': return EncodeNumber(f, value, out);
    case 'I': return EncodeInteger(f, value, out);
    case 'B': return EncodeDouble(f, value, out);
    case 'Y': return EncodeCurrency(f, value, out);
    case 'D': return EncodeDate(f, value, out);
    case 'T': return EncodeDateTime(f, value, out);
    case 'L': return EncodeLogical(f, value, out);
    default: Fail(f, "values of type " + std::string(1, f.type) + " cannot be written");
  }
}

const std::string& RecordEncoder::FieldBytes(size_t index, const InputValue& value,
                                             bool binary) const {
  const FieldDescriptor& f = header_.fields[index];
  std::string& bytes = scratch_;
  bytes.clear();
  if (binary) AppendBinaryBytes(value, bytes);
  else AppendTextBytes(index, value, bytes);
  if (bytes.size() > f.length)
    Fail(f, "the value is " + std::to_string(bytes.size()) + " bytes long but the field holds " +
                std::to_string(f.length));
  return bytes;
}

Decimal RecordEncoder::DecimalOf(const FieldDescriptor& f, const InputValue& value) const {
  Decimal number;
  if (value.kind == InputValue::Kind::kLogical) ParseDecimal(value.logical ? "1" : "0", number);
  else if (!ParseDecimal(value.text, number)) Fail(f, "\"" + value.text + "\" is not a number");
  return number;
}

void RecordEncoder::EncodeText(size_t index, const InputValue& value, char* record) const {
  const FieldDescriptor& f = header_.fields[index];
  const std::string& bytes = FieldBytes(index, value, f.binary());
  std::memcpy(record + f.offset, bytes.data(), bytes.size());
}

void RecordEncoder::EncodeVarchar(size_t index, const InputValue& value, char* record) const {
  const FieldDescriptor& f = header_.fields[index];
  const std::string& bytes = FieldBytes(index, value, f.type == 'Q' || f.binary());
  char* out = record + f.offset;
  std::memcpy(out, bytes.data(), bytes.size());
  // A shorter value keeps its length in the field's last byte.
  if (bytes.size() < f.length) {
    out[f.length - 1] = static_cast<char>(bytes.size());
    if (f.varlen_bit >= 0) SetNullBit(record, f.varlen_bit);
  }
}

void RecordEncoder::EncodeMemo(size_t index, const InputValue& value,
                               std::vector<PendingMemo>& memos, std::string& memo_bytes) const {
  const FieldDescriptor& f = header_.fields[index];
  PendingMemo memo;
  memo.field = index;
  memo.type = f.type == 'M' ? memo::kTypeText : memo::kTypePicture;
  memo.offset = memo_bytes.size();
  if (f.type != 'M' || f.binary()) AppendBinaryBytes(value, memo_bytes);
  else AppendTextBytes(index, value, memo_bytes);
  memo.size = memo_bytes.size() - memo.offset;
  if (memo.size > dbf::kMaxFileSize) Fail(f, "the value is larger than 2 GB");
  if (memo.size > 0) memos.push_back(memo);
}

void RecordEncoder::EncodeNumber(const FieldDescriptor& f, const InputValue& value,
                                 char* out) const {
  const bool logical = value.kind == InputValue::Kind::kLogical;
  const std::string_view trimmed = TrimSpace(value.text);
  if (!logical && trimmed.empty()) return;  // blank: reads as null
  std::string& text = scratch_;
  DecimalText plain;
  if (logical || !ScanDecimal(trimmed, plain) || !FormatPlainDecimal(plain, f.decimals, text))
    text = FormatDecimal(DecimalOf(f, value), f.decimals);
  if (text.size() > f.length)
    Fail(f, "the number " + value.text + " does not fit a width of " + std::to_string(f.length) +
                " with " + std::to_string(f.decimals) + " decimals");
  std::memcpy(out + f.length - text.size(), text.data(), text.size());
}

void RecordEncoder::EncodeInteger(const FieldDescriptor& f, const InputValue& value,
                                  char* out) const {
  const std::string_view trimmed = TrimSpace(value.text);
  int32_t whole = 0;
  const auto [whole_end, whole_error] =
      std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), whole);
  if (value.kind != InputValue::Kind::kLogical && whole_error == std::errc() &&
      whole_end == trimmed.data() + trimmed.size() && !trimmed.empty()) {
    EncodeFixed32(out, static_cast<uint32_t>(whole));
    return;
  }
  const Decimal number = DecimalOf(f, value);
  if (number.exponent < 0) Fail(f, value.text + " is not a whole number");
  int64_t parsed = 0;
  if (!ParseWholeNumber(FormatDecimal(number, 0), parsed) ||
      parsed < std::numeric_limits<int32_t>::min() || parsed > std::numeric_limits<int32_t>::max())
    Fail(f, value.text + " is out of the integer range");
  EncodeFixed32(out, static_cast<uint32_t>(static_cast<int32_t>(parsed)));
}

void RecordEncoder::EncodeDouble(const FieldDescriptor& f, const InputValue& value,
                                 char* out) const {
  double number = value.logical ? 1.0 : 0.0;
  if (value.kind != InputValue::Kind::kLogical) {
    const std::string_view trimmed = TrimSpace(value.text);
    const auto [plain_end, plain_error] =
        std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), number);
    if (trimmed.empty() || plain_error != std::errc() ||
        plain_end != trimmed.data() + trimmed.size()) {
      const std::string text(trimmed);
      char* end = nullptr;
      number = std::strtod(text.c_str(), &end);
      if (text.empty() || end != text.c_str() + text.size())
        Fail(f, "\"" + value.text + "\" is not a number");
    }
  }
  EncodeFixed64(out, BitsOfDouble(number));
}

void RecordEncoder::EncodeCurrency(const FieldDescriptor& f, const InputValue& value,
                                   char* out) const {
  Decimal number = DecimalOf(f, value);
  if (!number.digits.empty()) number.exponent += 4;  // in ten-thousandths
  int64_t units = 0;
  if (!ParseWholeNumber(FormatDecimal(number, 0), units))
    Fail(f, value.text + " is out of the currency range");
  EncodeFixed64(out, static_cast<uint64_t>(units));
}

bool RecordEncoder::DateTimeOf(const FieldDescriptor& f, const InputValue& value, DateTime& date,
                               int64_t& milliseconds) const {
  constexpr int64_t kMicrosecondsPerMillisecond = 1000;
  const bool date_only = f.type == 'D';
  const char* kind = date_only ? "date" : "datetime";
  if (value.kind == InputValue::Kind::kLogical)
    Fail(f, std::string("a logical value is not a ") + kind);
  const std::string_view text = TrimSpace(value.text);
  if (text.empty()) return false;
  // Digits below the millisecond are cut: rounding them up could carry
  // into the next second, day or year.
  const bool valid = ParseDateTime(text, kDateTimeInput, date) &&
                     ValidDate(static_cast<int>(date.year), date.month, date.day);
  milliseconds = (date.hour * 3600 + date.minute * 60 + date.second) * 1000LL +
                 date.microsecond / kMicrosecondsPerMillisecond;
  if (!valid || (date_only && milliseconds != 0))
    Fail(f, "\"" + value.text + "\" is not a " + kind +
                (date_only ? " (YYYY-MM-DD)" : " (YYYY-MM-DD HH:MM:SS)"));
  return true;
}

void RecordEncoder::EncodeDate(const FieldDescriptor& f, const InputValue& value,
                               char* out) const {
  DateTime date;
  int64_t milliseconds = 0;
  if (!DateTimeOf(f, value, date, milliseconds)) return;
  PutDigits(out, static_cast<int>(date.year), 4);
  PutDigits(out + 4, date.month, 2);
  PutDigits(out + 6, date.day, 2);
}

void RecordEncoder::EncodeDateTime(const FieldDescriptor& f, const InputValue& value,
                                   char* out) const {
  DateTime date;
  int64_t milliseconds = 0;
  if (!DateTimeOf(f, value, date, milliseconds)) return;
  const int64_t julian_day = JulianDayFromCivil(static_cast<int>(date.year), date.month, date.day) +
                             milliseconds / kMillisecondsPerDay;
  EncodeFixed32(out, static_cast<uint32_t>(julian_day));
  EncodeFixed32(out + 4, static_cast<uint32_t>(milliseconds % kMillisecondsPerDay));
}

void RecordEncoder::EncodeLogical(const FieldDescriptor& f, const InputValue& value,
                                  char* out) const {
  if (value.kind == InputValue::Kind::kLogical) {
    *out = value.logical ? 'T' : 'F';
    return;
  }
  if (value.text == "true" || value.text == "false") {
    *out = value.text[0] == 't' ? 'T' : 'F';
    return;
  }
  std::string text(TrimSpace(value.text));
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (text.empty()) return;
  if (text == "t" || text == "true" || text == ".t." || text == "y" || text == "yes" || text == "1")
    *out = 'T';
  else if (text == "f" || text == "false" || text == ".f." || text == "n" || text == "no" ||
           text == "0")
    *out = 'F';
  else
    Fail(f, "\"" + value.text + "\" is not a logical value");
}

}  // namespace veltrane::foxpro
