#ifndef VELTRANE_FOXPRO_FILES_FILE_IO_H_
#define VELTRANE_FOXPRO_FILES_FILE_IO_H_

#include <cstdint>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace veltrane::foxpro {

// The engine reaches table, memo, index and container files, and the
// folders that hold them, only through a FileSystem: the real one, or one
// that a test or fuzzer installs (see MemoryFileSystem).

// An open file with positioned reads and writes; closed on destruction.
// Failures throw Error naming the file.
class File {
 public:
  enum class Mode { kRead, kReadWrite, kCreate };
  // Opens `path` in the current file system (FileSystem::Current()).
  // kCreate creates the file (or empties an existing one). Anything but a
  // regular file is refused.
  static std::unique_ptr<File> Open(const std::string& path, Mode mode);
  virtual ~File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  const std::string& path() const { return path_; }
  virtual uint64_t Size() const = 0;
  // Reads up to `length` bytes at `offset`; fewer only at the end of file.
  virtual size_t ReadAt(uint64_t offset, void* data, size_t length) const = 0;
  std::string ReadAt(uint64_t offset, size_t length) const;
  // Writes all of `data` at `offset`.
  virtual void WriteAt(uint64_t offset, const void* data, size_t length) = 0;
  void WriteAt(uint64_t offset, const std::string& data) { WriteAt(offset, data.data(), data.size()); }

  // Says that the first `length` bytes of the file (which is at least that
  // long) change often: a file may keep them mapped, so that the WriteAt
  // calls that fall within them cost no system call.
  virtual void MapPrefix(size_t length) { (void)length; }

 protected:
  explicit File(std::string path) : path_(std::move(path)) {}

 private:
  std::string path_;
};

// What a path names.
enum class FileKind { kMissing, kRegular, kFolder, kOther };

// Where files live. Paths are the host's (folders separated by '/').
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The file system the engine uses: the real files, unless a test or
  // fuzzer installed another with ScopedFileSystem.
  static FileSystem& Current();

  // See File::Open.
  virtual std::unique_ptr<File> Open(const std::string& path, File::Mode mode) = 0;
  // What `path` names, a symbolic link followed unless `follow_links` is
  // false (a link is kOther then). kMissing also when it cannot be told.
  virtual FileKind Kind(const std::string& path, bool follow_links = true) = 0;
  // The names of the entries of `folder`, in no particular order; `error`
  // is set when it cannot be listed.
  virtual std::vector<std::string> List(const std::string& folder, std::error_code& error) = 0;
  // Removes the file `path`: false, with `error` clear, when there is none.
  virtual bool Remove(const std::string& path, std::error_code& error) = 0;
  // Replaces `to` (if it exists) by `from`.
  virtual void Rename(const std::string& from, const std::string& to, std::error_code& error) = 0;
};

// Makes `files` FileSystem::Current() for its lifetime. For tests and
// fuzzers: not to be used while other threads use the engine.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem& files);
  ~ScopedFileSystem();
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* previous_;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_FILE_IO_H_
