#ifndef VELTRANE_DB_PG_NAME_LIMIT_H_
#define VELTRANE_DB_PG_NAME_LIMIT_H_

#include <cstddef>

namespace veltrane::db {

// PostgreSQL keeps at most this many bytes of a name (of a table, column or
// schema) and silently cuts a longer one: a table would then be created,
// listed and looked for under names that differ.
inline constexpr size_t kPostgreSqlNameBytes = 63;

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_NAME_LIMIT_H_
