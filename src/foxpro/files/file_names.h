#ifndef VELTRANE_FOXPRO_FILES_FILE_NAMES_H_
#define VELTRANE_FOXPRO_FILES_FILE_NAMES_H_

#include <optional>
#include <string>

namespace veltrane::foxpro {

// FoxPro files come from Windows, where file names ignore case. These find
// a file whatever the case of its name on disk.

// The path of the entry of `folder` whose name equals `name` without regard
// to case (see LowerCaseName), preferring an exact match; nullopt when
// there is none.
std::optional<std::string> FindInFolder(const std::string& folder, const std::string& name);

// `path` resolved the same way in its folder: the existing file's real path,
// or nullopt.
std::optional<std::string> FindPath(const std::string& path);

// A file beside `table_path` with the same stem and extension `extension`
// (".fpt", ".cdx", ...), whatever its case; nullopt when there is none.
std::optional<std::string> FindSibling(const std::string& table_path, const std::string& extension);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_FILE_NAMES_H_
