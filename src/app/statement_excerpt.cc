#include "app/statement_excerpt.h"

#include <array>

namespace veltrane::app {
namespace {

// What may join two literals of one value in a statement to FoxPro.
constexpr std::array<std::string_view, 3> kJoints = {"+'", "+CHR(13)+'", "+CHR(10)+'"};

bool StartsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// The position after the name that opens at `at` with `quote` (a doubled
// quote inside it stands for one), or the end of `text`.
size_t SkipName(std::string_view text, size_t at, char quote) {
  size_t i = at + 1;
  while (i < text.size()) {
    if (text[i++] != quote) continue;
    if (i < text.size() && text[i] == quote) ++i;
    else break;
  }
  return i;
}

}  // namespace

std::string StatementExcerpt(std::string_view statement) {
  std::string excerpt;
  size_t done = 0;  // statement[0, done) is in the excerpt or decided
  size_t i = 0;
  while (i < statement.size()) {
    const char c = statement[i];
    if (c == '"' || c == '`') {
      i = SkipName(statement, i, c);
      continue;
    }
    if (c != '\'') {
      ++i;
      continue;
    }
    // A value: literals and the joints between them, counted character by
    // character; where the last character kept ends, and whether that is
    // inside a literal.
    size_t characters = 0;
    size_t cut = 0;
    bool cut_inside = false;
    auto count = [&](size_t end, bool inside) {
      if (++characters > kLongestReportedValue) return;
      cut = end;
      cut_inside = inside;
    };
    ++i;  // the opening quote
    while (i < statement.size()) {
      if (statement[i] == '\'') {
        if (i + 1 < statement.size() && statement[i + 1] == '\'') {
          i += 2;
          count(i, true);
          continue;
        }
        ++i;  // the closing quote
        bool joined = false;
        for (std::string_view joint : kJoints) {
          if (statement.substr(i, joint.size()) != joint) continue;
          // A line break counts up to the quote of the literal after it.
          if (joint.size() > 2) count(i + joint.size() - 1, false);
          i += joint.size();
          joined = true;
          break;
        }
        if (!joined) break;
        continue;
      }
      ++i;
      while (i < statement.size() && !StartsCharacter(statement[i])) ++i;
      count(i, true);
    }
    if (characters <= kLongestReportedValue) continue;
    excerpt.append(statement.substr(done, cut - done));
    if (cut_inside) excerpt += '\'';
    excerpt += "... (" + std::to_string(characters - kLongestReportedValue) +
               " characters left out)";
    done = i;
  }
  excerpt.append(statement.substr(done));
  return excerpt;
}

}  // namespace veltrane::app
