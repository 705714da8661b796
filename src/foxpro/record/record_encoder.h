#ifndef VELTRANE_FOXPRO_RECORD_RECORD_ENCODER_H_
#define VELTRANE_FOXPRO_RECORD_RECORD_ENCODER_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "foxpro/codepages/codepage.h"
#include "foxpro/record/dbf_header.h"
#include "foxpro/notice.h"
#include "foxpro/files/table_writer.h"
#include "foxpro/record/value_text.h"

namespace veltrane::foxpro {

// A memo value of a record being encoded: written to the memo file before
// the record, whose pointer field is then filled in. Its bytes lie in the
// memo buffer the encoder was given, at [offset, offset + size).
struct PendingMemo {
  size_t field = 0;  // index into the header's fields
  uint32_t type = 0;
  size_t offset = 0;
  size_t size = 0;
};

// Turns input values into the bytes of a record of a given table: converts
// each value to its field's type and encodes text in the table's code page.
class RecordEncoder {
 public:
  RecordEncoder(const TableHeader& header, const TextCodec& codec, const std::string& table_name);

  // Fills `record` (the header's record length, deletion flag first) and
  // `memos` from `values`, one per visible field; the memo values' bytes
  // are put in `memo_bytes`. Memo pointers are left 0. Buffers are reused:
  // encoding allocates nothing once they have grown to a record's size.
  // A character of a text value that the code page cannot hold is stored
  // as "?" and counted for ReplacementNotices; `record_number` (from 1)
  // names the record there. Throws Error naming the table, the field and
  // the value's fault; nothing is counted then.
  void Encode(const std::vector<InputValue>& values, char* record,
              std::vector<PendingMemo>& memos, std::string& memo_bytes,
              uint64_t record_number) const;

  // The characters stored as "?" since the last call: one problem per
  // field with the count and the first one, with its record and value,
  // then a note naming the code pages that would have held every
  // character of the text encoded. Empty when nothing was replaced.
  std::vector<Notice> ReplacementNotices();

  // Stores a memo block number in the pointer of field `field`.
  void SetMemoPointer(char* record, size_t field, uint32_t block) const;

 private:
  void EncodeField(size_t index, const InputValue& value, char* record,
                   std::vector<PendingMemo>& memos, std::string& memo_bytes) const;
  // One function per kind of field, for a value that is not null: each
  // fills the field's bytes at `out` (or in `record`) or fails.
  void EncodeText(size_t index, const InputValue& value, char* record) const;
  void EncodeVarchar(size_t index, const InputValue& value, char* record) const;
  void EncodeMemo(size_t index, const InputValue& value, std::vector<PendingMemo>& memos,
                  std::string& memo_bytes) const;
  void EncodeNumber(const FieldDescriptor& f, const InputValue& value, char* out) const;
  void EncodeInteger(const FieldDescriptor& f, const InputValue& value, char* out) const;
  void EncodeDouble(const FieldDescriptor& f, const InputValue& value, char* out) const;
  void EncodeCurrency(const FieldDescriptor& f, const InputValue& value, char* out) const;
  void EncodeDate(const FieldDescriptor& f, const InputValue& value, char* out) const;
  void EncodeDateTime(const FieldDescriptor& f, const InputValue& value, char* out) const;
  void EncodeLogical(const FieldDescriptor& f, const InputValue& value, char* out) const;
  // The value's bytes (binary, or text in the table's code page) in a
  // buffer of the encoder's; fails when they are more than the field holds.
  const std::string& FieldBytes(size_t index, const InputValue& value, bool binary) const;
  // The value as a number; fails when it is not one.
  Decimal DecimalOf(const FieldDescriptor& f, const InputValue& value) const;
  // The date and time of a value for a date or datetime field (a time of
  // midnight for a date); false when it is blank. Fails for any other text.
  bool DateTimeOf(const FieldDescriptor& f, const InputValue& value, DateTime& date,
                  int64_t& milliseconds) const;
  [[noreturn]] void Fail(const FieldDescriptor& f, const std::string& problem) const;
  // Append the value's bytes to `out`: text in the table's code page (a
  // character it cannot hold as "?"), or
  // binary bytes (the bytes of a "\x" hex form, else the text's own).
  void AppendTextBytes(size_t field, const InputValue& value, std::string& out) const;
  void AppendBinaryBytes(const InputValue& value, std::string& out) const;
  void SetNullBit(char* record, int bit) const;

  // The characters of one field stored as "?".
  struct Replaced {
    uint64_t characters = 0;
    uint64_t first_record = 0;
    std::string first_character;  // its description
    std::string first_value;      // the value it was in, cut for a report
  };

  const TableHeader& header_;
  const TextCodec& codec_;
  std::string table_name_;
  // Replacements in the record being encoded (field, count, first) and
  // in the records encoded since ReplacementNotices.
  mutable std::vector<std::pair<size_t, Replaced>> replaced_in_record_;
  mutable std::vector<Replaced> replaced_;
  mutable CharacterSet characters_;
  mutable std::string scratch_;  // a fixed-width value's bytes while encoded
  mutable std::string bad_character_;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_RECORD_ENCODER_H_
