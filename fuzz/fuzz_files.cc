#include "fuzz_files.h"

#include <algorithm>

#include "foxpro/record/coding.h"

namespace veltrane::fuzz {

void SplitInto(const uint8_t* data, size_t size, std::string_view* files, size_t count) {
  size_t at = 0;
  for (size_t i = 0; i < count && at < size; ++i) {
    const size_t header = std::min<size_t>(4, size - at);
    const uint64_t length =
        foxpro::DecodeLittleEndian({reinterpret_cast<const char*>(data + at), header});
    at += header;
    const size_t take = std::min<size_t>(length, size - at);
    files[i] = std::string_view(reinterpret_cast<const char*>(data + at), take);
    at += take;
  }
}

}  // namespace veltrane::fuzz
