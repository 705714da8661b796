#include "foxpro/files/table_paths.h"

#include <filesystem>

#include "foxpro/error.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/file_names.h"

namespace veltrane::foxpro {
namespace fs = std::filesystem;

std::string WithSlashes(const std::string& path) {
  std::string result = path;
  for (char& c : result) {
    if (c == '\\') c = '/';
  }
  return result;
}

std::optional<std::string> FindExisting(const std::string& path) {
  FileSystem& files = FileSystem::Current();
  if (files.Kind(path) != FileKind::kMissing) return path;
  fs::path wanted = fs::path(path).lexically_normal();
  // Walk from the root (or the current folder), matching each part.
  fs::path found = wanted.has_root_path() ? wanted.root_path() : fs::path(".");
  bool relative = !wanted.has_root_path();
  for (const fs::path& part : wanted.relative_path()) {
    if (part.empty()) continue;  // a trailing separator
    fs::path next = found / part;
    if (files.Kind(next.string()) == FileKind::kMissing) {
      std::optional<std::string> match = FindInFolder(found.string(), part.string());
      if (!match) return std::nullopt;
      next = *match;
    }
    found = next;
  }
  std::string result = found.string();
  if (relative && result.rfind("./", 0) == 0) result.erase(0, 2);
  return result;
}

TablePath ResolveTablePath(const std::string& path, const std::string& base_folder) {
  fs::path written(WithSlashes(path));
  if (written.is_relative()) written = fs::path(base_folder) / written;
  if (!written.has_extension()) written += ".dbf";
  fs::path folder = written.parent_path();
  std::string name = written.filename().string();
  std::optional<std::string> real_folder = FindExisting(folder.string());
  if (!real_folder || FileSystem::Current().Kind(*real_folder) != FileKind::kFolder) {
    throw Error("The folder \"" + folder.string() + "\" of the table \"" + path +
                "\" does not exist.");
  }
  std::optional<std::string> existing = FindInFolder(*real_folder, name);
  if (existing) return TablePath{*existing, true};
  return TablePath{(fs::path(*real_folder) / name).string(), false};
}

std::string TableNameOf(const std::string& path) {
  return fs::path(WithSlashes(path)).stem().string();
}

}  // namespace veltrane::foxpro
