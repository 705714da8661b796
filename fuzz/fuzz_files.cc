#include "fuzz_files.h"

#include <algorithm>

#include "foxpro/record/coding.h"

namespace veltrane::fuzz {

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

}  // namespace veltrane::fuzz
