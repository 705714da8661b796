#include "foxpro/statements/text_scanner.h"

#include "foxpro/error.h"

namespace veltrane::foxpro {
namespace {

// How much of a statement an error message shows around the failing place.
constexpr size_t kExcerptBefore = 40;
constexpr size_t kExcerptAfter = 40;

bool IsWordCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void TextScanner::SkipBlanks() {
  while (!AtEnd()) {
    char c = text_[position_];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
    ++position_;
  }
}

bool TextScanner::Consume(char c) {
  SkipBlanks();
  if (Peek() != c) return false;
  ++position_;
  return true;
}

bool TextScanner::ConsumeKeyword(std::string_view keyword) {
  SkipBlanks();
  if (text_.size() - position_ < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    if (LowerAscii(text_[position_ + i]) != LowerAscii(keyword[i])) return false;
  }
  size_t end = position_ + keyword.size();
  if (IsWordCharacter(keyword.back()) && end < text_.size() && IsWordCharacter(text_[end])) {
    return false;
  }
  position_ = end;
  return true;
}

void TextScanner::Expect(char c) {
  if (!Consume(c)) Fail(std::string("Expected \"") + c + "\"");
}

void TextScanner::ExpectKeyword(std::string_view keyword) {
  if (!ConsumeKeyword(keyword)) Fail("Expected \"" + std::string(keyword) + "\"");
}

std::string_view TextScanner::ConsumeWord() {
  SkipBlanks();
  size_t start = position_;
  while (!AtEnd() && IsWordCharacter(text_[position_])) ++position_;
  return text_.substr(start, position_ - start);
}

void TextScanner::Fail(const std::string& problem) const {
  size_t at = position_ < text_.size() ? position_ : text_.size();
  size_t from = at > kExcerptBefore ? at - kExcerptBefore : 0;
  size_t to = text_.size() - at > kExcerptAfter ? at + kExcerptAfter : text_.size();
  // Never cut a UTF-8 sequence in two.
  while (from > 0 && IsContinuationByte(text_[from])) --from;
  while (to < text_.size() && IsContinuationByte(text_[to])) ++to;
  std::string excerpt = (from > 0 ? "..." : "") + std::string(text_.substr(from, to - from)) +
                        (to < text_.size() ? "..." : "");
  std::string where = AtEnd() ? "at the end of the statement" :
                                "at character " + std::to_string(at + 1) + " of the statement";
  throw Error(problem + " " + where + ": " + excerpt);
}

}  // namespace veltrane::foxpro
