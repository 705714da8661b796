#ifndef VELTRANE_TRANSFER_COLUMN_TYPES_H_
#define VELTRANE_TRANSFER_COLUMN_TYPES_H_

#include <cstdint>
#include <string>

#include "db/copy_binary.h"

namespace veltrane::transfer {

// Both transfers choose a target column type from the source field's type
// name (db::AdoTypeName, lower-cased; a code without a name counts as the
// empty text) by the first of these words it contains, tested in this order.

// The column text after a column name in the CREATE TABLE sent to
// PostgreSQL: " text," for "char", " FLOAT," for "single", " INT," for "int",
// " text," for "date", "currency" and "bool", " FLOAT," for "double",
// " BYTEA," for "adlongvarbinary", and " text," for anything else.
const char* PostgreSqlColumnText(int16_t type_code);

// The binary COPY form of the column PostgreSqlColumnText gives: kText for
// text, kDouble for FLOAT, kInteger for INT, kBytea for BYTEA.
db::PgBinaryType PostgreSqlColumnBinaryType(int16_t type_code);

// The column text after a field name in the CREATE TABLE sent to FoxPro:
// " BLOB," for "adlongvarbinary" (only reached when none of the earlier
// words matched), " M," (memo) for everything else.
const char* FoxProColumnText(int16_t type_code);

// The lower-cased type name of a code; empty for a code without a name.
std::string LowerTypeName(int16_t type_code);

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_COLUMN_TYPES_H_
