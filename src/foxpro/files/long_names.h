#ifndef VELTRANE_FOXPRO_FILES_LONG_NAMES_H_
#define VELTRANE_FOXPRO_FILES_LONG_NAMES_H_

#include <string>
#include <vector>

namespace veltrane::foxpro {

// A container keeps the long names of a table's fields in field objects of
// its own; the table's header keeps a short name for each field: the long
// name cut to 10 characters, or, where that would clash, cut shorter and
// numbered ("customer_1", "customer2"). A long name agrees with a header
// name when the header name is such a short form of it, compared without
// regard to case, a "_" on either side standing for the character a code
// page could not hold.
bool LongNameAgrees(const std::string& header_name, const std::string& long_name);

// The long names of a table's fields.
struct LongNames {
  // One per header field, in field order; empty where the field keeps its
  // header name.
  std::vector<std::string> names;
  // Empty when every field has its long name; else a sentence naming the
  // fields that keep their header names.
  std::string disagreement;
};

// Gives each header field the long name that agrees with it: the one at
// its own position when that agrees, else the first unused one that does
// (field objects need not stand in field order). A field without one keeps
// its header name, and `disagreement` says so.
LongNames MatchLongNames(const std::vector<std::string>& header_names,
                         const std::vector<std::string>& long_names, const std::string& table);

// A container keeps a table's name whole, and its table file gets a short
// name. The file name (without extension) for a table named `table` that
// is made in the container folder `folder`:
// - the table's own name when it is short and a safe file name on Windows
//   as well: at most kShortFileNameLength characters, none that Windows
//   refuses in a file name (< > : " / \ | ? * and control characters), not
//   ending in a dot or blank, and no device name such as CON or LPT1 before
//   its first dot (a file of that name already there is the caller's to
//   ask about, as for any table);
// - else a name made from it: each ASCII character other than a letter,
//   digit or "_" made "_", cut to kShortFileNameLength characters, "_"
//   added to a device name, and, while a table, memo or index file of that
//   name lies in the folder (in any case, as on Windows), cut shorter and
//   numbered: "customer_c", "customer_1", "customer_2".
inline constexpr size_t kShortFileNameLength = 10;
std::string ShortTableFileName(const std::string& table, const std::string& folder);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_LONG_NAMES_H_
