#ifndef VELTRANE_DB_PG_ROWS_H_
#define VELTRANE_DB_PG_ROWS_H_

#include <libpq-fe.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/backend.h"
#include "db/value.h"

namespace veltrane::db {

// The access layer's type code of a PostgreSQL type: int2 2, int4 and oid 3,
// int8 20, float4 4, float8 5, numeric 131, money 6, bool 11, char and
// bpchar 130, varchar 202, date 133, time 134, timestamp and timestamptz
// 135, bytea 205, uuid 72, anything else 203 (its text form).
int16_t TypeCodeOfPgType(Oid type);

// Which columns of `result` come straight from a table column declared
// NOT NULL, asked of the server's catalogue on `conn` (one query, made only
// when some column comes from a table). Works on any result that describes
// columns, also one without rows. Throws PgStatementError.
std::vector<bool> NotNullColumns(PGconn* conn, const PGresult* result);

// A column's PostgreSQL type as the server describes it.
struct PgColumnType {
  Oid type = 0;
  int modifier = -1;  // the type modifier (typmod): length, precision, ...
};

// Turns the rows of text-format libpq results, or the lines of a text-format
// COPY ... TO STDOUT, into field values. Built once from the first result
// of a statement (or its description); every later batch of the same
// statement has the same columns.
//
// Booleans become "true"/"false", money a plain decimal; every other value
// keeps the server's text form. Values reuse the buffers of `row`.
class PgRowDecoder {
 public:
  // Columns get their type's OID and modifier from `result`.
  explicit PgRowDecoder(const PGresult* result);

  // Describes the columns marked in `not_null` (see NotNullColumns) as not
  // nullable.
  void MarkNotNull(const std::vector<bool>& not_null);

  const std::vector<ColumnInfo>& columns() const { return columns_; }
  const std::vector<PgColumnType>& column_types() const { return types_; }

  // Fills `row` (resized to the column count) with row `index` of `result`.
  // Returns the row's size in bytes on the wire.
  size_t Decode(const PGresult* result, int index, std::vector<Value>& row) const;

  // Fills `row` (resized to the column count) from one COPY text line
  // (without its line feed): fields separated by tabs, \N for null,
  // backslash escapes undone. Returns false when the line does not hold
  // one field per column.
  bool DecodeCopyLine(std::string_view line, std::vector<Value>& row) const;

 private:
  enum class Form : uint8_t { kText, kBoolean, kMoney };
  void Assign(size_t column, const char* text, size_t length, Value& value) const;

  std::vector<ColumnInfo> columns_;
  std::vector<PgColumnType> types_;
  std::vector<Form> forms_;
  mutable std::string unescaped_;
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_ROWS_H_
