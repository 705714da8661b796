#ifndef VELTRANE_FOXPRO_FILES_TABLE_CURSOR_H_
#define VELTRANE_FOXPRO_FILES_TABLE_CURSOR_H_

#include <memory>
#include <string>
#include <vector>

#include "foxpro/record/row.h"
#include "foxpro/files/table_reader.h"

namespace veltrane::foxpro {

// The rows of SELECT * FROM a table: its live records, read from disk as
// they are fetched. Columns carry `long_names` where given (a container's
// names, in field order, as stored) and the header's names in lower case
// otherwise, as FoxPro reports them. Every column gets a name of its own:
// an empty name becomes field_N (N its position), a name met before (in
// any case) gets _2, _3, ...; a note says so. `names_note`, when given, is
// a note of its own about the names (long names that did not agree).
class TableCursor : public RowCursor {
 public:
  TableCursor(std::unique_ptr<TableReader> reader, const std::vector<std::string>& long_names,
              std::string names_note = "");

  const std::vector<Column>& Columns() const override { return columns_; }
  int64_t RowCount() override { return reader_->live_record_count(); }
  bool Next(std::vector<Cell>& row) override { return reader_->Next(row); }
  std::vector<Notice> Notices() const override;

 private:
  std::unique_ptr<TableReader> reader_;
  std::vector<Column> columns_;
  std::string renamed_;  // "old" as new, ... for the note
  std::string names_note_;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_TABLE_CURSOR_H_
