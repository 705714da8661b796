// Writes the program's icon for the desktop's menus at build time, drawn as
// the windows draw it: <folder>/veltrane.svg and
// <folder>/<n>x<n>/veltrane.png for each size the menus use.
//
// Usage: veltrane_make_icons <folder>

#include <cstdio>
#include <fstream>
#include <string>

#include <QDir>

#include "ui/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  std::ofstream svg(folder + "/veltrane.svg");
  svg << veltrane::ui::ProgramIconSvg();
  if (!svg.flush()) {
    std::fprintf(stderr, "%s: cannot write %s/veltrane.svg\n", argv[0], folder.c_str());
    return 1;
  }
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string side = std::to_string(size);
    const std::string sized = folder + "/" + side + "x" + side;
    if (!QDir().mkpath(QString::fromStdString(sized)) ||
        !veltrane::ui::DrawProgramIcon(size).save(QString::fromStdString(sized + "/veltrane.png"))) {
      std::fprintf(stderr, "%s: cannot write %s/veltrane.png\n", argv[0], sized.c_str());
      return 1;
    }
  }
  return 0;
}
