#ifndef VELTRANE_TRANSFER_POSTGRESQL_NAMES_H_
#define VELTRANE_TRANSFER_POSTGRESQL_NAMES_H_

#include <cstddef>
#include <string>
#include <vector>

#include "db/pg_name_limit.h"

namespace veltrane::transfer {

using db::kPostgreSqlNameBytes;

// Throws db::Error naming the table when `name` is longer than PostgreSQL
// keeps (counted in bytes of UTF-8).
void CheckPostgreSqlTableName(const std::string& name);

// Column names that PostgreSQL keeps whole: a longer name is cut at a
// character boundary and, when that clashes with another column, its end
// replaced by "_2", "_3", ... Returns the names to use, in order; `changed`
// gets "\"long\" as \"short\"" for each shortened one, comma-separated.
std::vector<std::string> PostgreSqlColumnNames(const std::vector<std::string>& names,
                                               std::string& changed);

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_POSTGRESQL_NAMES_H_
