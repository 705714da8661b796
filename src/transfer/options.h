#ifndef VELTRANE_TRANSFER_OPTIONS_H_
#define VELTRANE_TRANSFER_OPTIONS_H_

#include <cstdint>

#include "app/column_types_setting.h"

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

  // How many tables a send to PostgreSQL sends at the same time, each on
  // connections of its own (see table_jobs.h); 1 sends them one by one.
  int jobs = 1;
  // With more than one job: a table of at least this many rows is loaded
  // on several connections at once when jobs would otherwise stand idle.
  int64_t split_rows = kSplitRows;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_OPTIONS_H_
