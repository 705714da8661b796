#ifndef VELTRANE_DB_PG_COPY_IN_H_
#define VELTRANE_DB_PG_COPY_IN_H_

#include <libpq-fe.h>

#include <string>
#include <string_view>

namespace veltrane::db {

class Connection;

// Loads rows into one PostgreSQL table with COPY ... FROM STDIN, each load
// in a transaction of its own: either every row of a load is stored or none
// is. Rows are sent as they come (libpq buffers them), so the server works
// on a load while the caller renders the next rows.
//
// Usage: Begin, Send as often as needed, then Finish (or Abort). Between
// loads the connection is idle and can run other statements. While Send and
// Finish wait for the server, the current ServerWaitHook runs in slices
// (server_wait.h).
class PgCopyIn {
 public:
  // `connection` must be an open PostgreSQL connection that outlives this
  // object. Throws Error when it is not PostgreSQL or not open.
  explicit PgCopyIn(Connection& connection);
  // Rolls back a load that was neither finished nor aborted.
  ~PgCopyIn();
  PgCopyIn(const PgCopyIn&) = delete;
  PgCopyIn& operator=(const PgCopyIn&) = delete;

  // Opens a transaction and starts `COPY <target> FROM STDIN`; `target` is
  // the table as SQL text (a quoted name, optionally with a column list).
  // Throws Error with the server's message, leaving no transaction open,
  // also when a record set of the connection is still being read.
  void Begin(const std::string& target);

  // Sends COPY text-format lines, each ended by a line feed (copy_text.h).
  // Returns false once the server has rejected the load; then nothing more
  // needs to be sent, and Finish reports why.
  bool Send(std::string_view lines);

  // Ends the data and commits. When the server rejected the load, rolls
  // back and throws Error with the server's message (which row and column,
  // and why).
  void Finish();

  // Ends a running load and rolls it back. Never throws.
  void Abort();

  bool loading() const { return loading_; }

 private:
  void Rollback();

  PGconn* conn_;
  bool loading_ = false;
  bool rejected_ = false;
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_COPY_IN_H_
