#include "ui/window_pointer.h"

#include <QEvent>
#include <QFile>
#include <QPixmap>
#include <QVariant>
#include <QWidget>

#include "db/error.h"

namespace veltrane::ui {
namespace {

// A .cur file: a 6-byte header whose type word is 2, then directory
// entries whose bytes 4..7 hold the hot spot (little-endian x, y).
constexpr int kCursorFileType = 2;
constexpr int kHeaderSize = 6;
constexpr int kHotSpotOffset = kHeaderSize + 4;

int Word(const QByteArray& bytes, int offset) {
  return static_cast<unsigned char>(bytes[offset]) |
         (static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

constexpr char kRoleProperty[] = "veltraneHoverRole";

}  // namespace

WindowPointer::WindowPointer(QWidget* window) : window_(window) {}

void WindowPointer::Set(int code) {
  if (code == code_) return;
  code_ = code;
  switch (code) {
    case app::kPointerHourglass:
      window_->setCursor(Qt::WaitCursor);
      break;
    case app::kPointerHand:
      window_->setCursor(hand_);
      break;
    default:
      window_->unsetCursor();
  }
}

void WindowPointer::SetHandCursor(const QCursor& cursor) {
  hand_ = cursor;
  if (code_ == app::kPointerHand) window_->setCursor(hand_);
}

QCursor LoadCursorFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly))
    throw db::Error("Cannot read the cursor file \"" + path + "\": " + file.errorString().toStdString());
  const QByteArray bytes = file.readAll();
  QPixmap picture;
  if (!picture.loadFromData(bytes, "ICO") && !picture.loadFromData(bytes))
    throw db::Error("The cursor file \"" + path + "\" holds no picture Qt can read.");
  if (bytes.size() >= kHotSpotOffset + 4 && Word(bytes, 2) == kCursorFileType)
    return QCursor(picture, Word(bytes, kHotSpotOffset), Word(bytes, kHotSpotOffset + 2));
  return QCursor(picture);
}

HoverRule::HoverRule(WindowPointer& pointer, QObject* parent) : QObject(parent), pointer_(pointer) {}

void HoverRule::AddButton(QWidget* widget) { Watch(widget, Role::kButton); }
void HoverRule::AddSurface(QWidget* widget) { Watch(widget, Role::kSurface); }
void HoverRule::AddAlwaysArrow(QWidget* widget) { Watch(widget, Role::kAlwaysArrow); }
void HoverRule::AddNeutral(QWidget* widget) { widget->setAttribute(Qt::WA_NoMousePropagation); }

void HoverRule::Watch(QWidget* widget, Role role) {
  widget->setMouseTracking(true);
  // The pointer over a control is that control's business alone: the
  // surface beneath must not see the same movement and undo the hand.
  widget->setAttribute(Qt::WA_NoMousePropagation);
  widget->setProperty(kRoleProperty, static_cast<int>(role));
  widget->installEventFilter(this);
}

bool HoverRule::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseMove) return false;
  const auto role = static_cast<Role>(watched->property(kRoleProperty).toInt());
  const bool busy = pointer_.Get() == app::kPointerHourglass;
  switch (role) {
    case Role::kButton:
      if (!busy) pointer_.Set(app::kPointerHand);
      break;
    case Role::kSurface:
      if (!busy) pointer_.Set(app::kPointerDefault);
      break;
    case Role::kAlwaysArrow:
      pointer_.Set(app::kPointerDefault);
      break;
  }
  return false;
}

}  // namespace veltrane::ui
