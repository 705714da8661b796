#ifndef VELTRANE_FOXPRO_FILES_INDEX_KEYS_H_
#define VELTRANE_FOXPRO_FILES_INDEX_KEYS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "foxpro/record/dbf_header.h"

namespace veltrane::foxpro {

struct IndexExpression;

// Makes the keys of an index tag from the records of its table, as FoxPro
// makes them with the collation "Machine" (keys compared byte by byte):
//   - a character key: fields C and V (padded with blanks to their width),
//     UPPER() or LOWER() of one, STR(number[, width[, decimals]]) and
//     DTOS(date), joined with +;
//   - a binary key: one field N, F or B alone (8 bytes: the double,
//     big-endian, the sign bit flipped when positive, every bit when
//     negative), I (4 bytes: big-endian, the sign bit flipped), D (the
//     Julian day number as such a double).
// A key over fields that take null starts with one more byte: 0x80, or 0
// when the key is null (the rest then all filler). The only FOR filter made
// is !DELETED() (in its spellings .NOT. and NOT too), which leaves deleted
// records out.
class KeyMaker {
 public:
  // `long_names` gives a container table's long field names (one per
  // visible field, empty where none); expressions name fields by either
  // name. Throws Error saying what is not made here.
  KeyMaker(const TableHeader& header, const std::vector<std::string>& long_names,
           const std::string& key_expression, const std::string& filter_expression);

  size_t length() const { return length_; }
  // The byte that pads the key's end: a blank for character keys, 0 else.
  char filler() const { return character_ ? ' ' : '\0'; }
  // False for a record the filter leaves out.
  bool Includes(const char* record) const;
  // The key of `record` (record_length bytes, delete flag first).
  void Make(const char* record, std::string& key) const;

 private:
  struct Term {
    enum class Kind { kText, kUpper, kLower, kStr, kDtos, kNumber, kInteger, kDate } kind;
    FieldDescriptor field;
    int width = 0;     // kStr
    int decimals = 0;  // kStr
  };

  Term ReadTerm(const IndexExpression& term, bool alone) const;
  const FieldDescriptor& FindField(const std::string& name) const;
  bool IsNull(const char* record, const FieldDescriptor& field) const;
  void AppendText(const char* record, const FieldDescriptor& field, std::string& key) const;
  void AppendTerm(const char* record, const Term& term, std::string& key) const;

  const TableHeader& header_;
  const std::vector<std::string>& long_names_;
  std::string expression_;
  std::vector<Term> terms_;
  bool character_ = true;
  bool nullable_ = false;
  bool live_only_ = false;
  size_t length_ = 0;
};

// The key bytes of a double and of an integer as FoxPro's index stores
// them (see KeyMaker).
std::string DoubleKey(double value);
std::string IntegerKey(int32_t value);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_INDEX_KEYS_H_
