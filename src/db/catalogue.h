#ifndef VELTRANE_DB_CATALOGUE_H_
#define VELTRANE_DB_CATALOGUE_H_

#include <functional>
#include <string>

#include "db/connection_settings.h"

namespace veltrane::db {

// Where a listing routine puts its entries: clear() empties the list, add()
// adds one name.
struct ListSink {
  std::function<void()> clear;
  std::function<void(const std::string&)> add;
};

// Lists the FoxPro tables of the database `settings` choose: the
// rows of the tables schema record set (query type 20) whose "TABLE_TYPE" is
// exactly "TABLE", by "TABLE_NAME". The list is cleared once the schema has
// been read; yield() runs once before each added entry. Throws Error (the
// list keeps what was added before the failure). A table the schema
// describes as damaged (a "DESCRIPTION") is left out; once the others are
// listed, one Error names every such table and what is wrong with it.
void ListFoxProTables(const ListSink& list, const ConnectionSettings& settings,
                      const std::function<void()>& yield);

// Lists the PostgreSQL tables of every schema (the system catalogue's tables
// too), each under its listed name (see postgresql_tables.h): the bare name
// where that reaches the table, else schema.table. Same clearing, yield and
// failure rules as ListFoxProTables.
void ListPostgreSQLTables(const ListSink& list, const ConnectionSettings& settings,
                          const std::function<void()>& yield);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_CATALOGUE_H_
