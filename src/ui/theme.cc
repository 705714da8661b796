#include "ui/theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProxyStyle>
#include <QRadioButton>
#include <QScreen>
#include <QStyleFactory>
#include <QWidget>

#include "app/file_helpers.h"
#include "db/error.h"

namespace veltrane::ui {
namespace {

// Colours and borders only: every widget's font is set where it is made.
constexpr char kThemeStyleSheet[] = R"(
QPushButton {
  color: palette(button-text);
  background-color: #ffffff;
  border: 1px solid #8f9aa8;
  border-radius: 3px;
  padding: 0 4px;
}
QPushButton:hover { background-color: #eaf2fc; border-color: #4f86c6; }
QPushButton:pressed { background-color: #cfe0f5; }
QPushButton:focus { border: 2px solid #4f86c6; }
QGroupBox {
  border: 1px solid #a8b0ba;
  border-radius: 2px;
  margin-top: 6px;
}
QGroupBox::title {
  subcontrol-origin: margin;
  subcontrol-position: top left;
  left: 7px;
  padding: 0 2px;
  color: #000000;
}
QProgressBar {
  border: 1px solid #8f9aa8;
  border-radius: 3px;
  background-color: #ffffff;
  color: #000000;
  text-align: center;
}
QProgressBar::chunk { background-color: #7fb2e5; }
)";

constexpr int kPasswordCharacter = '*';

// Fusion, except that password boxes mask every character with '*'.
class ApplicationStyle : public QProxyStyle {
 public:
  ApplicationStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return kPasswordCharacter;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

void SetBackground(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, color);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

}  // namespace

void InstallApplicationStyle() { QApplication::setStyle(new ApplicationStyle); }

QFont ArialFont(double points, bool bold) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

void ApplyTheme(QWidget* window) {
  window->setStyleSheet(kThemeStyleSheet);
  SetBackground(window, Qt::white);
}

QColor ButtonFaceColor() { return QApplication::palette().color(QPalette::Button); }

void ApplyBackColor(QWidget* window) {
  const QColor face = ButtonFaceColor();
  SetBackground(window, face);
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) ||
        qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child))
      SetBackground(child, face);
  }
}

bool ApplySkin(QWidget* window, const std::string& skin_path) {
  if (!app::FileExists(skin_path)) return false;
  QFile file(QString::fromStdString(skin_path));
  if (!file.open(QIODevice::ReadOnly))
    throw db::Error("Cannot read the skin file \"" + skin_path + "\": " +
                    file.errorString().toStdString());
  const QString skin = QString::fromUtf8(file.readAll());
  ApplyBackColor(window);
  window->setStyleSheet(window->styleSheet() + '\n' + skin);
  return true;
}

void CenterOnScreen(QWidget* window) {
  const QScreen* screen = window->screen() ? window->screen() : QApplication::primaryScreen();
  if (!screen) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

}  // namespace veltrane::ui
