#include "db/pg_cursors.h"

#include <algorithm>
#include <cstdlib>

#include "db/error.h"
#include "db/server_wait.h"

namespace veltrane::db {
namespace {

// The first batch is small so that the first row comes quickly; later
// batches aim at about kBatchBytes of row data.
constexpr int kFirstBatchRows = 1000;
constexpr int kMinBatchRows = 16;
constexpr int kMaxBatchRows = 20000;
constexpr size_t kBatchBytes = size_t{4} << 20;

}  // namespace

PgResultCursor::PgResultCursor(PgResultPtr result)
    : result_(std::move(result)), decoder_(result_.get()) {}

bool PgResultCursor::Next(std::vector<Value>& row) {
  if (next_ >= PQntuples(result_.get())) return false;
  decoder_.Decode(result_.get(), next_++, row);
  return true;
}

PgStreamCursor::PgStreamCursor(std::shared_ptr<PgLink> link, std::string query)
    : link_(std::move(link)), query_(std::move(query)) {
  if (!link_->in_transaction) {
    link_->Run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    link_->in_transaction = true;
    ++link_->transaction;
  }
  transaction_ = link_->transaction;
  name_ = "veltrane_rows_" + std::to_string(++link_->next_cursor);
  std::string declare = "DECLARE " + name_ + " NO SCROLL CURSOR FOR " + query_;
  // The extended protocol takes exactly one statement, so a text holding
  // several fails here instead of running partly outside the cursor.
  PgResultPtr result(ExecWaiting(link_->conn.get(), declare.c_str(), /*single_statement=*/true));
  if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
    link_->EndTransaction();  // a failed statement has aborted it anyway
    ThrowPgError(link_->conn.get(), result.get());
  }
  declared_ = true;
  ++link_->open_cursors;
  batch_rows_ = kFirstBatchRows;
  Fetch();
}

PgStreamCursor::~PgStreamCursor() { Release(); }

bool PgStreamCursor::Alive() const {
  return link_->in_transaction && link_->transaction == transaction_;
}

void PgStreamCursor::Release() {
  if (!declared_) return;
  declared_ = false;
  if (!Alive()) return;
  if (--link_->open_cursors == 0) {
    link_->EndTransaction();
  } else {
    PgResultPtr ignored(ExecWaiting(link_->conn.get(), ("CLOSE " + name_).c_str()));
  }
}

void PgStreamCursor::Fetch() {
  if (!Alive()) {
    throw Error("The rows of this record set are no longer available: its connection ended "
                "the transaction they were read in.");
  }
  std::string fetch = "FETCH FORWARD " + std::to_string(batch_rows_) + " FROM " + name_;
  PgResultPtr result(ExecWaiting(link_->conn.get(), fetch.c_str()));
  if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
    declared_ = false;
    link_->EndTransaction();
    ThrowPgError(link_->conn.get(), result.get());
  }
  batch_ = std::move(result);
  if (!decoder_) decoder_.emplace(batch_.get());
  next_ = 0;
  batch_bytes_ = 0;
  if (PQntuples(batch_.get()) < batch_rows_) {
    // The last batch: end the transaction now, so that the connection is
    // free for other statements while the caller reads the rest.
    exhausted_ = true;
    count_ = delivered_ + PQntuples(batch_.get());
    Release();
  }
}

bool PgStreamCursor::Next(std::vector<Value>& row) {
  if (next_ >= PQntuples(batch_.get())) {
    if (exhausted_) return false;
    size_t per_row = batch_bytes_ / std::max(1, next_) + 1;
    batch_rows_ = static_cast<int>(
        std::clamp<size_t>(kBatchBytes / per_row, kMinBatchRows, kMaxBatchRows));
    Fetch();
    if (next_ >= PQntuples(batch_.get())) return false;
  }
  batch_bytes_ += decoder_->Decode(batch_.get(), next_++, row);
  ++delivered_;
  return true;
}

void PgStreamCursor::DescribeNullability() {
  // Inside the cursor's transaction a failure would end it: the cursor
  // goes with it, as when a fetch fails.
  const bool inside = Alive();
  try {
    decoder_->MarkNotNull(NotNullColumns(link_->conn.get(), batch_.get()));
  } catch (...) {
    if (inside) {
      declared_ = false;
      link_->EndTransaction();
    }
    throw;
  }
}

int64_t PgStreamCursor::RowCount() {
  if (count_) return *count_;
  if (!Alive()) {
    throw Error("The row count of this record set is no longer available: its connection "
                "ended the transaction it was read in.");
  }
  // A line break ends a trailing "--" comment of the query.
  PgResultPtr result;
  try {
    result = link_->Run("SELECT count(*) FROM (" + query_ + "\n) AS counted");
  } catch (...) {
    declared_ = false;
    link_->EndTransaction();
    throw;
  }
  count_ = std::strtoll(PQgetvalue(result.get(), 0, 0), nullptr, 10);
  return *count_;
}

}  // namespace veltrane::db
