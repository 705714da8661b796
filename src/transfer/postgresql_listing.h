#ifndef VELTRANE_TRANSFER_POSTGRESQL_LISTING_H_
#define VELTRANE_TRANSFER_POSTGRESQL_LISTING_H_

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/table_list.h"
#include "db/connection.h"
#include "db/postgresql_tables.h"

namespace veltrane::transfer {

// The PostgreSQL tables as the table list names them (see
// db/postgresql_tables.h), read from the catalogue at one moment: which
// table an entry of the list stands for, and how a statement names it.
class PostgreSqlListing {
 public:
  PostgreSqlListing() = default;
  // Reads the catalogue. Throws db::Error.
  static PostgreSqlListing Read(db::Connection& connection);

  // The table listed as `entry`; else, when `entry` spells schema.table
  // (as a list made earlier may still show a table whose listed name has
  // changed since), that table; else null.
  const db::PostgreSqlTable* Find(const std::string& entry) const;
  // The table `name` of `schema` (both exact), or null.
  const db::PostgreSqlTable* Find(const std::string& schema, const std::string& name) const;
  const db::PostgreSqlTable* Find(uint32_t oid) const;

  // How a statement names the table `entry` stands for (see Find): a table
  // listed by its bare name as `entry`, and an entry that stands for no
  // table, by the entry quoted (so that the server's own message names a
  // table that is gone); any other table by its schema and name quoted.
  std::string Sql(const std::string& entry) const;

  // Gives the entries of `list` whose tables `now` lists under other names
  // (a new table now shadows theirs on the search path) those names.
  void UpdateEntries(app::TableList& list, const PostgreSqlListing& now) const;

 private:
  std::vector<db::PostgreSqlTable> tables_;
  // Indexes into tables_.
  std::unordered_map<std::string, size_t> by_entry_;
  std::map<std::pair<std::string, std::string>, size_t> by_name_;  // schema, name
  std::unordered_map<uint32_t, size_t> by_oid_;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_POSTGRESQL_LISTING_H_
