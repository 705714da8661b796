#ifndef VELTRANE_UI_WINDOW_POINTER_H_
#define VELTRANE_UI_WINDOW_POINTER_H_

#include <string>

#include <QCursor>
#include <QObject>

#include "app/window_hooks.h"

class QWidget;

namespace veltrane::ui {

// The hand cursor file among the program's files (app::ProgramFile).
inline constexpr char kHandCursorFile[] = "/HAND-M.CUR";

// One mouse pointer for a whole window: 0 arrow, 11 hourglass, 99 the
// window's hand cursor (our own pointing hand until a cursor file is loaded).
class WindowPointer : public app::MousePointer {
 public:
  explicit WindowPointer(QWidget* window);
  int Get() const override { return code_; }
  void Set(int code) override;
  // Uses `cursor` for code 99 from now on.
  void SetHandCursor(const QCursor& cursor);

 private:
  QWidget* window_;
  int code_ = app::kPointerDefault;
  QCursor hand_{Qt::PointingHandCursor};
};

// Reads a Windows cursor (.cur) or any image Qt reads as a cursor, with the
// hot spot the cursor file gives. Throws db::Error when it cannot be read.
QCursor LoadCursorFile(const std::string& path);

// The pointer feedback of both windows: the pointer moving over a button
// shows the hand, over the window's surface, a frame, a list or a box the
// arrow; while the hourglass shows, neither changes it. Some boxes always
// reset to the arrow, hourglass or not.
class HoverRule : public QObject {
 public:
  HoverRule(WindowPointer& pointer, QObject* parent);
  void AddButton(QWidget* widget);
  void AddSurface(QWidget* widget);
  void AddAlwaysArrow(QWidget* widget);
  // A control over which the pointer stays as it is (the surface beneath
  // does not see the movement either).
  void AddNeutral(QWidget* widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class Role { kButton, kSurface, kAlwaysArrow };
  void Watch(QWidget* widget, Role role);

  WindowPointer& pointer_;
};

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_WINDOW_POINTER_H_
