#ifndef VELTRANE_UI_THROTTLED_EVENT_PUMP_H_
#define VELTRANE_UI_THROTTLED_EVENT_PUMP_H_

#include <QElapsedTimer>

#include "app/window_hooks.h"

namespace veltrane::ui {

// Lets pending window events run at most every kInterval milliseconds, so a
// command may call Yield once per row or value without slowing down while
// the windows still repaint and take clicks.
class ThrottledEventPump : public app::EventPump {
 public:
  static constexpr int kIntervalMs = 20;
  ThrottledEventPump();
  void Yield() override;

 private:
  QElapsedTimer since_last_;
};

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_THROTTLED_EVENT_PUMP_H_
