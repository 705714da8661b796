#ifndef VELTRANE_TRANSFER_TYPED_COLUMNS_H_
#define VELTRANE_TRANSFER_TYPED_COLUMNS_H_

#include <string>

#include "db/backend.h"

namespace veltrane::transfer {

// The typed column mapping: each direction builds a target column that
// keeps the source column's type, so that a table survives a round trip
// with its types and values. (The classic mapping is column_types.h.)

// How a FoxPro value's text (see typed_values.h) goes to its PostgreSQL
// column.
enum class PgValueForm {
  kAsIs,         // the text as read (memo, varchar, integers, doubles, bytea)
  kTrimmed,      // without the trailing blanks that pad a character field
  kNumeric,      // a decimal number that fits the column's precision
  kBigInt,       // a whole number within bigint's range
  kBoolean,      // "true" or "false"
  kDate,         // YYYY-MM-DD
  kTimestamp,    // YYYY-MM-DD HH:MM:SS with an optional fraction
  kTime,         // HH:MM:SS with an optional fraction
};

// The PostgreSQL column made for a FoxPro field.
struct PgColumnPlan {
  std::string type;  // "varchar(12)", "numeric(12,2)", "date", ...
  bool not_null = false;
  PgValueForm form = PgValueForm::kAsIs;
  int precision = 0;  // kNumeric with a precision: at most this many digits,
  int scale = 0;      // this many of them after the point
  int length = 0;     // varchar(n): at most this many characters
};

// The column for a FoxPro field (details of a FoxPro field; another
// backend's column becomes text). C(n) and V(n) become varchar(n), memo
// text, N and F numeric wide enough for every value of the field (N(20,0),
// the field bigint comes back as, becomes bigint), I integer, B double
// precision, Y numeric(19,4), D date, T timestamp, L boolean; blob,
// general, picture, varbinary and binary character and memo fields bytea;
// the dBase, Clipper and Harbour types their nearest type (integers of 1
// to 8 bytes smallint, integer or bigint, or, with decimals, numeric wide
// enough for every value; a 4-byte time of day time; Unicode text
// varchar(n) of its characters); a field the engine reads as its stored
// bytes text. A field without the null flag is
// NOT NULL unless blank values (which read as null) can stand in it: N, F,
// D, T, L, the memo types and fields of width 0 stay nullable.
PgColumnPlan PlanPostgreSqlColumn(const db::ColumnDetails& field);

// The text after the column name in CREATE TABLE: " varchar(12) NOT NULL,".
std::string TypedPostgreSqlColumnText(const PgColumnPlan& plan);

// How a PostgreSQL value's text goes to its FoxPro field.
enum class FoxProValueForm {
  kAsIs,         // the text as the server gives it
  kNumber,       // a decimal number that must fit the field's width
  kDouble,       // a finite double (not NaN or infinity)
  kCurrency,     // a decimal within the currency range
  kDate,         // a date of the years 1 to 9999
  kDateTime,     // a timestamp of the years 1 to 9999
  kDateTimeUtc,  // a timestamp with a zone offset, converted to UTC
};

// The FoxPro field made for a PostgreSQL column.
struct FoxProFieldPlan {
  char type = 'M';   // C V M N I B Y D T L W
  int width = 0;     // C, V: width; N: precision
  int decimals = 0;  // N: scale
  bool nullable = true;
  FoxProValueForm form = FoxProValueForm::kAsIs;
};

// The field for a PostgreSQL column (details of a PostgreSQL column):
// smallint and integer I, bigint N(20,0), numeric(p,s) N(p+1,s) (N(p,0)
// without a scale, so that N(p+1,s) comes back as numeric(p,s)) when at
// most 20 wide, real and double precision B, money Y, boolean L, date D,
// timestamp and timestamptz T, char(n) and varchar(n) up to 254 C(n) and
// V(n), bytea a blob; anything else (longer or unbounded text, unbounded
// numeric, json, arrays, uuid, time, ...) a memo holding the text. A
// column that allows null gets the null flag. `character_bytes` is the
// most bytes one character takes in the table's code page: char(n) and
// varchar(n) get n times as many bytes (a memo when that is more than a
// field holds), so that n characters always fit.
FoxProFieldPlan PlanFoxProField(const db::ColumnDetails& column, int character_bytes = 1);

// The text after the field name in CREATE TABLE: " N(13,2) NULL,".
std::string TypedFoxProColumnText(const FoxProFieldPlan& plan);

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_TYPED_COLUMNS_H_
