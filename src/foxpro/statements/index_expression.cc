#include "foxpro/statements/index_expression.h"

#include <cctype>

#include "foxpro/statements/text_scanner.h"

namespace veltrane::foxpro {
namespace {

using Kind = IndexExpression::Kind;

// Deeper nesting than any real key or filter is refused rather than
// followed into the stack's end.
constexpr int kDeepestNesting = 64;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

IndexExpression Binary(std::string op, IndexExpression left, IndexExpression right) {
  IndexExpression node{Kind::kBinary, std::move(op), {}};
  node.operands.push_back(std::move(left));
  node.operands.push_back(std::move(right));
  return node;
}

class Parser {
 public:
  explicit Parser(const std::string& text) : scanner_(text) {}

  IndexExpression Parse() {
    IndexExpression result = Or();
    scanner_.SkipBlanks();
    if (!scanner_.AtEnd()) scanner_.Fail("Unexpected text");
    return result;
  }

 private:
  // A keyword operator in either spelling: ".AND." or "AND".
  bool ConsumeOperatorWord(std::string_view word) {
    scanner_.SkipBlanks();
    const std::string dotted = "." + std::string(word) + ".";
    std::string_view rest = scanner_.text().substr(scanner_.position());
    if (rest.size() >= dotted.size() && Upper(rest.substr(0, dotted.size())) == dotted) {
      scanner_.Advance(dotted.size());
      return true;
    }
    return scanner_.ConsumeKeyword(word);
  }

  IndexExpression Or() {
    Nest nest(*this);
    IndexExpression left = And();
    while (ConsumeOperatorWord("OR")) left = Binary("OR", std::move(left), And());
    return left;
  }

  IndexExpression And() {
    IndexExpression left = Not();
    while (ConsumeOperatorWord("AND")) left = Binary("AND", std::move(left), Not());
    return left;
  }

  IndexExpression Not() {
    scanner_.SkipBlanks();
    bool negated = false;
    if (scanner_.Peek() == '!' && scanner_.position() + 1 < scanner_.text().size() &&
        scanner_.text()[scanner_.position() + 1] != '=') {
      scanner_.Advance(1);
      negated = true;
    } else {
      negated = ConsumeOperatorWord("NOT");
    }
    if (!negated) return Comparison();
    Nest nest(*this);
    IndexExpression node{Kind::kNot, "", {}};
    node.operands.push_back(Not());
    return node;
  }

  IndexExpression Comparison() {
    IndexExpression left = Sum();
    scanner_.SkipBlanks();
    std::string_view rest = scanner_.text().substr(scanner_.position());
    static constexpr std::pair<std::string_view, std::string_view> kOperators[] = {
        {"==", "=="}, {"<>", "<>"}, {"!=", "<>"}, {"<=", "<="}, {">=", ">="}, {"=<", "<="},
        {"=>", ">="}, {"#", "<>"}, {"=", "="}, {"<", "<"}, {">", ">"}};
    for (const auto& [spelling, op] : kOperators) {
      if (rest.substr(0, spelling.size()) != spelling) continue;
      scanner_.Advance(spelling.size());
      return Binary(std::string(op), std::move(left), Sum());
    }
    return left;
  }

  IndexExpression Sum() {
    IndexExpression left = Primary();
    for (;;) {
      scanner_.SkipBlanks();
      const char c = scanner_.Peek();
      if (c != '+' && c != '-') return left;
      scanner_.Advance(1);
      left = Binary(std::string(1, c), std::move(left), Primary());
    }
  }

  IndexExpression Primary() {
    Nest nest(*this);
    scanner_.SkipBlanks();
    const char c = scanner_.Peek();
    if (c == '(') {
      scanner_.Advance(1);
      IndexExpression inner = Or();
      scanner_.Expect(')');
      return inner;
    }
    if (c == '\'' || c == '"' || c == '[') return String(c == '[' ? ']' : c);
    if (c == '{') return Date();
    if (c == '.') {
      std::string_view rest = scanner_.text().substr(scanner_.position());
      if (rest.size() >= 3 && rest[2] == '.') {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[1])));
        if (letter == 'T' || letter == 'Y' || letter == 'F' || letter == 'N') {
          scanner_.Advance(3);
          return {Kind::kLogical, letter == 'T' || letter == 'Y' ? "T" : "F", {}};
        }
      }
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-') return Number();
    std::string_view word = scanner_.ConsumeWord();
    if (word.empty()) scanner_.Fail("Expected a field, a function or a value");
    if (Upper(word) == "NULL") return {Kind::kNull, "", {}};
    std::string name(word);
    // "alias.field" and "alias->field", written without blanks: the field.
    // (".AND." and the like after a name are operators.)
    for (std::string_view arrow : {std::string_view("->"), std::string_view(".")}) {
      std::string_view rest = scanner_.text().substr(scanner_.position());
      if (rest.substr(0, arrow.size()) != arrow) continue;
      size_t end = arrow.size();
      while (end < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[end])) || rest[end] == '_')) ++end;
      if (end == arrow.size() || std::isdigit(static_cast<unsigned char>(rest[arrow.size()])) ||
          (end < rest.size() && rest[end] == '.'))
        continue;
      name = std::string(rest.substr(arrow.size(), end - arrow.size()));
      scanner_.Advance(end);
      break;
    }
    scanner_.SkipBlanks();
    if (name == word && scanner_.Consume('(')) {
      IndexExpression call{Kind::kCall, Upper(word), {}};
      scanner_.SkipBlanks();
      if (!scanner_.Consume(')')) {
        do call.operands.push_back(Or());
        while (scanner_.Consume(','));
        scanner_.Expect(')');
      }
      return call;
    }
    return {Kind::kField, Lower(name), {}};
  }

  IndexExpression String(char close) {
    const size_t start = scanner_.position();
    std::string_view text = scanner_.text();
    const size_t end = text.find(close, start + 1);
    if (end == std::string_view::npos) scanner_.Fail("The text has no closing quote");
    scanner_.Advance(end + 1 - start);
    return {Kind::kString, std::string(text.substr(start + 1, end - start - 1)), {}};
  }

  IndexExpression Date() {
    std::string_view text = scanner_.text();
    const size_t start = scanner_.position();
    const size_t end = text.find('}', start);
    if (end == std::string_view::npos) scanner_.Fail("The date has no closing brace");
    std::string inside;
    for (char c : text.substr(start + 1, end - start - 1))
      if (c != ' ') inside += c;
    scanner_.Advance(end + 1 - start);
    if (inside.empty() || inside == "/" || inside == "//" || inside == "^") return {Kind::kDate, "", {}};
    // {^YYYY-MM-DD} or {^YYYY/MM/DD}: the strict form, read the same under
    // every SET DATE.
    if (inside.size() == 11 && inside[0] == '^' && (inside[5] == '-' || inside[5] == '/') &&
        inside[8] == inside[5]) {
      bool digits = true;
      for (size_t i : {1, 2, 3, 4, 6, 7, 9, 10})
        digits = digits && std::isdigit(static_cast<unsigned char>(inside[i]));
      if (digits)
        return {Kind::kDate, inside.substr(1, 4) + "-" + inside.substr(6, 2) + "-" + inside.substr(9, 2), {}};
    }
    scanner_.Fail("Only dates written {^YYYY-MM-DD} are read");
  }

  IndexExpression Number() {
    std::string_view text = scanner_.text();
    size_t at = scanner_.position();
    const size_t start = at;
    if (text[at] == '-') ++at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    if (at < text.size() && text[at] == '.') ++at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    std::string number(text.substr(start, at - start));
    if (number == "-" || number == "." || number == "-.") scanner_.Fail("Expected a number");
    scanner_.Advance(at - start);
    return {Kind::kNumber, number, {}};
  }

  // Counts the nesting while it lives.
  class Nest {
   public:
    explicit Nest(Parser& parser) : parser_(parser) {
      if (++parser_.depth_ > kDeepestNesting) parser_.scanner_.Fail("The expression nests too deep");
    }
    ~Nest() { --parser_.depth_; }

   private:
    Parser& parser_;
  };

  TextScanner scanner_;
  int depth_ = 0;
};

}  // namespace

IndexExpression ParseIndexExpression(const std::string& text) { return Parser(text).Parse(); }

}  // namespace veltrane::foxpro
