#include "foxpro/files/key_sorter.h"

#include <algorithm>
#include <cstring>

#include "foxpro/error.h"
#include "foxpro/record/coding.h"

namespace veltrane::foxpro {

constexpr size_t kRecordBytes = 4;

// A sorted run in a temporary file (removed when closed), read back one
// entry at a time through the stream's buffer.
struct KeySorter::Run {
  std::FILE* file = nullptr;
  std::string head;  // the entry to be taken next
  bool done = false;

  ~Run() {
    if (file) std::fclose(file);
  }
  void Advance(size_t entry_size) {
    head.resize(entry_size);
    done = std::fread(head.data(), 1, entry_size, file) != entry_size;
  }
};

KeySorter::KeySorter(size_t key_length, size_t memory_budget)
    : key_length_(key_length), entry_size_(key_length + kRecordBytes), budget_(memory_budget) {}

KeySorter::~KeySorter() = default;

bool KeySorter::Less(const char* a, const char* b) const {
  // Big-endian record numbers after the key: one comparison orders both.
  // Keys mostly differ in their first eight bytes, compared as one
  // big-endian number.
  if (entry_size_ >= sizeof(uint64_t)) {
    uint64_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    x = __builtin_bswap64(x);
    y = __builtin_bswap64(y);
    if (x != y) return x < y;
  }
  return std::memcmp(a, b, entry_size_) < 0;
}

void KeySorter::Add(std::string_view key, uint32_t record) {
  buffer_.append(key.data(), key.size());
  char number[kRecordBytes];
  EncodeBigEndian32(number, record);
  buffer_.append(number, kRecordBytes);
  order_.push_back(static_cast<uint32_t>(buffer_.size() - entry_size_));
  if (buffer_.size() + order_.size() * sizeof(uint32_t) >= budget_) Spill();
}

void KeySorter::SortBuffer() {
  std::sort(order_.begin(), order_.end(),
            [this](uint32_t a, uint32_t b) { return Less(buffer_.data() + a, buffer_.data() + b); });
}

void KeySorter::Spill() {
  SortBuffer();
  auto run = std::make_unique<Run>();
  run->file = std::tmpfile();
  if (!run->file) throw Error("Cannot make a temporary file to sort an index's keys in.");
  for (uint32_t at : order_)
    if (std::fwrite(buffer_.data() + at, 1, entry_size_, run->file) != entry_size_)
      throw Error("Cannot write the temporary file an index's keys are sorted in.");
  if (std::fflush(run->file) != 0 || std::fseek(run->file, 0, SEEK_SET) != 0)
    throw Error("Cannot write the temporary file an index's keys are sorted in.");
  runs_.push_back(std::move(run));
  buffer_.clear();
  order_.clear();
}

bool KeySorter::Next(cdx::Key& key) {
  if (!merging_) {
    merging_ = true;
    if (!runs_.empty() && !order_.empty()) Spill();
    if (runs_.empty()) SortBuffer();
    for (auto& run : runs_) run->Advance(entry_size_);
  }
  const char* entry = nullptr;
  Run* from = nullptr;
  if (runs_.empty()) {
    if (next_ >= order_.size()) return false;
    entry = buffer_.data() + order_[next_++];
  } else {
    for (auto& run : runs_)
      if (!run->done && (!from || Less(run->head.data(), from->head.data()))) from = run.get();
    if (!from) return false;
    entry = from->head.data();
  }
  key.bytes.assign(entry, key_length_);
  key.record = DecodeBigEndian32(entry + key_length_);
  if (from) from->Advance(entry_size_);
  return true;
}

}  // namespace veltrane::foxpro
