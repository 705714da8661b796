#include "foxpro/statements/statement.h"

#include <charconv>

#include "foxpro/error.h"
#include "foxpro/statements/expression.h"
#include "foxpro/statements/text_scanner.h"

namespace veltrane::foxpro {
namespace {

constexpr int kLargestCharacterWidth = 254;  // C, V, Q
constexpr int kLargestNumericPrecision = 20;  // N, F

// How a type of CREATE TABLE takes its size.
enum class SizeRule { kNone, kWidth, kPrecisionAndScale };

struct TypeWord {
  std::string_view word;
  char type;
  SizeRule size;
};

constexpr TypeWord kTypeWords[] = {
    {"C", 'C', SizeRule::kWidth},        {"CHAR", 'C', SizeRule::kWidth},
    {"CHARACTER", 'C', SizeRule::kWidth}, {"V", 'V', SizeRule::kWidth},
    {"VARCHAR", 'V', SizeRule::kWidth},  {"Q", 'Q', SizeRule::kWidth},
    {"VARBINARY", 'Q', SizeRule::kWidth}, {"N", 'N', SizeRule::kPrecisionAndScale},
    {"NUMERIC", 'N', SizeRule::kPrecisionAndScale}, {"F", 'F', SizeRule::kPrecisionAndScale},
    {"FLOAT", 'F', SizeRule::kPrecisionAndScale}, {"I", 'I', SizeRule::kNone},
    {"INT", 'I', SizeRule::kNone},       {"INTEGER", 'I', SizeRule::kNone},
    {"B", 'B', SizeRule::kNone},         {"DOUBLE", 'B', SizeRule::kNone},
    {"Y", 'Y', SizeRule::kNone},         {"CURRENCY", 'Y', SizeRule::kNone},
    {"D", 'D', SizeRule::kNone},         {"DATE", 'D', SizeRule::kNone},
    {"T", 'T', SizeRule::kNone},         {"DATETIME", 'T', SizeRule::kNone},
    {"L", 'L', SizeRule::kNone},         {"LOGICAL", 'L', SizeRule::kNone},
    {"M", 'M', SizeRule::kNone},         {"MEMO", 'M', SizeRule::kNone},
    {"G", 'G', SizeRule::kNone},         {"GENERAL", 'G', SizeRule::kNone},
    {"W", 'W', SizeRule::kNone},         {"BLOB", 'W', SizeRule::kNone},
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  }
  return true;
}

// Reads text between `open` (next at the scanner) and `close`; a doubled
// `close` inside stands for one when `doubling` is set.
std::string ReadDelimited(TextScanner& scanner, char close, bool doubling) {
  std::string_view text = scanner.text();
  size_t start = scanner.position();
  size_t position = start + 1;
  std::string out;
  for (;;) {
    size_t end = text.find(close, position);
    if (end == std::string_view::npos) {
      scanner.Fail(std::string("The name that starts at character ") + std::to_string(start + 1) +
                   " has no closing " + close);
    }
    out.append(text.data() + position, end - position);
    if (doubling && end + 1 < text.size() && text[end + 1] == close) {
      out += close;
      position = end + 2;
      continue;
    }
    scanner.Advance(end + 1 - start);
    return out;
  }
}

// A table name or path: in backticks, quotes or brackets, or bare up to a
// blank, a parenthesis or a semicolon.
std::string ReadName(TextScanner& scanner, const char* what) {
  scanner.SkipBlanks();
  switch (scanner.Peek()) {
    case '`': return ReadDelimited(scanner, '`', true);
    case '\'': return ReadDelimited(scanner, '\'', true);
    case '"': return ReadDelimited(scanner, '"', true);
    case '[': return ReadDelimited(scanner, ']', false);
    default: break;
  }
  std::string_view text = scanner.text();
  size_t start = scanner.position();
  size_t end = start;
  while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\r' &&
         text[end] != '\n' && text[end] != '(' && text[end] != ';') {
    ++end;
  }
  if (end == start) scanner.Fail(std::string("Expected ") + what);
  scanner.Advance(end - start);
  return std::string(text.substr(start, end - start));
}

// A field name: in brackets (any character but "]"), or bare letters,
// digits, underscores and non-ASCII characters.
std::string ReadFieldName(TextScanner& scanner) {
  scanner.SkipBlanks();
  if (scanner.Peek() == '[') return ReadDelimited(scanner, ']', false);
  std::string_view text = scanner.text();
  size_t start = scanner.position();
  size_t end = start;
  while (end < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[end]);
    bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                c == '_' || c >= 0x80;
    if (!word) break;
    ++end;
  }
  if (end == start) scanner.Fail("Expected a field name");
  scanner.Advance(end - start);
  return std::string(text.substr(start, end - start));
}

int ReadWholeNumber(TextScanner& scanner, const std::string& field_name) {
  scanner.SkipBlanks();
  std::string_view text = scanner.text();
  size_t start = scanner.position();
  int value = 0;
  auto parsed = std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (parsed.ec != std::errc() || value < 0) {
    scanner.Fail("Field [" + field_name + "]: expected a whole number");
  }
  scanner.Advance(static_cast<size_t>(parsed.ptr - (text.data() + start)));
  return value;
}

void ReadSize(TextScanner& scanner, const TypeWord& type, NewField& field) {
  const std::string& name = field.name;
  if (type.size == SizeRule::kNone) {
    if (scanner.Consume('(')) {
      scanner.Fail("Field [" + name + "]: type " + std::string(type.word) + " takes no width");
    }
    return;
  }
  if (!scanner.Consume('(')) {
    scanner.Fail("Field [" + name + "]: type " + std::string(type.word) + " needs a width, as in " +
                 std::string(type.word) + "(10)");
  }
  field.length = ReadWholeNumber(scanner, name);
  if (type.size == SizeRule::kPrecisionAndScale && scanner.Consume(',')) {
    field.decimals = ReadWholeNumber(scanner, name);
  }
  scanner.Expect(')');
  if (type.size == SizeRule::kWidth && (field.length < 1 || field.length > kLargestCharacterWidth)) {
    scanner.Fail("Field [" + name + "]: the width must be from 1 to 254");
  }
  if (type.size == SizeRule::kPrecisionAndScale &&
      (field.length < 1 || field.length > kLargestNumericPrecision ||
       field.decimals >= field.length)) {
    scanner.Fail("Field [" + name + "]: the precision must be from 1 to 20 and the scale below it");
  }
}

NewField ReadFieldDefinition(TextScanner& scanner) {
  NewField field;
  field.name = ReadFieldName(scanner);
  std::string_view word = scanner.ConsumeWord();
  const TypeWord* type = nullptr;
  for (const TypeWord& candidate : kTypeWords) {
    if (EqualsIgnoringCase(word, candidate.word)) type = &candidate;
  }
  if (type == nullptr) {
    scanner.Fail("Field [" + field.name + "]: unknown type \"" + std::string(word) + "\"");
  }
  field.type = type->type;
  ReadSize(scanner, *type, field);
  for (;;) {
    if (scanner.ConsumeKeyword("NULL")) {
      field.nullable = true;
    } else if (scanner.ConsumeKeyword("NOT")) {
      scanner.ExpectKeyword("NULL");
      field.nullable = false;
    } else if (scanner.ConsumeKeyword("NOCPTRANS")) {
      if (field.type != 'C' && field.type != 'V' && field.type != 'M') {
        scanner.Fail("Field [" + field.name + "]: NOCPTRANS applies to C, V and M fields only");
      }
      field.binary = true;
    } else {
      break;
    }
  }
  scanner.SkipBlanks();
  if (scanner.Peek() != ',' && scanner.Peek() != ')') {
    scanner.Fail("Field [" + field.name + "]: unexpected text after the type");
  }
  return field;
}

void ExpectEnd(TextScanner& scanner) {
  scanner.Consume(';');
  scanner.SkipBlanks();
  if (!scanner.AtEnd()) scanner.Fail("Unexpected text after the statement");
}

}  // namespace

Statement ParseStatement(std::string_view text) {
  TextScanner scanner(text);
  Statement statement;
  if (scanner.ConsumeKeyword("SELECT")) {
    statement.kind = Statement::Kind::kSelect;
    scanner.Expect('*');
    scanner.ExpectKeyword("FROM");
    statement.target = ReadName(scanner, "a table name");
  } else if (scanner.ConsumeKeyword("DROP")) {
    statement.kind = Statement::Kind::kDropTable;
    scanner.ExpectKeyword("TABLE");
    statement.target = ReadName(scanner, "a table name");
  } else if (scanner.ConsumeKeyword("CREATE")) {
    statement.kind = Statement::Kind::kCreateTable;
    scanner.ExpectKeyword("TABLE");
    statement.target = ReadName(scanner, "the path of the table");
    if (scanner.ConsumeKeyword("NAME")) {
      statement.long_name = ReadName(scanner, "the table's name");
      if (statement.long_name.empty()) scanner.Fail("The table's name after NAME is empty");
    }
    scanner.Expect('(');
    do {
      statement.fields.push_back(ReadFieldDefinition(scanner));
    } while (scanner.Consume(','));
    scanner.Expect(')');
  } else if (scanner.ConsumeKeyword("INSERT")) {
    statement.kind = Statement::Kind::kInsert;
    scanner.ExpectKeyword("INTO");
    statement.target = ReadName(scanner, "the path of the table");
    scanner.ExpectKeyword("VALUES");
    statement.values = ParseValueList(scanner);
  } else {
    scanner.Fail(
        "The FoxPro engine runs only SELECT * FROM, CREATE TABLE, INSERT INTO and DROP TABLE "
        "statements; this one is not understood");
  }
  if (statement.target.empty()) scanner.Fail("The table name or path is empty");
  ExpectEnd(scanner);
  return statement;
}

}  // namespace veltrane::foxpro
