#include "db/connection_string.h"

#include <algorithm>
#include <cctype>

#include "db/error.h"

namespace veltrane::db {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trimmed(const std::string& text, size_t begin, size_t end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

ConnectionString ConnectionString::Parse(const std::string& text) {
  ConnectionString result;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t equals = text.find('=', pos);
    size_t semicolon = text.find(';', pos);
    if (equals == std::string::npos || (semicolon != std::string::npos && semicolon < equals)) {
      // An attribute without '=': only blanks are allowed there.
      size_t end = semicolon == std::string::npos ? text.size() : semicolon;
      std::string stray = Trimmed(text, pos, end);
      if (!stray.empty())
        throw Error("The connection string is malformed: \"" + stray +
                    "\" has no '=' and value.");
      pos = end + 1;
      continue;
    }
    std::string key = Trimmed(text, pos, equals);
    if (key.empty())
      throw Error("The connection string is malformed: a value at position " +
                  std::to_string(equals + 1) + " has no key.");
    size_t value_start = equals + 1;
    size_t first = value_start;
    while (first < text.size() && IsBlank(text[first])) ++first;
    std::string value;
    if (first < text.size() && text[first] == '{') {
      size_t i = first + 1;
      bool closed = false;
      while (i < text.size()) {
        if (text[i] == '}') {
          if (i + 1 < text.size() && text[i + 1] == '}') {
            value += '}';
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        value += text[i++];
      }
      if (!closed)
        throw Error("The connection string is malformed: the braced value of \"" + key +
                    "\" has no closing '}'.");
      while (i < text.size() && IsBlank(text[i])) ++i;
      if (i < text.size() && text[i] != ';')
        throw Error("The connection string is malformed: unexpected text after the braced value "
                    "of \"" + key + "\".");
      pos = i + 1;
    } else {
      size_t end = text.find(';', value_start);
      if (end == std::string::npos) end = text.size();
      value = text.substr(value_start, end - value_start);
      pos = end + 1;
    }
    std::string lowered = Lowered(key);
    bool seen = std::any_of(result.attributes_.begin(), result.attributes_.end(),
                            [&](const auto& attribute) { return attribute.first == lowered; });
    if (!seen) result.attributes_.emplace_back(std::move(lowered), std::move(value));
  }
  return result;
}

std::optional<std::string> ConnectionString::Get(const std::string& key) const {
  std::string lowered = Lowered(key);
  for (const auto& [name, value] : attributes_)
    if (name == lowered) return value;
  return std::nullopt;
}

std::string QuoteConnectionValue(const std::string& value) {
  bool needs_braces = value.find_first_of(";{}") != std::string::npos ||
                      (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())));
  if (!needs_braces) return value;
  std::string quoted = "{";
  for (char c : value) {
    quoted += c;
    if (c == '}') quoted += '}';
  }
  quoted += '}';
  return quoted;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace veltrane::db
