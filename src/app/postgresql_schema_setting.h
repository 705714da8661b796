#ifndef VELTRANE_APP_POSTGRESQL_SCHEMA_SETTING_H_
#define VELTRANE_APP_POSTGRESQL_SCHEMA_SETTING_H_

#include <string>

#include "app/settings_store.h"

namespace veltrane::app {

// The schema that tables sent to PostgreSQL go into, as the setting
// PostgreSQLSchema and the command line's --schema give it: a schema name,
// taken exactly as written (case and all); the empty text for none, which
// leaves the tables where a CREATE TABLE without a schema puts them (the
// first schema of the search path).
inline constexpr char kPostgreSqlSchemaSetting[] = "PostgreSQLSchema";

struct PostgreSqlSchema {
  std::string name;
  // Not empty when the name given is not taken: why, in words for the user.
  // Nothing is sent to PostgreSQL then.
  std::string refusal;

  bool chosen() const { return !name.empty(); }
};

// The choice `word` spells. Refused: a name longer than PostgreSQL keeps
// (63 bytes), one with blanks at either end or a control character in it,
// and the system's own schemas (information_schema, and every name that
// begins with "pg_", which PostgreSQL keeps for itself).
PostgreSqlSchema ParsePostgreSqlSchema(const std::string& word);

// The remembered choice.
PostgreSqlSchema ReadPostgreSqlSchema(const SettingsStore& store);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_POSTGRESQL_SCHEMA_SETTING_H_
