#ifndef VELTRANE_UI_THROTTLED_EVENT_PUMP_H_
#define VELTRANE_UI_THROTTLED_EVENT_PUMP_H_

#include <cstdint>

#include "app/window_hooks.h"

namespace veltrane::ui {

// Lets pending window events run at most every kInterval milliseconds, so a
// command may call Yield once per row or value without slowing down while
// the windows still repaint and take clicks. A Yield that lets no events
// run costs a few nanoseconds (a coarse clock read).
class ThrottledEventPump : public app::EventPump {
 public:
  static constexpr int kIntervalMs = 10;
  ThrottledEventPump();
  void Yield() override;

 private:
  int64_t last_ms_ = 0;
};

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_THROTTLED_EVENT_PUMP_H_
