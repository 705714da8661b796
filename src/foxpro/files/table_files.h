#ifndef VELTRANE_FOXPRO_FILES_TABLE_FILES_H_
#define VELTRANE_FOXPRO_FILES_TABLE_FILES_H_

#include <cstdint>
#include <string>

namespace veltrane::foxpro {

// A table is its .dbf file and, beside it with the same stem, its memo file
// (.fpt or .dbt) and structural index (.cdx). These delete a table's files
// only: a path that a damaged container or a user's folder puts where a
// table should be, but that holds something else, is never touched.

// Why the file at `path` is not a table file: empty when it is a regular
// file whose header reads as a table's header.
std::string NotATableReason(const std::string& path);

// The number of records the header of the table file at `path` counts
// (found without regard to case); -1 when it cannot be read.
int64_t StoredRecords(const std::string& path);

// Deletes the table file `dbf_path` first (so a failure leaves the table
// whole), then its memo and index files, whatever the case of their names.
// A missing .dbf file deletes nothing. Throws Error naming `table`, with
// nothing deleted, when the file is not a table.
void DeleteTableFiles(const std::string& dbf_path, const std::string& table);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_TABLE_FILES_H_
