#ifndef VELTRANE_DB_PG_COPY_OUT_H_
#define VELTRANE_DB_PG_COPY_OUT_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/backend.h"
#include "db/pg_link.h"
#include "db/pg_rows.h"

namespace veltrane::db {

// A query's rows read once, in order, through one COPY (query) TO STDOUT:
// the cheapest stream libpq offers, with no result sets to build and no
// cursor to fetch from.
//
// Opening runs, in one read-only repeatable-read transaction (so in one
// snapshot): a description of the query (its columns, with their types,
// type modifiers and whether their table declares them NOT NULL), the count
// of its rows, and the start of the COPY.
// While the rows are read the connection runs nothing else; the
// transaction ends when the last row has arrived or the cursor is
// destroyed (a COPY not read to its end is cancelled). Every wait for the
// server goes through server_wait.h.
class PgCopyCursor : public Cursor {
 public:
  // Throws PgStatementError with the server's message when the query
  // cannot be described, counted or copied; nothing is left running then.
  // Requires that no other record set of the link is being read.
  PgCopyCursor(std::shared_ptr<PgLink> link, const std::string& query);
  ~PgCopyCursor() override;

  const std::vector<ColumnInfo>& Columns() const override { return decoder_->columns(); }
  // The PostgreSQL type and type modifier of each column.
  const std::vector<PgColumnType>& ColumnTypes() const { return decoder_->column_types(); }
  int64_t RowCount() override { return count_; }
  bool Next(std::vector<Value>& row) override;

 private:
  // Ends the COPY (cancelling it when rows are still to come) and the
  // transaction. Never throws.
  void Stop();

  std::shared_ptr<PgLink> link_;
  uint64_t transaction_ = 0;  // the link's transaction the rows are read in
  std::optional<PgRowDecoder> decoder_;
  int64_t count_ = 0;
  bool copying_ = false;
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_COPY_OUT_H_
