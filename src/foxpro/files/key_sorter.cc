#include "foxpro/files/key_sorter.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "foxpro/error.h"
#include "foxpro/record/coding.h"

namespace veltrane::foxpro {

constexpr size_t kRecordBytes = 4;
// Entries up to this long are sorted byte by byte from their end (a
// stable radix sort, one pass per byte that differs among them); longer
// ones, whose trailing bytes would cost a pass each, by comparison.
constexpr size_t kLongestRadixEntry = 24;

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
  // The buffer and the scratch space sorting takes as much again.
  if (2 * buffer_.size() >= budget_) Spill();
}

void KeySorter::SortBuffer() {
  const size_t count = buffer_.size() / entry_size_;
  scratch_.resize(buffer_.size());
  if (entry_size_ > kLongestRadixEntry) {
    std::vector<uint32_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = static_cast<uint32_t>(i * entry_size_);
    std::sort(order.begin(), order.end(),
              [this](uint32_t a, uint32_t b) { return Less(buffer_.data() + a, buffer_.data() + b); });
    for (size_t i = 0; i < count; ++i)
      std::memcpy(scratch_.data() + i * entry_size_, buffer_.data() + order[i], entry_size_);
    buffer_.swap(scratch_);
    return;
  }
  std::array<size_t, 256> places;
  for (size_t byte = entry_size_; byte-- > 0;) {
    places.fill(0);
    for (size_t i = 0; i < count; ++i) ++places[static_cast<uint8_t>(buffer_[i * entry_size_ + byte])];
    if (std::find(places.begin(), places.end(), count) != places.end()) continue;  // all alike
    size_t next = 0;
    for (size_t& place : places) next += std::exchange(place, next);
    for (size_t i = 0; i < count; ++i) {
      const char* entry = buffer_.data() + i * entry_size_;
      std::memcpy(scratch_.data() + places[static_cast<uint8_t>(entry[byte])]++ * entry_size_, entry, entry_size_);
    }
    buffer_.swap(scratch_);
  }
}

void KeySorter::Spill() {
  SortBuffer();
  auto run = std::make_unique<Run>();
  run->file = std::tmpfile();
  if (!run->file) throw Error("Cannot make a temporary file to sort an index's keys in.");
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), run->file) != buffer_.size() || std::fflush(run->file) != 0 ||
      std::fseek(run->file, 0, SEEK_SET) != 0)
    throw Error("Cannot write the temporary file an index's keys are sorted in.");
  runs_.push_back(std::move(run));
  buffer_.clear();
}

bool KeySorter::Next(cdx::Key& key) {
  if (!merging_) {
    merging_ = true;
    if (!runs_.empty() && !buffer_.empty()) Spill();
    if (runs_.empty()) SortBuffer();
    std::string().swap(scratch_);
    for (auto& run : runs_) run->Advance(entry_size_);
  }
  const char* entry = nullptr;
  Run* from = nullptr;
  if (runs_.empty()) {
    if (next_ + entry_size_ > buffer_.size()) return false;
    entry = buffer_.data() + next_;
    next_ += entry_size_;
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
