#include "db/pg_copy_out.h"

#include <cstdlib>
#include <string_view>

#include "db/error.h"
#include "db/server_wait.h"

namespace veltrane::db {
namespace {

// The unnamed prepared statement: describing the query leaves nothing to
// clean up, since the next statement replaces it.
constexpr const char* kUnnamed = "";

// Waits for the result of the query just sent and returns it (the first,
// when there are several).
PgResultPtr TakeResult(PGconn* conn) {
  PgResultPtr result(NextResult(conn));
  while (PGresult* rest = NextResult(conn)) PQclear(rest);
  return result;
}

void ExpectStatus(PGconn* conn, const PgResultPtr& result, ExecStatusType status) {
  if (PQresultStatus(result.get()) != status) ThrowPgError(conn, result.get());
}

struct CopyLineFree {
  void operator()(char* line) const { PQfreemem(line); }
};

}  // namespace

PgCopyCursor::PgCopyCursor(std::shared_ptr<PgLink> link, const std::string& query)
    : link_(std::move(link)) {
  if (link_->in_transaction)
    throw Error("A record set of this connection is still being read; close it first.");
  PGconn* conn = link_->conn.get();
  link_->Run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
  link_->in_transaction = true;
  transaction_ = ++link_->transaction;
  try {
    if (!PQsendPrepare(conn, kUnnamed, query.c_str(), 0, nullptr)) ThrowPgError(conn, nullptr);
    ExpectStatus(conn, TakeResult(conn), PGRES_COMMAND_OK);
    if (!PQsendDescribePrepared(conn, kUnnamed)) ThrowPgError(conn, nullptr);
    PgResultPtr described = TakeResult(conn);
    ExpectStatus(conn, described, PGRES_COMMAND_OK);
    decoder_.emplace(described.get());
    decoder_->MarkNotNull(NotNullColumns(conn, described.get()));
    // A line break ends a trailing "--" comment of the query.
    PgResultPtr counted = link_->Run("SELECT count(*) FROM (" + query + "\n) AS counted");
    count_ = std::strtoll(PQgetvalue(counted.get(), 0, 0), nullptr, 10);
    if (!PQsendQuery(conn, ("COPY (" + query + "\n) TO STDOUT").c_str()))
      ThrowPgError(conn, nullptr);
    PgResultPtr started(NextResult(conn));
    if (PQresultStatus(started.get()) != PGRES_COPY_OUT) {
      while (PGresult* rest = NextResult(conn)) PQclear(rest);
      ThrowPgError(conn, started.get());
    }
  } catch (...) {
    link_->EndTransaction();
    throw;
  }
  copying_ = true;
  link_->copying = true;
}

PgCopyCursor::~PgCopyCursor() { Stop(); }

bool PgCopyCursor::Next(std::vector<Value>& row) {
  if (!copying_) return false;
  PGconn* conn = link_->conn.get();
  char* data = nullptr;
  int length;
  while ((length = PQgetCopyData(conn, &data, /*async=*/1)) == 0) {
    WaitForServer(conn, /*for_writing=*/false);
    if (!PQconsumeInput(conn)) break;
  }
  if (length > 0) {
    std::unique_ptr<char, CopyLineFree> line(data);
    std::string_view text(data, static_cast<size_t>(length));
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (!decoder_->DecodeCopyLine(text, row)) {
      Stop();
      throw Error("The PostgreSQL server sent a row that does not fit the columns of its query.");
    }
    return true;
  }
  // The COPY has ended: its outcome says whether every row came.
  copying_ = false;
  link_->copying = false;
  PgResultPtr outcome = TakeResult(conn);
  if (PQresultStatus(outcome.get()) != PGRES_COMMAND_OK) {
    const std::string description = PgErrorDescription(conn, outcome.get());
    const char* state = PQresultErrorField(outcome.get(), PG_DIAG_SQLSTATE);
    const std::string sql_state = state ? state : "";
    link_->EndTransaction();
    throw PgStatementError(description, sql_state);
  }
  link_->EndTransaction();
  return false;
}

void PgCopyCursor::Stop() {
  PGconn* conn = link_->conn.get();
  if (copying_) {
    copying_ = false;
    link_->copying = false;
    // Rows are still to come: ask the server to stop sending them, and
    // read what is already under way until the COPY ends. The waits are
    // the cancellable ones (server_wait.h), so a stalled server cannot
    // hold a stop either.
    CancelStatement(conn);
    char* data = nullptr;
    int length;
    while ((length = PQgetCopyData(conn, &data, /*async=*/1)) >= 0) {
      if (length > 0) {
        PQfreemem(data);
        continue;
      }
      WaitForServer(conn, /*for_writing=*/false);
      if (!PQconsumeInput(conn)) break;
    }
    while (PGresult* rest = NextResult(conn)) PQclear(rest);
  }
  if (link_->in_transaction && link_->transaction == transaction_) link_->EndTransaction();
}

}  // namespace veltrane::db
