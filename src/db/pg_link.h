#ifndef VELTRANE_DB_PG_LINK_H_
#define VELTRANE_DB_PG_LINK_H_

#include <cstdint>
#include <string>
#include <utility>

#include "db/error.h"
#include "db/pg_handles.h"

namespace veltrane::db {

// The state one PostgreSQL connection shares between its session and the
// cursors reading from it: the libpq connection and the read-only
// transaction that streaming cursors run in. Cursors hold the link too, so
// the connection outlives a record set whose connection was closed first.
struct PgLink {
  PgConnPtr conn;
  bool in_transaction = false;  // the streaming transaction is open
  int open_cursors = 0;         // streaming cursors alive in it
  bool copying = false;         // a COPY is sending rows: nothing else can run
  uint64_t transaction = 0;     // counts transactions, so a cursor knows its own has ended
  uint64_t next_cursor = 0;     // for unique cursor names

  // Runs `sql` through the simple protocol, waiting for the server in
  // slices (server_wait.h). Throws PgStatementError with the
  // server's message unless the result is COMMAND_OK or TUPLES_OK.
  PgResultPtr Run(const std::string& sql);
  // Ends the streaming transaction (its cursors with it). Never throws.
  void EndTransaction();
};

// A failed statement, with the server's SQLSTATE ("" when none).
class PgStatementError : public Error {
 public:
  PgStatementError(const std::string& description, std::string sql_state)
      : Error(description), sql_state_(std::move(sql_state)) {}
  const std::string& sql_state() const { return sql_state_; }

 private:
  std::string sql_state_;
};

// The description of a failed result: the server's message with its detail,
// hint and context, or libpq's message when the server sent none. Never empty.
std::string PgErrorDescription(PGconn* conn, const PGresult* result);
// Throws PgStatementError for the failed `result`.
[[noreturn]] void ThrowPgError(PGconn* conn, const PGresult* result);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_LINK_H_
