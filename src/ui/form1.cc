#include "ui/form1.h"

#include <memory>

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/app_title.h"
#include "app/error_trap.h"
#include "app/code_page_setting.h"
#include "app/file_helpers.h"
#include "app/program_files.h"
#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/error.h"
#include "transfer/commands.h"
#include "ui/controls.h"
#include "ui/form2.h"
#include "ui/program_icon.h"
#include "ui/theme.h"
#include "ui/twips.h"

namespace veltrane::ui {
namespace {

constexpr double kWindowPoints = 9.0;

std::string PostgreSqlHelpText() {
  return std::string("If you can not connect, please try downloading pgAdmin III. ") +
         "If you can not connect with that software, you know the login information you are "
         "providing here is incorrect." +
         "\r\n\r\n" + kPgAdminDownloadPage;
}

}  // namespace

Form1::Form1(app::Prompter& prompter, app::SettingsStore& settings, FileDialogs& dialogs)
    : prompter_(prompter), settings_(settings), dialogs_(dialogs), pointer_(this) {
  setObjectName(QStringLiteral("Form1"));
  setFont(ArialFont(kWindowPoints, false));
  ApplyTheme(this);
  CreateControls();
  SetTabOrder();
  ConnectHandlers();
  setFixedSize(Twips(8040), Twips(5610));
}

void Form1::CreateControls() {
  Frame1 = MakeFrame(this, "Frame1", "PostgreSQL Login", 120, 120, 7800, 2865);
  Label2 = MakeLabel(Frame1, "Label2", "Server:", 240, 405, 975, 255);
  Text1 = MakeTextBox(Frame1, "Text1", 1320, 360, 4335, 330);
  Label5 = MakeLabel(Frame1, "Label5", "Port:", 5880, 405, 495, 255);
  Text2 = MakeTextBox(Frame1, "Text2", 6480, 360, 1095, 330);
  Label1 = MakeLabel(Frame1, "Label1", "Username:", 240, 885, 1095, 255);
  Label4 = MakeLabel(Frame1, "Label4", "Password:", 240, 1365, 1095, 255);
  Text4 = MakeTextBox(Frame1, "Text4", 1320, 1320, 6255, 330);
  Text4->setEchoMode(QLineEdit::Password);
  Label3 = MakeLabel(Frame1, "Label3", "Database:", 240, 1845, 1095, 255);
  Text5 = MakeTextBox(Frame1, "Text5", 1320, 1800, 6255, 330);
  PushButton3 = MakeButton(Frame1, "PushButton3", "Test Connection", 240, 2280, 3600, 405);
  PushButton6 = MakeButton(Frame1, "PushButton6", "Help", 3960, 2280, 3600, 405);
  // The user-name box belongs to the window itself, lying over the frame's
  // user-name row.
  Text3 = MakeTextBox(this, "Text3", 1440, 960, 6255, 330);
  Text3->raise();

  Frame2 = MakeFrame(this, "Frame2", "FoxPro Login", 120, 3060, 7800, 1905);
  Option1 = MakeOption(Frame2, "Option1", "DBC File:", 240, 405, 1215, 255);
  Text6 = MakeTextBox(Frame2, "Text6", 1560, 360, 5295, 330);
  PushButton5 = MakeButton(Frame2, "PushButton5", "...", 6980, 360, 570, 345);
  Option2 = MakeOption(Frame2, "Option2", "Free Table Folder:", 240, 885, 1815, 255);
  Text7 = MakeTextBox(Frame2, "Text7", 2160, 840, 4695, 330);
  PushButton4 = MakeButton(Frame2, "PushButton4", "...", 6980, 840, 570, 345);
  PushButton1 = MakeButton(Frame2, "PushButton1", "Test Connection", 240, 1320, 3240, 405);
  PushButton8 = MakeButton(Frame2, "PushButton8", "Load Sample/Example Datab", 3600, 1320, 3240, 405);
  PushButton7 = MakeButton(Frame2, "PushButton7", "?", 6960, 1320, 600, 405);
  Option1->setChecked(true);

  PushButton2 = MakeButton(this, "PushButton2", "Next >", 120, 5080, 7800, 405);
}

void Form1::SetTabOrder() {
  SetTabOrderByIndex({{0, Text1},        {1, Text2},        {2, Text3},        {3, Text4},
                      {4, Text5},        {5, Option1},      {6, Text6},        {7, Text7},
                      {13, Option2},     {16, PushButton3}, {17, PushButton6}, {18, PushButton1},
                      {19, PushButton5}, {20, PushButton4}, {21, PushButton2}, {22, PushButton7},
                      {23, PushButton8}});
}

void Form1::Remember(QLineEdit* box, const char* setting) {
  connect(box, &QLineEdit::textChanged, this,
          [this, setting](const QString& text) { settings_.Write(setting, text.toStdString()); });
  box->installEventFilter(this);
}

void Form1::ConnectHandlers() {
  Remember(Text1, app::kServerSetting);
  Remember(Text2, app::kPortSetting);
  Remember(Text3, app::kUserSetting);
  Remember(Text4, app::kPasswordSetting);
  Remember(Text5, app::kDatabaseSetting);
  Remember(Text6, app::kDbcFileSetting);
  Remember(Text7, app::kFreeTableFolderSetting);
  connect(Option1, &QRadioButton::toggled, this, [this](bool selected) {
    if (selected) settings_.Write(app::kFoxproOptionSetting, app::kContainerModeOption);
  });
  connect(Option2, &QRadioButton::toggled, this, [this](bool selected) {
    if (selected) settings_.Write(app::kFoxproOptionSetting, app::kFreeTableModeOption);
  });

  connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
  connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
  connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
  connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
  connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
  connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
  connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
  connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);

  auto* hover = new HoverRule(pointer_, this);
  for (QWidget* button : {PushButton1, PushButton2, PushButton3, PushButton4, PushButton5,
                          PushButton6, PushButton7, PushButton8})
    hover->AddButton(button);
  for (QWidget* surface : std::initializer_list<QWidget*>{this, Frame1, Frame2, Text1, Text2, Text3, Text5})
    hover->AddSurface(surface);
  hover->AddAlwaysArrow(Text4);
  for (QWidget* neutral : std::initializer_list<QWidget*>{Text6, Text7, Option1, Option2, Label1,
                                                         Label2, Label3, Label4, Label5})
    hover->AddNeutral(neutral);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  // A box that receives the focus selects its whole text, so typing replaces
  // it. Deferred, so that the click that gave the focus does not undo it.
  if (event->type() == QEvent::FocusIn) {
    if (auto* box = qobject_cast<QLineEdit*>(watched))
      QTimer::singleShot(0, box, [box] { box->selectAll(); });
  }
  return QWidget::eventFilter(watched, event);
}

db::ConnectionSettings Form1::Settings() const {
  db::ConnectionSettings settings;
  settings.server = Text1->text().toStdString();
  settings.port = Text2->text().toStdString();
  settings.user = Text3->text().toStdString();
  settings.password = Text4->text().toStdString();
  settings.database = Text5->text().toStdString();
  settings.container_mode = Option1->isChecked();
  settings.dbc_file = Text6->text().toStdString();
  settings.free_table_folder = Text7->text().toStdString();
  app::ReadCodePage(settings_, settings);
  return settings;
}

void Form1::Form_Load() {
  app::ErrorTrap trap(prompter_, "Form1.Form_Load");
  const std::string skin_file = app::ProgramFile(kSkinFile);
  const std::string hand_cursor_file = app::ProgramFile(kHandCursorFile);
  trap.Run(100, [&] { ApplySkin(this, skin_file); });
  trap.Run(102, [&] { setWindowTitle(app::kProductName); });
  trap.Run(104, [&] { setWindowIcon(ProgramIcon()); });
  trap.Run(106, [&] { app::ApplyAppTitle(); });
  if (trap.Test(108, [&] { return app::FileExists(hand_cursor_file); }))
    trap.Run(110, [&] { pointer_.SetHandCursor(LoadCursorFile(hand_cursor_file)); });
  if (trap.Test(112, [&] {
        return app::IsFreeTableOption(settings_.Read(app::kFoxproOptionSetting));
      }))
    trap.Run(114, [&] { Option2->setChecked(true); });
  else
    trap.Run(116, [&] { Option1->setChecked(true); });
  trap.Run(118, [&] { Text1->setText(QString::fromStdString(settings_.Read(app::kServerSetting, app::kDefaultServer))); });
  trap.Run(120, [&] { Text2->setText(QString::fromStdString(settings_.Read(app::kPortSetting, app::kDefaultPort))); });
  trap.Run(122, [&] { Text3->setText(QString::fromStdString(settings_.Read(app::kUserSetting))); });
  trap.Run(124, [&] { Text4->setText(QString::fromStdString(settings_.Read(app::kPasswordSetting))); });
  trap.Run(126, [&] { Text5->setText(QString::fromStdString(settings_.Read(app::kDatabaseSetting))); });
  trap.Run(128, [&] { Text6->setText(QString::fromStdString(settings_.Read(app::kDbcFileSetting))); });
  trap.Run(130, [&] { Text7->setText(QString::fromStdString(settings_.Read(app::kFreeTableFolderSetting))); });
  if (trap.Test(132, [&] { return db::CheckPostgreSQLConnection(Settings()) == db::kTrue; })) {
    if (trap.Test(134, [&] { return db::CheckFoxProConnection(Settings()) == db::kTrue; })) {
      trap.Run(136, [&] { form2_->Show(); });
      trap.Run(138, [&] { hide(); });
    }
  }
}

// Test FoxPro connection. The error report covers only making the connection
// object; any later failure is answered by "Could not connect.".
void Form1::PushButton1_Click() {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, "Form1.PushButton1_Click");
  std::unique_ptr<db::Connection> connection;
  trap.Run(100, [&] { connection = std::make_unique<db::Connection>(); });
  try {
    pointer_.Set(app::kPointerHourglass);
    if (!connection) throw db::Error("No connection object.");
    connection->OpenFoxPro(Settings());
    prompter_.Message(kConnectionSuccessful);
    pointer_.Set(app::kPointerDefault);
  } catch (const std::exception&) {
    prompter_.Message(kFoxProCouldNotConnect);
    pointer_.Set(app::kPointerDefault);
  }
}

// Next: both checks, then the tables window, listed afresh.
void Form1::PushButton2_Click() {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, "Form1.PushButton2_Click");
  trap.Run(100, [&] { pointer_.Set(app::kPointerHourglass); });
  if (trap.Test(102, [&] { return db::CheckPostgreSQLConnection(Settings()) == db::kTrue; })) {
    if (trap.Test(104, [&] { return db::CheckFoxProConnection(Settings()) == db::kTrue; })) {
      trap.Run(106, [&] { form2_->Form_Load(); });
      trap.Run(108, [&] { form2_->Show(); });
      trap.Run(110, [&] { hide(); });
    }
  }
  trap.Run(112, [&] { pointer_.Set(app::kPointerDefault); });
}

// Test PostgreSQL connection, as the FoxPro test but with the cursor location
// left at its default.
void Form1::PushButton3_Click() {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, "Form1.PushButton3_Click");
  std::unique_ptr<db::Connection> connection;
  trap.Run(100, [&] { connection = std::make_unique<db::Connection>(); });
  try {
    pointer_.Set(app::kPointerHourglass);
    if (!connection) throw db::Error("No connection object.");
    connection->Open(db::PostgreSqlConnectionString(Settings()));
    prompter_.Message(kConnectionSuccessful);
    pointer_.Set(app::kPointerDefault);
  } catch (const std::exception&) {
    prompter_.Message(kPostgreSqlCouldNotConnect);
    pointer_.Set(app::kPointerDefault);
  }
}

void Form1::PushButton4_Click() {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, "Form1.PushButton4_Click");
  std::string folder;
  trap.Run(100, [&] { folder = dialogs_.BrowseForFolder(this, kFolderPickerTitle, ""); });
  if (trap.Test(102, [&] { return folder.empty(); })) return;
  trap.Run(104, [&] { Text7->setText(QString::fromStdString(folder)); });
}

void Form1::PushButton5_Click() {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, "Form1.PushButton5_Click");
  std::string file;
  trap.Run(100, [&] { file = dialogs_.OpenDbcFile(this); });
  if (trap.Test(102, [&] { return !file.empty(); }))
    trap.Run(104, [&] { Text6->setText(QString::fromStdString(file)); });
}

void Form1::PushButton6_Click() {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, "Form1.PushButton6_Click");
  trap.Run(100, [&] { prompter_.Message(PostgreSqlHelpText()); });
}

void Form1::PushButton7_Click() {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, "Form1.PushButton7_Click");
  trap.Run(100, [&] { prompter_.Message(kFoxProHint); });
}

void Form1::PushButton8_Click() {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, "Form1.PushButton8_Click");
  trap.Run(100, [&] { Option2->setChecked(true); });
  trap.Run(102, [&] { Text7->setText(QString::fromStdString(app::ProgramFile(kSamplesFolder))); });
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closed();
}

void Form1::showEvent(QShowEvent* event) {
  CenterOnScreen(this);
  QWidget::showEvent(event);
}

}  // namespace veltrane::ui
