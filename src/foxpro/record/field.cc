#include "foxpro/record/field.h"

#include "foxpro/record/row.h"

namespace veltrane::foxpro {

int16_t FieldDescriptor::type_code() const {
  switch (type) {
    case 'C': return binary() ? type_code::kBinaryChar : type_code::kChar;
    case 'V': return binary() ? type_code::kVarBinary : type_code::kVarChar;
    case 'M': return binary() ? type_code::kBinaryMemo : type_code::kMemo;
    case 'N':
    case 'F': return type_code::kNumeric;
    // Integers wider than 32 bits, and those with decimals, arrive as
    // numerals.
    case 'I':
    case '+': return length <= 4 && decimals == 0 ? type_code::kInteger : type_code::kNumeric;
    case '^': return type_code::kNumeric;
    case 'B': return length == 8 ? type_code::kDouble : type_code::kBinaryMemo;
    case 'O': return type_code::kDouble;
    case 'Y': return type_code::kCurrency;
    case 'D': return type_code::kDate;
    case 'T':
    case '@':
    case '=': return type_code::kDateTime;
    case 'L': return type_code::kLogical;
    case 'G':
    case 'P':
    case 'W': return type_code::kBinaryMemo;
    case 'Q': return type_code::kVarBinary;
    case field_type::kUnicodeChar: return type_code::kChar;
    case field_type::kUnicodeVarChar: return type_code::kVarChar;
    default: return type_code::kChar;
  }
}

}  // namespace veltrane::foxpro
