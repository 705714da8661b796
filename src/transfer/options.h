#ifndef VELTRANE_TRANSFER_OPTIONS_H_
#define VELTRANE_TRANSFER_OPTIONS_H_

#include "app/column_types_setting.h"
#include "app/postgresql_schema_setting.h"
#include "app/copy_keys_setting.h"

namespace veltrane::transfer {

// How a send makes its tables. The FoxPro side's code page travels with the
// connection settings (db::ConnectionSettings::foxpro_code_page).
struct TransferOptions {
  // The column types of the tables a send creates.
  app::ColumnTypes column_types = app::ColumnTypes::kText;
  // The schema the tables sent to PostgreSQL go into (none chosen: where a
  // CREATE TABLE without a schema puts them).
  app::PostgreSqlSchema postgresql_schema;
  // Whether a send to free tables notes the field names their headers cut
  // short, adding that a database container would keep them. The windows
  // leave it off, so that their reports stay as they were; the command line
  // turns it on.
  bool note_shortened_names = false;
  // Whether a send also makes the table's keys, indexes and relations on
  // the other side (see keys_to_postgresql.h and keys_to_foxpro.h). The
  // user's default, which follows the column mapping, is settled where the
  // choice enters (app::DefaultCopyKeys); here no means rows only.
  app::CopyKeys copy_keys = app::CopyKeys::kNo;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_OPTIONS_H_
