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

}  // namespace veltrane::foxpro
