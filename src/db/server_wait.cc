#include "db/server_wait.h"

#include <poll.h>

namespace veltrane::db {
namespace {

thread_local const std::function<void()>* current_hook = nullptr;

}  // namespace

ServerWaitHook::ServerWaitHook(std::function<void()> idle)
    : idle_(std::move(idle)), previous_(current_hook) {
  current_hook = &idle_;
}

ServerWaitHook::~ServerWaitHook() { current_hook = previous_; }

bool WaitForServer(PGconn* conn, bool for_writing) {
  pollfd socket{PQsocket(conn), static_cast<short>(for_writing ? POLLOUT : POLLIN), 0};
  // A socket that is gone counts as ready, so that the caller learns why.
  const bool ready = socket.fd < 0 || poll(&socket, 1, kWaitSliceMs) > 0;
  if (current_hook) (*current_hook)();
  return ready;
}

bool AwaitResult(PGconn* conn) {
  while (true) {
    if (!PQconsumeInput(conn)) return false;
    if (!PQisBusy(conn)) return true;
    WaitForServer(conn, /*for_writing=*/false);
  }
}

PGresult* ExecWaiting(PGconn* conn, const char* statement) {
  if (!PQsendQuery(conn, statement)) return nullptr;
  // As PQexec: the last result (a failure stops the statements after it),
  // or the one that starts a COPY, whose data follows.
  PGresult* last = nullptr;
  while (true) {
    AwaitResult(conn);
    PGresult* result = PQgetResult(conn);
    if (result == nullptr) break;
    PQclear(last);
    last = result;
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH ||
        PQstatus(conn) == CONNECTION_BAD)
      break;
  }
  return last;
}

}  // namespace veltrane::db
