#ifndef VELTRANE_FOXPRO_STATEMENTS_TEXT_SCANNER_H_
#define VELTRANE_FOXPRO_STATEMENTS_TEXT_SCANNER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrane::foxpro {

// Walks through the text of one statement, left to right, for the statement
// and expression parsers. Keywords compare without regard to (ASCII) case.
// Every failure names the position and shows the text around it.
class TextScanner {
 public:
  explicit TextScanner(std::string_view text) : text_(text) {}

  std::string_view text() const { return text_; }
  size_t position() const { return position_; }
  void Advance(size_t count) { position_ += count; }
  bool AtEnd() const { return position_ >= text_.size(); }
  // The current character; '\0' at the end.
  char Peek() const { return AtEnd() ? '\0' : text_[position_]; }

  // Skips blanks, tabs and line breaks.
  void SkipBlanks();
  // After SkipBlanks: consumes `c` if it comes next.
  bool Consume(char c);
  // After SkipBlanks: consumes the keyword if it comes next as a whole word.
  bool ConsumeKeyword(std::string_view keyword);
  // Consumes the keyword or throws Error saying what was expected.
  void Expect(char c);
  void ExpectKeyword(std::string_view keyword);
  // After SkipBlanks: the run of letters, digits and underscores that comes
  // next (possibly empty), consumed.
  std::string_view ConsumeWord();

  // Throws Error: "<problem> at character N of the statement: <excerpt>".
  [[noreturn]] void Fail(const std::string& problem) const;

 private:
  std::string_view text_;
  size_t position_ = 0;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_STATEMENTS_TEXT_SCANNER_H_
