#ifndef VELTRANE_UI_FORM1_H_
#define VELTRANE_UI_FORM1_H_

#include <string>

#include <QWidget>

#include "app/prompter.h"
#include "app/settings_store.h"
#include "db/connection_settings.h"
#include "ui/file_dialogs.h"
#include "ui/window_pointer.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace veltrane::ui {

class Form2;

inline constexpr char kConnectionSuccessful[] = "Connection successful.";
inline constexpr char kFoxProCouldNotConnect[] = "Could not connect.";
inline constexpr char kPostgreSqlCouldNotConnect[] =
    "Could not connect. Please check with your administrator.";
inline constexpr char kPgAdminDownloadPage[] = "https://www.pgadmin.org/download/";
inline constexpr char kFoxProHint[] = "Make sure FoxPro is closed while using this application.";
// The sample tables folder among the program's files (app::ProgramFile).
inline constexpr char kSamplesFolder[] = "/Samples";

// The connection window: the PostgreSQL login and the FoxPro side (a
// database container file or a free-table folder). Its boxes and options are
// the live connection settings; every change is written to the settings
// store at once. It tests each side, browses for the FoxPro file or folder,
// points the FoxPro side at the bundled samples, and moves on to the tables
// window when both sides open.
//
// Click handlers do nothing while a table command runs.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  Form1(app::Prompter& prompter, app::SettingsStore& settings, FileDialogs& dialogs);

  // The tables window Next and start-up move on to. Required before Form_Load.
  void SetTablesWindow(Form2* form2) { form2_ = form2; }

  // Start-up: skin, caption, icon, application title, hand cursor, the
  // remembered mode and boxes, then both connection checks; when both pass,
  // shows the tables window and hides this one.
  void Form_Load();

  // The boxes and options as they are now.
  db::ConnectionSettings Settings() const;
  // The store the boxes are remembered in.
  app::SettingsStore& store() { return settings_; }

  WindowPointer& pointer() { return pointer_; }

  void PushButton1_Click();  // test the FoxPro connection
  void PushButton2_Click();  // Next
  void PushButton3_Click();  // test the PostgreSQL connection
  void PushButton4_Click();  // choose the free-table folder
  void PushButton5_Click();  // choose the .dbc file
  void PushButton6_Click();  // PostgreSQL help
  void PushButton7_Click();  // FoxPro hint
  void PushButton8_Click();  // the sample tables

  QGroupBox* Frame1;
  QGroupBox* Frame2;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLineEdit* Text1;
  QLineEdit* Text2;
  QLineEdit* Text3;
  QLineEdit* Text4;
  QLineEdit* Text5;
  QLineEdit* Text6;
  QLineEdit* Text7;
  QRadioButton* Option1;
  QRadioButton* Option2;
  QPushButton* PushButton1;
  QPushButton* PushButton2;
  QPushButton* PushButton3;
  QPushButton* PushButton4;
  QPushButton* PushButton5;
  QPushButton* PushButton6;
  QPushButton* PushButton7;
  QPushButton* PushButton8;

 signals:
  // The window was closed: the program ends.
  void closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  void SetTabOrder();
  void ConnectHandlers();
  // Writes a box's text under its setting on every change.
  void Remember(QLineEdit* box, const char* setting);

  app::Prompter& prompter_;
  app::SettingsStore& settings_;
  FileDialogs& dialogs_;
  WindowPointer pointer_;
  Form2* form2_ = nullptr;
};

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_FORM1_H_
