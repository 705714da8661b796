#ifndef VELTRANE_FOXPRO_FIELD_VALUE_H_
#define VELTRANE_FOXPRO_FIELD_VALUE_H_

#include <string>
#include <string_view>

#include "foxpro/field.h"

namespace veltrane::foxpro {

// What the stored bytes of a field came to.
enum class FieldReading {
  kValue,    // a value of the field's type, in its text form
  kNull,     // blank: no value
  kInvalid,  // bytes that are no value of the type (a "." in a number)
  kUnknown,  // the engine does not know the type or this width of it
};

// True when the engine knows the field's type at its width (text, memo,
// and the types ReadFixedField reads).
bool KnowsField(const FieldDescriptor& field);

// Reads the stored bytes of a field that holds numbers, dates, times or
// logical values (N F I + ^ B O Y D T @ = L, at the widths xBase programs
// write them) into its text form: numbers as plain decimals, dates as
// YYYY-MM-DD, times as YYYY-MM-DD HH:MM:SS[.mmm], logicals as true or
// false. `dbase7` selects dBase 7's big-endian, sign-flipped encodings of
// I, + and @. Text, memo and unknown types give kUnknown. `out` is only
// written for kValue.
FieldReading ReadFixedField(const FieldDescriptor& field, bool dbase7, std::string_view raw,
                            std::string& out);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FIELD_VALUE_H_
