// Renders both windows as a user sees them into PNG files:
//   veltrane_screenshots OUTPUT_FOLDER
// The connection settings come from VELTRANE_TEST_PGHOST, VELTRANE_TEST_PGPORT,
// VELTRANE_TEST_PGUSER, VELTRANE_TEST_PGPASSWORD and VELTRANE_SCREENSHOT_DATABASE
// (scripts/screenshots sets them); the FoxPro side is the Samples folder
// beside the program. Message boxes are recorded, not shown, and printed.

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

#include "app/settings_store.h"
#include "recording_prompter.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/program_icon.h"
#include "ui/theme.h"
#include "ui/window_flow.h"

namespace {

std::string Env(const char* name, const char* fallback = "") {
  const char* value = std::getenv(name);
  return value ? value : fallback;
}

bool Save(QWidget& window, const QString& file) {
  QApplication::processEvents();
  if (!window.grab().save(file)) {
    std::fprintf(stderr, "veltrane_screenshots: cannot write %s\n", qPrintable(file));
    return false;
  }
  std::printf("%s\n", qPrintable(file));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  veltrane::ui::InstallApplicationStyle();
  QApplication::setWindowIcon(veltrane::ui::ProgramIcon());
  application.setQuitOnLastWindowClosed(false);
  if (argc != 2) {
    std::fprintf(stderr, "usage: veltrane_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);

  // A settings file of its own, so that a user's settings are never touched.
  const QString ini = out + "/Veltrane.ini";
  QFile::remove(ini);
  veltrane::app::SettingsStore settings(ini.toStdString());
  settings.Write(veltrane::app::kServerSetting, Env("VELTRANE_TEST_PGHOST", "localhost"));
  settings.Write(veltrane::app::kPortSetting, Env("VELTRANE_TEST_PGPORT", "5432"));
  settings.Write(veltrane::app::kUserSetting, Env("VELTRANE_TEST_PGUSER"));
  settings.Write(veltrane::app::kPasswordSetting, Env("VELTRANE_TEST_PGPASSWORD"));
  settings.Write(veltrane::app::kDatabaseSetting, Env("VELTRANE_SCREENSHOT_DATABASE", "postgres"));
  settings.Write(veltrane::app::kFoxproOptionSetting, "2");
  settings.Write(veltrane::app::kFreeTableFolderSetting,
                 (QCoreApplication::applicationDirPath() + "/Samples").toStdString());

  veltrane::testing::RecordingPrompter prompter;
  veltrane::testing::ScriptedFileDialogs dialogs;
  veltrane::ui::WindowFlow flow(prompter, settings, dialogs);
  flow.Start();

  veltrane::ui::Form1& form1 = flow.form1();
  veltrane::ui::Form2& form2 = flow.form2();
  bool ok = true;
  form2.hide();
  form1.show();
  ok &= Save(form1, out + "/connection-window.png");

  form1.hide();
  form2.Show();
  if (form2.List1->Count() > 1) form2.List1->SetSelected(1, true);
  if (form2.List2->Count() > 0) form2.List2->SetSelected(0, true);
  ok &= Save(form2, out + "/tables-window.png");

  for (const auto& message : prompter.messages) std::printf("message: %s\n", message.text.c_str());
  for (const auto& report : prompter.reports) std::printf("report: %s\n", report.c_str());
  QFile::remove(ini);
  return ok ? 0 : 1;
}
