#ifndef VELTRANE_FOXPRO_FILES_CDX_FILE_H_
#define VELTRANE_FOXPRO_FILES_CDX_FILE_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foxpro/files/file_io.h"

namespace veltrane::foxpro::cdx {

// A compound index file (a table's structural .cdx, a container's .dcx): a
// 1024-byte header of the tag directory (itself a tree whose keys are tag
// names and whose record numbers are the offsets of the tags' headers),
// then per tag a 1024-byte header (with its key and filter expressions) and
// 512-byte nodes. Leaf nodes hold compressed keys: bit-packed entries
// (record number, bytes shared with the previous key, trailing filler
// bytes left out) from the front, key bytes from the back. Branch nodes
// hold, per child, its last key, that key's record number and the child's
// offset, both big-endian. Every other number is little-endian.
inline constexpr size_t kNodeSize = 512;
inline constexpr size_t kHeaderSize = 1024;
inline constexpr size_t kTagNameLength = 10;
// The longest key FoxPro makes.
inline constexpr size_t kLongestKey = 240;

// The options byte of a header.
namespace option {
inline constexpr uint8_t kUniqueKeys = 0x01;  // only the first record of each key
inline constexpr uint8_t kCandidate = 0x04;   // no two records share a key
inline constexpr uint8_t kHasFilter = 0x08;   // a FOR expression
inline constexpr uint8_t kCompact = 0x20;
inline constexpr uint8_t kCompound = 0x40;
inline constexpr uint8_t kDirectory = 0x80;   // the file's own header
inline constexpr uint8_t kTag = kCompact | kCompound;
inline constexpr uint8_t kFile = kTag | kDirectory;
}  // namespace option

// The order word of a header: a descending tag's keys are stored in
// ascending order all the same and read backwards.
inline constexpr uint16_t kDescending = 1;

// A tag as its header describes it.
struct Tag {
  std::string name;
  uint8_t options = option::kTag;
  uint16_t order = 0;
  uint16_t key_length = 0;
  std::string key_expression;
  std::string filter_expression;
  uint32_t offset = 0;  // where its header lies, for a tag read from a file
};

struct Key {
  std::string bytes;  // key_length bytes
  uint32_t record = 0;
};

// The file's own header: its options and update counter.
struct FileHeader {
  uint8_t options = option::kFile;
  uint32_t version = 0;
};

// Reads the file header and every tag of the directory, in the
// directory's order. Throws Error, starting with `where`, for a file that
// is truncated or whose layout is impossible.
FileHeader ReadFileHeader(const File& file, const std::string& where);
std::vector<Tag> ReadTags(const File& file, const std::string& where);

// Calls `visit` with every key of `tag` (as ReadTags gave it), in the
// order the tree keeps them, trailing bytes left out restored as `filler`.
// Every node is checked; a loop or a node outside the file throws Error.
void ReadKeys(const File& file, const Tag& tag, char filler,
              const std::function<void(const Key&)>& visit, const std::string& where);

// Writes a compound index file into `out` (empty, or to be overwritten):
// AddTag per tag, then Finish. The keys stream through: memory holds the
// leaf being filled and one entry (last key, record, offset) per node
// written, about a fiftieth of the keys' bytes.
class Writer {
 public:
  // `version` is the header's update counter: a FoxPro session holding
  // the index open sees a change when it differs.
  Writer(File& out, const FileHeader& header);

  // Writes a tag whose keys `next` gives in ascending order of bytes, then
  // record (false after the last); `largest_record` bounds their record
  // numbers. `filler` is the byte trailing runs of which are left out: a
  // blank for character keys, 0 for the others. A tag with kUniqueKeys
  // keeps only the first record of each key; a candidate tag whose keys
  // repeat is written as a regular one. Returns the number of keys that
  // equal the key before them (kept unless kUniqueKeys).
  uint64_t AddTag(const Tag& tag, char filler, uint32_t largest_record,
                  const std::function<bool(Key&)>& next);

  // Writes the tag directory. Throws Error when the tags' names do not
  // fit its one node.
  void Finish();

 private:
  File& out_;
  FileHeader header_;
  uint64_t end_;
  std::vector<Key> directory_;
};

}  // namespace veltrane::foxpro::cdx

#endif  // VELTRANE_FOXPRO_FILES_CDX_FILE_H_
