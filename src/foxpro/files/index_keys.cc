#include "foxpro/files/index_keys.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "foxpro/error.h"
#include "foxpro/record/coding.h"
#include "foxpro/record/field_value.h"
#include "foxpro/record/value_format.h"
#include "foxpro/statements/index_expression.h"

namespace veltrane::foxpro {
namespace {

using Kind = IndexExpression::Kind;

// The null marker byte of a key over fields that take null.
constexpr char kKeyNotNull = '\x80';
constexpr char kKeyNull = '\0';
// STR()'s width when none is given.
constexpr int kStrWidth = 10;
// The widest number STR() writes.
constexpr int kWidestStr = 20;
// Bytes of a binary key.
constexpr size_t kDoubleKeyLength = 8;
constexpr size_t kIntegerKeyLength = 4;
// A D field's bytes: YYYYMMDD.
constexpr size_t kDateLength = 8;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Upper and lower case of code page 1252 bytes, as FoxPro's UPPER() and
// LOWER() give them.
char UpperByte(char c) {
  auto b = static_cast<unsigned char>(c);
  if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) b = static_cast<unsigned char>(b - 0x20);
  else if (b == 0x9A || b == 0x9C || b == 0x9E) b = static_cast<unsigned char>(b - 0x10);
  else if (b == 0xFF) b = 0x9F;
  return static_cast<char>(b);
}

char LowerByte(char c) {
  auto b = static_cast<unsigned char>(c);
  if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) b = static_cast<unsigned char>(b + 0x20);
  else if (b == 0x8A || b == 0x8C || b == 0x8E) b = static_cast<unsigned char>(b + 0x10);
  else if (b == 0x9F) b = 0xFF;
  return static_cast<char>(b);
}

bool IsText(char type) { return type == 'C' || type == 'V'; }
bool IsNumber(char type) { return type == 'N' || type == 'F' || type == 'B' || type == 'I' || type == 'Y'; }

// The value of a number field; 0 for a blank one, as FoxPro reads it.
double NumberOf(const char* record, const FieldDescriptor& field) {
  std::string text;
  if (ReadFixedField(field, false, std::string_view(record + field.offset, field.length), text) !=
      FieldReading::kValue)
    return 0;
  return std::strtod(text.c_str(), nullptr);
}

// STR(value, width, decimals): right-justified, rounded; fewer decimals
// when the number needs the room, stars when even none fit.
std::string Str(double value, int width, int decimals) {
  for (int d = decimals; d >= 0; --d) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", d, value);
    std::string digits = buffer;
    if (digits == "-0" || digits.rfind("-0.", 0) == 0) {
      bool zero = digits.find_first_not_of("-0.") == std::string::npos;
      if (zero) digits.erase(0, 1);
    }
    if (static_cast<int>(digits.size()) <= width) return std::string(width - digits.size(), ' ') + digits;
  }
  return std::string(width, '*');
}

}  // namespace

std::string DoubleKey(double value) {
  if (value == 0) value = 0;  // -0 keys as 0
  uint64_t bits = BitsOfDouble(value);
  bits = (bits >> 63) != 0 ? ~bits : bits ^ (uint64_t{1} << 63);
  std::string key(kDoubleKeyLength, '\0');
  EncodeBigEndian64(key.data(), bits);
  return key;
}

std::string IntegerKey(int32_t value) {
  std::string key(kIntegerKeyLength, '\0');
  EncodeBigEndian32(key.data(), static_cast<uint32_t>(value) ^ 0x80000000u);
  return key;
}

KeyMaker::KeyMaker(const TableHeader& header, const std::vector<std::string>& long_names,
                   const std::string& key_expression, const std::string& filter_expression)
    : header_(header), long_names_(long_names), expression_(key_expression) {
  const IndexExpression key = ParseIndexExpression(key_expression);
  std::vector<const IndexExpression*> parts;
  std::vector<const IndexExpression*> pending = {&key};
  // A chain of + read left to right.
  while (!pending.empty()) {
    const IndexExpression* node = pending.back();
    pending.pop_back();
    if (node->kind == Kind::kBinary && node->text == "+") {
      pending.push_back(&node->operands[1]);
      pending.push_back(&node->operands[0]);
    } else {
      parts.push_back(node);
    }
  }
  for (const IndexExpression* part : parts) terms_.push_back(ReadTerm(*part, parts.size() == 1));
  for (const Term& term : terms_) {
    nullable_ = nullable_ || term.field.nullable();
    switch (term.kind) {
      case Term::Kind::kText: case Term::Kind::kUpper: case Term::Kind::kLower: length_ += term.field.length; break;
      case Term::Kind::kStr: length_ += term.width; break;
      case Term::Kind::kDtos: length_ += kDateLength; break;
      case Term::Kind::kNumber: case Term::Kind::kDate: length_ += kDoubleKeyLength; character_ = false; break;
      case Term::Kind::kInteger: length_ += kIntegerKeyLength; character_ = false; break;
    }
  }
  if (nullable_) ++length_;
  if (length_ > 240)
    throw Error("its keys would be " + std::to_string(length_) + " bytes long, more than FoxPro's 240");

  std::string filter = Lower(filter_expression);
  filter.erase(std::remove(filter.begin(), filter.end(), ' '), filter.end());
  if (filter == "!deleted()" || filter == ".not.deleted()" || filter == "notdeleted()") live_only_ = true;
  else if (!filter.empty())
    throw Error("its filter " + filter_expression + " is not one this engine evaluates");
}

const FieldDescriptor& KeyMaker::FindField(const std::string& name) const {
  for (size_t f = 0; f < header_.fields.size(); ++f) {
    if (f < long_names_.size() && Lower(long_names_[f]) == name) return header_.fields[f];
    if (Lower(header_.fields[f].name) == name) return header_.fields[f];
  }
  throw Error("its key " + expression_ + " names a field \"" + name + "\" the table does not have");
}

KeyMaker::Term KeyMaker::ReadTerm(const IndexExpression& node, bool alone) const {
  auto refuse = [&]() -> Term {
    throw Error("its key " + expression_ + " is not one this engine makes");
  };
  if (node.kind == Kind::kField) {
    const FieldDescriptor& field = FindField(node.text);
    if (IsText(field.type)) return {Term::Kind::kText, field};
    if (!alone) refuse();
    if (field.type == 'N' || field.type == 'F' || field.type == 'B') return {Term::Kind::kNumber, field};
    if (field.type == 'I') return {Term::Kind::kInteger, field};
    if (field.type == 'D') return {Term::Kind::kDate, field};
    refuse();
  }
  if (node.kind != Kind::kCall || node.operands.empty() || node.operands[0].kind != Kind::kField) refuse();
  const FieldDescriptor& field = FindField(node.operands[0].text);
  if ((node.text == "UPPER" || node.text == "LOWER") && node.operands.size() == 1 && IsText(field.type))
    return {node.text == "UPPER" ? Term::Kind::kUpper : Term::Kind::kLower, field};
  if (node.text == "DTOS" && node.operands.size() == 1 && field.type == 'D') return {Term::Kind::kDtos, field};
  if (node.text == "STR" && node.operands.size() <= 3 && IsNumber(field.type) && field.type != 'Y') {
    Term term{Term::Kind::kStr, field, kStrWidth, 0};
    for (size_t a = 1; a < node.operands.size(); ++a) {
      const IndexExpression& argument = node.operands[a];
      if (argument.kind != Kind::kNumber || argument.text.find_first_not_of("0123456789") != std::string::npos ||
          argument.text.size() > 2)
        refuse();
      (a == 1 ? term.width : term.decimals) = std::stoi(argument.text);
    }
    if (term.width < 1 || term.width > kWidestStr || term.decimals >= term.width) refuse();
    return term;
  }
  refuse();
}

bool KeyMaker::Includes(const char* record) const {
  return !live_only_ || record[0] != dbf::kDeletedRecord;
}

bool KeyMaker::IsNull(const char* record, const FieldDescriptor& field) const {
  if (field.null_bit < 0 || !header_.has_null_flags) return false;
  const auto byte = static_cast<uint8_t>(record[header_.null_flags.offset + field.null_bit / 8]);
  return ((byte >> (field.null_bit % 8)) & 1) != 0;
}

void KeyMaker::AppendText(const char* record, const FieldDescriptor& field, std::string& key) const {
  size_t length = field.length;
  if (field.type == 'V' && field.varlen_bit >= 0 && header_.has_null_flags) {
    const auto byte = static_cast<uint8_t>(record[header_.null_flags.offset + field.varlen_bit / 8]);
    if (((byte >> (field.varlen_bit % 8)) & 1) != 0)
      length = std::min<size_t>(static_cast<uint8_t>(record[field.offset + field.length - 1]), field.length);
  }
  key.append(record + field.offset, length);
  key.append(field.length - length, ' ');
}

void KeyMaker::AppendTerm(const char* record, const Term& term, std::string& key) const {
  const FieldDescriptor& field = term.field;
  switch (term.kind) {
    case Term::Kind::kText: AppendText(record, field, key); return;
    case Term::Kind::kUpper: case Term::Kind::kLower: {
      const size_t start = key.size();
      AppendText(record, field, key);
      for (size_t i = start; i < key.size(); ++i)
        key[i] = term.kind == Term::Kind::kUpper ? UpperByte(key[i]) : LowerByte(key[i]);
      return;
    }
    case Term::Kind::kStr: {
      const double value = field.type == 'I' ? static_cast<int32_t>(DecodeFixed32(record + field.offset))
                                             : NumberOf(record, field);
      key += Str(value, term.width, term.decimals);
      return;
    }
    case Term::Kind::kDtos: key.append(record + field.offset, kDateLength); return;
    case Term::Kind::kNumber: key += DoubleKey(NumberOf(record, field)); return;
    case Term::Kind::kInteger: key += IntegerKey(static_cast<int32_t>(DecodeFixed32(record + field.offset))); return;
    case Term::Kind::kDate: {
      // YYYYMMDD; a blank or damaged date keys as 0.
      const char* raw = record + field.offset;
      int digits[kDateLength];
      bool valid = true;
      for (size_t i = 0; i < kDateLength; ++i) {
        valid = valid && raw[i] >= '0' && raw[i] <= '9';
        digits[i] = raw[i] - '0';
      }
      const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
      const int month = digits[4] * 10 + digits[5];
      const int day = digits[6] * 10 + digits[7];
      valid = valid && ValidDate(year, month, day);
      key += DoubleKey(valid ? static_cast<double>(JulianDayFromCivil(year, month, day)) : 0.0);
      return;
    }
  }
}

void KeyMaker::Make(const char* record, std::string& key) const {
  key.clear();
  if (nullable_) {
    for (const Term& term : terms_) {
      if (!IsNull(record, term.field)) continue;
      key += kKeyNull;
      key.append(length_ - 1, filler());
      return;
    }
    key += kKeyNotNull;
  }
  for (const Term& term : terms_) AppendTerm(record, term, key);
}

}  // namespace veltrane::foxpro
