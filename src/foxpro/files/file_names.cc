#include "foxpro/files/file_names.h"

#include <filesystem>
#include <system_error>

#include "foxpro/files/file_io.h"
#include "foxpro/record/header_names.h"

namespace veltrane::foxpro {

namespace fs = std::filesystem;

namespace {

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return LowerCaseName(a) == LowerCaseName(b);
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return x >= 0x80 && y >= 0x80 && LowerCaseName(a) == LowerCaseName(b);
  }
  return true;
}

}  // namespace

std::optional<std::string> FindInFolder(const std::string& folder, const std::string& name) {
  if (name.empty()) return std::nullopt;
  FileSystem& files = FileSystem::Current();
  fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
  auto joined = [&](const std::string& entry) {
    return folder.empty() ? entry : (fs::path(folder) / entry).string();
  };
  if (files.Kind((dir / name).string()) != FileKind::kMissing) return joined(name);
  std::error_code ec;
  for (const std::string& entry : files.List(dir.string(), ec))
    if (EqualsIgnoringCase(entry, name)) return joined(entry);
  return std::nullopt;
}

std::optional<std::string> FindPath(const std::string& path) {
  fs::path p(path);
  std::string name = p.filename().string();
  if (name.empty()) return std::nullopt;
  return FindInFolder(p.parent_path().string(), name);
}

std::optional<std::string> FindSibling(const std::string& table_path, const std::string& extension) {
  fs::path p(table_path);
  std::string stem = p.stem().string();
  return FindInFolder(p.parent_path().string(), stem + extension);
}

}  // namespace veltrane::foxpro
