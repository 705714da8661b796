#include "foxpro/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "foxpro/error.h"

namespace veltrane::foxpro {

namespace {

std::string Reason() { return std::strerror(errno); }

// What a file that is not a regular file is, for the report.
std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "a special file";
}

}  // namespace

File::File(const std::string& path, Mode mode) : path_(path) {
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
    throw Error("Cannot open \"" + path_ + "\": " + why + ".");
  };
  struct stat st;
  if (::fstat(fd_, &st) != 0) fail(Reason());
  if (!S_ISREG(st.st_mode)) fail("it is " + KindOf(st.st_mode) + ", not a table, memo or container file");
  if (::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0) fail(Reason());
  if (mode == Mode::kCreate && ::ftruncate(fd_, 0) != 0) fail(Reason());
}

File::~File() {
  if (mapped_ != nullptr) ::munmap(mapped_, mapped_length_);
  if (fd_ >= 0) ::close(fd_);
}

char* File::MapPrefix(size_t length) {
  if (mapped_ != nullptr) ::munmap(mapped_, mapped_length_);
  mapped_ = nullptr;
  void* map = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (map == MAP_FAILED) throw Error("Cannot map \"" + path_ + "\": " + Reason() + ".");
  mapped_ = static_cast<char*>(map);
  mapped_length_ = length;
  return mapped_;
}

uint64_t File::Size() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) throw Error("Cannot read the size of \"" + path_ + "\": " + Reason() + ".");
  return static_cast<uint64_t>(st.st_size);
}

size_t File::ReadAt(uint64_t offset, void* data, size_t length) const {
  size_t done = 0;
  char* out = static_cast<char*>(data);
  while (done < length) {
    ssize_t n = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error("Cannot read \"" + path_ + "\": " + Reason() + ".");
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

std::string File::ReadAt(uint64_t offset, size_t length) const {
  std::string out(length, '\0');
  out.resize(ReadAt(offset, out.data(), length));
  return out;
}

void File::WriteAt(uint64_t offset, const void* data, size_t length) {
  size_t done = 0;
  const char* in = static_cast<const char*>(data);
  while (done < length) {
    ssize_t n = ::pwrite(fd_, in + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error("Cannot write \"" + path_ + "\": " + Reason() + ".");
    }
    done += static_cast<size_t>(n);
  }
}

}  // namespace veltrane::foxpro
