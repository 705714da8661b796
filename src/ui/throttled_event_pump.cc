#include "ui/throttled_event_pump.h"

#include <time.h>

#include <QCoreApplication>

namespace veltrane::ui {
namespace {

// Milliseconds of the coarse monotonic clock: a few milliseconds of
// resolution, far cheaper to read than the precise clock.
int64_t CoarseNowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

ThrottledEventPump::ThrottledEventPump() : last_ms_(CoarseNowMs()) {}

void ThrottledEventPump::Yield() {
  const int64_t now = CoarseNowMs();
  if (now - last_ms_ < kIntervalMs) return;
  QCoreApplication::processEvents();
  last_ms_ = CoarseNowMs();
}

}  // namespace veltrane::ui
