#ifndef VELTRANE_DB_SERVER_WAIT_H_
#define VELTRANE_DB_SERVER_WAIT_H_

#include <libpq-fe.h>

#include <functional>

namespace veltrane::db {

// Keeps a window answering while a call waits for the PostgreSQL server.
// While a ServerWaitHook lives, every wait of this thread's PostgreSQL
// calls that can wait in slices (COPY loads, batches of a streaming record
// set) runs `idle` about every kWaitSliceMs milliseconds. Hooks nest: the
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

inline constexpr int kWaitSliceMs = 10;

// Waits at most kWaitSliceMs for the connection's socket to become readable
// (or writable), then runs the current hook, if any. Returns whether the
// socket became ready.
bool WaitForServer(PGconn* conn, bool for_writing);

// Waits, in slices, until the result of a query sent with PQsendQuery (or
// the end of a COPY) has arrived, so that PQgetResult does not block.
// Returns false when the connection failed meanwhile.
bool AwaitResult(PGconn* conn);

// Runs a statement text like PQexec (the last result of several
// statements; a COPY's start with the COPY still running), but waits for
// the results in slices. Returns nullptr when the text could not be sent.
PGresult* ExecWaiting(PGconn* conn, const char* statement);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_SERVER_WAIT_H_
