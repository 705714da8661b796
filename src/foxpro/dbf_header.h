#ifndef VELTRANE_FOXPRO_DBF_HEADER_H_
#define VELTRANE_FOXPRO_DBF_HEADER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "foxpro/field.h"

namespace veltrane::foxpro {

// Layout of a table file: a 32-byte header, 32-byte field descriptors ended
// by a terminator byte, (Visual FoxPro) a 263-byte back-link area, then the
// fixed-length records, then an end-of-file mark.
namespace dbf {
inline constexpr size_t kHeaderSize = 32;
inline constexpr size_t kFieldDescriptorSize = 32;
inline constexpr size_t kBacklinkSize = 263;
inline constexpr size_t kFieldNameSize = 11;
inline constexpr uint8_t kHeaderTerminator = 0x0D;
inline constexpr uint8_t kEndOfFile = 0x1A;
inline constexpr char kLiveRecord = ' ';
inline constexpr char kDeletedRecord = '*';

// Offsets within the 32-byte header.
inline constexpr size_t kVersionOffset = 0;
inline constexpr size_t kLastUpdateOffset = 1;  // YY MM DD
inline constexpr size_t kRecordCountOffset = 4;
inline constexpr size_t kHeaderLengthOffset = 8;
inline constexpr size_t kRecordLengthOffset = 10;
inline constexpr size_t kTableFlagsOffset = 28;
inline constexpr size_t kCodePageOffset = 29;

// Offsets within a field descriptor.
inline constexpr size_t kFieldTypeOffset = 11;
inline constexpr size_t kFieldDisplacementOffset = 12;
inline constexpr size_t kFieldLengthOffset = 16;
inline constexpr size_t kFieldDecimalsOffset = 17;
inline constexpr size_t kFieldFlagsOffset = 18;
inline constexpr size_t kAutoIncrementNextOffset = 19;
inline constexpr size_t kAutoIncrementStepOffset = 23;

// Version bytes.
inline constexpr uint8_t kFoxBase = 0x03;
inline constexpr uint8_t kDBase3Memo = 0x83;
inline constexpr uint8_t kFoxPro2Memo = 0xF5;
inline constexpr uint8_t kVisualFoxPro = 0x30;
inline constexpr uint8_t kVisualFoxProAutoIncrement = 0x31;
inline constexpr uint8_t kVisualFoxProVarchar = 0x32;

// Table flags byte.
inline constexpr uint8_t kHasStructuralIndex = 0x01;
inline constexpr uint8_t kHasMemo = 0x02;
inline constexpr uint8_t kIsContainer = 0x04;

inline constexpr char kNullFlagsType = '0';
inline constexpr const char* kNullFlagsName = "_NullFlags";

// The largest table or memo file this engine reads or writes.
inline constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;
}  // namespace dbf

// The parsed header of a table file.
struct TableHeader {
  uint8_t version = dbf::kVisualFoxPro;
  uint8_t last_update[3] = {0, 1, 1};  // as stored, never validated
  uint32_t record_count = 0;
  uint16_t header_length = 0;
  uint16_t record_length = 0;
  uint8_t table_flags = 0;
  uint8_t code_page_mark = 0;
  std::vector<FieldDescriptor> fields;  // visible fields, in order
  bool has_null_flags = false;
  FieldDescriptor null_flags;  // the hidden _NullFlags field when present
  std::string backlink;        // Visual FoxPro: the container's file name

  bool visual_foxpro() const;
  bool has_memo_fields() const;
};

// True for the field types whose values live in the memo file (M G W).
bool IsMemoType(char type);

// Parses and checks the header of a table file of `file_size` bytes; reads
// through `read_at(offset, length)`, which returns the bytes read (fewer at
// the end of the file). Throws Error naming `path` and the fault.
template <typename ReadAt>
TableHeader ParseTableHeader(ReadAt read_at, uint64_t file_size, const std::string& path);

// The parse behind ParseTableHeader: `head` holds the first bytes of the
// file (at least the header length, or the whole file when it is shorter).
TableHeader ParseTableHeaderBytes(const std::string& head, uint64_t file_size,
                                  const std::string& path);

template <typename ReadAt>
TableHeader ParseTableHeader(ReadAt read_at, uint64_t file_size, const std::string& path) {
  std::string head = read_at(0, dbf::kHeaderSize);
  if (head.size() >= dbf::kHeaderSize) {
    size_t length = static_cast<uint8_t>(head[dbf::kHeaderLengthOffset]) |
                    (static_cast<uint8_t>(head[dbf::kHeaderLengthOffset + 1]) << 8);
    if (length > dbf::kHeaderSize) head = read_at(0, length);
  }
  return ParseTableHeaderBytes(head, file_size, path);
}

// The header bytes (through the back-link area or terminator) of `header`,
// with field displacements and the record length as its fields give them.
std::string SerializeTableHeader(const TableHeader& header);

// The 32 header bytes alone (version, date, count, lengths, flags).
std::string SerializeHeaderPrefix(const TableHeader& header);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_DBF_HEADER_H_
