#include "db/copy_text.h"

#include <array>

namespace veltrane::db {
namespace {

constexpr char kEscape = '\\';

// The characters that need an escape, and the letter that follows the
// backslash for each.
constexpr std::array<char, 256> MakeEscapeLetters() {
  std::array<char, 256> letters{};
  letters['\\'] = '\\';
  letters['\t'] = 't';
  letters['\n'] = 'n';
  letters['\r'] = 'r';
  return letters;
}
constexpr std::array<char, 256> kEscapeLetters = MakeEscapeLetters();

char Unescaped(char letter) {
  switch (letter) {
    case 't': return '\t';
    case 'n': return '\n';
    case 'r': return '\r';
    case 'b': return '\b';
    case 'f': return '\f';
    case 'v': return '\v';
    default: return letter;
  }
}

}  // namespace

void AppendCopyField(std::string& out, std::string_view text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char letter = kEscapeLetters[static_cast<unsigned char>(text[i])];
    if (letter == 0) continue;
    out.append(text.data() + start, i - start);
    out += kEscape;
    out += letter;
    start = i + 1;
  }
  out.append(text.data() + start, text.size() - start);
}

void UnescapeCopyField(std::string_view field, std::string& out) {
  out.clear();
  size_t start = 0;
  for (size_t i = field.find(kEscape); i != std::string_view::npos && i + 1 < field.size();
       i = field.find(kEscape, start)) {
    out.append(field.data() + start, i - start);
    out += Unescaped(field[i + 1]);
    start = i + 2;
  }
  out.append(field.data() + start, field.size() - start);
}

std::vector<std::optional<std::string>> ParseCopyLine(std::string_view line) {
  std::vector<std::optional<std::string>> fields;
  size_t start = 0;
  while (true) {
    size_t end = line.find(kCopyFieldSeparator, start);
    if (end == std::string_view::npos) end = line.size();
    std::string_view raw = line.substr(start, end - start);
    if (raw == kCopyNull) {
      fields.emplace_back(std::nullopt);
    } else {
      std::string text;
      UnescapeCopyField(raw, text);
      fields.emplace_back(std::move(text));
    }
    if (end == line.size()) break;
    start = end + 1;
  }
  return fields;
}

}  // namespace veltrane::db
