#ifndef VELTRANE_TRANSFER_TABLE_COMMANDS_H_
#define VELTRANE_TRANSFER_TABLE_COMMANDS_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/prompter.h"
#include "app/table_list.h"
#include "app/window_hooks.h"
#include "db/connection_settings.h"
#include "transfer/options.h"

namespace veltrane::transfer {

// The table commands, called alike by the windows and the command-line
// program. Each opens its own connections from the settings it is given and
// reports every failure through hooks.reporter as the error report of its
// statement (numbered as in the tables window's handler it serves, see
// commands.h), then goes on with the next table. A connection that does not
// open is reported once and ends the command. Callers run one command at a
// time, under a CommandGuard, so that RequestStop reaches it.

enum class Side { kFoxPro, kPostgreSql };

// What became of one table a command was given.
struct TableResult {
  std::string table;   // as given
  std::string target;  // the name it arrived or was renamed under
  bool done = false;   // sent, dropped or renamed
  int failures = 0;    // its statements that failed, each reported
  int64_t rows_read = 0;
  int64_t rows_stored = 0;

  // With several tables sent at once (TransferOptions::jobs): the seconds
  // the table took from its first statement to its last; 0 otherwise.
  double seconds = 0;
};

// What a command did: how many statements failed (each was reported), and
// each table it reached, in the order it reached them.
struct CommandResult {
  int failures = 0;
  std::vector<TableResult> tables;
  bool ok() const { return failures == 0; }
};

// What a command tells its caller and asks of it while it runs.
struct CommandHooks {
  app::Reporter& reporter;
  app::ProgressBar& progress;  // the sends' rows
  app::EventPump& events;      // yielded to between rows and while waiting
  // Asked before a table that is there already is replaced (its exact
  // spelling given): true replaces it, false leaves it and skips the table.
  std::function<bool(const std::string& table)> overwrite;
  // Told of each table the moment it is done (a send's table complete with
  // its reports given, a table dropped, a table renamed).
  std::function<void(const TableResult&)> table_done;
  // Asked by a send just before it looks at the table at `position` of the
  // tables it was given, after a yield to the window: false passes that
  // table over. Unset: every table given is sent. The tables window uses
  // it to follow its list's selection as it stands at each entry.
  std::function<bool(size_t position)> still_wanted;
};

// Lists the tables of one side into `into`, cleared once they are read
// (see db/catalogue.h); a failure is reported as statement 116 (FoxPro) or
// 118 (PostgreSQL) of the tables window's load routine.
CommandResult ListTables(Side side, const db::ConnectionSettings& settings, app::TableList& into,
                         CommandHooks& hooks);

// The tables an operation on every table of one side takes, as `listed`
// (the side's list, loaded) names them, in the order a send takes them.
// FoxPro: every entry, in list order. PostgreSQL: the user's own tables
// only (no table of pg_catalog or information_schema, no other session's
// temporary table, no partition: its partitioned parent is listed and
// holds its rows), each after the tables its foreign keys refer to, else
// in list order (see ParentsFirst in table_order.h); a drop takes them the
// other way round, so that no table goes while another still refers to
// it; entries no table stands for any more are left out. A failure to
// read the catalogue is reported as statement 118 of the load routine,
// leaving `tables` empty.
CommandResult EveryTable(Side side, const db::ConnectionSettings& settings,
                         const app::TableList& listed, std::vector<std::string>& tables,
                         CommandHooks& hooks);

// Sends `tables` (names of the source side) to the other side, in the
// order given, until the last or a stop request. `listed` holds the target
// side's tables as the caller lists them: a table listed there under any
// case is replaced under its listed spelling when hooks.overwrite agrees;
// the command removes the dropped entry and adds each table it completes.
CommandResult SendToPostgreSql(const db::ConnectionSettings& settings,
                               const std::vector<std::string>& tables, app::TableList& listed,
                               const TransferOptions& options, CommandHooks& hooks);
CommandResult SendToFoxPro(const db::ConnectionSettings& settings,
                           const std::vector<std::string>& tables, app::TableList& listed,
                           const TransferOptions& options, CommandHooks& hooks);

// Drops `tables` of one side, in the order given. The connection is opened
// also when `tables` is empty, so that the result tells whether it opens.
CommandResult DropTables(Side side, const db::ConnectionSettings& settings,
                         const std::vector<std::string>& tables, CommandHooks& hooks);

// Makes a new, empty database container at `dbc_file`, with its .dct memo
// and .dcx index files (see foxpro::Container::Create), keeping its names
// in `code_page` (0: 1252, as the tables sent to FoxPro). A failure (a file
// of the container there already, a folder that does not exist) is
// reported as statement 110 of the connection window's .dbc chooser
// (Form1.PushButton5_Click), whose question leads to it, and nothing is
// made.
CommandResult CreateContainer(const std::string& dbc_file, int code_page, app::Reporter& reporter);

// A PostgreSQL table and the name it is to take.
struct Renaming {
  std::string table;
  std::string new_name;  // empty: nothing is renamed
};

// Renames one PostgreSQL table: `choose` is asked which, once the
// connection is open.
CommandResult RenamePostgreSqlTable(const db::ConnectionSettings& settings,
                                    const std::function<Renaming()>& choose, CommandHooks& hooks);

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_TABLE_COMMANDS_H_
