#ifndef VELTRANE_TRANSFER_COMMANDS_H_
#define VELTRANE_TRANSFER_COMMANDS_H_

#include "transfer/command_context.h"

namespace veltrane::transfer {

// The commands of the tables window. Each opens its own connections from
// ctx.settings(), works on the selection of the lists, keeps the lists in
// step entry by entry, and reports every failure through the error report
// (ctx.prompter) under its handler's name. Only one command runs at a time:
// a call made while another command runs returns at once with nothing done.

// Lists both sides afresh (the tables window's load routine, listing part).
CommandResult LoadTables(CommandContext& ctx);

CommandResult SendToPostgreSql(CommandContext& ctx);     // Form2.PushButton3_Click
CommandResult SendToFoxPro(CommandContext& ctx);         // Form2.PushButton4_Click
CommandResult DropFoxProTables(CommandContext& ctx);     // Form2.PushButton1_Click
CommandResult RenameFoxProTable(CommandContext& ctx);    // Form2.PushButton6_Click
CommandResult DropPostgreSqlTables(CommandContext& ctx); // Form2.PushButton5_Click
CommandResult RenamePostgreSqlTable(CommandContext& ctx);// Form2.PushButton7_Click

// True while one of the commands above runs (also in another window).
bool IsCommandRunning();

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_COMMANDS_H_
