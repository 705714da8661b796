#ifndef VELTRANE_FOXPRO_FILES_STRUCTURAL_INDEX_H_
#define VELTRANE_FOXPRO_FILES_STRUCTURAL_INDEX_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foxpro/files/cdx_file.h"

namespace veltrane::foxpro {

// A table's structural index: the compound index file (.cdx) beside it
// with its stem, which FoxPro opens with the table when the header's flag
// byte says so (dbf::kHasStructuralIndex). Its keys are made as KeyMaker
// makes them (index_keys.h).

// The index file of `table_path` when the table's header marks one; nullopt
// when it marks none. Throws Error when it marks one that is missing.
std::optional<std::string> StructuralIndexPath(const std::string& table_path);

// The tags of the table's structural index (none when it has none). Throws
// Error for a damaged index file.
std::vector<cdx::Tag> ReadStructuralIndexTags(const std::string& table_path);

// Throws Error, naming the tag and saying why, when a tag of `tags` is not
// one this engine can make keys for in the table at `table_path`, or when
// its stated key length (0: none stated) is not the one its expression
// gives. `long_names` are a container table's long field names (see
// KeyMaker).
void CheckIndexTags(const std::string& table_path, const std::vector<cdx::Tag>& tags,
                    const std::vector<std::string>& long_names);

// What WriteStructuralIndex made of tags it could not write as given.
struct IndexWriting {
  // Candidate tags whose keys repeat: written as regular tags.
  std::vector<std::string> repeated_candidates;
};

// Builds the compound index at `index_path` of the table at `table_path`
// with `tags` (names stored in upper case) from every record the header
// counts, deleted ones too unless a filter leaves them out. The new file
// replaces an old one (whose update counter it counts on) only once it is
// whole. Keys are sorted within a fixed memory budget (see KeySorter);
// writing them keeps a small entry per node (see cdx::Writer). Throws
// Error, changing nothing, as CheckIndexTags does, or when the files
// cannot be read or written. With `write` false it only makes every key,
// so that every failure but the writing's shows before anything changes.
IndexWriting WriteCompoundIndex(const std::string& table_path, const std::string& index_path,
                                const std::vector<cdx::Tag>& tags, const std::vector<std::string>& long_names,
                                bool write);

// WriteCompoundIndex into the table's structural index file, then marks
// the header.
IndexWriting WriteStructuralIndex(const std::string& table_path, const std::vector<cdx::Tag>& tags,
                                  const std::vector<std::string>& long_names);

// Sets or clears the header's mark of a structural index. While records
// are added to an indexed table, the mark is cleared, so that a process
// killed before the index is rebuilt leaves a table FoxPro opens without
// an index rather than with one that misses records.
void MarkStructuralIndex(const std::string& table_path, bool marked);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_STRUCTURAL_INDEX_H_
