// Dropping and renaming PostgreSQL tables (the right-hand list).

#include "app/error_trap.h"
#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/error.h"
#include "transfer/command_guard.h"
#include "transfer/commands.h"
#include "transfer/postgresql_names.h"
#include "transfer/sql_names.h"

namespace veltrane::transfer {
namespace {

// Statement numbers of the drop command, in the order its statements stand:
// 100 create the connection, 102 hourglass, 104 open, 106-112 the selection
// test with its message, 114 the walk, 116 the selected test, 118 DROP
// TABLE, 120 remove the entry, 122 default pointer.
enum DropLine : int {
  kDropOpen = 104,
  kDropTable = 118,
  kDropRemoveEntry = 120,
};

// Statement numbers of the rename command: 100 create, 102 hourglass,
// 104 open, 106-112 the current-item test, 114-120 the one-selected test,
// 122 the walk, 124 the selected test, 126 old name, 128 input box, 130 the
// empty-answer test, 132 ALTER TABLE, 134 remove the old entry, 136 add the
// new name, 138-140 set the current entry, 142 default pointer.
enum RenameLine : int {
  kRenameOpen = 104,
  kRenameAsk = 128,
  kRenameAlter = 132,
  kRenameRemoveEntry = 134,
  kRenameAddEntry = 136,
  kRenameSetCurrent = 140,
};

// Opens `connection` on the PostgreSQL database of the current settings, no
// cursor location set. A failure is reported once; the command then ends.
bool OpenPostgreSql(CommandContext& ctx, app::ErrorTrap& trap, db::Connection& connection,
                    int line) {
  return trap.Run(line, [&] { connection.Open(db::PostgreSqlConnectionString(ctx.settings())); });
}

}  // namespace

CommandResult DropPostgreSqlTables(CommandContext& ctx) {
  CommandGuard guard;
  if (!guard.acquired()) return {};
  app::ErrorTrap trap(ctx.prompter, "Form2.PushButton5_Click");
  db::Connection connection;
  ctx.pointer.Set(app::kPointerHourglass);
  if (!OpenPostgreSql(ctx, trap, connection, kDropOpen)) {
    ctx.pointer.Set(app::kPointerDefault);
    return {trap.failures()};
  }
  if (ctx.list2.CurrentIndex() == -1) {
    ctx.prompter.Message("Please select a table");
    ctx.pointer.Set(app::kPointerDefault);
    return {trap.failures()};
  }
  // Downwards, so the entries still to visit keep their indexes.
  for (int i = ctx.list2.Count() - 1; i >= 0; --i) {
    if (!ctx.list2.Selected(i)) continue;
    const std::string name = ctx.list2.Item(i);
    if (trap.Run(kDropTable, [&] { connection.Execute("DROP TABLE " + QuotePostgreSqlName(name)); }))
      trap.Run(kDropRemoveEntry, [&] { ctx.list2.RemoveItem(i); });
  }
  ctx.pointer.Set(app::kPointerDefault);
  return {trap.failures()};
}

CommandResult RenamePostgreSqlTable(CommandContext& ctx) {
  CommandGuard guard;
  if (!guard.acquired()) return {};
  app::ErrorTrap trap(ctx.prompter, "Form2.PushButton7_Click");
  db::Connection connection;
  ctx.pointer.Set(app::kPointerHourglass);
  auto end = [&] {
    ctx.pointer.Set(app::kPointerDefault);
    return CommandResult{trap.failures()};
  };
  if (!OpenPostgreSql(ctx, trap, connection, kRenameOpen)) return end();
  if (ctx.list2.CurrentIndex() == -1) {
    ctx.prompter.Message("Please select a table to rename.");
    return end();
  }
  if (ctx.list2.SelCount() != 1) {
    ctx.prompter.Message("Please select just one table to rename.");
    return end();
  }
  int index = ctx.list2.Count() - 1;
  while (index >= 0 && !ctx.list2.Selected(index)) --index;
  if (index < 0) return end();

  // Only this one table is renamed: the entry made current afterwards is
  // never offered for a second rename.
  const std::string old_name = ctx.list2.Item(index);
  std::string new_name;
  trap.Run(kRenameAsk, [&] {
    new_name = ctx.prompter.Input("Enter new name of " + old_name + ":", "", old_name);
  });
  if (new_name.empty()) return end();
  const bool renamed = trap.Run(kRenameAlter, [&] {
    if (new_name.size() > kPostgreSqlNameBytes)
      throw db::Error("\"" + old_name + "\" was not renamed: the new name is " +
                      std::to_string(new_name.size()) + " bytes long, and PostgreSQL keeps only "
                      "the first " + std::to_string(kPostgreSqlNameBytes) + " bytes of a name.");
    connection.Execute("ALTER TABLE " + QuotePostgreSqlName(old_name) + " RENAME TO " +
                       QuotePostgreSqlName(new_name) + ";");
  });
  if (renamed) {
    trap.Run(kRenameRemoveEntry, [&] { ctx.list2.RemoveItem(index); });
    trap.Run(kRenameAddEntry, [&] { ctx.list2.AddItem(new_name); });
    trap.Run(kRenameSetCurrent, [&] {
      if (ctx.list2.Count() > 0) ctx.list2.SetCurrentIndex(0);
    });
  }
  return end();
}

}  // namespace veltrane::transfer
