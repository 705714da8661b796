#ifndef VELTRANE_TRANSFER_OPTIONS_H_
#define VELTRANE_TRANSFER_OPTIONS_H_

#include <cstdint>

#include "app/column_types_setting.h"
#include "app/copy_keys_setting.h"
#include "app/postgresql_schema_setting.h"

namespace veltrane::transfer {

// The rows from which a table is loaded on several connections (see
// TransferOptions::split_rows): four full loads (CopyRowSender's 50,000
// rows), so that each of up to four connections gets one; below that,
// opening the connections costs about as much as it saves.
inline constexpr int64_t kSplitRows = 200000;

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
  // How many tables a send to PostgreSQL sends at the same time, each on
  // connections of its own (see table_jobs.h); 1 sends them one by one.
  int jobs = 1;
  // With more than one job: a table of at least this many rows is loaded
  // on several connections at once when jobs would otherwise stand idle.
  int64_t split_rows = kSplitRows;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_OPTIONS_H_
