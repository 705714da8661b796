// Dropping FoxPro tables (the left-hand list) and the disabled FoxPro rename.

#include "app/error_trap.h"
#include "db/connection.h"
#include "db/connection_strings.h"
#include "transfer/command_guard.h"
#include "transfer/commands.h"
#include "transfer/sql_names.h"

namespace veltrane::transfer {
namespace {

// Statement numbers of the drop command, in the order its statements stand:
// 100 create the connection, 102 hourglass, 104 cursor location, 106 open,
// 108-114 the selection test with its message, 116 the walk, 118 the
// selected test, 120 DROP TABLE, 122 remove the entry, 124 default pointer.
enum DropLine : int {
  kDropOpen = 106,
  kDropTable = 120,
  kDropRemoveEntry = 122,
};

}  // namespace

CommandResult DropFoxProTables(CommandContext& ctx) {
  CommandGuard guard;
  if (!guard.acquired()) return {};
  app::ErrorTrap trap(ctx.prompter, "Form2.PushButton1_Click");
  db::Connection connection;
  ctx.pointer.Set(app::kPointerHourglass);
  auto end = [&] {
    ctx.pointer.Set(app::kPointerDefault);
    return CommandResult{trap.failures()};
  };
  connection.SetCursorLocation(db::kUseServer);
  if (!trap.Run(kDropOpen,
                [&] { connection.Open(db::FoxProConnectionString(ctx.settings())); }))
    return end();
  if (ctx.list1.CurrentIndex() == -1) {
    ctx.prompter.Message("Please select a table");
    return end();
  }
  // Downwards, so the entries still to visit keep their indexes.
  for (int i = ctx.list1.Count() - 1; i >= 0; --i) {
    if (!ctx.list1.Selected(i)) continue;
    const std::string name = ctx.list1.Item(i);
    if (trap.Run(kDropTable, [&] { connection.Execute("DROP TABLE " + QuoteFoxProName(name)); }))
      trap.Run(kDropRemoveEntry, [&] { ctx.list1.RemoveItem(i); });
  }
  return end();
}

CommandResult RenameFoxProTable(CommandContext& ctx) {
  CommandGuard guard;
  if (!guard.acquired()) return {};
  ctx.prompter.Message("This feature is disabled.");
  return {};
}

}  // namespace veltrane::transfer
