// Listing the tables of a side, dropping tables, renaming a PostgreSQL
// table, and making a new database container.

#include "app/error_trap.h"
#include "db/catalogue.h"
#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/error.h"
#include "foxpro/codepages/codepage.h"
#include "foxpro/files/container.h"
#include "transfer/postgresql_listing.h"
#include "transfer/postgresql_names.h"
#include "transfer/sql_names.h"
#include "transfer/table_commands.h"

namespace veltrane::transfer {
namespace {

// The steps of the tables window's load routine that list each side.
constexpr char kLoadProcedure[] = "Form2.Form_Load";
constexpr int kListFoxProLine = 116;
constexpr int kListPostgreSqlLine = 118;

// The statement numbers of each side's drop command, in the order its
// statements stand. FoxPro: 100 create the connection, 102 hourglass, 104
// (not used), 106 open, 108-114 the selection test with its message, 116
// the walk, 118 the selected test, 120 DROP TABLE, 122 remove the entry,
// 124 default pointer. PostgreSQL: the same without 104, each number after
// it 2 less.
struct DropLines {
  const char* procedure;
  int open, drop, remove_entry;
};
constexpr DropLines kFoxProDrop{"Form2.PushButton1_Click", 106, 120, 122};
constexpr DropLines kPostgreSqlDrop{"Form2.PushButton5_Click", 104, 118, 120};

// Statement numbers of the rename command: 100 create, 102 hourglass,
// 104 open, 106-112 the current-item test, 114-120 the one-selected test,
// 122 the walk, 124 the selected test, 126 old name, 128 input box, 130 the
// empty-answer test, 132 ALTER TABLE, 134 remove the old entry, 136 add the
// new name, 138-140 set the current entry, 142 default pointer.
enum RenameLine : int {
  kRenameOpen = 104,
  kRenameAsk = 128,
  kRenameAlter = 132,
  kRenameEntries = 134,
};

// The name a table takes within its schema when it is renamed to `typed`.
// A table stays in its schema; for one listed as schema.table, a `typed`
// that begins with that schema's name, quoted or not, and a dot names the
// table after them (the window offers the listed name to edit). Anything
// else is the new name as it stands.
std::string NameInSchema(const db::PostgreSqlTable* table, const std::string& typed) {
  if (!table || table->bare) return typed;
  for (const std::string& prefix : {table->schema + ".", QuotePostgreSqlName(table->schema) + "."})
    if (typed.size() > prefix.size() && typed.compare(0, prefix.size(), prefix) == 0)
      return typed.substr(prefix.size());
  return typed;
}

// The connection window's .dbc chooser: 100 the dialog, 102 the chosen-file
// test, 104 the file into Text6, 106 the test that it is not there, 108
// the question, 110 the new container.
constexpr char kChooseContainerProcedure[] = "Form1.PushButton5_Click";
constexpr int kCreateContainerLine = 110;

}  // namespace

CommandResult ListTables(Side side, const db::ConnectionSettings& settings, app::TableList& into,
                         CommandHooks& hooks) {
  app::ErrorTrap trap(hooks.reporter, kLoadProcedure);
  const std::function<void()> yield = [&hooks] { hooks.events.Yield(); };
  const db::ListSink sink{[&into] { into.Clear(); },
                          [&into](const std::string& name) { into.AddItem(name); }};
  if (side == Side::kFoxPro) {
    trap.Run(kListFoxProLine, [&] { db::ListFoxProTables(sink, settings, yield); });
  } else {
    trap.Run(kListPostgreSqlLine, [&] { db::ListPostgreSQLTables(sink, settings, yield); });
  }
  return {trap.failures()};
}

CommandResult DropTables(Side side, const db::ConnectionSettings& settings,
                         const std::vector<std::string>& tables, CommandHooks& hooks) {
  const DropLines& lines = side == Side::kFoxPro ? kFoxProDrop : kPostgreSqlDrop;
  app::ErrorTrap trap(hooks.reporter, lines.procedure);
  CommandResult result;
  db::Connection connection;
  PostgreSqlListing listing;
  const bool open = trap.Run(lines.open, [&] {
    if (side == Side::kFoxPro) {
      connection.OpenFoxPro(settings);
    } else {
      connection.Open(db::PostgreSqlConnectionString(settings));
      if (!tables.empty()) listing = PostgreSqlListing::Read(connection);
    }
  });
  for (size_t i = 0; open && i < tables.size(); ++i) {
    TableResult& table = result.tables.emplace_back(TableResult{tables[i]});
    const std::string quoted =
        side == Side::kFoxPro ? QuoteFoxProName(table.table) : listing.Sql(table.table);
    if (!trap.Run(lines.drop, [&] { connection.Execute("DROP TABLE " + quoted); })) {
      table.failures = 1;
      continue;
    }
    table.done = true;
    if (hooks.table_done) trap.Run(lines.remove_entry, [&] { hooks.table_done(table); });
  }
  result.failures = trap.failures();
  return result;
}

CommandResult RenamePostgreSqlTable(const db::ConnectionSettings& settings,
                                    const std::function<Renaming()>& choose,
                                    CommandHooks& hooks) {
  app::ErrorTrap trap(hooks.reporter, "Form2.PushButton7_Click");
  CommandResult result;
  db::Connection connection;
  PostgreSqlListing listing;
  Renaming renaming;
  if (trap.Run(kRenameOpen, [&] {
        connection.Open(db::PostgreSqlConnectionString(settings));
        listing = PostgreSqlListing::Read(connection);
      }) &&
      trap.Run(kRenameAsk, [&] { renaming = choose(); }) && !renaming.new_name.empty()) {
    TableResult& table = result.tables.emplace_back(TableResult{renaming.table});
    const db::PostgreSqlTable* listed = listing.Find(table.table);
    const std::string new_name = NameInSchema(listed, renaming.new_name);
    table.done = trap.Run(kRenameAlter, [&] {
      if (new_name.size() > kPostgreSqlNameBytes)
        throw db::Error("\"" + table.table + "\" was not renamed: the new name is " +
                        std::to_string(new_name.size()) + " bytes long, and PostgreSQL keeps " +
                        "only the first " + std::to_string(kPostgreSqlNameBytes) +
                        " bytes of a name.");
      connection.Execute("ALTER TABLE " + listing.Sql(table.table) + " RENAME TO " +
                         QuotePostgreSqlName(new_name) + ";");
    });
    table.target = table.done ? new_name : "";
    table.failures = table.done ? 0 : 1;
    if (table.done && hooks.table_done)
      trap.Run(kRenameEntries, [&] {
        // The list names the table as the catalogue now lists it.
        if (listed) {
          const PostgreSqlListing now = PostgreSqlListing::Read(connection);
          if (const db::PostgreSqlTable* renamed = now.Find(listed->oid))
            table.target = renamed->listed;
        }
        hooks.table_done(table);
      });
  }
  result.failures = trap.failures();
  return result;
}

CommandResult CreateContainer(const std::string& dbc_file, int code_page, app::Reporter& reporter) {
  app::ErrorTrap trap(reporter, kChooseContainerProcedure);
  trap.Run(kCreateContainerLine, [&] {
    foxpro::Container::Create(dbc_file, code_page != 0 ? code_page : foxpro::kDefaultCodePage);
  });
  return {trap.failures()};
}

}  // namespace veltrane::transfer
