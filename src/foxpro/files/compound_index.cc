#include "foxpro/files/compound_index.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "foxpro/record/coding.h"
#include "foxpro/record/dbf_header.h"
#include "foxpro/error.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/file_names.h"

namespace veltrane::foxpro {

namespace {

// A compound index file: a 1024-byte header of the tag directory (itself a
// tree whose keys are tag names and whose record numbers are the offsets of
// the tags' headers), then per tag a 1024-byte header (with its key and
// filter expressions) and 512-byte nodes. Leaf nodes hold compressed keys:
// bit-packed entries (record number, bytes shared with the previous key,
// trailing blanks) from the front, key bytes from the back.
namespace cdx {
constexpr size_t kNodeSize = 512;
constexpr size_t kHeaderSize = 1024;
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

constexpr uint16_t kBranchNode = 0;
constexpr uint16_t kRootNode = 1;
constexpr uint16_t kLeafNode = 2;
constexpr size_t kNodeHeaderSize = 12;  // attributes, key count, left, right
constexpr size_t kLeafHeaderSize = 24;  // plus free space, masks and bit counts
constexpr uint32_t kNoNode = 0xFFFFFFFF;
constexpr size_t kTagNameLength = 10;
}  // namespace cdx

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The smallest number of bits that holds `value`.
int BitsFor(uint64_t value) {
  int bits = 0;
  while ((uint64_t{1} << bits) <= value) ++bits;
  return bits;
}

struct Key {
  std::string bytes;  // key_length bytes
  uint32_t record = 0;
};

struct Tag {
  std::string name;
  uint8_t options = 0;
  uint16_t order = 0;
  uint16_t key_length = 0;
  std::string key_expression;
  std::string filter_expression;
};

// Reads the keys of a leaf node whose keys are `key_length` long.
std::vector<Key> ReadLeaf(const std::string& node, size_t key_length, const std::string& where) {
  uint16_t count = DecodeFixed16(node.data() + 2);
  uint32_t record_mask = DecodeFixed32(node.data() + 14);
  int record_bits = static_cast<uint8_t>(node[20]);
  int dup_bits = static_cast<uint8_t>(node[21]);
  int trail_bits = static_cast<uint8_t>(node[22]);
  int entry_bytes = static_cast<uint8_t>(node[23]);
  // The record number, duplicate count and trailing count share each
  // entry's bits; none is wider than 32.
  constexpr int kWidestEntryPart = 31;
  if (entry_bytes < 1 || entry_bytes > 8 ||
      cdx::kLeafHeaderSize + static_cast<size_t>(count) * entry_bytes > cdx::kNodeSize ||
      record_bits > kWidestEntryPart || dup_bits > kWidestEntryPart || trail_bits > kWidestEntryPart ||
      record_bits + dup_bits + trail_bits > entry_bytes * 8)
    throw Error(where + " is corrupt: a leaf node's layout is impossible.");
  std::vector<Key> keys;
  std::string previous(key_length, ' ');
  size_t data_end = cdx::kNodeSize;
  for (uint16_t i = 0; i < count; ++i) {
    const uint64_t v = DecodeLittleEndian(
        std::string_view(node).substr(cdx::kLeafHeaderSize + i * entry_bytes, entry_bytes));
    Key key;
    key.record = static_cast<uint32_t>(v & record_mask);
    size_t dup = (v >> record_bits) & ((1u << dup_bits) - 1);
    size_t trail = (v >> (record_bits + dup_bits)) & ((1u << trail_bits) - 1);
    if (dup + trail > key_length) throw Error(where + " is corrupt: a key is longer than its tag's keys.");
    size_t stored = key_length - dup - trail;
    if (stored > data_end - cdx::kLeafHeaderSize) throw Error(where + " is corrupt: a leaf node overflows.");
    data_end -= stored;
    key.bytes = previous.substr(0, dup) + node.substr(data_end, stored) + std::string(trail, ' ');
    previous = key.bytes;
    keys.push_back(std::move(key));
  }
  return keys;
}

// Reads the tags of an existing index: names, key lengths and expressions.
std::vector<Tag> ReadTags(const File& file, const std::string& where) {
  std::string header = file.ReadAt(0, cdx::kHeaderSize);
  if (header.size() < cdx::kHeaderSize) throw Error(where + " is truncated.");
  uint32_t root = DecodeFixed32(header.data() + cdx::kRootOffset);
  std::string node = file.ReadAt(root, cdx::kNodeSize);
  if (node.size() < cdx::kNodeSize) throw Error(where + " is corrupt: its tag list lies past its end.");
  if ((DecodeFixed16(node.data()) & cdx::kLeafNode) == 0)
    throw Error(where + " has more tags than this engine can rebuild.");
  std::vector<Tag> tags;
  const uint16_t key_length = DecodeFixed16(header.data() + cdx::kKeyLengthOffset);
  for (const Key& entry : ReadLeaf(node, key_length, where)) {
    std::string tag_header = file.ReadAt(entry.record, cdx::kHeaderSize);
    if (tag_header.size() < cdx::kHeaderSize) throw Error(where + " is corrupt: a tag lies past its end.");
    Tag tag;
    tag.name = entry.bytes.substr(0, entry.bytes.find_last_not_of(" \0", std::string::npos, 2) + 1);
    tag.key_length = DecodeFixed16(tag_header.data() + cdx::kKeyLengthOffset);
    tag.options = static_cast<uint8_t>(tag_header[cdx::kOptionsOffset]);
    tag.order = DecodeFixed16(tag_header.data() + cdx::kOrderOffset);
    size_t key_pool = DecodeFixed16(tag_header.data() + cdx::kKeyPoolLengthOffset);
    size_t filter_pool = DecodeFixed16(tag_header.data() + cdx::kFilterPoolLengthOffset);
    if (key_pool + filter_pool > cdx::kHeaderSize - cdx::kExpressionPoolOffset || tag.key_length == 0 ||
        tag.key_length > 240)
      throw Error(where + " is corrupt: tag \"" + tag.name + "\" has an impossible header.");
    std::string pool = tag_header.substr(cdx::kExpressionPoolOffset);
    tag.key_expression = pool.substr(0, key_pool).c_str();
    tag.filter_expression = pool.substr(key_pool, filter_pool).c_str();
    tags.push_back(std::move(tag));
  }
  return tags;
}

// The container's records and how a tag's key is made from one.
class KeyMaker {
 public:
  KeyMaker(const TableHeader& header, const Tag& tag, const std::string& where) : header_(header) {
    std::string expression = Lower(tag.key_expression);
    expression.erase(std::remove(expression.begin(), expression.end(), ' '), expression.end());
    size_t start = 0;
    while (start <= expression.size()) {
      size_t plus = expression.find('+', start);
      std::string term = expression.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
      parts_.push_back(ParseTerm(term, tag, where));
      if (plus == std::string::npos) break;
      start = plus + 1;
    }
    std::string filter = Lower(tag.filter_expression);
    filter.erase(std::remove(filter.begin(), filter.end(), ' '), filter.end());
    if (filter == "!deleted()" || filter == ".not.deleted()") live_only_ = true;
    else if (!filter.empty())
      throw Error(where + ": the filter of tag \"" + tag.name + "\" cannot be evaluated here.");
    // Every key is as long as its parts: a tag stating another length is
    // refused whatever records the container holds, so that a check made
    // before a change fails as the rebuild after it would.
    size_t key_length = 0;
    for (const Part& part : parts_) key_length += part.kind == Part::kStr ? kStrWidth : part.field->length;
    if (key_length != tag.key_length)
      ThrowError(where, ": the keys of tag \"", tag.name, "\" do not have the length it states.");
  }

  bool live_only() const { return live_only_; }

  std::string Make(const std::string& record) const {
    std::string key;
    for (const Part& part : parts_) {
      std::string raw = record.substr(part.field->offset, part.field->length);
      if (part.kind == Part::kStr) {
        const auto value = static_cast<int32_t>(DecodeFixed32(raw.data()));
        const std::string digits = std::to_string(value);
        // STR() shows a number too long for its width as asterisks.
        key += digits.size() > kStrWidth ? std::string(kStrWidth, '*')
                                         : std::string(kStrWidth - digits.size(), ' ') + digits;
      } else if (part.kind == Part::kLower) {
        key += LowerBytes(raw);
      } else {
        key += raw;
      }
    }
    return key;
  }

 private:
  // The width of STR(n) without a width given.
  static constexpr size_t kStrWidth = 10;

  struct Part {
    enum Kind { kField, kStr, kLower } kind = kField;
    const FieldDescriptor* field = nullptr;
  };

  Part ParseTerm(const std::string& term, const Tag& tag, const std::string& where) {
    Part part;
    std::string name = term;
    if (term.rfind("str(", 0) == 0 && term.back() == ')') {
      part.kind = Part::kStr;
      name = term.substr(4, term.size() - 5);
    } else if (term.rfind("lower(", 0) == 0 && term.back() == ')') {
      part.kind = Part::kLower;
      name = term.substr(6, term.size() - 7);
    }
    for (const FieldDescriptor& f : header_.fields)
      if (Lower(f.name) == name) part.field = &f;
    bool fits = part.field != nullptr &&
                (part.kind == Part::kStr ? part.field->type == 'I' : part.field->type == 'C');
    if (!fits)
      throw Error(where + ": the key of tag \"" + tag.name + "\" (" + tag.key_expression +
                  ") cannot be evaluated here.");
    return part;
  }

  // Lower case of code page 1252 bytes, as FoxPro's LOWER() gives it.
  static std::string LowerBytes(std::string s) {
    for (char& c : s) {
      unsigned char b = static_cast<unsigned char>(c);
      if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) b = static_cast<unsigned char>(b + 0x20);
      else if (b == 0x8A || b == 0x8C || b == 0x8E) b = static_cast<unsigned char>(b + 0x10);
      else if (b == 0x9F) b = 0xFF;
      c = static_cast<char>(b);
    }
    return s;
  }

  const TableHeader& header_;
  std::vector<Part> parts_;
  bool live_only_ = false;
};

// Writes sorted keys as a tree of nodes starting at file offset `base`;
// returns the nodes and sets `root` to the root node's offset.
std::string BuildTree(const std::vector<Key>& keys, size_t key_length, uint32_t max_record,
                      uint32_t base, uint32_t& root) {
  const int dup_bits = BitsFor(key_length);
  const int entry_bytes = (BitsFor(max_record) + 2 * dup_bits + 7) / 8;
  const int record_bits = 8 * entry_bytes - 2 * dup_bits;
  const size_t room = cdx::kNodeSize - cdx::kLeafHeaderSize;

  auto trailing = [](const std::string& k) {
    size_t n = 0;
    while (n < k.size() && k[k.size() - 1 - n] == ' ') ++n;
    return n;
  };

  // Leaves: as many keys as fit, compression restarting in each node.
  struct Leaf {
    size_t first, count, used;
  };
  std::vector<Leaf> leaves;
  size_t i = 0;
  do {
    Leaf leaf{i, 0, 0};
    std::string previous;
    while (i < keys.size()) {
      const std::string& k = keys[i].bytes;
      size_t trail = trailing(k);
      std::string trimmed = k.substr(0, k.size() - trail);
      size_t dup = 0;
      if (leaf.count > 0)
        while (dup < trimmed.size() && dup < previous.size() && trimmed[dup] == previous[dup]) ++dup;
      size_t need = entry_bytes + trimmed.size() - dup;
      if (leaf.used + need > room) break;
      leaf.used += need;
      ++leaf.count;
      previous = trimmed;
      ++i;
    }
    if (leaf.count == 0 && i < keys.size()) throw Error("An index key is too long for a node.");
    leaves.push_back(leaf);
  } while (i < keys.size());

  std::string out;
  std::vector<std::pair<uint32_t, const Key*>> level;  // node offset, its last key
  for (size_t n = 0; n < leaves.size(); ++n) {
    const Leaf& leaf = leaves[n];
    std::string node(cdx::kNodeSize, '\0');
    uint16_t attributes = cdx::kLeafNode | (leaves.size() == 1 ? cdx::kRootNode : 0);
    EncodeFixed16(node.data(), attributes);
    EncodeFixed16(node.data() + 2, static_cast<uint16_t>(leaf.count));
    uint32_t offset = base + static_cast<uint32_t>(out.size());
    EncodeFixed32(node.data() + 4, n == 0 ? cdx::kNoNode : offset - cdx::kNodeSize);
    EncodeFixed32(node.data() + 8, n + 1 == leaves.size() ? cdx::kNoNode : offset + cdx::kNodeSize);
    EncodeFixed16(node.data() + 12, static_cast<uint16_t>(room - leaf.used));
    EncodeFixed32(node.data() + 14, (uint32_t{1} << record_bits) - 1);
    node[18] = static_cast<char>((1u << dup_bits) - 1);
    node[19] = static_cast<char>((1u << dup_bits) - 1);
    node[20] = static_cast<char>(record_bits);
    node[21] = static_cast<char>(dup_bits);
    node[22] = static_cast<char>(dup_bits);
    node[23] = static_cast<char>(entry_bytes);
    size_t data_end = cdx::kNodeSize;
    std::string previous;
    for (size_t k = 0; k < leaf.count; ++k) {
      const Key& key = keys[leaf.first + k];
      size_t trail = trailing(key.bytes);
      std::string trimmed = key.bytes.substr(0, key.bytes.size() - trail);
      size_t dup = 0;
      if (k > 0)
        while (dup < trimmed.size() && dup < previous.size() && trimmed[dup] == previous[dup]) ++dup;
      uint64_t v = key.record | (static_cast<uint64_t>(dup) << record_bits) |
                   (static_cast<uint64_t>(trail) << (record_bits + dup_bits));
      for (int b = 0; b < entry_bytes; ++b)
        node[cdx::kLeafHeaderSize + k * entry_bytes + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
      size_t stored = trimmed.size() - dup;
      data_end -= stored;
      node.replace(data_end, stored, trimmed, dup, stored);
      previous = trimmed;
    }
    out += node;
    level.emplace_back(offset, leaf.count ? &keys[leaf.first + leaf.count - 1] : nullptr);
  }

  // Branch levels: each entry is a child's last key, its record (big-endian)
  // and the child's offset, until one root remains.
  const size_t per_branch = (cdx::kNodeSize - cdx::kNodeHeaderSize) / (key_length + 8);
  while (level.size() > 1) {
    std::vector<std::pair<uint32_t, const Key*>> next;
    size_t nodes = (level.size() + per_branch - 1) / per_branch;
    for (size_t n = 0; n < nodes; ++n) {
      std::string node(cdx::kNodeSize, '\0');
      size_t first = n * per_branch;
      size_t count = std::min(per_branch, level.size() - first);
      uint32_t offset = base + static_cast<uint32_t>(out.size());
      EncodeFixed16(node.data(), nodes == 1 ? cdx::kRootNode : cdx::kBranchNode);
      EncodeFixed16(node.data() + 2, static_cast<uint16_t>(count));
      EncodeFixed32(node.data() + 4, n == 0 ? cdx::kNoNode : offset - cdx::kNodeSize);
      EncodeFixed32(node.data() + 8, n + 1 == nodes ? cdx::kNoNode : offset + cdx::kNodeSize);
      for (size_t c = 0; c < count; ++c) {
        size_t at = cdx::kNodeHeaderSize + c * (key_length + 8);
        const Key* last = level[first + c].second;
        node.replace(at, key_length, last->bytes);
        EncodeBigEndian32(node.data() + at + key_length, last->record);
        EncodeBigEndian32(node.data() + at + key_length + 4, level[first + c].first);
      }
      out += node;
      next.emplace_back(offset, level[first + count - 1].second);
    }
    level.swap(next);
  }
  root = level[0].first;
  return out;
}

// A header; `version` counts the index's updates, so that a FoxPro session
// holding it open sees it changed.
std::string TagHeader(const Tag& tag, uint32_t root, uint16_t key_length, uint32_t version) {
  std::string header(cdx::kHeaderSize, '\0');
  EncodeFixed32(header.data() + cdx::kRootOffset, root);
  EncodeFixed32(header.data() + cdx::kVersionOffset, version);
  EncodeFixed16(header.data() + cdx::kKeyLengthOffset, key_length);
  header[cdx::kOptionsOffset] = static_cast<char>(tag.options);
  header[cdx::kSignatureOffset] = static_cast<char>(cdx::kSignature);
  EncodeFixed16(header.data() + cdx::kOrderOffset, tag.order);
  uint16_t key_pool = static_cast<uint16_t>(tag.key_expression.size() + 1);
  uint16_t filter_pool = static_cast<uint16_t>(tag.filter_expression.size() + 1);
  EncodeFixed16(header.data() + cdx::kExpressionLengthOffset, key_pool);
  EncodeFixed16(header.data() + cdx::kFilterPoolLengthOffset, filter_pool);
  EncodeFixed16(header.data() + cdx::kKeyPoolLengthOffset, key_pool);
  header.replace(cdx::kExpressionPoolOffset, tag.key_expression.size(), tag.key_expression);
  header.replace(cdx::kExpressionPoolOffset + key_pool, tag.filter_expression.size(), tag.filter_expression);
  return header;
}

void Rebuild(const std::string& dbc_path, bool write) {
  std::optional<std::string> index_path = FindSibling(dbc_path, ".dcx");
  if (!index_path) return;
  const std::string where = "The index \"" + *index_path + "\" of the database container";

  std::vector<Tag> tags;
  Tag directory;
  uint32_t version = 0;
  {
    const std::unique_ptr<File> index = File::Open(*index_path, File::Mode::kRead);
    tags = ReadTags(*index, where);
    std::string header = index->ReadAt(0, cdx::kHeaderSize);
    directory.options = static_cast<uint8_t>(header[cdx::kOptionsOffset]);
    version = DecodeFixed32(header.data() + cdx::kVersionOffset);
  }
  std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.name < b.name; });

  const std::unique_ptr<File> dbc = File::Open(dbc_path, File::Mode::kRead);
  TableHeader table = ParseTableHeader(
      [&dbc](uint64_t offset, size_t length) { return dbc->ReadAt(offset, length); }, dbc->Size(), dbc_path);
  std::vector<KeyMaker> makers;
  for (const Tag& tag : tags) makers.emplace_back(table, tag, where);
  std::vector<std::vector<Key>> keys(tags.size());
  std::string record;
  for (uint32_t r = 0; r < table.record_count; ++r) {
    record.resize(table.record_length);
    if (dbc->ReadAt(table.header_length + static_cast<uint64_t>(r) * table.record_length, record.data(),
                   record.size()) != record.size())
      ThrowError("Database container \"", dbc_path, "\" is truncated.");
    bool deleted = record[0] == dbf::kDeletedRecord;
    for (size_t t = 0; t < tags.size(); ++t) {
      if (deleted && makers[t].live_only()) continue;
      keys[t].push_back(Key{makers[t].Make(record), r + 1});
    }
  }

  // Layout: directory header and its one node, then each tag's header
  // followed by its nodes.
  std::string body;
  std::vector<Key> directory_keys;
  uint32_t offset = cdx::kHeaderSize + cdx::kNodeSize;
  for (size_t t = 0; t < tags.size(); ++t) {
    std::vector<Key>& tag_keys = keys[t];
    std::sort(tag_keys.begin(), tag_keys.end(), [](const Key& a, const Key& b) {
      return a.bytes != b.bytes ? a.bytes < b.bytes : a.record < b.record;
    });
    uint32_t root = 0;
    std::string nodes = BuildTree(tag_keys, tags[t].key_length, table.record_count,
                                  offset + static_cast<uint32_t>(cdx::kHeaderSize), root);
    std::string name = tags[t].name.substr(0, cdx::kTagNameLength);
    directory_keys.push_back({name + std::string(cdx::kTagNameLength - name.size(), ' '), offset});
    body += TagHeader(tags[t], root, tags[t].key_length, version + 1) + nodes;
    offset += static_cast<uint32_t>(cdx::kHeaderSize + nodes.size());
  }
  uint32_t directory_root = 0;
  std::string directory_node =
      BuildTree(directory_keys, cdx::kTagNameLength, directory_keys.empty() ? 0 : directory_keys.back().record,
                cdx::kHeaderSize, directory_root);
  if (directory_node.size() != cdx::kNodeSize)
    ThrowError(where, " has more tags than this engine can rebuild.");
  std::string bytes =
      TagHeader(directory, directory_root, cdx::kTagNameLength, version + 1) + directory_node + body;

  // A check builds the whole index, so that every failure a rebuild can
  // meet is met before the container changes.
  if (!write) return;
  // The new index replaces the old only once it is whole.
  const std::string temporary = *index_path + ".new";
  File::Open(temporary, File::Mode::kCreate)->WriteAt(0, bytes);
  FileSystem& files = FileSystem::Current();
  std::error_code error;
  files.Rename(temporary, *index_path, error);
  if (error) {
    std::error_code ignored;
    files.Remove(temporary, ignored);
    throw Error("Cannot replace \"" + *index_path + "\": " + error.message() + ".");
  }
}

}  // namespace

void RebuildContainerIndex(const std::string& dbc_path) { Rebuild(dbc_path, true); }

void CheckContainerIndex(const std::string& dbc_path) { Rebuild(dbc_path, false); }

}  // namespace veltrane::foxpro
