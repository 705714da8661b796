// The tables window's commands over the table commands: the selected
// entries of a list become the tables, the lists the listings, and the
// window's boxes ask the questions.

#include "app/error_trap.h"
#include "transfer/command_guard.h"
#include "transfer/commands.h"
#include "transfer/target_name.h"

namespace veltrane::transfer {
namespace {

// Statement numbers of the load routine's own listing steps, in the order
// they stand (the window's steps before them use 100 to 108, the listing of
// each side 116 and 118).
enum LoadLine : int {
  kClearList1 = 110,
  kClearList2 = 112,
  kTakeSettings = 114,
};

CommandHooks HooksOf(CommandContext& ctx) {
  return CommandHooks{ctx.prompter, ctx.progress, ctx.events,
                      [&ctx](const std::string& table) {
                        return ctx.prompter.AskYesNo(OverwriteQuestion(table), kOverwriteTitle);
                      },
                      nullptr, nullptr};
}

// The selected entries, from the last upwards.
std::vector<std::string> SelectedEntries(const app::TableList& list) {
  std::vector<std::string> entries;
  for (int i = list.Count() - 1; i >= 0; --i)
    if (list.Selected(i)) entries.push_back(list.Item(i));
  return entries;
}

using Send = CommandResult (*)(const db::ConnectionSettings&, const std::vector<std::string>&,
                               app::TableList&, const TransferOptions&, CommandHooks&);

CommandResult SendSelected(CommandContext& ctx, Send send, app::TableList& source,
                           app::TableList& target, const char* nothing_selected) {
  CommandGuard guard;
  if (!guard.acquired()) return {};
  if (source.CurrentIndex() == -1) {
    ctx.prompter.Message(nothing_selected);
    return {};
  }
  // The hourglass stays until the command ends, whatever happens between.
  ctx.pointer.Set(app::kPointerHourglass);
  // Every entry, from the last upwards, each sent if it is still selected
  // when the send comes to it: the window answers while tables are sent.
  std::vector<std::string> entries;
  for (int i = source.Count() - 1; i >= 0; --i) entries.push_back(source.Item(i));
  CommandHooks hooks = HooksOf(ctx);
  hooks.still_wanted = [&source](size_t position) {
    return source.Selected(source.Count() - 1 - static_cast<int>(position));
  };
  const CommandResult result =
      send(ctx.settings(), entries, target,
           {.column_types = ctx.column_types,
            .postgresql_schema = ctx.postgresql_schema,
            .copy_keys = ctx.copy_keys,
            .jobs = ctx.jobs},
           hooks);
  ctx.pointer.Set(app::kPointerDefault);
  return result;
}

// The side's connection is opened before the selection is looked at.
CommandResult DropSelected(CommandContext& ctx, Side side, app::TableList& list) {
  CommandGuard guard;
  if (!guard.acquired()) return {};
  ctx.pointer.Set(app::kPointerHourglass);
  const bool none = list.CurrentIndex() == -1;
  CommandHooks hooks = HooksOf(ctx);
  // The entry a dropped table came from: the last selected one of its name
  // still there, since the tables go from the last entry upwards.
  hooks.table_done = [&list](const TableResult& dropped) {
    for (int i = list.Count() - 1; i >= 0; --i) {
      if (list.Selected(i) && list.Item(i) == dropped.table) {
        list.RemoveItem(i);
        return;
      }
    }
  };
  const CommandResult result =
      DropTables(side, ctx.settings(), none ? std::vector<std::string>{} : SelectedEntries(list),
                 hooks);
  if (none && result.ok()) ctx.prompter.Message("Please select a table");
  ctx.pointer.Set(app::kPointerDefault);
  return result;
}

}  // namespace

CommandResult LoadTables(CommandContext& ctx) {
  CommandGuard guard;
  if (!guard.acquired()) return {};
  app::ErrorTrap trap(ctx.prompter, "Form2.Form_Load");
  CommandHooks hooks = HooksOf(ctx);
  trap.Run(kClearList1, [&] { ctx.list1.Clear(); });
  trap.Run(kClearList2, [&] { ctx.list2.Clear(); });
  db::ConnectionSettings settings;
  trap.Run(kTakeSettings, [&] { settings = ctx.settings(); });
  int failures = trap.failures();
  failures += ListTables(Side::kFoxPro, settings, ctx.list1, hooks).failures;
  if (StopRequested()) return {failures};
  return {failures + ListTables(Side::kPostgreSql, ctx.settings(), ctx.list2, hooks).failures};
}

CommandResult SendToPostgreSql(CommandContext& ctx) {
  return SendSelected(ctx, SendToPostgreSql, ctx.list1, ctx.list2, "Please select a table");
}

CommandResult SendToFoxPro(CommandContext& ctx) {
  return SendSelected(ctx, SendToFoxPro, ctx.list2, ctx.list1, "Please select a table to send.");
}

CommandResult DropFoxProTables(CommandContext& ctx) {
  return DropSelected(ctx, Side::kFoxPro, ctx.list1);
}

CommandResult DropPostgreSqlTables(CommandContext& ctx) {
  return DropSelected(ctx, Side::kPostgreSql, ctx.list2);
}

CommandResult RenameFoxProTable(CommandContext& ctx) {
  CommandGuard guard;
  if (!guard.acquired()) return {};
  ctx.prompter.Message("This feature is disabled.");
  return {};
}

// Only the one selected table is renamed; its new name is asked for once
// the connection is open.
CommandResult RenamePostgreSqlTable(CommandContext& ctx) {
  CommandGuard guard;
  if (!guard.acquired()) return {};
  ctx.pointer.Set(app::kPointerHourglass);
  app::TableList& list = ctx.list2;
  int index = -1;
  CommandHooks hooks = HooksOf(ctx);
  hooks.table_done = [&](const TableResult& renamed) {
    list.RemoveItem(index);
    list.AddItem(renamed.target);
    if (list.Count() > 0) list.SetCurrentIndex(0);
  };
  const auto choose = [&]() -> Renaming {
    if (list.CurrentIndex() == -1) {
      ctx.prompter.Message("Please select a table to rename.");
      return {};
    }
    if (list.SelCount() != 1) {
      ctx.prompter.Message("Please select just one table to rename.");
      return {};
    }
    index = list.Count() - 1;
    while (index >= 0 && !list.Selected(index)) --index;
    if (index < 0) return {};
    const std::string table = list.Item(index);
    return {table, ctx.prompter.Input("Enter new name of " + table + ":", "", table)};
  };
  const CommandResult result = RenamePostgreSqlTable(ctx.settings(), choose, hooks);
  ctx.pointer.Set(app::kPointerDefault);
  return result;
}

}  // namespace veltrane::transfer
