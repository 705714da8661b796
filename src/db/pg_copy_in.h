#ifndef VELTRANE_DB_PG_COPY_IN_H_
#define VELTRANE_DB_PG_COPY_IN_H_

#include <libpq-fe.h>

#include <string>
#include <string_view>

namespace veltrane::db {

class Connection;

// The form of a load's rows: COPY text lines (copy_text.h) or binary rows
// (copy_binary.h).
enum class CopyFormat { kText, kBinary };

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
  // For kBinary the binary header is sent too, and Finish sends the trailer.
  // Throws Error with the server's message, leaving no transaction open,
  // also when a record set of the connection is still being read.
  void Begin(const std::string& target, CopyFormat format = CopyFormat::kText);

  // Sends whole rows in the load's format: text lines each ended by a line
  // feed, or binary rows. Returns false once the server has rejected the
  // load; then nothing more needs to be sent, and Finish reports why.
  bool Send(std::string_view lines);

  // Ends the data and commits. When the server rejected the load, rolls
  // back and throws Error with the server's message (which row and column,
  // and why).
  void Finish();

  // Ends a running load and rolls it back. Never throws.
  void Abort();

  bool loading() const { return loading_; }

  // Whether the connection is gone (the server closed it, the network
  // failed, or a stalled server was cut off): a failed load then says
  // nothing about its rows.
  bool ConnectionLost() const;

  // Whether the server takes the binary rows copy_binary.h writes: its
  // times are 64-bit integers, as on every server since version 10 and
  // nearly all before.
  bool TakesBinaryRows() const;

 private:
  void Rollback();

  PGconn* conn_;
  bool loading_ = false;
  bool rejected_ = false;
  CopyFormat format_ = CopyFormat::kText;
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_COPY_IN_H_
