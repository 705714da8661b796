#ifndef VELTRANE_UI_PROGRAM_ICON_H_
#define VELTRANE_UI_PROGRAM_ICON_H_

#include <string>

#include <QIcon>
#include <QImage>

namespace veltrane::ui {

// The program's window icon, used by both windows: two tables with arrows
// between them, drawn at the sizes window managers ask for.
QIcon ProgramIcon();

// The same picture as a square image of `size` pixels on a transparent
// ground, and as an SVG document (for the desktop's menus).
QImage DrawProgramIcon(int size);
std::string ProgramIconSvg();

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_PROGRAM_ICON_H_
