#ifndef VELTRANE_UI_PROGRAM_ICON_H_
#define VELTRANE_UI_PROGRAM_ICON_H_

#include <QIcon>

namespace veltrane::ui {

// The program's window icon, used by both windows: two tables with arrows
// between them, drawn at the sizes window managers ask for.
QIcon ProgramIcon();

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_PROGRAM_ICON_H_
