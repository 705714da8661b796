#include "foxpro/files/long_names.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string_view>

#include "foxpro/files/file_names.h"
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

// Windows' device names, which no file can take, whatever its extension.
constexpr const char* kDeviceNames[] = {"con",  "prn",  "aux",  "nul",  "com1", "com2", "com3",
                                        "com4", "com5", "com6", "com7", "com8", "com9", "lpt1",
                                        "lpt2", "lpt3", "lpt4", "lpt5", "lpt6", "lpt7", "lpt8",
                                        "lpt9"};

bool IsDeviceName(const std::string& name) {
  std::string stem = name.substr(0, name.find('.'));
  for (char& c : stem) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::find(std::begin(kDeviceNames), std::end(kDeviceNames), stem) !=
         std::end(kDeviceNames);
}

// The characters besides control characters that Windows refuses in a
// file name.
constexpr std::string_view kRefusedInFileNames = "<>:\"/\\|?*";

bool IsSafeShortFileName(const std::string& name) {
  if (CharacterCount(name) > kShortFileNameLength || IsDeviceName(name)) return false;
  if (name.back() == '.' || name.back() == ' ') return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 ||
           kRefusedInFileNames.find(c) != std::string_view::npos;
  });
}

// The first `count` characters of UTF-8 text.
std::string FirstCharacters(const std::string& text, size_t count) {
  size_t end = 0;
  for (size_t characters = 0; end < text.size() && characters < count; ++characters) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return text.substr(0, end);
}

// True when a table, memo or index file named `stem` lies in `folder`.
bool FileStemTaken(const std::string& folder, const std::string& stem) {
  for (const char* extension : {".dbf", ".fpt", ".cdx"})
    if (FindInFolder(folder, stem + extension)) return true;
  return false;
}

}  // namespace

std::string ShortTableFileName(const std::string& table, const std::string& folder) {
  if (!table.empty() && IsSafeShortFileName(table)) return table;
  std::string name = table;
  for (char& c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80 && !std::isalnum(u) && c != '_') c = '_';
  }
  if (name.empty()) name = "_";
  std::string candidate = FirstCharacters(name, kShortFileNameLength);
  if (IsDeviceName(candidate)) candidate += '_';
  for (int number = 1; FileStemTaken(folder, candidate); ++number) {
    const std::string suffix = "_" + std::to_string(number);
    candidate = FirstCharacters(name, kShortFileNameLength - suffix.size()) + suffix;
  }
  return candidate;
}

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
