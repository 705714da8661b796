#ifndef VELTRANE_FOXPRO_FILES_MEMO_FILE_H_
#define VELTRANE_FOXPRO_FILES_MEMO_FILE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foxpro/files/file_io.h"

namespace veltrane::foxpro {

// Layout of memo files. An .fpt file has a 512-byte header (next free block
// number and block size, big-endian) and blocks that start with a
// big-endian type and length. A dBase III .dbt file has 512-byte blocks of
// text ended by 0x1A. A dBase IV (and 7) .dbt file keeps its block size in
// its header, and its values start with FF FF 08 00 and their length
// (little-endian, the 8 bytes before the value included).
namespace memo {
inline constexpr size_t kFptHeaderSize = 512;
inline constexpr size_t kNextFreeOffset = 0;
inline constexpr size_t kBlockSizeOffset = 6;
inline constexpr size_t kBlockHeaderSize = 8;  // the value's type, then its length
inline constexpr size_t kBlockLengthOffset = 4;
inline constexpr uint16_t kDefaultBlockSize = 64;
inline constexpr size_t kDbtBlockSize = 512;
inline constexpr char kDbtEnd = 0x1A;
inline constexpr size_t kDbt4BlockSizeOffset = 20;
inline constexpr char kDbt4Mark[] = {'\xFF', '\xFF', '\x08', '\x00'};
inline constexpr uint32_t kTypePicture = 0;  // binary data
inline constexpr uint32_t kTypeText = 1;
// The largest value PostgreSQL takes: 1 GB.
inline constexpr uint64_t kLargestValue = (uint64_t{1} << 30) - 1;
}  // namespace memo

// What reading one memo value came to.
struct MemoRead {
  enum class Status {
    kOk,
    kPastEnd,   // the value's block lies past the end of the memo file
    kDamaged,   // its block or length cannot be a value
    kTooLarge,  // it is larger than the caller takes; it was not read
  };
  Status status = Status::kOk;
  uint64_t size = 0;    // kTooLarge: the value's size in bytes
  std::string problem;  // unless kOk: what is wrong, in words for a user
};

// Reads values from a table's memo file. A memo file that is missing or
// cannot be opened does not fail the reader: problem() says why, and every
// read reports it.
class MemoReader {
 public:
  enum class Kind { kFpt, kDbt, kDbt4 };
  // `path` is the memo file found beside the table, nullopt when there is
  // none; `expected` names it in descriptions.
  MemoReader(const std::optional<std::string>& path, Kind kind, const std::string& expected);

  // Why the memo file cannot be used at all; empty when it can.
  const std::string& problem() const { return problem_; }

  // Reads the value starting at block `block` (> 0) into `out`, unless it
  // is larger than `largest` bytes. Never holds more than the value itself
  // (and a read window of a few hundred kilobytes), whatever sizes the file
  // claims.
  MemoRead ReadValue(uint64_t block, std::string& out, uint64_t largest = memo::kLargestValue) const;

  // ReadValue for callers that only need to know it failed: empty on
  // success, else what is wrong.
  std::string Read(uint64_t block, std::string& out) const;

 private:
  MemoRead ReadFpt(uint64_t block, std::string& out, uint64_t largest) const;
  MemoRead ReadDbt(uint64_t block, std::string& out, uint64_t largest) const;
  // The value of `length` bytes after the 8-byte head of the block at
  // `offset`, unless it runs past the file or is larger than `largest`.
  MemoRead ReadBlockValue(uint64_t block, uint64_t offset, uint64_t length, std::string& out,
                          uint64_t largest) const;
  // Reads `length` bytes at `offset` into `out`.
  MemoRead ReadBytes(uint64_t block, uint64_t offset, uint64_t length, std::string& out) const;
  // `length` bytes at `offset` through the read window, or nullptr when
  // they do not fit it (or the file ends first).
  const char* Window(uint64_t offset, uint64_t length) const;
  MemoRead Failure(MemoRead::Status status, std::string problem, uint64_t size = 0) const;
  std::string Block(uint64_t block) const;

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

  std::unique_ptr<File> file_;
  uint32_t block_size_ = memo::kDefaultBlockSize;
  uint32_t next_free_ = 0;
  uint32_t committed_next_free_ = 0;
  std::string pending_;     // blocks placed since the last Commit
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_MEMO_FILE_H_
