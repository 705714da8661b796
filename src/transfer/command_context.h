#ifndef VELTRANE_TRANSFER_COMMAND_CONTEXT_H_
#define VELTRANE_TRANSFER_COMMAND_CONTEXT_H_

#include <functional>

#include "app/column_types_setting.h"
#include "app/copy_keys_setting.h"
#include "app/postgresql_schema_setting.h"
#include "app/prompter.h"
#include "app/table_list.h"
#include "app/window_hooks.h"
#include "db/connection_settings.h"
#include "transfer/table_commands.h"

namespace veltrane::transfer {

// What a command of the tables window works on: the window hands in its
// widgets behind these interfaces, the tests their own. `settings` returns the connection window's boxes as
// they are at the moment of the call. `column_types` is the mapping the
// transfers create their tables with, `postgresql_schema` the schema the
// tables sent to PostgreSQL go into, `copy_keys` whether they carry the
// tables' keys across.
struct CommandContext {
  std::function<db::ConnectionSettings()> settings;
  app::TableList& list1;  // FoxPro tables
  app::TableList& list2;  // PostgreSQL tables
  app::ProgressBar& progress;
  app::MousePointer& pointer;
  app::Prompter& prompter;
  app::EventPump& events;
  app::ColumnTypes column_types = app::ColumnTypes::kText;
  app::PostgreSqlSchema postgresql_schema;
  app::CopyKeys copy_keys = app::CopyKeys::kNo;
  // How many tables a send to PostgreSQL sends at once (see TransferOptions).
  int jobs = 1;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_COMMAND_CONTEXT_H_
