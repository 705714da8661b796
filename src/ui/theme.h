#ifndef VELTRANE_UI_THEME_H_
#define VELTRANE_UI_THEME_H_

#include <string>

#include <QColor>
#include <QFont>

class QWidget;

namespace veltrane::ui {

// The skin file among the program's files (app::ProgramFile), a Qt style
// sheet.
inline constexpr char kSkinFile[] = "/x/o.cjs";

// The application's style: Fusion, with password boxes showing '*'. Call
// once, after the QApplication exists.
void InstallApplicationStyle();

// Arial at the given size; fontconfig maps it to a metric-compatible face
// (Liberation Sans) where Arial itself is not installed.
QFont ArialFont(double points, bool bold);

// The look both windows start with: white surfaces, themed push buttons
// (Arial 11.25 pt bold, button-text colour on white), framed group boxes and
// a progress bar showing its caption. Sets the window's style sheet and
// background.
void ApplyTheme(QWidget* window);

// The system colour of button faces.
QColor ButtonFaceColor();

// Gives `window` and every option button, check box, frame and label on it
// the button-face background; other controls keep theirs.
void ApplyBackColor(QWidget* window);

// When the skin file `skin_path` exists: the button-face colours of
// ApplyBackColor, then the file's style sheet on top of the theme. Returns
// false (and changes nothing) when there is no such file; throws db::Error
// when the file exists but cannot be read.
bool ApplySkin(QWidget* window, const std::string& skin_path);

// Places `window` in the middle of its screen.
void CenterOnScreen(QWidget* window);

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_THEME_H_
