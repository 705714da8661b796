#include "foxpro/files/memo_file.h"

#include <algorithm>

#include "foxpro/record/coding.h"
#include "foxpro/record/dbf_header.h"
#include "foxpro/error.h"

namespace veltrane::foxpro {

namespace {

// A .dbt value without an end mark is looked for in pieces of this size.
constexpr uint64_t kDbtScanChunk = 64 * 1024;

// Memo values are read through a window of the file this large: appended
// tables keep their memo blocks in record order, so most reads hit it.
constexpr uint64_t kWindowSize = 256 * 1024;

// Block sizes a dBase IV memo header may give; others fall back to 512.
constexpr uint32_t kSmallestDbtBlock = 64;
constexpr uint32_t kLargestDbtBlock = 32 * 1024;

// "1.5 GB", "300 MB", "12 bytes".
std::string DescribeSize(uint64_t bytes) {
  constexpr uint64_t kMegabyte = uint64_t{1} << 20;
  constexpr uint64_t kGigabyte = uint64_t{1} << 30;
  if (bytes >= kGigabyte) {
    const uint64_t tenths = bytes * 10 / kGigabyte;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " GB";
  }
  if (bytes >= kMegabyte) return std::to_string(bytes / kMegabyte) + " MB";
  return std::to_string(bytes) + " bytes";
}

// The most memory the blocks waiting for a Commit keep once written.
constexpr size_t kKeptPendingBytes = size_t{4} << 20;

}  // namespace

MemoReader::MemoReader(const std::optional<std::string>& path, Kind kind,
                       const std::string& expected)
    : kind_(kind), name_(path ? *path : expected) {
  if (!path) {
    problem_ = "the memo file \"" + expected + "\" is missing";
    return;
  }
  try {
    file_ = File::Open(*path, File::Mode::kRead);
    size_ = file_->Size();
  } catch (const Error& e) {
    // A problem is a phrase that callers put into sentences of their own.
    problem_ = e.what();
    if (!problem_.empty() && problem_.back() == '.') problem_.pop_back();
    return;
  }
  if (kind_ == Kind::kFpt) {
    std::string head = file_->ReadAt(0, memo::kFptHeaderSize);
    if (head.size() < memo::kBlockSizeOffset + 2) {
      problem_ = "the memo file \"" + name_ + "\" is truncated (no header)";
      return;
    }
    block_size_ = DecodeBigEndian16(head.data() + memo::kBlockSizeOffset);
    if (block_size_ == 0) problem_ = "the memo file \"" + name_ + "\" has block size 0";
    return;
  }
  block_size_ = memo::kDbtBlockSize;
  if (kind_ == Kind::kDbt4) {
    std::string head = file_->ReadAt(memo::kDbt4BlockSizeOffset, 2);
    if (head.size() == 2) {
      const uint32_t size = DecodeFixed16(head.data());
      if (size >= kSmallestDbtBlock && size <= kLargestDbtBlock && size % kSmallestDbtBlock == 0)
        block_size_ = size;
    }
  }
}

std::string MemoReader::Read(uint64_t block, std::string& out) const {
  return ReadValue(block, out).problem;
}

MemoRead MemoReader::ReadValue(uint64_t block, std::string& out, uint64_t largest) const {
  out.clear();
  if (!problem_.empty()) return Failure(MemoRead::Status::kDamaged, problem_);
  return kind_ == Kind::kFpt ? ReadFpt(block, out, largest) : ReadDbt(block, out, largest);
}

MemoRead MemoReader::Failure(MemoRead::Status status, std::string problem, uint64_t size) const {
  MemoRead result;
  result.status = status;
  result.size = size;
  result.problem = std::move(problem);
  return result;
}

std::string MemoReader::Block(uint64_t block) const { return "memo block " + std::to_string(block); }

const char* MemoReader::Window(uint64_t offset, uint64_t length) const {
  if (length > kWindowSize) return nullptr;
  if (offset < window_start_ || offset + length > window_start_ + window_.size()) {
    window_start_ = offset;
    window_.resize(static_cast<size_t>(std::min<uint64_t>(kWindowSize, size_ - offset)));
    window_.resize(file_->ReadAt(offset, window_.data(), window_.size()));
    if (length > window_.size()) return nullptr;
  }
  return window_.data() + (offset - window_start_);
}

MemoRead MemoReader::ReadBytes(uint64_t block, uint64_t offset, uint64_t length,
                               std::string& out) const {
  if (const char* data = Window(offset, length)) {
    out.assign(data, static_cast<size_t>(length));
    return {};
  }
  out.resize(static_cast<size_t>(length));
  if (file_->ReadAt(offset, out.data(), out.size()) != length) {
    out.clear();
    return Failure(MemoRead::Status::kDamaged, Block(block) + " could not be read whole");
  }
  return {};
}

MemoRead MemoReader::ReadFpt(uint64_t block, std::string& out, uint64_t largest) const {
  const uint64_t offset = block * block_size_;
  if (offset < memo::kFptHeaderSize)
    return Failure(MemoRead::Status::kDamaged,
                   Block(block) + " points into the header of \"" + name_ + "\"");
  if (offset + memo::kBlockHeaderSize > size_)
    return Failure(MemoRead::Status::kPastEnd, Block(block) + " lies past the end of \"" + name_ +
                                                   "\" (" + std::to_string(size_) + " bytes)");
  const char* head = Window(offset, memo::kBlockHeaderSize);
  if (head == nullptr)
    return Failure(MemoRead::Status::kDamaged, Block(block) + " could not be read");
  const uint64_t length = DecodeBigEndian32(head + memo::kBlockLengthOffset);
  return ReadBlockValue(block, offset, length, out, largest);
}

MemoRead MemoReader::ReadBlockValue(uint64_t block, uint64_t offset, uint64_t length,
                                    std::string& out, uint64_t largest) const {
  if (length > size_ - offset - memo::kBlockHeaderSize)
    return Failure(MemoRead::Status::kPastEnd, Block(block) + " of " + std::to_string(length) +
                                                   " bytes runs past the end of \"" + name_ + "\"");
  if (length > largest)
    return Failure(MemoRead::Status::kTooLarge, Block(block) + " holds " + DescribeSize(length),
                   length);
  return ReadBytes(block, offset + memo::kBlockHeaderSize, length, out);
}

MemoRead MemoReader::ReadDbt(uint64_t block, std::string& out, uint64_t largest) const {
  const uint64_t offset = block * block_size_;
  if (offset >= size_)
    return Failure(MemoRead::Status::kPastEnd, Block(block) + " lies past the end of \"" + name_ +
                                                   "\" (" + std::to_string(size_) + " bytes)");
  const char* head = Window(offset, std::min<uint64_t>(memo::kBlockHeaderSize, size_ - offset));
  if (head != nullptr && size_ - offset >= memo::kBlockHeaderSize &&
      std::equal(head, head + sizeof memo::kDbt4Mark, memo::kDbt4Mark)) {
    // dBase IV: the length counts the 8 bytes before the value.
    const uint64_t stored = DecodeFixed32(head + sizeof memo::kDbt4Mark);
    if (stored < memo::kBlockHeaderSize)
      return Failure(MemoRead::Status::kDamaged,
                     Block(block) + " gives the impossible length " + std::to_string(stored));
    return ReadBlockValue(block, offset, stored - memo::kBlockHeaderSize, out, largest);
  }
  // dBase III: the text runs to its end mark (or the end of the file). The
  // mark is found first, so that a value too large is never held.
  uint64_t end = offset;
  std::string chunk;
  while (end < size_ && end - offset <= largest) {
    chunk.resize(static_cast<size_t>(std::min(kDbtScanChunk, size_ - end)));
    chunk.resize(file_->ReadAt(end, chunk.data(), chunk.size()));
    if (chunk.empty()) break;
    const size_t mark = chunk.find(memo::kDbtEnd);
    if (mark != std::string::npos) {
      end += mark;
      break;
    }
    end += chunk.size();
  }
  if (end - offset > largest)
    return Failure(MemoRead::Status::kTooLarge,
                   Block(block) + " holds more than " + DescribeSize(largest) +
                       " of text without an end mark",
                   end - offset);
  return ReadBytes(block, offset, end - offset, out);
}

void MemoWriter::Create(const std::string& path, uint16_t block_size) {
  std::string head(memo::kFptHeaderSize, '\0');
  uint32_t first_free = static_cast<uint32_t>((memo::kFptHeaderSize + block_size - 1) / block_size);
  EncodeBigEndian32(head.data() + memo::kNextFreeOffset, first_free);
  EncodeBigEndian16(head.data() + memo::kBlockSizeOffset, block_size);
  File::Open(path, File::Mode::kCreate)->WriteAt(0, head);
}

MemoWriter::MemoWriter(const std::string& path) : file_(File::Open(path, File::Mode::kReadWrite)) {
  std::string head = file_->ReadAt(0, memo::kFptHeaderSize);
  if (head.size() < memo::kBlockSizeOffset + 2)
    throw Error("Memo file \"" + path + "\" is truncated: it has no header.");
  next_free_ = DecodeBigEndian32(head.data() + memo::kNextFreeOffset);
  block_size_ = DecodeBigEndian16(head.data() + memo::kBlockSizeOffset);
  if (block_size_ == 0) throw Error("Memo file \"" + path + "\" is corrupt: its block size is 0.");
  uint64_t header_blocks = (memo::kFptHeaderSize + block_size_ - 1) / block_size_;
  if (next_free_ < header_blocks)
    throw Error("Memo file \"" + path + "\" is corrupt: its next free block " +
                std::to_string(next_free_) + " lies inside its header.");
  if (static_cast<uint64_t>(next_free_) * block_size_ > dbf::kMaxFileSize)
    throw Error("Memo file \"" + path + "\" is corrupt: its next free block " +
                std::to_string(next_free_) + " lies past 2 GB.");
  committed_next_free_ = next_free_;
  // The next-free pointer changes with every Commit.
  file_->MapPrefix(memo::kBlockSizeOffset);
}

uint64_t MemoWriter::BlocksFor(uint64_t data_length) const {
  return (data_length + memo::kBlockHeaderSize + block_size_ - 1) / block_size_;
}

uint64_t MemoWriter::SizeAfter(uint64_t data_length, size_t count) const {
  // Each value rounds up to whole blocks: at most one block more per value.
  return (static_cast<uint64_t>(next_free_) + BlocksFor(data_length) + count) * block_size_;
}

uint32_t MemoWriter::Write(uint32_t type, std::string_view data) {
  // The blocks placed between two commits are contiguous: they are gathered
  // and written together by Commit, one write instead of one per value.
  const uint64_t blocks = BlocksFor(data.size());
  const size_t at = pending_.size();
  pending_.resize(at + blocks * block_size_, '\0');
  EncodeBigEndian32(pending_.data() + at, type);
  EncodeBigEndian32(pending_.data() + at + memo::kBlockLengthOffset,
                    static_cast<uint32_t>(data.size()));
  std::copy(data.begin(), data.end(), pending_.begin() + at + memo::kBlockHeaderSize);
  const uint32_t block = next_free_;
  next_free_ = static_cast<uint32_t>(block + blocks);
  return block;
}

void MemoWriter::Commit() {
  if (next_free_ == committed_next_free_) return;
  try {
    file_->WriteAt(static_cast<uint64_t>(committed_next_free_) * block_size_, pending_);
  } catch (...) {
    Rollback();
    throw;
  }
  pending_.clear();
  // An unusually large value does not keep its memory.
  if (pending_.capacity() > kKeptPendingBytes) std::string().swap(pending_);
  char next_free[4];
  EncodeBigEndian32(next_free, next_free_);
  file_->WriteAt(memo::kNextFreeOffset, next_free, sizeof next_free);
  committed_next_free_ = next_free_;
}

}  // namespace veltrane::foxpro
