#ifndef VELTRANE_FOXPRO_TABLE_KEYS_H_
#define VELTRANE_FOXPRO_TABLE_KEYS_H_

#include <string>
#include <vector>

#include "foxpro/files/cdx_file.h"
#include "foxpro/files/container.h"
#include "foxpro/notice.h"

namespace veltrane::foxpro {

// What a FoxPro table keeps besides its rows: the tags of its structural
// index and, in a container, its primary key, relations and its fields'
// default values, comments and captions.
struct TableKeys {
  std::vector<cdx::Tag> tags;  // none without a structural index
  std::string primary_tag;     // empty in a free table, or without one
  std::vector<ContainerRelation> relations;  // where the table is the child
  // One per column of the table's rows (its visible fields in order).
  struct Column {
    std::string header_name;  // the field's name in the table's header
    std::string name;         // the column's name (a container's long name)
    std::string default_value, comment, caption;  // as the container keeps them
  };
  std::vector<Column> columns;
  // Why the table has no tags although its header marks a structural
  // index (its file is missing); empty otherwise.
  std::string missing_index;
};

// A tag to make in a table's structural index: over fields given by their
// positions among the visible fields, their keys joined in that order.
struct NewTag {
  enum class Kind { kPrimary, kCandidate, kRegular };
  std::string name;  // at most 10 characters, a FoxPro name
  Kind kind = Kind::kRegular;
  std::vector<int> fields;
};

// What CreateIndex made of the tags it was given.
struct IndexCreation {
  std::vector<std::string> tag_names;  // per tag given: its name as made, empty when not made
  std::vector<bool> keys;              // per tag given: made as a primary or candidate tag
  std::vector<Notice> notices;         // one per tag not made as given
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_TABLE_KEYS_H_
