#include "app/file_helpers.h"

#include <fnmatch.h>

#include <filesystem>
#include <vector>

#include "db/error.h"

namespace veltrane::app {
namespace fs = std::filesystem;
namespace {

// The last part of a path as an fnmatch pattern: '*' and '?' stay wildcards,
// every other character (brackets and backslashes included) matches itself.
std::string WildcardPattern(const std::string& name) {
  if (name == "*.*") return "*";  // every file, with or without an extension
  std::string pattern;
  for (char c : name) {
    if (c == '[' || c == ']' || c == '\\') pattern += '\\';
    pattern += c;
  }
  return pattern;
}

// The entries of the path's folder whose names match its last part.
std::vector<fs::path> MatchingFiles(const std::string& path) {
  const std::string folder_text = FolderOfPath(path);
  const std::string pattern = WildcardPattern(path.substr(folder_text.size()));
  const fs::path folder = folder_text.empty() ? fs::path(".") : fs::path(folder_text);
  std::vector<fs::path> matches;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code type_error;
    if (it->is_directory(type_error)) continue;
    if (::fnmatch(pattern.c_str(), it->path().filename().c_str(), FNM_CASEFOLD) == 0)
      matches.push_back(it->path());
  }
  return matches;
}

}  // namespace

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  (void)fs::last_write_time(path, error);
  return !error;
}

std::string FolderOfPath(const std::string& path) {
  const std::size_t last = path.find_last_of("/\\");
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

void ForceDeleteFile(const std::string& path) {
  const std::vector<fs::path> matches = MatchingFiles(path);
  if (matches.empty()) throw db::Error("File not found: \"" + path + "\".");
  for (const fs::path& file : matches) {
    std::error_code error;
    // A read-only file is deleted too: give the owner write access first.
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, error);
    if (!fs::remove(file, error) && error)
      throw db::Error("Cannot delete \"" + file.string() + "\": " + error.message() + ".");
  }
}

void DeleteFileSafely(const std::string& path, EventPump* events) {
  try {
    if (events) events->Yield();
    ForceDeleteFile(path);
  } catch (...) {
    // Deliberately silent: the caller goes on whether or not a file went.
  }
}

}  // namespace veltrane::app
