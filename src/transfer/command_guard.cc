#include "transfer/command_guard.h"

#include <atomic>

#include "db/cancel.h"
#include "transfer/commands.h"

namespace veltrane::transfer {
namespace {

std::atomic<bool> running{false};
std::atomic<bool> stop_requested{false};

}  // namespace

CommandGuard::CommandGuard() : acquired_(!running.exchange(true)) {
  if (acquired_) {
    stop_requested = false;
    db::ClearCancel();
  }
}

CommandGuard::~CommandGuard() {
  if (acquired_) running = false;
}

bool IsCommandRunning() { return running; }

void RequestStop() {
  if (!running) return;
  stop_requested = true;
  db::RequestCancel();
}

bool StopRequested() { return stop_requested; }

}  // namespace veltrane::transfer
