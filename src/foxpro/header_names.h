#ifndef VELTRANE_FOXPRO_HEADER_NAMES_H_
#define VELTRANE_FOXPRO_HEADER_NAMES_H_

#include <string>
#include <vector>

namespace veltrane::foxpro {

// The longest field name a table header holds, in bytes.
inline constexpr size_t kHeaderNameLength = 10;

// Header names for the fields of a new table, given the names the statement
// wrote: a name that fits is kept as it is; a longer one is cut to 10
// characters, and when that clashes with another field's header name
// (without regard to case) its end is replaced by "_1", "_2", ... until it is
// unique. Throws Error naming the field for an empty name, the reserved name
// _NullFlags, or two names that are equal without regard to case.
std::vector<std::string> HeaderNamesFor(const std::vector<std::string>& names);

// The number of characters (not bytes) of UTF-8 text.
size_t CharacterCount(const std::string& text);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_HEADER_NAMES_H_
