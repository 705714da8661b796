#ifndef VELTRANE_FOXPRO_RECORD_DBF_HEADER_H_
#define VELTRANE_FOXPRO_RECORD_DBF_HEADER_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foxpro/record/field.h"
#include "foxpro/notice.h"

namespace veltrane::foxpro {

// Layout of a table file: a 32-byte header, 32-byte field descriptors ended
// by a terminator byte, (Visual FoxPro) a 263-byte back-link area, then the
// fixed-length records, then an end-of-file mark. dBase 7 tables put a
// language driver name after the 32 header bytes and use 48-byte field
// descriptors.
namespace dbf {
inline constexpr size_t kHeaderSize = 32;
inline constexpr size_t kFieldDescriptorSize = 32;
inline constexpr size_t kDBase7DescriptorSize = 48;
inline constexpr size_t kDBase7FirstDescriptor = 68;
inline constexpr size_t kLanguageDriverOffset = 32;
inline constexpr size_t kLanguageDriverSize = 32;
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

// Offsets within a field descriptor (dBase 7: name of 32 bytes, then type,
// width and decimal count, and the next autoincrement value at 40).
inline constexpr size_t kDBase7FieldNameSize = 32;
inline constexpr size_t kDBase7FieldTypeOffset = 32;
inline constexpr size_t kDBase7AutoIncrementNextOffset = 40;
inline constexpr size_t kFieldTypeOffset = 11;
inline constexpr size_t kFieldDisplacementOffset = 12;
inline constexpr size_t kFieldLengthOffset = 16;
inline constexpr size_t kFieldDecimalsOffset = 17;
inline constexpr size_t kFieldFlagsOffset = 18;
inline constexpr size_t kAutoIncrementNextOffset = 19;
inline constexpr size_t kAutoIncrementStepOffset = 23;

// Version bytes.
inline constexpr uint8_t kFoxBaseOld = 0x02;
inline constexpr uint8_t kFoxBase = 0x03;
inline constexpr uint8_t kDBase7 = 0x04;
inline constexpr uint8_t kDBase4Sql = 0x43;
inline constexpr uint8_t kDBase4SqlSystem = 0x63;
inline constexpr uint8_t kDBase4Memo = 0x7B;
inline constexpr uint8_t kDBase3Memo = 0x83;
inline constexpr uint8_t kDBase4MemoAlt = 0x8B;
inline constexpr uint8_t kDBase7Memo = 0x8C;
inline constexpr uint8_t kDBase4SqlMemo = 0xCB;
inline constexpr uint8_t kClipperSmt = 0xE5;
inline constexpr uint8_t kFoxPro2Memo = 0xF5;
inline constexpr uint8_t kFoxPro2MemoAlt = 0xFB;
inline constexpr uint8_t kVisualFoxPro = 0x30;
inline constexpr uint8_t kVisualFoxProAutoIncrement = 0x31;
inline constexpr uint8_t kVisualFoxProVarchar = 0x32;

// dBase II (version 0x02, like the first FoxBASE): an 8-byte header (record
// count and record length at 1 and 6), 32 slots of 16-byte field
// descriptors, records from byte 521.
inline constexpr size_t kDBase2RecordCountOffset = 1;
inline constexpr size_t kDBase2RecordLengthOffset = 6;
inline constexpr size_t kDBase2FirstDescriptor = 8;
inline constexpr size_t kDBase2DescriptorSize = 16;
inline constexpr size_t kDBase2Descriptors = 32;
inline constexpr size_t kDBase2HeaderLength = 521;

// Clipper and FoxPro keep the high byte of a character field's width above
// 255 in its decimal count.
inline constexpr uint32_t kWideCharacterStep = 256;

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
  std::string language_driver;  // dBase 7: the language driver name
  uint32_t data_start = 0;      // where the first record starts
  uint32_t records_present = 0;  // records the file holds, at most record_count
  uint32_t records_in_file = 0;  // whole records the file holds (lenient readings)
  std::vector<Notice> notices;  // lenient readings only

  bool visual_foxpro() const;
  bool dbase7() const;
  bool has_memo_fields() const;
};

// True for the field types whose values live in the memo file (M G W).
bool IsMemoType(char type);
// True for a field whose values live in the memo file: M G W P, and B
// unless it is 8 bytes wide (a Visual FoxPro double).
bool IsMemoField(const FieldDescriptor& field);

// How a header is read. Strict readings are for tables this engine writes
// to: any damage, and versions other than FoxBASE+, dBase III with memo,
// FoxPro 2 and Visual FoxPro, throw. Lenient readings are for tables that
// are only read: every xBase version is taken, and a damaged header is
// read the one way its lengths agree with, each liberty noted in
// `notices`, or refused when no reading is coherent. Records are never
// read shifted.
enum class HeaderReading { kStrict, kLenient };

// Reads a table file's bytes: `read_at(offset, length)` returns the bytes
// read, fewer at the end of the file.
using ReadAt = std::function<std::string(uint64_t offset, size_t length)>;

// Parses and checks the header of a table file of `file_size` bytes. Throws
// Error naming `path` and the fault; notices name the table `table` (by
// default the file's name without its extension).
TableHeader ParseTableHeader(const ReadAt& read_at, uint64_t file_size, const std::string& path,
                             HeaderReading reading = HeaderReading::kStrict,
                             const std::string& table = "");

// Today's date (local time) as a header's last-update bytes: YY MM DD.
void TodayInto(uint8_t (&date)[3]);

// The header bytes (through the back-link area or terminator) of `header`,
// with field displacements and the record length as its fields give them.
std::string SerializeTableHeader(const TableHeader& header);

// The 32 header bytes alone (version, date, count, lengths, flags).
std::string SerializeHeaderPrefix(const TableHeader& header);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_DBF_HEADER_H_
