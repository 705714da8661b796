// Veltrane: copies whole tables between Visual FoxPro and PostgreSQL.

#include <QApplication>

#include "app/settings_store.h"
#include "ui/file_dialogs.h"
#include "ui/program_icon.h"
#include "ui/qt_prompter.h"
#include "ui/theme.h"
#include "ui/window_flow.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  veltrane::ui::InstallApplicationStyle();
  QApplication::setWindowIcon(veltrane::ui::ProgramIcon());
  // Only closing one of the two windows ends the program; hiding one while
  // showing the other must not.
  application.setQuitOnLastWindowClosed(false);

  veltrane::ui::QtPrompter prompter;
  veltrane::ui::QtFileDialogs dialogs;
  veltrane::app::SettingsStore settings;
  veltrane::ui::WindowFlow flow(prompter, settings, dialogs);
  flow.Start();
  if (flow.ending()) return 0;
  return application.exec();
}
