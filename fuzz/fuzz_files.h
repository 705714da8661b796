#ifndef VELTRANE_FUZZ_FUZZ_FILES_H_
#define VELTRANE_FUZZ_FUZZ_FILES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veltrane::fuzz {

// A fuzz input that stands for several files: each file is a little-endian
// 32-bit length followed by that many bytes; a length past the end takes
// what is left. Files missing at the end are empty.
std::vector<std::string> SplitFiles(const uint8_t* data, size_t size, size_t count);

// A folder of the target's own under /dev/shm (or the temporary folder),
// made once per process and emptied by ResetFolder.
const std::string& ScratchFolder();
// Removes every file of the scratch folder.
void ResetFolder();
// Writes `bytes` as the file `name` of the scratch folder; returns its path.
std::string WriteScratchFile(const std::string& name, const std::string& bytes);

}  // namespace veltrane::fuzz

#endif  // VELTRANE_FUZZ_FUZZ_FILES_H_
