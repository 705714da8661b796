#include "foxpro/record/header_names.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "foxpro/error.h"

namespace veltrane::foxpro {
namespace {

// The hidden field of null flags that Visual FoxPro tables carry.
constexpr const char* kNullFlagsName = "_nullflags";

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string FoldCase(const std::string& text) { return LowerCaseName(text); }

size_t CharacterLength(const std::string& text, size_t at) {
  size_t end = at + 1;
  while (end < text.size() && IsContinuationByte(text[end])) ++end;
  return end - at;
}

size_t EncodedLength(const std::string& text, const TextCodec& codec) {
  std::string bytes, bad;
  if (!codec.Encode(text, bytes, bad)) return text.size();
  return bytes.size();
}

// The longest start of UTF-8 text whose bytes in the code page fit in
// `bytes`, without cutting a character in two.
std::string FirstBytes(const std::string& text, size_t bytes, const TextCodec& codec) {
  std::string start;
  for (size_t at = 0; at < text.size();) {
    const size_t length = CharacterLength(text, at);
    std::string longer = start + text.substr(at, length);
    if (EncodedLength(longer, codec) > bytes) break;
    start = std::move(longer);
    at += length;
  }
  return start;
}

// The lower-case letter of an upper-case one, or the letter itself.
uint32_t LowerLetter(uint32_t c) {
  if (c >= 'A' && c <= 'Z') return c + ('a' - 'A');
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 0x20;  // Latin-1 letters, not the sign
  if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: pairs
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;
    const bool odd_upper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    return (c % 2 == (odd_upper ? 1u : 0u)) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;  // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

}  // namespace

std::string LowerCaseName(const std::string& text) {
  std::string lower;
  lower.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t c = 0;
    if (NextCodePoint(text, i, c)) AppendUtf8(LowerLetter(c), lower);
    else lower.push_back(text[i++]);
  }
  return lower;
}

size_t CharacterCount(const std::string& text) {
  size_t count = 0;
  for (char c : text) count += IsContinuationByte(c) ? 0 : 1;
  return count;
}

std::string WithCodePageCharacters(const std::string& name, const TextCodec& codec) {
  std::string result, bytes, bad;
  for (size_t at = 0; at < name.size();) {
    const size_t length = CharacterLength(name, at);
    const std::string character = name.substr(at, length);
    bytes.clear();
    result += codec.Encode(character, bytes, bad) ? character : "_";
    at += length;
  }
  return result;
}

std::vector<std::string> HeaderNamesFor(const std::vector<std::string>& names,
                                        const TextCodec& codec) {
  std::set<std::string> written;  // the names as written, case folded
  std::set<std::string> taken;    // header names handed out, case folded
  auto fits = [&](const std::string& name) {
    return EncodedLength(name, codec) <= kHeaderNameLength;
  };
  for (const std::string& name : names) {
    if (name.empty()) throw Error("A field has an empty name.");
    std::string folded = FoldCase(name);
    if (folded == kNullFlagsName) {
      throw Error("Field [" + name + "]: the name is reserved for the table's hidden null flags.");
    }
    if (!written.insert(folded).second) {
      throw Error("Field [" + name + "] appears twice (names are compared without regard to case).");
    }
    if (fits(name)) taken.insert(folded);
  }
  std::vector<std::string> header_names;
  header_names.reserve(names.size());
  for (const std::string& name : names) {
    if (fits(name)) {
      header_names.push_back(name);
      continue;
    }
    std::string candidate = FirstBytes(name, kHeaderNameLength, codec);
    for (int number = 1; taken.count(FoldCase(candidate)) != 0; ++number) {
      std::string suffix = "_" + std::to_string(number);
      candidate = FirstBytes(name, kHeaderNameLength - suffix.size(), codec) + suffix;
    }
    taken.insert(FoldCase(candidate));
    header_names.push_back(candidate);
  }
  return header_names;
}

}  // namespace veltrane::foxpro
