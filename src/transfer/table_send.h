#ifndef VELTRANE_TRANSFER_TABLE_SEND_H_
#define VELTRANE_TRANSFER_TABLE_SEND_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/error_trap.h"
#include "db/connection.h"
#include "transfer/table_commands.h"

namespace veltrane::transfer {

// What the two sends share: both sides opened (PostgreSQL first), the
// tables sent in the order given until a stop is asked, a target listed
// already asked about and dropped before it is replaced, each table
// completed into the listing, both sides closed. Each send numbers these
// steps in its own handler; a send implements SendTable.
class TableSend {
 public:
  // The statement numbers of the shared steps.
  struct Lines {
    int open_postgresql, open_foxpro, drop_target, add_target, close_foxpro, close_postgresql;
  };

  TableSend(const char* procedure, const Lines& lines, const db::ConnectionSettings& settings,
            app::TableList& listed, const TransferOptions& options, CommandHooks& hooks);
  virtual ~TableSend() = default;
  TableSend(const TableSend&) = delete;
  TableSend& operator=(const TableSend&) = delete;

  CommandResult Run(const std::vector<std::string>& tables);

 protected:
  // Runs once both sides are open, before the first table sent (not at all
  // when no table is sent); false ends the command, its failure reported.
  virtual bool Prepare() { return true; }
  // Sends one table, keeping its rows in result().
  virtual void SendTable(const std::string& table) = 0;
  // Runs once the tables are sent, before the connections close (unless a
  // stop was asked).
  virtual void AfterTables() {}

  // Sends the tables once both sides are open; by default one by one,
  // each with SendTable. Returns the failures its error trap did not count
  // (those of other connections' statements), added to the command's.
  virtual int SendTables(const std::vector<std::string>& tables);

  // Opens both sides, reporting a failure; false when one does not open.
  bool OpenConnections();

  // Prepare's outcome, running it on the first call only.
  bool Prepared();

  // Starts the result of `table`, which result() gives from then on.
  TableResult& StartTable(const std::string& table);

  // When `target` is listed under any case: takes the listed spelling,
  // asks whether to replace it, drops it through `side` (its name quoted by
  // `quote`) and removes it from the listing. Sets `listed`; returns false
  // when the table is to be skipped.
  bool ReplaceListed(std::string& target, bool& listed, db::Connection& side,
                     std::string (*quote)(std::string_view));
  // Asks whether to replace the table listed as `entry`, drops it through
  // `side` under `sql_name` and removes the entry. Returns false when the
  // table is to be skipped.
  bool ReplaceEntry(const std::string& entry, db::Connection& side, const std::string& sql_name);

  // Adds the completed table to the listing under `name` and tells the
  // caller.
  void Complete(const std::string& name) { Complete(name, result()); }
  // The same for a table whose result is `table`.
  void Complete(const std::string& name, TableResult& table);

  TableResult& result() { return result_.tables.back(); }
  bool typed() const { return options_.column_types == app::ColumnTypes::kTyped; }
  bool copy_keys() const { return options_.copy_keys == app::CopyKeys::kYes; }

  const Lines lines_;
  const db::ConnectionSettings settings_;
  app::TableList& listed_;
  const TransferOptions options_;
  CommandHooks& hooks_;
  app::ErrorTrap trap_;
  db::Connection foxpro_;
  db::Connection postgresql_;
  // The statement last built; the error report shows it.
  std::string statement_;

 private:
  CommandResult result_;
  std::optional<bool> prepared_;  // once Prepare has run
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_TABLE_SEND_H_
