#ifndef VELTRANE_FOXPRO_FILES_TABLE_PATHS_H_
#define VELTRANE_FOXPRO_FILES_TABLE_PATHS_H_

#include <optional>
#include <string>

namespace veltrane::foxpro {

// Paths in statements and data sources are FoxPro (Windows) paths: a
// backslash separates folders like a slash, and every part of a path is
// found on disk without regard to case.

// The path with every backslash turned into a slash.
std::string WithSlashes(const std::string& path);

// The existing file or folder `path` names, each part matched without
// regard to case (an exact match preferred); nullopt when there is none.
std::optional<std::string> FindExisting(const std::string& path);

// A table file a statement addresses.
struct TablePath {
  std::string path;  // the existing file, or where a new one goes
  bool exists = false;
};

// Resolves the table file `path` of a statement: relative paths start in
// `base_folder`, a name without an extension gets ".dbf", the folder must
// exist, and an existing file whose name differs only by case is the file
// meant. Throws Error when the folder does not exist.
TablePath ResolveTablePath(const std::string& path, const std::string& base_folder);

// The file name of `path` without its folder and extension.
std::string TableNameOf(const std::string& path);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_TABLE_PATHS_H_
