#include "foxpro/files/long_names.h"

#include <algorithm>
#include <cctype>

#include "foxpro/record/header_names.h"

namespace veltrane::foxpro {
namespace {

// The characters of UTF-8 text, ASCII letters in lower case.
std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> characters;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80 && !characters.empty()) {
      characters.back() += c;
    } else {
      characters.emplace_back(1, c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
  }
  return characters;
}

// Whether `a` equals the first a.size() characters of `b`. A "_" on either
// side stands for any character: it is what a name gets in place of a
// character its code page cannot hold.
bool SameStart(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  if (a.size() > b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && a[i] != "_" && b[i] != "_") return false;
  return true;
}

}  // namespace

bool LongNameAgrees(const std::string& header_name, const std::string& long_name) {
  const std::vector<std::string> header = Characters(header_name);
  const std::vector<std::string> name = Characters(long_name);
  if (header.empty()) return false;
  // The long name cut to the header's length (blanks at the cut dropped).
  std::vector<std::string> cut(name.begin(), name.begin() + std::min(name.size(), kHeaderNameLength));
  while (!cut.empty() && cut.back() == " ") cut.pop_back();
  if (cut.size() == header.size() && SameStart(header, cut)) return true;
  // Cut shorter and numbered: the start of the long name, an optional "_"
  // and a number.
  size_t stem = header.size();
  while (stem > 0 && header[stem - 1].size() == 1 && std::isdigit(static_cast<unsigned char>(header[stem - 1][0])))
    --stem;
  if (stem == header.size()) return false;
  if (stem > 0 && header[stem - 1] == "_") --stem;
  return stem > 0 && SameStart(std::vector<std::string>(header.begin(), header.begin() + stem), name);
}

LongNames MatchLongNames(const std::vector<std::string>& header_names,
                         const std::vector<std::string>& long_names, const std::string& table) {
  LongNames matched;
  matched.names.resize(header_names.size());
  std::vector<bool> used(long_names.size(), false);
  // Fields whose own position agrees first, so that a later field cannot
  // take their name.
  for (size_t i = 0; i < header_names.size() && i < long_names.size(); ++i) {
    if (LongNameAgrees(header_names[i], long_names[i])) {
      matched.names[i] = long_names[i];
      used[i] = true;
    }
  }
  std::string kept;
  for (size_t i = 0; i < header_names.size(); ++i) {
    if (!matched.names[i].empty()) continue;
    for (size_t j = 0; j < long_names.size(); ++j) {
      if (!used[j] && LongNameAgrees(header_names[i], long_names[j])) {
        matched.names[i] = long_names[j];
        used[j] = true;
        break;
      }
    }
    if (matched.names[i].empty()) kept += std::string(kept.empty() ? "" : ", ") + header_names[i];
  }
  if (!kept.empty()) {
    matched.disagreement = "The database container's long field names of table \"" + table +
                           "\" do not agree with the fields of its table file; these fields " +
                           "arrived under the names in the table file: " + kept + ".";
  }
  return matched;
}

}  // namespace veltrane::foxpro
