#ifndef VELTRANE_DB_COPY_BINARY_H_
#define VELTRANE_DB_COPY_BINARY_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltrane::db {

// PostgreSQL's COPY binary format: a header, then per row a 16-bit field
// count and per field a 32-bit length (-1 for null) and the value in its
// type's binary form, then a trailer; every number big-endian. The server
// stores such values without parsing their text, which makes typed columns
// (numbers, dates, booleans) much cheaper to load than in the text format.

// The signature, the flags (no OIDs) and the header extension's length.
inline constexpr std::string_view kCopyBinaryHeader{"PGCOPY\n\377\r\n\0\0\0\0\0\0\0\0\0", 19};
// The field count -1 that ends the data.
inline constexpr std::string_view kCopyBinaryTrailer{"\377\377", 2};

// The column types whose binary form this file writes.
enum class PgBinaryType {
  kText,       // text, varchar, varchar(n), char(n): the UTF-8 bytes
  kBytea,      // from the "\x" hex text form
  kSmallInt,
  kInteger,
  kBigInt,
  kDouble,     // double precision
  kNumeric,    // numeric, numeric(p,s)
  kDate,
  kTimestamp,  // timestamp without time zone
  kTime,       // time without time zone
  kBoolean,
};

// The binary type of a column type as CREATE TABLE names it ("varchar(30)",
// "numeric(12,2)", "double precision", ...); nullopt for a type not above.
std::optional<PgBinaryType> PgBinaryTypeOf(std::string_view sql_type);

// Starts a row of `fields` fields.
void AppendCopyBinaryRowStart(std::string& out, int16_t fields);

// Appends a null field.
void AppendCopyBinaryNull(std::string& out);

// Appends the field that stores exactly what the server would store for
// `text` in a column of `type` (integer, plain decimal or exponent number,
// YYYY-MM-DD, YYYY-MM-DD HH:MM:SS[.ffffff], HH:MM:SS[.ffffff], true or
// false, a "\x" hex form; for kText any text). Returns false, leaving `out`
// as it was, for a text in any other form or beyond the type's range: such
// a value must go in the text form, where the server decides.
bool AppendCopyBinaryValue(std::string& out, PgBinaryType type, std::string_view text);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_COPY_BINARY_H_
