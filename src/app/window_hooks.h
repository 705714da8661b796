#ifndef VELTRANE_APP_WINDOW_HOOKS_H_
#define VELTRANE_APP_WINDOW_HOOKS_H_

#include <cstdint>
#include <string>

namespace veltrane::app {

// Mouse pointer codes of the windows.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;
inline constexpr int kPointerHand = 99;

// The progress bar the transfers drive: a value from 0 to 100 and a caption.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual void SetValue(double percent) = 0;
  virtual void SetText(const std::string& text) = 0;
  // The rows of the table whose rows just ended (before its progress is
  // reset): how many were read from the source and how many the target
  // stored, fewer when rows failed or the command was stopped.
  virtual void TableRows(int64_t /*read*/, int64_t /*stored*/) {}

  // With several tables sent at once, in place of a value per row: the
  // rows read so far of all the command's tables, out of `total`. By
  // default the value done / total x 100.
  virtual void RowsOfAllTables(int64_t done, int64_t total) {
    SetValue(total > 0 ? static_cast<double>(done) / static_cast<double>(total) * 100.0 : 0);
  }
};

// The window's mouse pointer (one of the codes above).
class MousePointer {
 public:
  virtual ~MousePointer() = default;
  virtual int Get() const = 0;
  virtual void Set(int code) = 0;
};

// Lets pending window events run, so that a window stays responsive during a
// long loop. Implementations may throttle by time: Yield is cheap to call
// once per value.
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void Yield() = 0;
};

}  // namespace veltrane::app

#endif  // VELTRANE_APP_WINDOW_HOOKS_H_
