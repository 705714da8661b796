#ifndef VELTRANE_UI_CONTROLS_H_
#define VELTRANE_UI_CONTROLS_H_

#include <utility>
#include <vector>

#include <QFont>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace veltrane::ui {

// The fonts of the windows' controls.
QFont ControlFont();  // frames, labels, options, boxes: Arial 9 pt bold
QFont ButtonFont();   // push buttons: Arial 11.25 pt bold

// Controls placed at a rectangle given in twips within `parent`; each gets
// its control name as object name.
QGroupBox* MakeFrame(QWidget* parent, const char* name, const char* caption, int left, int top,
                     int width, int height);
QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int left, int top,
                  int width, int height);
QLineEdit* MakeTextBox(QWidget* parent, const char* name, int left, int top, int width, int height);
QRadioButton* MakeOption(QWidget* parent, const char* name, const char* caption, int left, int top,
                         int width, int height);
QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int left, int top,
                        int width, int height);

// Chains the focus through the controls in the order of their tab indexes.
void SetTabOrderByIndex(std::vector<std::pair<int, QWidget*>> controls);

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_CONTROLS_H_
