#include "foxpro/files/cdx_file.h"

#include <algorithm>
#include <set>
#include <utility>

#include "foxpro/error.h"
#include "foxpro/record/coding.h"

namespace veltrane::foxpro::cdx {
namespace {

// Offsets within a header.
constexpr size_t kRootOffset = 0;
constexpr size_t kVersionOffset = 8;
constexpr size_t kKeyLengthOffset = 12;
constexpr size_t kOptionsOffset = 14;
constexpr size_t kSignatureOffset = 15;
constexpr size_t kOrderOffset = 502;
constexpr size_t kExpressionLengthOffset = 504;
constexpr size_t kFilterPoolLengthOffset = 506;
constexpr size_t kKeyPoolLengthOffset = 510;
constexpr size_t kExpressionPoolOffset = 512;
constexpr uint8_t kSignature = 0x01;

// Node attributes and layout.
constexpr uint16_t kBranchNode = 0;
constexpr uint16_t kRootNode = 1;
constexpr uint16_t kLeafNode = 2;
constexpr size_t kNodeHeaderSize = 12;  // attributes, key count, left, right
constexpr size_t kLeafHeaderSize = 24;  // plus free space, masks and bit counts
constexpr uint32_t kNoNode = 0xFFFFFFFF;
// The record number, duplicate count and trailing count share each leaf
// entry's bits; none is wider than 31.
constexpr int kWidestEntryPart = 31;
constexpr int kWidestEntry = 8;
// No real tree is deeper; a deeper one is a loop.
constexpr int kDeepestTree = 32;

// The smallest number of bits that holds `value`.
int BitsFor(uint64_t value) {
  int bits = 0;
  while ((uint64_t{1} << bits) <= value) ++bits;
  return bits;
}

std::string ReadNode(const File& file, uint64_t offset, const std::string& where) {
  std::string node = file.ReadAt(offset, kNodeSize);
  if (node.size() < kNodeSize || offset < kHeaderSize)
    throw Error(where + " is corrupt: a node lies outside the file.");
  return node;
}

// The keys of a leaf node whose keys are `key_length` long.
std::vector<Key> ReadLeaf(const std::string& node, size_t key_length, char filler,
                          const std::string& where) {
  const uint16_t count = DecodeFixed16(node.data() + 2);
  const uint32_t record_mask = DecodeFixed32(node.data() + 14);
  const int record_bits = static_cast<uint8_t>(node[20]);
  const int dup_bits = static_cast<uint8_t>(node[21]);
  const int trail_bits = static_cast<uint8_t>(node[22]);
  const int entry_bytes = static_cast<uint8_t>(node[23]);
  if (entry_bytes < 1 || entry_bytes > kWidestEntry ||
      kLeafHeaderSize + static_cast<size_t>(count) * entry_bytes > kNodeSize ||
      record_bits > kWidestEntryPart || dup_bits > kWidestEntryPart || trail_bits > kWidestEntryPart ||
      record_bits + dup_bits + trail_bits > entry_bytes * 8)
    throw Error(where + " is corrupt: a leaf node's layout is impossible.");
  std::vector<Key> keys;
  std::string previous(key_length, filler);
  size_t data_end = kNodeSize;
  for (uint16_t i = 0; i < count; ++i) {
    const uint64_t v = DecodeLittleEndian(
        std::string_view(node).substr(kLeafHeaderSize + i * entry_bytes, entry_bytes));
    Key key;
    key.record = static_cast<uint32_t>(v & record_mask);
    const size_t dup = (v >> record_bits) & ((uint64_t{1} << dup_bits) - 1);
    const size_t trail = (v >> (record_bits + dup_bits)) & ((uint64_t{1} << trail_bits) - 1);
    if (dup + trail > key_length) throw Error(where + " is corrupt: a key is longer than its tag's keys.");
    const size_t stored = key_length - dup - trail;
    if (stored > data_end - kLeafHeaderSize - static_cast<size_t>(count) * entry_bytes)
      throw Error(where + " is corrupt: a leaf node overflows.");
    data_end -= stored;
    key.bytes = previous.substr(0, dup) + node.substr(data_end, stored) + std::string(trail, filler);
    previous = key.bytes;
    keys.push_back(std::move(key));
  }
  return keys;
}

Tag ReadTagHeader(const File& file, uint32_t offset, const std::string& name,
                  const std::string& where) {
  const std::string header = file.ReadAt(offset, kHeaderSize);
  if (header.size() < kHeaderSize || offset < kHeaderSize)
    throw Error(where + " is corrupt: tag \"" + name + "\" lies outside the file.");
  Tag tag;
  tag.name = name;
  tag.offset = offset;
  tag.key_length = DecodeFixed16(header.data() + kKeyLengthOffset);
  tag.options = static_cast<uint8_t>(header[kOptionsOffset]);
  tag.order = DecodeFixed16(header.data() + kOrderOffset);
  const size_t key_pool = DecodeFixed16(header.data() + kKeyPoolLengthOffset);
  const size_t filter_pool = DecodeFixed16(header.data() + kFilterPoolLengthOffset);
  if (key_pool + filter_pool > kHeaderSize - kExpressionPoolOffset || tag.key_length == 0 ||
      tag.key_length > kLongestKey)
    throw Error(where + " is corrupt: tag \"" + name + "\" has an impossible header.");
  const std::string pool = header.substr(kExpressionPoolOffset);
  tag.key_expression = pool.substr(0, key_pool).c_str();
  tag.filter_expression = pool.substr(key_pool, filter_pool).c_str();
  return tag;
}

// Calls `visit` for each key below `offset`, leaves left to right.
void Walk(const File& file, uint64_t offset, size_t key_length, char filler, int depth,
          const std::function<void(const Key&)>& visit, const std::string& where) {
  if (depth > kDeepestTree) throw Error(where + " is corrupt: its tree loops.");
  const std::string node = ReadNode(file, offset, where);
  if ((DecodeFixed16(node.data()) & kLeafNode) != 0) {
    for (const Key& key : ReadLeaf(node, key_length, filler, where)) visit(key);
    return;
  }
  const uint16_t count = DecodeFixed16(node.data() + 2);
  if (kNodeHeaderSize + static_cast<size_t>(count) * (key_length + 8) > kNodeSize)
    throw Error(where + " is corrupt: a branch node overflows.");
  for (uint16_t i = 0; i < count; ++i) {
    const size_t at = kNodeHeaderSize + i * (key_length + 8) + key_length + 4;
    Walk(file, DecodeBigEndian32(node.data() + at), key_length, filler, depth + 1, visit, where);
  }
}

std::string HeaderBytes(const Tag& tag, uint32_t root, uint32_t version) {
  std::string header(kHeaderSize, '\0');
  EncodeFixed32(header.data() + kRootOffset, root);
  EncodeFixed32(header.data() + kVersionOffset, version);
  EncodeFixed16(header.data() + kKeyLengthOffset, tag.key_length);
  header[kOptionsOffset] = static_cast<char>(tag.options);
  header[kSignatureOffset] = static_cast<char>(kSignature);
  EncodeFixed16(header.data() + kOrderOffset, tag.order);
  const auto key_pool = static_cast<uint16_t>(tag.key_expression.size() + 1);
  const auto filter_pool = static_cast<uint16_t>(tag.filter_expression.size() + 1);
  EncodeFixed16(header.data() + kExpressionLengthOffset, key_pool);
  EncodeFixed16(header.data() + kFilterPoolLengthOffset, filter_pool);
  EncodeFixed16(header.data() + kKeyPoolLengthOffset, key_pool);
  header.replace(kExpressionPoolOffset, tag.key_expression.size(), tag.key_expression);
  header.replace(kExpressionPoolOffset + key_pool, tag.filter_expression.size(), tag.filter_expression);
  return header;
}

// Writes the nodes of one tree behind `end`, leaves first, then each
// level of branches, as the keys stream in.
class TreeWriter {
 public:
  using Sink = std::function<void(uint64_t offset, const std::string& node)>;

  TreeWriter(Sink sink, uint64_t& end, size_t key_length, char filler, uint32_t largest_record)
      : sink_(std::move(sink)), end_(end), key_length_(key_length), filler_(filler) {
    dup_bits_ = BitsFor(key_length);
    entry_bytes_ = (BitsFor(largest_record) + 2 * dup_bits_ + 7) / 8;
    record_bits_ = 8 * entry_bytes_ - 2 * dup_bits_;
    if (entry_bytes_ > kWidestEntry || record_bits_ > kWidestEntryPart)
      throw Error("An index of " + std::to_string(largest_record) + " records cannot be written.");
    StartLeaf();
  }

  void Add(const Key& key) {
    const size_t trail = Trailing(key.bytes);
    const std::string_view trimmed(key.bytes.data(), key.bytes.size() - trail);
    size_t dup = 0;
    if (!leaf_keys_.empty())
      while (dup < trimmed.size() && dup < previous_.size() && trimmed[dup] == previous_[dup]) ++dup;
    size_t need = entry_bytes_ + trimmed.size() - dup;
    if (leaf_used_ + need > kNodeSize - kLeafHeaderSize) {
      if (leaf_keys_.empty()) throw Error("An index key is too long for a node.");
      WriteLeaf(/*more_follow=*/true);
      StartLeaf();
      dup = 0;
      need = entry_bytes_ + trimmed.size();
    }
    const uint64_t v = key.record | (static_cast<uint64_t>(dup) << record_bits_) |
                       (static_cast<uint64_t>(trail) << (record_bits_ + dup_bits_));
    const size_t entry_at = kLeafHeaderSize + leaf_keys_.size() * entry_bytes_;
    for (int b = 0; b < entry_bytes_; ++b) leaf_[entry_at + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
    const size_t stored = trimmed.size() - dup;
    data_end_ -= stored;
    std::copy(trimmed.begin() + dup, trimmed.end(), leaf_.begin() + data_end_);
    leaf_used_ += need;
    previous_.assign(trimmed);
    leaf_keys_.push_back(key.record);
    last_ = key;
  }

  // Writes what is left and the branches; returns the root's offset.
  uint32_t Finish() {
    WriteLeaf(/*more_follow=*/false);
    const size_t per_branch = (kNodeSize - kNodeHeaderSize) / (key_length_ + 8);
    while (level_.size() > 1) {
      std::vector<Child> next;
      const size_t nodes = (level_.size() + per_branch - 1) / per_branch;
      for (size_t n = 0; n < nodes; ++n) {
        std::string node(kNodeSize, '\0');
        const size_t first = n * per_branch;
        const size_t count = std::min(per_branch, level_.size() - first);
        const auto offset = static_cast<uint32_t>(end_);
        EncodeFixed16(node.data(), nodes == 1 ? kRootNode : kBranchNode);
        EncodeFixed16(node.data() + 2, static_cast<uint16_t>(count));
        EncodeFixed32(node.data() + 4, n == 0 ? kNoNode : offset - kNodeSize);
        EncodeFixed32(node.data() + 8, n + 1 == nodes ? kNoNode : offset + kNodeSize);
        for (size_t c = 0; c < count; ++c) {
          const size_t at = kNodeHeaderSize + c * (key_length_ + 8);
          const Child& child = level_[first + c];
          node.replace(at, key_length_, child.last.bytes);
          EncodeBigEndian32(node.data() + at + key_length_, child.last.record);
          EncodeBigEndian32(node.data() + at + key_length_ + 4, child.offset);
        }
        Put(node);
        next.push_back({offset, level_[first + count - 1].last});
      }
      level_.swap(next);
    }
    return level_[0].offset;
  }

 private:
  struct Child {
    uint32_t offset;
    Key last;
  };

  size_t Trailing(const std::string& k) const {
    size_t n = 0;
    while (n < k.size() && k[k.size() - 1 - n] == filler_) ++n;
    return n;
  }

  void StartLeaf() {
    leaf_.assign(kNodeSize, '\0');
    leaf_keys_.clear();
    leaf_used_ = 0;
    data_end_ = kNodeSize;
    previous_.clear();
  }

  // A leaf is written once the next one is known to follow (its right
  // neighbour is the next node) or the keys have ended.
  void WriteLeaf(bool more_follow) {
    const auto offset = static_cast<uint32_t>(end_);
    const bool only = !more_follow && level_.empty();
    EncodeFixed16(leaf_.data(), kLeafNode | (only ? kRootNode : 0));
    EncodeFixed16(leaf_.data() + 2, static_cast<uint16_t>(leaf_keys_.size()));
    EncodeFixed32(leaf_.data() + 4, level_.empty() ? kNoNode : offset - kNodeSize);
    EncodeFixed32(leaf_.data() + 8, more_follow ? offset + kNodeSize : kNoNode);
    EncodeFixed16(leaf_.data() + 12, static_cast<uint16_t>(kNodeSize - kLeafHeaderSize - leaf_used_));
    EncodeFixed32(leaf_.data() + 14, (uint32_t{1} << record_bits_) - 1);
    leaf_[18] = static_cast<char>((1u << dup_bits_) - 1);
    leaf_[19] = static_cast<char>((1u << dup_bits_) - 1);
    leaf_[20] = static_cast<char>(record_bits_);
    leaf_[21] = static_cast<char>(dup_bits_);
    leaf_[22] = static_cast<char>(dup_bits_);
    leaf_[23] = static_cast<char>(entry_bytes_);
    Put(leaf_);
    // An empty tree's one leaf has no last key: a blank one stands for it.
    level_.push_back({offset, leaf_keys_.empty() ? Key{std::string(key_length_, filler_), 0} : last_});
  }

  void Put(const std::string& node) {
    sink_(end_, node);
    end_ += node.size();
    if (end_ > UINT32_MAX) throw Error("An index file would pass 4 GB.");
  }

  Sink sink_;
  uint64_t& end_;
  const size_t key_length_;
  const char filler_;
  int dup_bits_ = 0, entry_bytes_ = 0, record_bits_ = 0;
  std::string leaf_;
  std::vector<uint32_t> leaf_keys_;
  size_t leaf_used_ = 0;
  size_t data_end_ = kNodeSize;
  std::string previous_;
  Key last_;
  std::vector<Child> level_;
};

}  // namespace

FileHeader ReadFileHeader(const File& file, const std::string& where) {
  const std::string header = file.ReadAt(0, kHeaderSize);
  if (header.size() < kHeaderSize) throw Error(where + " is truncated.");
  return {static_cast<uint8_t>(header[kOptionsOffset]), DecodeFixed32(header.data() + kVersionOffset)};
}

std::vector<Tag> ReadTags(const File& file, const std::string& where) {
  const std::string header = file.ReadAt(0, kHeaderSize);
  if (header.size() < kHeaderSize) throw Error(where + " is truncated.");
  const uint16_t key_length = DecodeFixed16(header.data() + kKeyLengthOffset);
  if (key_length != kTagNameLength) throw Error(where + " is corrupt: its tag list is not one of names.");
  std::vector<Tag> tags;
  std::set<uint32_t> seen;
  Walk(file, DecodeFixed32(header.data() + kRootOffset), key_length, ' ', 0,
       [&](const Key& entry) {
         const std::string name =
             entry.bytes.substr(0, entry.bytes.find_last_not_of(std::string(" \0", 2)) + 1);
         if (!seen.insert(entry.record).second)
           throw Error(where + " is corrupt: two tags share one header.");
         tags.push_back(ReadTagHeader(file, entry.record, name, where));
       },
       where);
  return tags;
}

void ReadKeys(const File& file, const Tag& tag, char filler, const std::function<void(const Key&)>& visit,
              const std::string& where) {
  const std::string header = file.ReadAt(tag.offset, kHeaderSize);
  if (header.size() < kHeaderSize) throw Error(where + " is corrupt: tag \"" + tag.name + "\" lies outside the file.");
  Walk(file, DecodeFixed32(header.data() + kRootOffset), tag.key_length, filler, 0, visit, where);
}

Writer::Writer(File& out, const FileHeader& header)
    : out_(out), header_(header), end_(kHeaderSize + kNodeSize) {}

uint64_t Writer::AddTag(const Tag& tag, char filler, uint32_t largest_record,
                        const std::function<bool(Key&)>& next) {
  const uint64_t header_at = end_;
  end_ += kHeaderSize;
  TreeWriter tree([this](uint64_t offset, const std::string& node) { out_.WriteAt(offset, node); },
                  end_, tag.key_length, filler, largest_record);
  uint64_t repeated = 0;
  bool first = true;
  std::string previous;
  Key key;
  while (next(key)) {
    if (key.bytes.size() != tag.key_length)
      throw Error("The keys of tag \"" + tag.name + "\" do not have the length it states.");
    if (!first && key.bytes == previous) {
      ++repeated;
      if ((tag.options & option::kUniqueKeys) != 0) continue;
    }
    first = false;
    previous = key.bytes;
    tree.Add(key);
  }
  const uint32_t root = tree.Finish();
  Tag written = tag;
  if (repeated > 0) written.options &= static_cast<uint8_t>(~option::kCandidate);
  out_.WriteAt(header_at, HeaderBytes(written, root, header_.version));
  const std::string name = tag.name.substr(0, kTagNameLength);
  directory_.push_back({name + std::string(kTagNameLength - name.size(), ' '), static_cast<uint32_t>(header_at)});
  return repeated;
}

void Writer::Finish() {
  std::sort(directory_.begin(), directory_.end(),
            [](const Key& a, const Key& b) { return a.bytes < b.bytes; });
  uint32_t largest = 0;
  for (const Key& entry : directory_) largest = std::max(largest, entry.record);
  // The directory is one node, written only once it is known to fit.
  std::string nodes;
  uint64_t end = kHeaderSize;
  TreeWriter tree([&nodes](uint64_t, const std::string& node) { nodes += node; }, end,
                  kTagNameLength, ' ', largest);
  for (const Key& entry : directory_) tree.Add(entry);
  const uint32_t root = tree.Finish();
  if (nodes.size() != kNodeSize) throw Error("An index has more tags than this engine can write.");
  out_.WriteAt(kHeaderSize, nodes);
  Tag directory;
  directory.options = header_.options;
  directory.key_length = kTagNameLength;
  out_.WriteAt(0, HeaderBytes(directory, root, header_.version));
}

}  // namespace veltrane::foxpro::cdx
