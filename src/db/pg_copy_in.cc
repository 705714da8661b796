#include "db/pg_copy_in.h"

#include <algorithm>

#include "db/connection.h"
#include "db/copy_binary.h"
#include "db/error.h"
#include "db/pg_handles.h"
#include "db/pg_link.h"
#include "db/pg_session.h"
#include "db/server_wait.h"

namespace veltrane::db {
namespace {

// Rows are queued in pieces of at most this size, each sent before the
// next is queued, so that libpq never holds more than one piece.
constexpr size_t kMaxPiece = size_t{256} << 10;

PGconn* NativeOf(Connection& connection) {
  PgSession* session = AsPostgreSql(connection.session());
  if (!session) throw Error("Rows can be loaded with COPY only into a PostgreSQL database.");
  return session->native();
}

// Reads the results that follow the end of the data; returns the first
// one (the COPY's own outcome).
PgResultPtr CopyOutcome(PGconn* conn) {
  PgResultPtr outcome(NextResult(conn));
  while (PGresult* rest = NextResult(conn)) PQclear(rest);
  return outcome;
}

}  // namespace

PgCopyIn::PgCopyIn(Connection& connection) : conn_(NativeOf(connection)) {}

PgCopyIn::~PgCopyIn() { Abort(); }

void PgCopyIn::Begin(const std::string& target, CopyFormat format) {
  if (loading_) throw Error("A COPY load is already running on this connection.");
  switch (PQtransactionStatus(conn_)) {
    case PQTRANS_IDLE:
      break;
    case PQTRANS_UNKNOWN:  // the connection is broken
      throw Error(PgErrorDescription(conn_, nullptr));
    default:
      throw Error("Rows cannot be loaded while a record set of this connection is still being "
                  "read; close it first.");
  }
  PgResultPtr begin(ExecWaiting(conn_, "BEGIN"));
  if (PQresultStatus(begin.get()) != PGRES_COMMAND_OK) ThrowPgError(conn_, begin.get());
  const char* options = format == CopyFormat::kBinary ? " (FORMAT binary)" : "";
  PgResultPtr copy(ExecWaiting(conn_, ("COPY " + target + " FROM STDIN" + options).c_str()));
  if (PQresultStatus(copy.get()) != PGRES_COPY_IN) {
    std::string description = PgErrorDescription(conn_, copy.get());
    copy.reset();
    Rollback();
    throw Error(description);
  }
  // Rows are queued without blocking, so that waits for the server run in
  // slices (server_wait.h).
  PQsetnonblocking(conn_, 1);
  loading_ = true;
  rejected_ = false;
  format_ = format;
  if (format_ == CopyFormat::kBinary) Send(kCopyBinaryHeader);
}

bool PgCopyIn::Send(std::string_view lines) {
  if (!loading_) throw Error("No COPY load is running; begin one before sending rows.");
  while (!rejected_ && !lines.empty()) {
    const size_t piece = std::min(lines.size(), kMaxPiece);
    const int queued = PQputCopyData(conn_, lines.data(), static_cast<int>(piece));
    if (queued == 0) {  // libpq's buffer is full: wait for the socket
      WaitForServer(conn_, /*for_writing=*/true);
      continue;
    }
    if (queued < 0 || !FlushWaiting(conn_)) rejected_ = true;
    lines.remove_prefix(piece);
  }
  return !rejected_;
}

void PgCopyIn::Finish() {
  if (!loading_) throw Error("No COPY load is running; there is nothing to finish.");
  if (format_ == CopyFormat::kBinary) Send(kCopyBinaryTrailer);
  loading_ = false;
  int ended;
  while ((ended = PQputCopyEnd(conn_, nullptr)) == 0) WaitForServer(conn_, /*for_writing=*/true);
  if (ended > 0 && FlushWaiting(conn_)) AwaitResult(conn_);
  PQsetnonblocking(conn_, 0);
  PgResultPtr outcome = CopyOutcome(conn_);
  if (PQresultStatus(outcome.get()) != PGRES_COMMAND_OK) {
    std::string description = PgErrorDescription(conn_, outcome.get());
    outcome.reset();
    Rollback();
    throw Error(description);
  }
  PgResultPtr commit(ExecWaiting(conn_, "COMMIT"));
  if (PQresultStatus(commit.get()) != PGRES_COMMAND_OK) {
    std::string description = PgErrorDescription(conn_, commit.get());
    commit.reset();
    Rollback();
    throw Error(description);
  }
}

void PgCopyIn::Abort() {
  if (!loading_) return;
  loading_ = false;
  int ended;
  while ((ended = PQputCopyEnd(conn_, "the load was abandoned")) == 0)
    WaitForServer(conn_, /*for_writing=*/true);
  if (ended > 0) FlushWaiting(conn_);
  PQsetnonblocking(conn_, 0);
  CopyOutcome(conn_);
  Rollback();
}

bool PgCopyIn::TakesBinaryRows() const {
  const char* integer_times = PQparameterStatus(conn_, "integer_datetimes");
  return integer_times != nullptr && std::string_view(integer_times) == "on";
}

bool PgCopyIn::ConnectionLost() const { return PQstatus(conn_) == CONNECTION_BAD; }

void PgCopyIn::Rollback() {
  if (PQtransactionStatus(conn_) == PQTRANS_IDLE) return;
  PgResultPtr ignored(ExecWaiting(conn_, "ROLLBACK"));
}

}  // namespace veltrane::db
