#ifndef VELTRANE_FOXPRO_MEMO_FILE_H_
#define VELTRANE_FOXPRO_MEMO_FILE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foxpro/file_io.h"

namespace veltrane::foxpro {

// Layout of memo files. An .fpt file has a 512-byte header (next free block
// number and block size, big-endian) and blocks that start with a
// big-endian type and length. A dBase III .dbt file has 512-byte blocks of
// text ended by 0x1A.
namespace memo {
inline constexpr size_t kFptHeaderSize = 512;
inline constexpr size_t kNextFreeOffset = 0;
inline constexpr size_t kBlockSizeOffset = 6;
inline constexpr size_t kBlockHeaderSize = 8;
inline constexpr uint16_t kDefaultBlockSize = 64;
inline constexpr size_t kDbtBlockSize = 512;
inline constexpr char kDbtEnd = 0x1A;
inline constexpr uint32_t kTypePicture = 0;  // binary data
inline constexpr uint32_t kTypeText = 1;
}  // namespace memo

// Reads values from a table's memo file. A missing or damaged memo file
// does not fail the table: each Read reports the problem for its value.
class MemoReader {
 public:
  enum class Kind { kFpt, kDbt };
  // `path` is the memo file found beside the table, nullopt when there is
  // none; `expected` names it in descriptions.
  MemoReader(const std::optional<std::string>& path, Kind kind, const std::string& expected);

  // Reads the memo starting at block `block` (> 0) into `out`. Returns
  // empty on success, else what is wrong.
  std::string Read(uint64_t block, std::string& out) const;

 private:
  std::string ReadFpt(uint64_t block, std::string& out) const;
  std::string ReadDbt(uint64_t block, std::string& out) const;
  // `length` bytes at `offset` through the read window, or nullptr when
  // they do not fit it (or the file ends first).
  const char* Window(uint64_t offset, uint64_t length) const;

  Kind kind_;
  std::string name_;
  std::unique_ptr<File> file_;
  std::string problem_;  // set when the memo file cannot be used at all
  uint64_t size_ = 0;
  uint32_t block_size_ = 0;
  mutable std::string window_;
  mutable uint64_t window_start_ = 0;
};

// Appends blocks to an .fpt memo file. Blocks are written past the next-free
// block; the header's pointer moves only with Commit, so a crash in between
// leaves the file valid (the unreferenced bytes are reused next time).
class MemoWriter {
 public:
  // Creates an empty .fpt file with `block_size`-byte blocks.
  static void Create(const std::string& path, uint16_t block_size);
  // Opens an existing .fpt file; throws Error when its header is damaged.
  explicit MemoWriter(const std::string& path);

  // The file size after appending values of the given total data length in
  // `count` blocks.
  uint64_t SizeAfter(uint64_t data_length, size_t count) const;
  // Places one value at the next free block and returns its block number.
  // The value reaches the file with the next Commit.
  uint32_t Write(uint32_t type, std::string_view data);
  // Writes the values placed since the last Commit (in one write), then
  // stores the next-free pointer in the header.
  void Commit();
  // The bytes placed since the last Commit.
  size_t pending_bytes() const { return pending_.size(); }
  // Forgets the values placed since the last Commit.
  void Rollback() {
    next_free_ = committed_next_free_;
    pending_.clear();
  }

 private:
  uint64_t BlocksFor(uint64_t data_length) const;

  File file_;
  uint32_t block_size_ = memo::kDefaultBlockSize;
  uint32_t next_free_ = 0;
  uint32_t committed_next_free_ = 0;
  char* header_ = nullptr;  // the file's first bytes, mapped
  std::string pending_;     // blocks placed since the last Commit
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_MEMO_FILE_H_
