#include "foxpro/long_names.h"

#include "foxpro/header_names.h"

namespace veltrane::foxpro {
namespace {

std::string FoldCase(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

}  // namespace

bool LongNameAgrees(const std::string& header_name, const std::string& long_name) {
  const std::string header = FoldCase(header_name);
  const std::string name = FoldCase(long_name);
  if (header.empty()) return false;
  if (header == name) return true;
  // The long name cut to the header's length.
  if (CharacterCount(header) == kHeaderNameLength && StartsWith(name, header)) return true;
  // Cut shorter and numbered: the start of the long name, an optional "_"
  // and a number.
  size_t stem = header.find_last_not_of("0123456789");
  if (stem == std::string::npos || stem + 1 == header.size()) return false;
  if (header[stem] == '_') --stem;
  return stem != std::string::npos && StartsWith(name, header.substr(0, stem + 1));
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
