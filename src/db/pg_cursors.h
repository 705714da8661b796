#ifndef VELTRANE_DB_PG_CURSORS_H_
#define VELTRANE_DB_PG_CURSORS_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/backend.h"
#include "db/pg_handles.h"
#include "db/pg_link.h"
#include "db/pg_rows.h"

namespace veltrane::db {

// The rows of one result held in memory (statements other than plain
// queries that return rows: SHOW, INSERT ... RETURNING, ...).
class PgResultCursor : public Cursor {
 public:
  explicit PgResultCursor(PgResultPtr result);
  const std::vector<ColumnInfo>& Columns() const override { return decoder_.columns(); }
  int64_t RowCount() override { return PQntuples(result_.get()); }
  bool Next(std::vector<Value>& row) override;

 private:
  PgResultPtr result_;
  PgRowDecoder decoder_;
  int next_ = 0;
};

// A query's rows fetched in batches from a server-side cursor inside the
// link's read-only repeatable-read transaction. RowCount counts the query
// in the same snapshot the first time it is asked, unless every row has
// already arrived.
class PgStreamCursor : public Cursor {
 public:
  // Declares the cursor and fetches the first batch. Throws Error; a failure
  // leaves no transaction of its own open.
  PgStreamCursor(std::shared_ptr<PgLink> link, std::string query);
  ~PgStreamCursor() override;

  const std::vector<ColumnInfo>& Columns() const override { return decoder_->columns(); }
  int64_t RowCount() override;
  bool Next(std::vector<Value>& row) override;
  void DescribeNullability() override;

 private:
  void Fetch();
  void Release();
  bool Alive() const;

  std::shared_ptr<PgLink> link_;
  std::string query_;
  std::string name_;
  uint64_t transaction_ = 0;
  bool declared_ = false;   // the server-side cursor exists
  bool exhausted_ = false;  // the last batch has arrived
  PgResultPtr batch_;
  std::optional<PgRowDecoder> decoder_;
  int next_ = 0;
  int batch_rows_ = 0;      // rows asked for by the next FETCH
  size_t batch_bytes_ = 0;  // bytes decoded from the current batch
  int64_t delivered_ = 0;
  std::optional<int64_t> count_;
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_CURSORS_H_
