#ifndef VELTRANE_FOXPRO_FILES_MEMORY_FILE_SYSTEM_H_
#define VELTRANE_FOXPRO_FILES_MEMORY_FILE_SYSTEM_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "foxpro/files/file_io.h"

namespace veltrane::foxpro {

// Files and folders held in memory, so that tests and fuzzers run a whole
// database without touching the disk (install it with ScopedFileSystem).
// What the engine does with files fails here as it fails on disk, with the
// same messages; there are no symbolic links. Paths are taken lexically:
// "a/./b" and "a/b/" are "a/b"; "/" and "." always exist.
class MemoryFileSystem : public FileSystem {
 public:
  // A write that would make a file larger than `largest_file` bytes fails
  // as it does on a file system whose files cannot grow that large.
  explicit MemoryFileSystem(uint64_t largest_file = UINT64_MAX) : largest_file_(largest_file) {}

  // Puts `bytes` at `path` (replacing a file there), making its folders.
  void AddFile(const std::string& path, std::string bytes);
  // Makes the folder `path` and the folders above it.
  void AddFolder(const std::string& path);
  // The bytes of the file at `path`; nullopt when there is none.
  std::optional<std::string> Contents(const std::string& path) const;

  std::unique_ptr<File> Open(const std::string& path, File::Mode mode) override;
  FileKind Kind(const std::string& path, bool follow_links = true) override;
  std::vector<std::string> List(const std::string& folder, std::error_code& error) override;
  bool Remove(const std::string& path, std::error_code& error) override;
  void Rename(const std::string& from, const std::string& to, std::error_code& error) override;

 private:
  uint64_t largest_file_;
  // An open file keeps its bytes when the file is removed, as on disk.
  std::map<std::string, std::shared_ptr<std::string>> files_;
  std::set<std::string> folders_ = {"/", "."};
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_MEMORY_FILE_SYSTEM_H_
