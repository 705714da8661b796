#ifndef VELTRANE_TESTS_SUPPORT_TEMP_DIR_H_
#define VELTRANE_TESTS_SUPPORT_TEMP_DIR_H_

#include <string>

namespace veltrane::testing {

// A fresh empty folder under the system's temporary folder, removed with
// everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The path of a file of the tests' own data: VELTRANE_TEST_DATA_DIR/relative.
std::string TestDataPath(const std::string& relative);

// The whole file at `path`, byte for byte; empty when it cannot be read.
std::string FileContents(const std::string& path);

}  // namespace veltrane::testing

#endif  // VELTRANE_TESTS_SUPPORT_TEMP_DIR_H_
