#ifndef VELTRANE_FOXPRO_FILE_IO_H_
#define VELTRANE_FOXPRO_FILE_IO_H_

#include <cstdint>
#include <string>

namespace veltrane::foxpro {

// An open file descriptor with positioned reads and writes; closed on
// destruction. Failures throw Error naming the file.
class File {
 public:
  enum class Mode { kRead, kReadWrite, kCreate };
  // kCreate creates the file (or empties an existing one).
  File(const std::string& path, Mode mode);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  const std::string& path() const { return path_; }
  uint64_t Size() const;
  // Reads up to `length` bytes at `offset`; fewer only at the end of file.
  size_t ReadAt(uint64_t offset, void* data, size_t length) const;
  std::string ReadAt(uint64_t offset, size_t length) const;
  // Writes all of `data` at `offset`.
  void WriteAt(uint64_t offset, const void* data, size_t length);
  void WriteAt(uint64_t offset, const std::string& data) { WriteAt(offset, data.data(), data.size()); }

  // Maps the first `length` bytes of the file (which must be at least that
  // long) for reading and writing in place: stores reach the file as
  // writes do, without a system call each. Unmapped on destruction.
  char* MapPrefix(size_t length);

 private:
  char* mapped_ = nullptr;
  size_t mapped_length_ = 0;
  std::string path_;
  int fd_ = -1;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILE_IO_H_
