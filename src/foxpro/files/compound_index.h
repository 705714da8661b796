#ifndef VELTRANE_FOXPRO_FILES_COMPOUND_INDEX_H_
#define VELTRANE_FOXPRO_FILES_COMPOUND_INDEX_H_

#include <string>

namespace veltrane::foxpro {

// Rebuilds the structural compound index (.dcx) of a database container
// from the container's records, keeping its tags (their names, key and
// filter expressions), so that FoxPro finds objects added or removed by
// this engine. The new index replaces the old file only once it is
// complete. Tags whose expressions this engine cannot evaluate leave the
// index untouched and throw Error. No index file: nothing to do.
void RebuildContainerIndex(const std::string& dbc_path);

// Throws the Error RebuildContainerIndex would for the index as it stands,
// without writing anything: called before a container is changed.
void CheckContainerIndex(const std::string& dbc_path);

// Writes at `index_path` the structural index of the new container at
// `dbc_path`: the tags OBJECTNAME and OBJECTTYPE that Visual FoxPro gives
// every container, over its records. Throws Error when the file is not a
// container's.
void WriteNewContainerIndex(const std::string& dbc_path, const std::string& index_path);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_COMPOUND_INDEX_H_
