#include "foxpro/files/compound_index.h"

#include <optional>
#include <vector>

#include "foxpro/error.h"
#include "foxpro/files/cdx_file.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/file_names.h"
#include "foxpro/files/structural_index.h"

namespace veltrane::foxpro {

namespace {

// The container's index keeps its tags (names, expressions, options); its
// keys are made afresh from the container's records.
void Rebuild(const std::string& dbc_path, bool write) {
  std::optional<std::string> index_path = FindSibling(dbc_path, ".dcx");
  if (!index_path) return;
  const std::string where = "The index \"" + *index_path + "\" of the database container";
  std::vector<cdx::Tag> tags;
  {
    const std::unique_ptr<File> index = File::Open(*index_path, File::Mode::kRead);
    cdx::ReadFileHeader(*index, where);
    tags = cdx::ReadTags(*index, where);
  }
  try {
    WriteCompoundIndex(dbc_path, *index_path, tags, {}, write);
  } catch (const Error& error) {
    throw Error(where + ": " + error.what());
  }
}

}  // namespace

void RebuildContainerIndex(const std::string& dbc_path) { Rebuild(dbc_path, true); }

void CheckContainerIndex(const std::string& dbc_path) { Rebuild(dbc_path, false); }

void WriteNewContainerIndex(const std::string& dbc_path, const std::string& index_path) {
  // Visual FoxPro's two tags of a container, each over the live objects:
  // by parent, type and name (lower case), and by parent and type.
  cdx::Tag by_name;
  by_name.name = "OBJECTNAME";
  by_name.key_expression = "str(parentid)+objecttype+lower(objectname)";
  by_name.filter_expression = "!DELETED()";
  cdx::Tag by_type = by_name;
  by_type.name = "OBJECTTYPE";
  by_type.key_expression = "str(parentid)+objecttype";
  try {
    WriteCompoundIndex(dbc_path, index_path, {by_name, by_type}, {}, true);
  } catch (const Error& error) {
    throw Error("The index of the new database container \"" + dbc_path + "\": " + error.what());
  }
}

}  // namespace veltrane::foxpro
