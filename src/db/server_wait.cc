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

void WaitForServer(PGconn* conn, bool for_writing) {
  pollfd socket{PQsocket(conn), static_cast<short>(for_writing ? POLLOUT : POLLIN), 0};
  if (socket.fd >= 0) poll(&socket, 1, kWaitSliceMs);
  if (current_hook) (*current_hook)();
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
  AwaitResult(conn);
  PGresult* first = PQgetResult(conn);
  while (PGresult* rest = PQgetResult(conn)) PQclear(rest);
  return first;
}

}  // namespace veltrane::db
