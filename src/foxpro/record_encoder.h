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
// the record, whose pointer field is then filled in.
struct PendingMemo {
  size_t field = 0;  // index into the header's fields
  uint32_t type = 0;
  std::string data;
};

// Turns input values into the bytes of a record of a given table: converts
// each value to its field's type and encodes text in the table's code page.
class RecordEncoder {
 public:
  RecordEncoder(const TableHeader& header, const TextCodec& codec, const std::string& table_name);

  // Fills `record` (the header's record length, deletion flag first) and
  // `memos` from `values`, one per visible field. Memo pointers are left 0.
  // Throws Error naming the table, the field and the value's fault.
  void Encode(const std::vector<InputValue>& values, std::string& record,
              std::vector<PendingMemo>& memos) const;

  // Stores a memo block number in the pointer of field `field`.
  void SetMemoPointer(std::string& record, size_t field, uint32_t block) const;

 private:
  void EncodeField(size_t index, const InputValue& value, std::string& record,
                   std::vector<PendingMemo>& memos) const;
  [[noreturn]] void Fail(const FieldDescriptor& f, const std::string& problem) const;
  std::string TextBytes(const FieldDescriptor& f, const InputValue& value) const;
  std::string BinaryBytes(const InputValue& value) const;
  void SetNullBit(std::string& record, int bit) const;

  const TableHeader& header_;
  const TextCodec& codec_;
  std::string table_name_;
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
