#ifndef VELTRANE_FOXPRO_FILES_KEY_SORTER_H_
#define VELTRANE_FOXPRO_FILES_KEY_SORTER_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foxpro/files/cdx_file.h"

namespace veltrane::foxpro {

// Puts the keys of one index tag (all of one length) in the order the tag
// keeps them: by their bytes, then by record number. Keys are sorted in
// memory up to `memory_budget` bytes; beyond it each sorted run goes to a
// temporary file, and the runs are merged as the keys are taken, so that
// memory does not grow with the table.
class KeySorter {
 public:
  KeySorter(size_t key_length, size_t memory_budget);
  ~KeySorter();
  KeySorter(const KeySorter&) = delete;
  KeySorter& operator=(const KeySorter&) = delete;

  // Throws Error when a run cannot be written.
  void Add(std::string_view key, uint32_t record);
  // After the last Add: the next key in order; false after the last.
  bool Next(cdx::Key& key);

 private:
  struct Run;
  void SortBuffer();
  void Spill();
  bool Less(const char* a, const char* b) const;

  const size_t key_length_;
  const size_t entry_size_;  // key bytes, then the record big-endian
  const size_t budget_;
  std::string buffer_;   // entries one after another
  std::string scratch_;  // as large, while the buffer is sorted
  std::vector<std::unique_ptr<Run>> runs_;
  bool merging_ = false;
  size_t next_ = 0;  // in memory: the offset of the next entry
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_KEY_SORTER_H_
