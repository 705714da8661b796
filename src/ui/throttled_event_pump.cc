#include "ui/throttled_event_pump.h"

#include <QCoreApplication>

namespace veltrane::ui {

ThrottledEventPump::ThrottledEventPump() { since_last_.start(); }

void ThrottledEventPump::Yield() {
  if (since_last_.elapsed() < kIntervalMs) return;
  QCoreApplication::processEvents();
  since_last_.restart();
}

}  // namespace veltrane::ui
