#include "foxpro/header_names.h"

#include <set>

#include "foxpro/error.h"

namespace veltrane::foxpro {
namespace {

// The hidden field of null flags that Visual FoxPro tables carry.
constexpr const char* kNullFlagsName = "_nullflags";

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string FoldCase(const std::string& text) {
  std::string folded = text;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// The longest start of UTF-8 text that fits in `bytes` without cutting a
// character in two.
std::string FirstBytes(const std::string& text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t end = bytes;
  while (end > 0 && IsContinuationByte(text[end])) --end;
  return text.substr(0, end);
}

}  // namespace

size_t CharacterCount(const std::string& text) {
  size_t count = 0;
  for (char c : text) count += IsContinuationByte(c) ? 0 : 1;
  return count;
}

std::vector<std::string> HeaderNamesFor(const std::vector<std::string>& names) {
  std::set<std::string> written;  // the names as written, case folded
  std::set<std::string> taken;    // header names handed out, case folded
  for (const std::string& name : names) {
    if (name.empty()) throw Error("A field has an empty name.");
    std::string folded = FoldCase(name);
    if (folded == kNullFlagsName) {
      throw Error("Field [" + name + "]: the name is reserved for the table's hidden null flags.");
    }
    if (!written.insert(folded).second) {
      throw Error("Field [" + name + "] appears twice (names are compared without regard to case).");
    }
    if (name.size() <= kHeaderNameLength) taken.insert(folded);
  }
  std::vector<std::string> header_names;
  header_names.reserve(names.size());
  for (const std::string& name : names) {
    if (name.size() <= kHeaderNameLength) {
      header_names.push_back(name);
      continue;
    }
    std::string candidate = FirstBytes(name, kHeaderNameLength);
    for (int number = 1; taken.count(FoldCase(candidate)) != 0; ++number) {
      std::string suffix = "_" + std::to_string(number);
      candidate = FirstBytes(name, kHeaderNameLength - suffix.size()) + suffix;
    }
    taken.insert(FoldCase(candidate));
    header_names.push_back(candidate);
  }
  return header_names;
}

}  // namespace veltrane::foxpro
