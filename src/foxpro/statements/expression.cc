#include "foxpro/statements/expression.h"

#include <charconv>
#include <cstring>

namespace veltrane::foxpro {
namespace {

// Unicode of the code page 1252 characters 0x80 to 0x9F; the others equal
// their code. Unassigned places map to the C1 control of the same number,
// as Windows does.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr int kLargestCharacterCode = 255;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendCharacter(std::string& out, int code) {
  if (code >= 0x80 && code <= 0x9F) {
    AppendUtf8(out, kCp1252High[code - 0x80]);
  } else {
    AppendUtf8(out, static_cast<char32_t>(code));
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Appends the literal at the scanner (its opening quote next) to `out`. A
// doubled delimiter inside stands for one.
void AppendStringLiteral(TextScanner& scanner, std::string& out) {
  std::string_view text = scanner.text();
  char quote = scanner.Peek();
  size_t start = scanner.position();
  size_t position = start + 1;
  for (;;) {
    size_t close = text.find(quote, position);
    if (close == std::string_view::npos) {
      scanner.Fail("The text that starts at character " + std::to_string(start + 1) +
                   " has no closing quote");
    }
    out.append(text.data() + position, close - position);
    if (close + 1 < text.size() && text[close + 1] == quote) {
      out += quote;
      position = close + 2;
      continue;
    }
    scanner.Advance(close + 1 - scanner.position());
    return;
  }
}

// Reads a number at the scanner: [-+]digits[.digits][e[-+]digits]. Returns
// its text without a leading plus sign.
std::string ReadNumber(TextScanner& scanner) {
  std::string_view text = scanner.text();
  size_t start = scanner.position();
  size_t end = start;
  if (end < text.size() && (text[end] == '-' || text[end] == '+')) ++end;
  size_t digits = 0;
  while (end < text.size() && IsDigit(text[end])) ++end, ++digits;
  if (end < text.size() && text[end] == '.') {
    ++end;
    while (end < text.size() && IsDigit(text[end])) ++end, ++digits;
  }
  if (digits == 0) scanner.Fail("Expected a value");
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    size_t exponent = end + 1;
    if (exponent < text.size() && (text[exponent] == '-' || text[exponent] == '+')) ++exponent;
    if (exponent < text.size() && IsDigit(text[exponent])) {
      end = exponent;
      while (end < text.size() && IsDigit(text[end])) ++end;
    }
  }
  std::string number(text.substr(start, end - start));
  scanner.Advance(end - start);
  if (number[0] == '+') number.erase(0, 1);
  return number;
}

// CHR(n): the argument is a whole number from 0 to 255.
int ReadCharacterCode(TextScanner& scanner) {
  scanner.Expect('(');
  scanner.SkipBlanks();
  std::string_view text = scanner.text();
  size_t start = scanner.position();
  size_t end = start;
  while (end < text.size() && IsDigit(text[end])) ++end;
  int code = -1;
  auto parsed = std::from_chars(text.data() + start, text.data() + end, code);
  if (end == start || parsed.ec != std::errc() || code > kLargestCharacterCode) {
    scanner.Fail("CHR() takes a whole number from 0 to 255");
  }
  scanner.Advance(end - start);
  scanner.Expect(')');
  return code;
}

// One expression: terms joined by "+".
InputValue ParseExpression(TextScanner& scanner) {
  InputValue single;
  std::string joined;
  int terms = 0;
  bool any_null = false;
  bool any_non_text = false;
  size_t start = 0;
  do {
    scanner.SkipBlanks();
    if (terms == 0) start = scanner.position();
    char c = scanner.Peek();
    std::string_view rest = scanner.text().substr(scanner.position());
    if (c == '\'' || c == '"') {
      AppendStringLiteral(scanner, joined);
      single.kind = InputValue::Kind::kText;
    } else if (scanner.ConsumeKeyword("CHR")) {
      AppendCharacter(joined, ReadCharacterCode(scanner));
      single.kind = InputValue::Kind::kText;
    } else if (scanner.ConsumeKeyword("NULL")) {
      any_null = true;
      single.kind = InputValue::Kind::kNull;
    } else if (c == '.' && rest.size() >= 3 && rest[2] == '.' && !IsDigit(rest[1])) {
      char letter = static_cast<char>(rest[1] | 0x20);
      if (letter != 't' && letter != 'f' && letter != 'y' && letter != 'n') {
        scanner.Fail("Expected .T. or .F.");
      }
      scanner.Advance(3);
      single.kind = InputValue::Kind::kLogical;
      single.logical = letter == 't' || letter == 'y';
      any_non_text = true;
    } else if (IsDigit(c) || c == '-' || c == '+' || c == '.') {
      single.text = ReadNumber(scanner);
      single.kind = InputValue::Kind::kNumber;
      any_non_text = true;
    } else {
      scanner.Fail("Expected a value (a text in quotes, CHR(n), NULL, a number, .T. or .F.)");
    }
    ++terms;
  } while (scanner.Consume('+'));

  if (terms == 1) {
    if (single.kind == InputValue::Kind::kText) single.text = std::move(joined);
    return single;
  }
  if (any_non_text) {
    TextScanner at_start(scanner.text());
    at_start.Advance(start);
    at_start.Fail("Only texts, CHR() and NULL can be joined with \"+\"");
  }
  InputValue value;
  if (!any_null) {
    value.kind = InputValue::Kind::kText;
    value.text = std::move(joined);
  }
  return value;
}

}  // namespace

std::vector<InputValue> ParseValueList(TextScanner& scanner) {
  std::vector<InputValue> values;
  scanner.Expect('(');
  do {
    values.push_back(ParseExpression(scanner));
  } while (scanner.Consume(','));
  scanner.Expect(')');
  return values;
}

}  // namespace veltrane::foxpro
