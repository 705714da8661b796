// The listing part of the tables window's load routine: both lists afresh.

#include "app/error_trap.h"
#include "db/catalogue.h"
#include "db/connection_strings.h"
#include "transfer/command_guard.h"
#include "transfer/commands.h"

namespace veltrane::transfer {
namespace {

// Statement numbers of the load routine's listing steps, in the order they
// stand (the window's own steps before them use 100 to 108).
enum Line : int {
  kClearList1 = 110,
  kClearList2 = 112,
  kBuildFoxProString = 114,
  kListFoxPro = 116,
  kListPostgreSql = 118,
};

db::ListSink SinkOf(app::TableList& list) {
  return db::ListSink{[&list] { list.Clear(); },
                      [&list](const std::string& name) { list.AddItem(name); }};
}

}  // namespace

CommandResult LoadTables(CommandContext& ctx) {
  CommandGuard guard;
  if (!guard.acquired()) return {};
  app::ErrorTrap trap(ctx.prompter, "Form2.Form_Load");
  const std::function<void()> yield = [&ctx] { ctx.events.Yield(); };

  trap.Run(kClearList1, [&] { ctx.list1.Clear(); });
  trap.Run(kClearList2, [&] { ctx.list2.Clear(); });
  std::string foxpro_string;
  trap.Run(kBuildFoxProString,
           [&] { foxpro_string = db::FoxProConnectionString(ctx.settings()); });
  trap.Run(kListFoxPro, [&] { db::ListFoxProTables(SinkOf(ctx.list1), foxpro_string, yield); });
  if (StopRequested()) return {trap.failures()};
  trap.Run(kListPostgreSql,
           [&] { db::ListPostgreSQLTables(SinkOf(ctx.list2), ctx.settings(), yield); });
  return {trap.failures()};
}

}  // namespace veltrane::transfer
