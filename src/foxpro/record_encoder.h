#ifndef VELTRANE_FOXPRO_RECORD_ENCODER_H_
#define VELTRANE_FOXPRO_RECORD_ENCODER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "foxpro/codepage.h"
#include "foxpro/dbf_header.h"
#include "foxpro/table_writer.h"

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
  // Throws Error naming the table, the field and the value's fault.
  void Encode(const std::vector<InputValue>& values, char* record,
              std::vector<PendingMemo>& memos, std::string& memo_bytes) const;

  // Stores a memo block number in the pointer of field `field`.
  void SetMemoPointer(char* record, size_t field, uint32_t block) const;

 private:
  void EncodeField(size_t index, const InputValue& value, char* record,
                   std::vector<PendingMemo>& memos, std::string& memo_bytes) const;
  [[noreturn]] void Fail(const FieldDescriptor& f, const std::string& problem) const;
  // Append the value's bytes to `out`: text in the table's code page, or
  // binary bytes (the bytes of a "\x" hex form, else the text's own).
  void AppendTextBytes(const FieldDescriptor& f, const InputValue& value, std::string& out) const;
  void AppendBinaryBytes(const InputValue& value, std::string& out) const;
  void SetNullBit(char* record, int bit) const;

  const TableHeader& header_;
  const TextCodec& codec_;
  std::string table_name_;
  mutable std::string scratch_;  // a fixed-width value's bytes while encoded
  mutable std::string bad_character_;
};

// Text forms accepted for typed fields, as exact decimals.
struct Decimal {
  bool negative = false;
  std::string digits;  // without leading zeros; empty for zero
  int exponent = 0;    // value = digits x 10^exponent
};
bool ParseDecimal(std::string_view text, Decimal& out);
// `value` rounded half away from zero to `places` decimal places, as text
// with exactly that many places ("-12.50"); "0" for zero without places.
std::string FormatDecimal(const Decimal& value, int places);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_ENCODER_H_
