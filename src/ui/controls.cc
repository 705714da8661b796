#include "ui/controls.h"

#include <algorithm>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/theme.h"
#include "ui/twips.h"

namespace veltrane::ui {
namespace {

constexpr double kControlPoints = 9.0;
constexpr double kButtonPoints = 11.25;

template <typename Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height,
               const QFont& font) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(TwipsRect(left, top, width, height));
  control->setFont(font);
  return control;
}

}  // namespace

QFont ControlFont() { return ArialFont(kControlPoints, true); }
QFont ButtonFont() { return ArialFont(kButtonPoints, true); }

QGroupBox* MakeFrame(QWidget* parent, const char* name, const char* caption, int left, int top,
                     int width, int height) {
  return Place(new QGroupBox(QString::fromLatin1(caption), parent), name, left, top, width, height,
               ControlFont());
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int left, int top,
                  int width, int height) {
  return Place(new QLabel(QString::fromLatin1(caption), parent), name, left, top, width, height,
               ControlFont());
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name, int left, int top, int width, int height) {
  return Place(new QLineEdit(parent), name, left, top, width, height, ControlFont());
}

QRadioButton* MakeOption(QWidget* parent, const char* name, const char* caption, int left, int top,
                         int width, int height) {
  return Place(new QRadioButton(QString::fromLatin1(caption), parent), name, left, top, width,
               height, ControlFont());
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int left, int top,
                        int width, int height) {
  QPushButton* button = Place(new QPushButton(QString::fromLatin1(caption), parent), name, left,
                              top, width, height, ButtonFont());
  button->setAutoDefault(false);
  return button;
}

void SetTabOrderByIndex(std::vector<std::pair<int, QWidget*>> controls) {
  std::sort(controls.begin(), controls.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < controls.size(); ++i)
    QWidget::setTabOrder(controls[i - 1].second, controls[i].second);
}

}  // namespace veltrane::ui
