#ifndef VELTRANE_DB_POSTGRESQL_TABLES_H_
#define VELTRANE_DB_POSTGRESQL_TABLES_H_

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "db/connection.h"

namespace veltrane::db {

// One PostgreSQL table as the table list shows it.
//
// A table that its bare name reaches (the first relation of that name on the
// search path, as an unqualified name in a statement finds it) is listed by
// its bare name. Any other table (outside the search path, or shadowed by
// one of the same name earlier on it) is listed as schema.table, a name part
// double-quoted when PostgreSQL would need it quoted (staging.city,
// staging."City", "my schema".city). Where that spelling equals the bare
// name of a listed table (a table named "staging.city" in public), both
// parts are quoted ("staging"."city"); where even that is a listed bare
// name, that bare-named table is listed qualified instead. So every listed
// name stands for exactly one table.
struct PostgreSqlTable {
  uint32_t oid = 0;
  std::string schema;  // the names as the catalogue holds them
  std::string name;
  std::string listed;  // the list's entry
  bool bare = false;   // listed by its bare name
};

// Every table of the database (pg_tables: ordinary and partitioned tables of
// every schema, the system catalogue's too), each with its listed name, in
// the catalogue's order. Throws Error.
std::vector<PostgreSqlTable> ReadPostgreSqlTables(Connection& connection);

// What an operation on "every table" needs beyond the names: which tables
// are not the user's own or hold no rows of their own, and which table
// refers to which.
struct PostgreSqlTableRelations {
  // Tables of pg_catalog and information_schema, temporary tables of other
  // sessions (no other session can read them), and partitions (their
  // partitioned parent is listed too and holds their rows).
  std::set<uint32_t> left_out;
  // (referencing, referenced) for each foreign key between two tables,
  // a partition taking the place of its topmost partitioned parent; a
  // table referring to itself is left out.
  std::vector<std::pair<uint32_t, uint32_t>> references;
};

// Reads them. Throws Error.
PostgreSqlTableRelations ReadPostgreSqlTableRelations(Connection& connection);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_POSTGRESQL_TABLES_H_
