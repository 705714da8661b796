// The tables an operation on every table of a side takes, and their order.

#include <map>

#include "app/error_trap.h"
#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/postgresql_tables.h"
#include "transfer/postgresql_listing.h"
#include "transfer/table_commands.h"
#include "transfer/table_order.h"

namespace veltrane::transfer {
namespace {

// The listing step of the tables window's load routine, whose catalogue
// this reads again.
constexpr char kLoadProcedure[] = "Form2.Form_Load";
constexpr int kListPostgreSqlLine = 118;

// The user's own PostgreSQL tables among `entries`, parents first.
std::vector<std::string> UserTablesParentsFirst(const db::ConnectionSettings& settings,
                                                const std::vector<std::string>& entries) {
  db::Connection connection;
  connection.Open(db::PostgreSqlConnectionString(settings));
  const PostgreSqlListing listing = PostgreSqlListing::Read(connection);
  const db::PostgreSqlTableRelations relations = db::ReadPostgreSqlTableRelations(connection);
  connection.Close();

  std::vector<std::string> taken;
  std::map<uint32_t, size_t> index_of;  // by the table's oid
  for (const std::string& entry : entries) {
    const db::PostgreSqlTable* table = listing.Find(entry);
    if (!table || relations.left_out.count(table->oid) != 0) continue;
    index_of.emplace(table->oid, taken.size());
    taken.push_back(entry);
  }
  std::vector<std::pair<size_t, size_t>> references;
  for (const auto& [referencing, referenced] : relations.references) {
    const auto child = index_of.find(referencing), parent = index_of.find(referenced);
    if (child != index_of.end() && parent != index_of.end())
      references.emplace_back(child->second, parent->second);
  }
  std::vector<std::string> ordered;
  for (size_t index : ParentsFirst(taken.size(), references)) ordered.push_back(taken[index]);
  return ordered;
}

}  // namespace

CommandResult EveryTable(Side side, const db::ConnectionSettings& settings,
                         const app::TableList& listed, std::vector<std::string>& tables,
                         CommandHooks& hooks) {
  std::vector<std::string> entries;
  for (int i = 0; i < listed.Count(); ++i) entries.push_back(listed.Item(i));
  tables.clear();
  if (side == Side::kFoxPro) {
    tables = std::move(entries);
    return {};
  }
  app::ErrorTrap trap(hooks.reporter, kLoadProcedure);
  trap.Run(kListPostgreSqlLine, [&] { tables = UserTablesParentsFirst(settings, entries); });
  return {trap.failures()};
}

}  // namespace veltrane::transfer
