#include "foxpro/files/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "foxpro/error.h"

namespace veltrane::foxpro {

namespace {

namespace fs = std::filesystem;

std::string Reason() { return std::strerror(errno); }

// What a file that is not a regular file is, for the report.
std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "a special file";
}

// A file on disk, read and written with pread and pwrite.
class DiskFile : public File {
 public:
  DiskFile(const std::string& path, Mode mode) : File(path) {
    // O_NONBLOCK: opening a named pipe or a device must not wait for a peer;
    // such files are refused below, before anything is read or written.
    // O_TRUNC is applied only once the file is known to be a regular one.
    int flags = O_CLOEXEC | O_NONBLOCK;
    switch (mode) {
      case Mode::kRead: flags |= O_RDONLY; break;
      case Mode::kReadWrite: flags |= O_RDWR; break;
      case Mode::kCreate: flags |= O_RDWR | O_CREAT; break;
    }
    fd_ = ::open(path.c_str(), flags, 0644);
    if (fd_ < 0) throw Error("Cannot open \"" + path + "\": " + Reason() + ".");
    auto fail = [this](const std::string& why) {
      ::close(fd_);
      fd_ = -1;
      throw Error("Cannot open \"" + this->path() + "\": " + why + ".");
    };
    struct stat st;
    if (::fstat(fd_, &st) != 0) fail(Reason());
    if (!S_ISREG(st.st_mode)) fail("it is " + KindOf(st.st_mode) + ", not a table, memo or container file");
    if (::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0) fail(Reason());
    if (mode == Mode::kCreate && ::ftruncate(fd_, 0) != 0) fail(Reason());
  }

  ~DiskFile() override {
    if (mapped_ != nullptr) ::munmap(mapped_, mapped_length_);
    if (fd_ >= 0) ::close(fd_);
  }

  uint64_t Size() const override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) throw Error("Cannot read the size of \"" + path() + "\": " + Reason() + ".");
    return static_cast<uint64_t>(st.st_size);
  }

  size_t ReadAt(uint64_t offset, void* data, size_t length) const override {
    size_t done = 0;
    char* out = static_cast<char*>(data);
    while (done < length) {
      ssize_t n = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw Error("Cannot read \"" + path() + "\": " + Reason() + ".");
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return done;
  }

  void WriteAt(uint64_t offset, const void* data, size_t length) override {
    // Stores into the mapped prefix reach the file as writes do.
    if (mapped_ != nullptr && offset <= mapped_length_ && length <= mapped_length_ - offset) {
      std::memcpy(mapped_ + offset, data, length);
      return;
    }
    size_t done = 0;
    const char* in = static_cast<const char*>(data);
    while (done < length) {
      ssize_t n = ::pwrite(fd_, in + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw Error("Cannot write \"" + path() + "\": " + Reason() + ".");
      }
      done += static_cast<size_t>(n);
    }
  }

  void MapPrefix(size_t length) override {
    if (mapped_ != nullptr) ::munmap(mapped_, mapped_length_);
    mapped_ = nullptr;
    mapped_length_ = 0;
    void* map = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED) throw Error("Cannot map \"" + path() + "\": " + Reason() + ".");
    mapped_ = static_cast<char*>(map);
    mapped_length_ = length;
  }

 private:
  char* mapped_ = nullptr;
  size_t mapped_length_ = 0;
  int fd_ = -1;
};

class DiskFileSystem : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, File::Mode mode) override {
    return std::make_unique<DiskFile>(path, mode);
  }

  FileKind Kind(const std::string& path, bool follow_links) override {
    std::error_code error;
    switch ((follow_links ? fs::status(path, error) : fs::symlink_status(path, error)).type()) {
      case fs::file_type::none:
      case fs::file_type::not_found: return FileKind::kMissing;
      case fs::file_type::regular: return FileKind::kRegular;
      case fs::file_type::directory: return FileKind::kFolder;
      default: return FileKind::kOther;
    }
  }

  std::vector<std::string> List(const std::string& folder, std::error_code& error) override {
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
      names.push_back(it->path().filename().string());
    return names;
  }

  bool Remove(const std::string& path, std::error_code& error) override {
    return fs::remove(path, error);
  }

  void Rename(const std::string& from, const std::string& to, std::error_code& error) override {
    fs::rename(from, to, error);
  }
};

FileSystem* installed = nullptr;

}  // namespace

std::unique_ptr<File> File::Open(const std::string& path, Mode mode) {
  return FileSystem::Current().Open(path, mode);
}

std::string File::ReadAt(uint64_t offset, size_t length) const {
  std::string out(length, '\0');
  out.resize(ReadAt(offset, out.data(), length));
  return out;
}

FileSystem& FileSystem::Current() {
  static DiskFileSystem disk;
  return installed != nullptr ? *installed : disk;
}

ScopedFileSystem::ScopedFileSystem(FileSystem& files) : previous_(installed) { installed = &files; }

ScopedFileSystem::~ScopedFileSystem() { installed = previous_; }

}  // namespace veltrane::foxpro
