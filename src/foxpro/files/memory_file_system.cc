#include "foxpro/files/memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "foxpro/error.h"

namespace veltrane::foxpro {

namespace {

namespace fs = std::filesystem;

// True for a path that is its own key: "/" or names separated by single
// slashes, none of them "." or "..", without a slash at the end.
bool IsKey(std::string_view path) {
  if (path == "/") return true;
  if (path.empty() || path.back() == '/') return false;
  size_t start = path.front() == '/' ? 1 : 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view name = path.substr(start, end - start);
    if (name.empty() || name == "." || name == "..") return false;
    start = end + 1;
  }
  return true;
}

// The path as the file system keys it.
std::string Key(const std::string& path) {
  if (IsKey(path)) return path;
  std::string key = fs::path(path).lexically_normal().string();
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

// The folder that holds `key`: "." for a name without a folder.
std::string Parent(const std::string& key) {
  const size_t slash = key.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : key.substr(0, slash);
}

class MemoryFile : public File {
 public:
  MemoryFile(const std::string& path, std::shared_ptr<std::string> bytes, bool writable,
             uint64_t largest)
      : File(path), bytes_(std::move(bytes)), writable_(writable), largest_(largest) {}

  uint64_t Size() const override { return bytes_->size(); }

  size_t ReadAt(uint64_t offset, void* data, size_t length) const override {
    if (length == 0 || offset >= bytes_->size()) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(length, bytes_->size() - offset));
    std::memcpy(data, bytes_->data() + offset, n);
    return n;
  }

  void WriteAt(uint64_t offset, const void* data, size_t length) override {
    if (!writable_) Fail(EBADF);
    if (length == 0) return;
    if (offset > largest_ || length > largest_ - offset) Fail(EFBIG);
    if (offset + length > bytes_->size()) bytes_->resize(offset + length, '\0');
    std::memcpy(bytes_->data() + offset, data, length);
  }

 private:
  [[noreturn]] void Fail(int error) const {
    throw Error("Cannot write \"" + path() + "\": " + std::strerror(error) + ".");
  }

  std::shared_ptr<std::string> bytes_;
  bool writable_;
  uint64_t largest_;
};

}  // namespace

void MemoryFileSystem::AddFile(const std::string& path, std::string bytes) {
  const std::string key = Key(path);
  AddFolder(Parent(key));
  files_[key] = std::make_shared<std::string>(std::move(bytes));
}

void MemoryFileSystem::AddFolder(const std::string& path) {
  for (std::string key = Key(path); folders_.insert(key).second; key = Parent(key)) {
  }
}

std::optional<std::string> MemoryFileSystem::Contents(const std::string& path) const {
  const auto it = files_.find(Key(path));
  if (it == files_.end()) return std::nullopt;
  return *it->second;
}

std::unique_ptr<File> MemoryFileSystem::Open(const std::string& path, File::Mode mode) {
  auto fail = [&](const std::string& why) {
    throw Error("Cannot open \"" + path + "\": " + why + ".");
  };
  const std::string key = Key(path);
  if (folders_.count(key) != 0) {
    if (mode == File::Mode::kRead) fail("it is a folder, not a table, memo or container file");
    fail(std::strerror(EISDIR));
  }
  auto found = files_.find(key);
  if (found == files_.end()) {
    if (mode != File::Mode::kCreate || folders_.count(Parent(key)) == 0)
      fail(std::strerror(files_.count(Parent(key)) != 0 ? ENOTDIR : ENOENT));
    found = files_.emplace(key, std::make_shared<std::string>()).first;
  }
  if (mode == File::Mode::kCreate) found->second->clear();
  return std::make_unique<MemoryFile>(path, found->second, mode != File::Mode::kRead,
                                      largest_file_);
}

FileKind MemoryFileSystem::Kind(const std::string& path, bool) {
  const std::string key = Key(path);
  if (files_.count(key) != 0) return FileKind::kRegular;
  return folders_.count(key) != 0 ? FileKind::kFolder : FileKind::kMissing;
}

std::vector<std::string> MemoryFileSystem::List(const std::string& folder, std::error_code& error) {
  error.clear();
  const std::string key = Key(folder);
  std::vector<std::string> names;
  if (folders_.count(key) == 0) {
    error = std::make_error_code(files_.count(key) != 0 ? std::errc::not_a_directory
                                                        : std::errc::no_such_file_or_directory);
    return names;
  }
  auto add = [&](const std::string& path) {
    if (path != key && path != "/" && path != "." && Parent(path) == key)
      names.push_back(fs::path(path).filename().string());
  };
  for (const std::string& path : folders_) add(path);
  for (const auto& [path, bytes] : files_) add(path);
  return names;
}

bool MemoryFileSystem::Remove(const std::string& path, std::error_code& error) {
  error.clear();
  const std::string key = Key(path);
  if (files_.erase(key) != 0) return true;
  if (folders_.count(key) == 0) return false;
  std::error_code listing;
  if (!List(key, listing).empty()) {
    error = std::make_error_code(std::errc::directory_not_empty);
    return false;
  }
  return folders_.erase(key) != 0;
}

void MemoryFileSystem::Rename(const std::string& from, const std::string& to, std::error_code& error) {
  error.clear();
  const std::string from_key = Key(from), to_key = Key(to);
  const auto found = files_.find(from_key);
  if (found == files_.end()) {
    error = std::make_error_code(folders_.count(from_key) != 0 ? std::errc::operation_not_supported
                                                               : std::errc::no_such_file_or_directory);
  } else if (folders_.count(to_key) != 0) {
    error = std::make_error_code(std::errc::is_a_directory);
  } else if (folders_.count(Parent(to_key)) == 0) {
    error = std::make_error_code(std::errc::no_such_file_or_directory);
  } else if (from_key != to_key) {
    files_[to_key] = found->second;
    files_.erase(found);
  }
}

}  // namespace veltrane::foxpro
