#include "transfer/table_send.h"

#include "app/list_helpers.h"
#include "db/connection_strings.h"
#include "transfer/commands.h"
#include "transfer/target_name.h"

namespace veltrane::transfer {

TableSend::TableSend(const char* procedure, const Lines& lines,
                     const db::ConnectionSettings& settings, app::TableList& listed,
                     const TransferOptions& options, CommandHooks& hooks)
    : lines_(lines),
      settings_(settings),
      listed_(listed),
      options_(options),
      hooks_(hooks),
      trap_(hooks.reporter, procedure) {
  trap_.ShowStatement(&statement_);
}

CommandResult TableSend::Run(const std::vector<std::string>& tables) {
  int other_failures = 0;
  if (OpenConnections()) {
    other_failures = SendTables(tables);
    if (!StopRequested()) AfterTables();
    trap_.Run(lines_.close_foxpro, [this] { foxpro_.Close(); });
    trap_.Run(lines_.close_postgresql, [this] { postgresql_.Close(); });
  }
  result_.failures = trap_.failures() + other_failures;
  return result_;
}

int TableSend::SendTables(const std::vector<std::string>& tables) {
  for (size_t position = 0; position < tables.size(); ++position) {
    if (StopRequested()) break;
    hooks_.events.Yield();
    if (hooks_.still_wanted && !hooks_.still_wanted(position)) continue;
    if (!Prepared()) break;
    const std::string& table = tables[position];
    StartTable(table);
    const int failures = trap_.failures();
    SendTable(table);
    result().failures = trap_.failures() - failures;
  }
  return 0;
}

bool TableSend::Prepared() {
  // What the command needs before its first table is done once there is a
  // table to send.
  if (!prepared_) prepared_ = Prepare();
  return *prepared_;
}

TableResult& TableSend::StartTable(const std::string& table) {
  return result_.tables.emplace_back(TableResult{table});
}

// A connection that does not open is reported once and ends the command.
bool TableSend::OpenConnections() {
  if (!trap_.Run(lines_.open_postgresql,
                 [this] { postgresql_.Open(db::PostgreSqlConnectionString(settings_)); }))
    return false;
  return trap_.Run(lines_.open_foxpro, [this] { foxpro_.OpenFoxPro(settings_); });
}

bool TableSend::ReplaceListed(std::string& target, bool& listed, db::Connection& side,
                              std::string (*quote)(std::string_view)) {
  listed = app::ListHasItem(listed_, target);
  if (!listed) return true;
  target = TargetName(listed_, target);
  return ReplaceEntry(target, side, quote(target));
}

bool TableSend::ReplaceEntry(const std::string& entry, db::Connection& side,
                             const std::string& sql_name) {
  if (!hooks_.overwrite(entry)) return false;
  if (!trap_.Run(lines_.drop_target, [&] { side.Execute("DROP TABLE " + sql_name); }))
    return false;
  app::ListRemoveItem(listed_, entry);
  return true;
}

void TableSend::Complete(const std::string& name, TableResult& table) {
  if (!trap_.Run(lines_.add_target, [&] { listed_.AddItem(name); })) return;
  table.target = name;
  table.done = true;
  if (hooks_.table_done) hooks_.table_done(table);
}

}  // namespace veltrane::transfer
