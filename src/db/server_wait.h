#ifndef VELTRANE_DB_SERVER_WAIT_H_
#define VELTRANE_DB_SERVER_WAIT_H_

#include <libpq-fe.h>

#include <chrono>
#include <functional>
#include <optional>

#include "db/cancel.h"

namespace veltrane::db {

// Every wait for the PostgreSQL server goes through this file, in slices of
// kWaitSliceMs, so that a window keeps answering (ServerWaitHook) and a
// statement that never ends can be cancelled (cancel.h). A call that
// would block inside libpq instead (PQexec, PQgetResult before the result
// has arrived, a blocking send) could hang for ever on a stalled server.

// Keeps a window answering while a call waits for the PostgreSQL server.
// While a ServerWaitHook lives, every wait of this thread's PostgreSQL
// calls runs `idle` about every kWaitSliceMs milliseconds. Hooks nest: the
// innermost one runs. `idle` must not use the connection that waits.
class ServerWaitHook {
 public:
  explicit ServerWaitHook(std::function<void()> idle);
  ~ServerWaitHook();
  ServerWaitHook(const ServerWaitHook&) = delete;
  ServerWaitHook& operator=(const ServerWaitHook&) = delete;

 private:
  std::function<void()> idle_;
  const std::function<void()>* previous_;
};

// Lets the PostgreSQL statements this thread runs while it lives finish
// although a cancel request stands, for a cleanup that must not be cut
// short (dropping a table that was only partly loaded): they are cancelled
// only once they have taken kCancelGraceMs from its start, and the
// connection is cut kCancelGraceMs after that, so a stalled server still
// cannot hold the caller.
class FinishDespiteCancel {
 public:
  FinishDespiteCancel();
  ~FinishDespiteCancel();
  FinishDespiteCancel(const FinishDespiteCancel&) = delete;
  FinishDespiteCancel& operator=(const FinishDespiteCancel&) = delete;

 private:
  std::optional<std::chrono::steady_clock::time_point> previous_;
};

inline constexpr int kWaitSliceMs = 10;

// Waits at most kWaitSliceMs for the connection's socket to become readable
// (or writable), runs the current hook, if any, and carries out a cancel
// request. Returns whether the socket became ready.
bool WaitForServer(PGconn* conn, bool for_writing);

// Sends the server libpq's cancel request for the statement `conn` runs,
// from a thread of its own: the request makes a connection of its own and
// waits for the server to close it, which a stalled server never does.
// The request may reach the server after the caller's next statement.
void SendCancelRequest(PGconn* conn);

// Asks the server to end the statement `conn` runs, as the program ends
// one early (a record set closed before its last row): the request has
// reached the server when this returns, so it cannot end the next
// statement instead. While a cancel request stands (the server may have
// stalled) it is sent from a thread instead (SendCancelRequest).
void CancelStatement(PGconn* conn);

// Hands every queued byte to the socket, waiting in slices. Returns false
// when the connection failed.
bool FlushWaiting(PGconn* conn);

// Waits, in slices, until the next result of a query sent with PQsendQuery
// (or the end of a COPY) has arrived, so that PQgetResult does not block.
// Returns false when the connection failed meanwhile.
bool AwaitResult(PGconn* conn);

// PQgetResult once the result has arrived (see AwaitResult).
PGresult* NextResult(PGconn* conn);

// Runs one statement like PQexec, but sends it and waits for its result in
// slices; with `single_statement` a text holding several statements fails
// instead of running (the extended protocol). Returns what PQexec
// returns: the last result (the first failure ends the statements; a COPY's
// start when one begins a COPY), nullptr when nothing could be sent.
PGresult* ExecWaiting(PGconn* conn, const char* statement, bool single_statement = false);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_SERVER_WAIT_H_
