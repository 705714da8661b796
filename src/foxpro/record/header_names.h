#ifndef VELTRANE_FOXPRO_RECORD_HEADER_NAMES_H_
#define VELTRANE_FOXPRO_RECORD_HEADER_NAMES_H_

#include <string>
#include <vector>

#include "foxpro/codepages/codepage.h"

namespace veltrane::foxpro {

// The longest field name a table header holds, in bytes.
inline constexpr size_t kHeaderNameLength = 10;

// Header names for the fields of a new table whose header is written in
// `codec`'s code page, given the names the statement wrote (UTF-8, holding
// only characters of that code page): a name that fits in 10 bytes of the
// code page is kept as it is; a longer one is cut to the characters that
// fit, and when that clashes with another field's header name (without
// regard to case) its end is replaced by "_1", "_2", ... until it is
// unique. Throws Error naming the field for an empty name, the reserved
// name _NullFlags, or two names that are equal without regard to case.
std::vector<std::string> HeaderNamesFor(const std::vector<std::string>& names,
                                        const TextCodec& codec = TextCodec::For(kDefaultCodePage));

// `name` with "_" for each character that `codec`'s code page cannot hold.
std::string WithCodePageCharacters(const std::string& name, const TextCodec& codec);

// The number of characters (not bytes) of UTF-8 text.
size_t CharacterCount(const std::string& text);

// UTF-8 text in lower case, as FoxPro reports table and field names: the
// letters of the Latin, Greek and Cyrillic alphabets are lowered, every
// other character stays.
std::string LowerCaseName(const std::string& text);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_HEADER_NAMES_H_
