#include "foxpro/files/table_files.h"

#include <vector>

#include "foxpro/record/dbf_header.h"
#include "foxpro/error.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/file_names.h"

namespace veltrane::foxpro {
namespace {
// The files of a table besides its .dbf: memo files and the structural index.
constexpr const char* kCompanionExtensions[] = {".fpt", ".dbt", ".cdx"};

void RemoveFile(const std::string& path, const std::string& table) {
  std::error_code error;
  if (!FileSystem::Current().Remove(path, error) && error) {
    throw Error("Cannot delete the file \"" + path + "\" of the table \"" + table +
                "\": " + error.message() + ".");
  }
}

}  // namespace

std::string NotATableReason(const std::string& path) {
  try {
    const std::unique_ptr<File> file = File::Open(path, File::Mode::kRead);
    const TableHeader header = ParseTableHeader(
        [&file](uint64_t offset, size_t length) { return file->ReadAt(offset, length); },
        file->Size(), path);
    if ((header.table_flags & dbf::kIsContainer) != 0) return "it is a database container";
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

int64_t StoredRecords(const std::string& path) {
  const std::optional<std::string> found = FindPath(path);
  if (!found) return -1;
  try {
    const std::unique_ptr<File> file = File::Open(*found, File::Mode::kRead);
    return ParseTableHeader(
               [&file](uint64_t offset, size_t length) { return file->ReadAt(offset, length); },
               file->Size(), *found)
        .record_count;
  } catch (const Error&) {
    return -1;
  }
}

void DeleteTableFiles(const std::string& dbf_path, const std::string& table) {
  FileSystem& files = FileSystem::Current();
  if (files.Kind(dbf_path, /*follow_links=*/false) == FileKind::kMissing) return;
  if (const std::string reason = NotATableReason(dbf_path); !reason.empty()) {
    throw Error("The table \"" + table + "\" names the file \"" + dbf_path +
                "\", which is not a table file, so nothing was deleted: " + reason);
  }
  std::vector<std::string> companions;
  for (const char* extension : kCompanionExtensions) {
    const std::optional<std::string> companion = FindSibling(dbf_path, extension);
    if (companion && files.Kind(*companion) == FileKind::kRegular) companions.push_back(*companion);
  }
  RemoveFile(dbf_path, table);
  for (const std::string& companion : companions) RemoveFile(companion, table);
}

}  // namespace veltrane::foxpro
