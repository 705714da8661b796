#include "app/postgresql_schema_setting.h"

#include "db/pg_name_limit.h"

namespace veltrane::app {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Why `word` cannot name the schema, or the empty text.
std::string Refusal(const std::string& word) {
  const std::string start = "The schema name \"" + word + "\" is not taken: ";
  if (word.size() > db::kPostgreSqlNameBytes)
    return start + "it is " + std::to_string(word.size()) + " bytes long, and PostgreSQL keeps " +
           "only the first " + std::to_string(db::kPostgreSqlNameBytes) +
           " bytes of a name. Give a shorter name.";
  if (IsBlank(word.front()) || IsBlank(word.back()))
    return start + "it begins or ends with a blank. Give the name without them.";
  for (char c : word)
    if (IsControl(c)) return start + "it holds a control character. Give the name without it.";
  if (word.rfind("pg_", 0) == 0 || word == "information_schema")
    return start + "PostgreSQL keeps information_schema and the names that begin with \"pg_\" "
                   "for itself. Give another name.";
  return "";
}

}  // namespace

PostgreSqlSchema ParsePostgreSqlSchema(const std::string& word) {
  if (word.empty()) return {};
  return {word, Refusal(word)};
}

PostgreSqlSchema ReadPostgreSqlSchema(const SettingsStore& store) {
  return ParsePostgreSqlSchema(store.Read(kPostgreSqlSchemaSetting));
}

}  // namespace veltrane::app
