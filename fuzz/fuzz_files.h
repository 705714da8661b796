#ifndef VELTRANE_FUZZ_FUZZ_FILES_H_
#define VELTRANE_FUZZ_FUZZ_FILES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "foxpro/files/memory_file_system.h"

namespace veltrane::fuzz {

// A fuzz input that stands for several files: each file is a little-endian
// 32-bit length followed by that many bytes; a length past the end takes
// what is left. Files missing at the end are empty. The files are views of
// `data`.
template <size_t kCount>
std::array<std::string_view, kCount> SplitFiles(const uint8_t* data, size_t size);

// The engine's files while one input runs: held in memory, never on disk.
// A damaged memo header can ask for a value 2 GB into its file, a hole on
// disk but real memory here: no file grows past 1 MB (its writes fail as
// on a full disk).
class InputFiles {
 public:
  InputFiles() : installed_(files_) {}
  // Puts `bytes` at `path`; returns the path.
  std::string Add(const std::string& path, std::string_view bytes) {
    files_.AddFile(path, std::string(bytes));
    return path;
  }
  std::optional<std::string> Contents(const std::string& path) const { return files_.Contents(path); }

 private:
  foxpro::MemoryFileSystem files_{uint64_t{1} << 20};
  foxpro::ScopedFileSystem installed_;
};

// Splits into `files` (see SplitFiles).
void SplitInto(const uint8_t* data, size_t size, std::string_view* files, size_t count);

template <size_t kCount>
std::array<std::string_view, kCount> SplitFiles(const uint8_t* data, size_t size) {
  std::array<std::string_view, kCount> files;
  SplitInto(data, size, files.data(), kCount);
  return files;
}

}  // namespace veltrane::fuzz

#endif  // VELTRANE_FUZZ_FUZZ_FILES_H_
