#include "fuzz_files.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "foxpro/coding.h"

namespace veltrane::fuzz {

namespace fs = std::filesystem;

std::vector<std::string> SplitFiles(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> files(count);
  size_t at = 0;
  for (size_t i = 0; i < count && at < size; ++i) {
    const size_t header = std::min<size_t>(4, size - at);
    const uint64_t length =
        foxpro::DecodeLittleEndian({reinterpret_cast<const char*>(data + at), header});
    at += header;
    const size_t take = std::min<size_t>(length, size - at);
    files[i].assign(reinterpret_cast<const char*>(data + at), take);
    at += take;
  }
  return files;
}

const std::string& ScratchFolder() {
  // Never destroyed: the exit handler that removes the folder needs it.
  static const std::string* folder = [] {
    std::string base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string();
    auto* pattern = new std::string(base + "/veltrane-fuzz.XXXXXX");
    if (!::mkdtemp(pattern->data())) std::abort();
    std::atexit([] { std::error_code ignored; fs::remove_all(ScratchFolder(), ignored); });
    return pattern;
  }();
  return *folder;
}

void ResetFolder() {
  std::error_code ignored;
  for (const fs::directory_entry& entry : fs::directory_iterator(ScratchFolder(), ignored))
    fs::remove_all(entry.path(), ignored);
}

std::string WriteScratchFile(const std::string& name, const std::string& bytes) {
  const std::string path = ScratchFolder() + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(),
                                                                 static_cast<std::streamsize>(bytes.size()));
  return path;
}

}  // namespace veltrane::fuzz
