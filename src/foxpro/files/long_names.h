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

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_LONG_NAMES_H_
