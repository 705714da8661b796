#ifndef VELTRANE_TRANSFER_COMMANDS_H_
#define VELTRANE_TRANSFER_COMMANDS_H_

#include "transfer/command_context.h"

namespace veltrane::transfer {

// The commands of the tables window, over the table commands
// (table_commands.h). Each opens its own connections from ctx.settings(),
// works on the selection of the lists (the selected entries from the last
// upwards), keeps the lists in step entry by entry, and reports every
// failure through the error report (ctx.prompter) under its handler's name. A list changes only for a
// statement that succeeded. A connection that does not open is reported
// once and ends the command. Only one command runs at a time: a call made
// while another command runs returns at once with nothing done.
//
// Error reports name the failing statement by its number: each command
// numbers its statements 100, 102, 104, ... in the order they stand (see the
// statement lists at the top of each command's source file).

// Lists both sides afresh: the listing part of the tables window's load
// routine (location "Form2.Form_Load"). It clears both lists, then lists the
// FoxPro tables into list1 and the PostgreSQL tables into list2, each step
// under the error trap, so a side that fails leaves its list empty and the
// other side is still listed. The window's own load steps before it
// (back colour 100, icon 102, cursor test 104, cursor load 106, caption 108)
// and after it (height 120) keep the numbers around those used here
// (110 to 118).
CommandResult LoadTables(CommandContext& ctx);

CommandResult SendToPostgreSql(CommandContext& ctx);      // Form2.PushButton3_Click
CommandResult SendToFoxPro(CommandContext& ctx);          // Form2.PushButton4_Click
CommandResult DropFoxProTables(CommandContext& ctx);      // Form2.PushButton1_Click
CommandResult RenameFoxProTable(CommandContext& ctx);     // Form2.PushButton6_Click
CommandResult DropPostgreSqlTables(CommandContext& ctx);  // Form2.PushButton5_Click
CommandResult RenamePostgreSqlTable(CommandContext& ctx); // Form2.PushButton7_Click

// True while one of the commands above runs (also in another window).
bool IsCommandRunning();

// Asks the running command to end (a window is being closed, Ctrl-C): the
// PostgreSQL statement in flight is cancelled (db::RequestCancel), a
// transfer stops before its next row or table, leaving every table it
// touched complete, closes its connections and returns. The caller
// that wants the program to end checks StopRequested() once the command has
// returned. Without a running command it has no effect; the next command
// to start clears it.
void RequestStop();
bool StopRequested();

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_COMMANDS_H_
