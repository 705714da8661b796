// Veltrane: copies whole tables between Visual FoxPro and PostgreSQL.

#include <cstdio>
#include <cstring>

#include <QApplication>

#include "app/private_server.h"
#include "app/program_files.h"
#include "app/settings_store.h"
#include "app/version.h"
#include "ui/file_dialogs.h"
#include "ui/form1.h"
#include "ui/program_icon.h"
#include "ui/qt_prompter.h"
#include "ui/theme.h"
#include "ui/window_flow.h"

namespace {

constexpr char kUsage[] = R"(Usage: veltrane [Qt options]

Opens Veltrane's connection window, or its tables window straight away when
the remembered connection opens. veltrane-cli runs the tables window's
commands without the windows; see veltrane(1) and veltrane-cli(1).

  -h, --help     show this text
  --version      print the version
)";

// --help and --version are answered before Qt starts, so that they work
// without a display. Returns whether one of them was given.
bool AnsweredWithoutWindows(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("veltrane %s\n", veltrane::app::kVersion);
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnsweredWithoutWindows(argc, argv)) return 0;
  QApplication application(argc, argv);
  veltrane::ui::InstallApplicationStyle();
  QApplication::setWindowIcon(veltrane::ui::ProgramIcon());
  // Only closing one of the two windows ends the program; hiding one while
  // showing the other must not.
  application.setQuitOnLastWindowClosed(false);

  veltrane::ui::QtPrompter prompter;
  veltrane::ui::QtFileDialogs dialogs;
  veltrane::app::SettingsStore settings;
  // With nothing remembered yet, a PostgreSQL server of the user's own is
  // set up and remembered with the sample tables, so that the program opens
  // on its tables window; what went wrong is told before the connection
  // window opens.
  const std::string problem = veltrane::app::PrepareServerOnStart(
      veltrane::app::UsersPrivateServer(), settings,
      veltrane::app::ProgramFile(veltrane::ui::kSamplesFolder));
  if (!problem.empty()) prompter.Message(problem);
  veltrane::ui::WindowFlow flow(prompter, settings, dialogs);
  flow.Start();
  if (flow.ending()) return 0;
  return application.exec();
}
