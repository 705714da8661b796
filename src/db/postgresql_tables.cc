#include "db/postgresql_tables.h"

#include <cstdlib>
#include <map>

namespace veltrane::db {
namespace {

// The tables of pg_tables with the three spellings a listing may give
// each: its bare name, schema.table quoted where PostgreSQL needs it, and
// both parts quoted. "bare" marks a table its bare name reaches.
constexpr const char* kTablesQuery =
    "SELECT c.oid::text, n.nspname::text, c.relname::text, "
    "quote_ident(n.nspname) || '.' || quote_ident(c.relname), "
    "'\"' || replace(n.nspname, '\"', '\"\"') || '\".\"' || replace(c.relname, '\"', '\"\"') || "
    "'\"', "
    "CASE WHEN pg_catalog.pg_table_is_visible(c.oid) THEN 'bare' ELSE '' END "
    "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
    "WHERE c.relkind IN ('r', 'p')";

// The tables of pg_tables an operation on every table leaves out.
constexpr const char* kLeftOutQuery =
    "SELECT c.oid::text FROM pg_catalog.pg_class c "
    "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
    "WHERE c.relkind IN ('r', 'p') AND (n.nspname IN ('pg_catalog', 'information_schema') "
    "OR pg_catalog.pg_is_other_temp_schema(n.oid) OR c.relispartition)";

// Each foreign key's two tables, partitions taken as their topmost parent.
constexpr const char* kReferencesQuery =
    "SELECT DISTINCT COALESCE(pg_catalog.pg_partition_root(conrelid)::oid, conrelid)::text, "
    "COALESCE(pg_catalog.pg_partition_root(confrelid)::oid, confrelid)::text "
    "FROM pg_catalog.pg_constraint WHERE contype = 'f'";

uint32_t OidOf(const std::string& text) {
  return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
}

// Each row of `query`, its values as texts.
std::vector<std::vector<std::string>> Rows(Connection& connection, const char* query) {
  RecordSet rows = connection.Execute(query);
  std::vector<std::vector<std::string>> result;
  const Fields fields = rows.GetFields();
  while (!rows.Eof()) {
    std::vector<std::string>& row = result.emplace_back();
    for (int f = 0; f < fields.Count(); ++f) row.push_back(fields[f].Value().Text());
    rows.MoveNext();
  }
  rows.Close();
  return result;
}

// How a table is listed: by its bare name, qualified with parts quoted as
// needed, or qualified with both parts quoted.
enum class Spelling { kBare, kQualified, kQuoted };

struct Candidate {
  PostgreSqlTable table;
  std::string qualified, quoted;
  Spelling spelling;
  const std::string& Listed() const {
    return spelling == Spelling::kBare ? table.name
           : spelling == Spelling::kQualified ? qualified
                                               : quoted;
  }
};

// Gives a qualified name that equals a bare-listed one the next spelling:
// quoted, or, when it is quoted already, the bare-listed table is listed
// qualified. Spellings only move forward, so this ends. Qualified names
// never equal one another, since each reads back as exactly one
// schema and name.
void SettleSpellings(std::vector<Candidate>& tables) {
  for (bool changed = true; changed;) {
    changed = false;
    std::map<std::string, size_t> bare;
    for (size_t i = 0; i < tables.size(); ++i)
      if (tables[i].spelling == Spelling::kBare) bare.emplace(tables[i].table.name, i);
    for (Candidate& table : tables) {
      if (table.spelling == Spelling::kBare) continue;
      const auto clash = bare.find(table.Listed());
      if (clash == bare.end()) continue;
      if (table.spelling == Spelling::kQualified) {
        table.spelling = Spelling::kQuoted;
      } else {
        tables[clash->second].spelling = Spelling::kQualified;
      }
      changed = true;
      break;
    }
  }
}

}  // namespace

std::vector<PostgreSqlTable> ReadPostgreSqlTables(Connection& connection) {
  std::vector<Candidate> candidates;
  for (std::vector<std::string>& row : Rows(connection, kTablesQuery)) {
    const bool bare = row[5] == "bare";
    candidates.push_back(Candidate{{OidOf(row[0]), std::move(row[1]), std::move(row[2]), "", false},
                                   std::move(row[3]),
                                   std::move(row[4]),
                                   bare ? Spelling::kBare : Spelling::kQualified});
  }
  SettleSpellings(candidates);
  std::vector<PostgreSqlTable> tables;
  tables.reserve(candidates.size());
  for (Candidate& candidate : candidates) {
    candidate.table.listed = candidate.Listed();
    candidate.table.bare = candidate.spelling == Spelling::kBare;
    tables.push_back(std::move(candidate.table));
  }
  return tables;
}

PostgreSqlTableRelations ReadPostgreSqlTableRelations(Connection& connection) {
  PostgreSqlTableRelations relations;
  for (const std::vector<std::string>& row : Rows(connection, kLeftOutQuery))
    relations.left_out.insert(OidOf(row[0]));
  for (const std::vector<std::string>& row : Rows(connection, kReferencesQuery)) {
    const uint32_t referencing = OidOf(row[0]), referenced = OidOf(row[1]);
    if (referencing != referenced) relations.references.emplace_back(referencing, referenced);
  }
  return relations;
}

}  // namespace veltrane::db
