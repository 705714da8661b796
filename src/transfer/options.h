#ifndef VELTRANE_TRANSFER_OPTIONS_H_
#define VELTRANE_TRANSFER_OPTIONS_H_

#include "app/column_types_setting.h"
#include "app/copy_keys_setting.h"

namespace veltrane::transfer {

// How a send makes its tables. The FoxPro side's code page travels with the
// connection settings (db::ConnectionSettings::foxpro_code_page).
struct TransferOptions {
  // The column types of the tables a send creates.
  app::ColumnTypes column_types = app::ColumnTypes::kText;
  // Whether a send also makes the table's keys, indexes and relations on
  // the other side (see keys_to_postgresql.h and keys_to_foxpro.h). The
  // user's default, which follows the column mapping, is settled where the
  // choice enters (app::DefaultCopyKeys); here no means rows only.
  app::CopyKeys copy_keys = app::CopyKeys::kNo;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_OPTIONS_H_
