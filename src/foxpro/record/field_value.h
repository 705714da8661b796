#ifndef VELTRANE_FOXPRO_RECORD_FIELD_VALUE_H_
#define VELTRANE_FOXPRO_RECORD_FIELD_VALUE_H_

#include <string>
#include <string_view>

#include "foxpro/record/field.h"

namespace veltrane::foxpro {

// What the stored bytes of a field came to.
enum class FieldReading {
  kValue,    // a value of the field's type, in its text form
  kNull,     // blank: no value
  kInvalid,  // bytes that are no value of the type (a "." in a number)
  kUnknown,  // the engine does not know the type or this width of it
};

// True when the engine knows the field's type at its width (text, memo,
// Unicode text of whole characters, and the types ReadFixedField reads).
bool KnowsField(const FieldDescriptor& field);

// Reads the stored bytes of a field that holds numbers, dates, times or
// logical values (N F I + ^ B O Y D T @ = L, at the widths xBase programs
// write them) into its text form: numbers as plain decimals (binary
// integers divided by 10 to the power of their decimal count), dates as
// YYYY-MM-DD, times as YYYY-MM-DD HH:MM:SS[.mmm], logicals as true or
// false. `dbase7` selects dBase 7's encodings of I and + (big-endian, sign
// bit flipped) and @ (a big-endian double of milliseconds since the day
// before 0001-01-01). Text, memo and unknown types give kUnknown. `out` is
// only written for kValue.
FieldReading ReadFixedField(const FieldDescriptor& field, bool dbase7, std::string_view raw,
                            std::string& out);

// The UTF-16LE bytes that hold the value of a Unicode character field
// (field_type::kUnicodeChar or kUnicodeVarChar) whose stored bytes are
// `raw`: all of them for the fixed-width type; for the variable-length
// type as many characters as its last two bytes count (0xFFFF counts
// none), at most the characters the field has room for.
std::string_view UnicodeFieldValue(const FieldDescriptor& field, std::string_view raw);

// Appends UTF-16LE `bytes` to `out` as UTF-8. False, with `out` holding
// what came before the fault, for an odd byte count or a surrogate without
// its pair.
bool AppendUtf16LeAsUtf8(std::string_view bytes, std::string& out);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_FIELD_VALUE_H_
