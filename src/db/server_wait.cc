#include "db/server_wait.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace veltrane::db {
namespace {

using Clock = std::chrono::steady_clock;

thread_local const std::function<void()>* current_hook = nullptr;

// Set by RequestCancel, possibly from a signal handler; the rest of the
// cancel state is shared by the threads that wait (several transfers may
// run at once), under its mutex.
std::atomic<bool> cancel_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

struct CancelState {
  std::mutex mutex;
  std::optional<Clock::time_point> seen;  // by the first wait after the request
  std::vector<PGconn*> cancelled;         // connections whose server was asked
};
CancelState& Cancelling() {
  static CancelState state;
  return state;
}

// When this thread's statements finish despite a cancel request (see
// FinishDespiteCancel): the moment their grace ends.
thread_local std::optional<Clock::time_point> grace_ends;

// Carries out a standing cancel request for a wait on `conn`.
void Cancel(PGconn* conn) {
  CancelState& state = Cancelling();
  const Clock::time_point now = Clock::now();
  std::unique_lock<std::mutex> lock(state.mutex);
  if (!state.seen) state.seen = now;
  Clock::time_point cancel_at = *state.seen + std::chrono::milliseconds(kCancelDelayMs);
  if (grace_ends) cancel_at = std::max(cancel_at, *grace_ends);
  if (now < cancel_at) return;
  if (std::find(state.cancelled.begin(), state.cancelled.end(), conn) == state.cancelled.end()) {
    state.cancelled.push_back(conn);
    SendCancelRequest(conn);
  }
  lock.unlock();
  // The server did not end the statement in time: cut the connection, so
  // that libpq fails the call instead of waiting further.
  if (now >= cancel_at + std::chrono::milliseconds(kCancelGraceMs) && PQsocket(conn) >= 0)
    ::shutdown(PQsocket(conn), SHUT_RDWR);
}

}  // namespace

ServerWaitHook::ServerWaitHook(std::function<void()> idle)
    : idle_(std::move(idle)), previous_(current_hook) {
  current_hook = &idle_;
}

ServerWaitHook::~ServerWaitHook() { current_hook = previous_; }

FinishDespiteCancel::FinishDespiteCancel() : previous_(grace_ends) {
  grace_ends = Clock::now() + std::chrono::milliseconds(kCancelGraceMs);
}

FinishDespiteCancel::~FinishDespiteCancel() { grace_ends = previous_; }

void SendCancelRequest(PGconn* conn) {
  PGcancel* cancel = PQgetCancel(conn);
  if (!cancel) return;
  std::thread([cancel] {
    char error[256];
    PQcancel(cancel, error, sizeof error);
    PQfreeCancel(cancel);
  }).detach();
}

void CancelStatement(PGconn* conn) {
  if (CancelRequested()) {
    SendCancelRequest(conn);
    return;
  }
  if (PGcancel* cancel = PQgetCancel(conn)) {
    char error[256];
    PQcancel(cancel, error, sizeof error);
    PQfreeCancel(cancel);
  }
}

void RequestCancel() { cancel_requested.store(true); }

void ClearCancel() {
  cancel_requested.store(false);
  CancelState& state = Cancelling();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.seen.reset();
  state.cancelled.clear();
}

bool CancelRequested() { return cancel_requested.load(); }

bool WaitForServer(PGconn* conn, bool for_writing) {
  pollfd socket{PQsocket(conn), static_cast<short>(for_writing ? POLLOUT : POLLIN), 0};
  // A socket that is gone counts as ready, so that the caller learns why.
  const bool ready = socket.fd < 0 || poll(&socket, 1, kWaitSliceMs) > 0;
  if (current_hook) (*current_hook)();
  if (CancelRequested()) Cancel(conn);
  return ready;
}

bool FlushWaiting(PGconn* conn) {
  while (true) {
    const int state = PQflush(conn);
    if (state == 0) return true;
    if (state < 0) return false;
    WaitForServer(conn, /*for_writing=*/true);
  }
}

bool AwaitResult(PGconn* conn) {
  while (true) {
    if (!PQconsumeInput(conn)) return false;
    if (!PQisBusy(conn)) return true;
    WaitForServer(conn, /*for_writing=*/false);
  }
}

PGresult* NextResult(PGconn* conn) {
  AwaitResult(conn);
  return PQgetResult(conn);
}

PGresult* ExecWaiting(PGconn* conn, const char* statement, bool single_statement) {
  // Without blocking, so that a large statement is sent in slices too.
  const bool was_nonblocking = PQisnonblocking(conn);
  PQsetnonblocking(conn, 1);
  const int sent = single_statement
                       ? PQsendQueryParams(conn, statement, 0, nullptr, nullptr, nullptr, nullptr, 0)
                       : PQsendQuery(conn, statement);
  PGresult* last = nullptr;
  if (sent && FlushWaiting(conn)) {
    while (PGresult* result = NextResult(conn)) {
      PQclear(last);
      last = result;
      // A COPY waits for its data: there is no further result until then.
      const ExecStatusType status = PQresultStatus(result);
      if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH ||
          PQstatus(conn) == CONNECTION_BAD)
        break;
    }
  }
  PQsetnonblocking(conn, was_nonblocking);
  return last;
}

}  // namespace veltrane::db
