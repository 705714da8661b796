#ifndef VELTRANE_FOXPRO_RECORD_FIELD_H_
#define VELTRANE_FOXPRO_RECORD_FIELD_H_

#include <cstdint>
#include <string>

namespace veltrane::foxpro {

// Field descriptor flags of a Visual FoxPro table header. Harbour writes
// them into tables of other versions too, together with a hidden
// _NullFlags field; other writers' tables have none.
namespace field_flag {
inline constexpr uint8_t kSystem = 0x01;    // hidden column (_NullFlags)
inline constexpr uint8_t kNullable = 0x02;  // may hold null
inline constexpr uint8_t kBinary = 0x04;    // no code-page translation
inline constexpr uint8_t kAutoIncrement = 0x0C;
}  // namespace field_flag

// Type bytes of Harbour's Unicode character fields, both UTF-16LE: fixed
// width (width = 2 bytes a character), and variable length (2 bytes a
// character, then the length in characters as a 16-bit little-endian
// number). Both keep the high byte of their width in the decimal count.
namespace field_type {
inline constexpr char kUnicodeChar = '\x1A';
inline constexpr char kUnicodeVarChar = '\x1B';
}  // namespace field_type

// One field of a table as its header describes it.
struct FieldDescriptor {
  std::string name;      // the header's name bytes (undecoded, padding removed)
  char type = 'C';       // C V M N F I B Y D T L G W Q, and other writers' types
  uint32_t offset = 0;   // displacement of the field within a record
  uint16_t length = 0;   // in bytes; above 255 only for wide character fields
  uint8_t decimals = 0;
  uint8_t flags = 0;
  int null_bit = -1;     // bit in _NullFlags marking null, -1 if none
  int varlen_bit = -1;   // V/Q: bit in _NullFlags marking "shorter than full"
  uint32_t autoinc_next = 0;  // autoincrement: the next value
  uint8_t autoinc_step = 0;   // autoincrement: the step (0 when not one)

  bool binary() const { return (flags & field_flag::kBinary) != 0; }
  bool nullable() const { return (flags & field_flag::kNullable) != 0; }
  bool autoincrement() const {
    return (flags & field_flag::kAutoIncrement) == field_flag::kAutoIncrement;
  }
  // The type code the access layer reports (see row.h).
  int16_t type_code() const;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_FIELD_H_
