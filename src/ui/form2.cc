#include "ui/form2.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QPushButton>

#include "app/app_title.h"
#include "app/copy_keys_setting.h"
#include "app/error_trap.h"
#include "app/file_helpers.h"
#include "app/jobs_setting.h"
#include "app/postgresql_schema_setting.h"
#include "app/program_files.h"
#include "transfer/commands.h"
#include "ui/controls.h"
#include "ui/form1.h"
#include "ui/program_icon.h"
#include "ui/theme.h"
#include "ui/twips.h"

namespace veltrane::ui {
namespace {

// The load routine makes the window's outer height end this far below the
// Back button. Qt sizes the client area, so the height of a usual caption
// and borders comes off.
constexpr float kBelowBackButtonTwips = 580.0f;
constexpr float kCaptionAndBordersTwips = 475.0f;

// The PostgreSQL list's frame caption; with a schema chosen for the tables
// sent, the schema follows it.
constexpr char kPostgreSqlFrameCaption[] = "PostgreSQL Tables";

}  // namespace

Form2::Form2(app::Prompter& prompter, Form1& form1)
    : prompter_(prompter), form1_(form1), pointer_(this) {
  setObjectName(QStringLiteral("Form2"));
  setFont(ControlFont());
  ApplyTheme(this);
  CreateControls();
  ConnectHandlers();
  setFixedSize(Twips(8040), Twips(5535));
}

void Form2::CreateControls() {
  Frame2 = MakeFrame(this, "Frame2", "FoxPro Tables", 120, 120, 3840, 4215);
  List1 = new TableListBox(Frame2);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setGeometry(TwipsRect(240, 360, 3330, 1635));
  List1->setFont(ControlFont());
  PushButton10 = MakeButton(Frame2, "PushButton10", "Select All", 240, 2100, 1600, 405);
  PushButton11 = MakeButton(Frame2, "PushButton11", "Deselect All", 1960, 2100, 1600, 405);
  PushButton3 = MakeButton(Frame2, "PushButton3", "Send Table/s To PostgreSQL", 240, 2600, 3330, 405);
  PushButton1 = MakeButton(Frame2, "PushButton1", "Delete Table/s", 240, 3100, 3330, 405);
  PushButton6 = MakeButton(Frame2, "PushButton6", "Rename Table", 240, 3598, 3330, 405);

  Frame1 = MakeFrame(this, "Frame1", kPostgreSqlFrameCaption, 4080, 120, 3840, 4215);
  List2 = new TableListBox(Frame1);
  List2->setObjectName(QStringLiteral("List2"));
  List2->setGeometry(TwipsRect(240, 360, 3330, 1635));
  List2->setFont(ControlFont());
  PushButton8 = MakeButton(Frame1, "PushButton8", "Select All", 240, 2100, 1600, 405);
  PushButton9 = MakeButton(Frame1, "PushButton9", "Deselect All", 1960, 2100, 1600, 405);
  PushButton4 = MakeButton(Frame1, "PushButton4", "Send Table/s To FoxPro", 240, 2600, 3330, 405);
  PushButton5 = MakeButton(Frame1, "PushButton5", "Delete Table/s", 240, 3100, 3330, 405);
  PushButton7 = MakeButton(Frame1, "PushButton7", "Rename Table", 240, 3600, 3330, 405);

  ProgressBar1 = new ThemedProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setGeometry(TwipsRect(120, 4485, 7800, 405));
  ProgressBar1->setFont(ControlFont());
  PushButton2 = MakeButton(this, "PushButton2", "< Back", 120, 5025, 3840, 405);
  PushButton12 = MakeButton(this, "PushButton12", "Help", 4080, 5025, 3840, 405);
  column_types_menu = new ColumnTypesMenu(form1_.store(), {List1, List2}, this);

  SetTabOrderByIndex({{1, List1},
                      {3, List2},
                      {4, PushButton10},
                      {5, PushButton11},
                      {6, PushButton3},
                      {7, PushButton1},
                      {8, PushButton6},
                      {9, PushButton8},
                      {10, PushButton9},
                      {11, PushButton4},
                      {12, PushButton5},
                      {13, PushButton7},
                      {14, PushButton2},
                      {16, PushButton12}});
}

void Form2::ConnectHandlers() {
  connect(PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
  connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
  connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
  connect(PushButton4, &QPushButton::clicked, this, &Form2::PushButton4_Click);
  connect(PushButton5, &QPushButton::clicked, this, &Form2::PushButton5_Click);
  connect(PushButton6, &QPushButton::clicked, this, &Form2::PushButton6_Click);
  connect(PushButton7, &QPushButton::clicked, this, &Form2::PushButton7_Click);
  connect(PushButton8, &QPushButton::clicked, this, &Form2::PushButton8_Click);
  connect(PushButton9, &QPushButton::clicked, this, &Form2::PushButton9_Click);
  connect(PushButton10, &QPushButton::clicked, this, &Form2::PushButton10_Click);
  connect(PushButton11, &QPushButton::clicked, this, &Form2::PushButton11_Click);
  connect(PushButton12, &QPushButton::clicked, this, &Form2::PushButton12_Click);

  auto* hover = new HoverRule(pointer_, this);
  for (QWidget* button : {PushButton1, PushButton2, PushButton3, PushButton4, PushButton5,
                          PushButton6, PushButton7, PushButton8, PushButton9, PushButton10,
                          PushButton11, PushButton12})
    hover->AddButton(button);
  for (QWidget* surface : {static_cast<QWidget*>(this), static_cast<QWidget*>(Frame1),
                           static_cast<QWidget*>(Frame2), List1->viewport(), List2->viewport()})
    hover->AddSurface(surface);
  hover->AddNeutral(ProgressBar1);
}

transfer::CommandContext Form2::Context() {
  const app::PostgreSqlSchema schema = app::ReadPostgreSqlSchema(form1_.store());
  QString caption = QString::fromLatin1(kPostgreSqlFrameCaption);
  if (schema.chosen()) caption += " - schema " + QString::fromStdString(schema.name);
  Frame1->setTitle(caption);
  const app::ColumnTypes column_types = column_types_menu->Choice();
  return transfer::CommandContext{
      [this] { return form1_.Settings(); },
      *List1,
      *List2,
      *ProgressBar1,
      pointer_,
      prompter_,
      events_,
      column_types,
      schema,
      app::ReadCopyKeys(form1_.store()).value_or(app::DefaultCopyKeys(column_types)),
      app::ReadJobs(form1_.store())};
}

void Form2::Form_Load() {
  loaded_ = true;
  app::ErrorTrap trap(prompter_, "Form2.Form_Load");
  const std::string hand_cursor_file = app::ProgramFile(kHandCursorFile);
  trap.Run(100, [&] { ApplyBackColor(this); });
  trap.Run(102, [&] { setWindowIcon(ProgramIcon()); });
  if (trap.Test(104, [&] { return app::FileExists(hand_cursor_file); }))
    trap.Run(106, [&] { pointer_.SetHandCursor(LoadCursorFile(hand_cursor_file)); });
  trap.Run(108, [&] { setWindowTitle(app::kProductName); });
  transfer::CommandContext context = Context();
  transfer::LoadTables(context);
  trap.Run(120, [&] {
    const float back_bottom = static_cast<float>(PushButton2->y() + PushButton2->height()) * kTwipsPerPixel;
    setFixedHeight(Twips(static_cast<int>(back_bottom + kBelowBackButtonTwips - kCaptionAndBordersTwips)));
  });
}

void Form2::Show() {
  if (!loaded_) Form_Load();
  show();
  raise();
  activateWindow();
}

void Form2::RunCommand(transfer::CommandResult (*command)(transfer::CommandContext&)) {
  if (transfer::IsCommandRunning()) return;
  transfer::CommandContext context = Context();
  command(context);
}

void Form2::PushButton1_Click() { RunCommand(&transfer::DropFoxProTables); }
void Form2::PushButton3_Click() { RunCommand(&transfer::SendToPostgreSql); }
void Form2::PushButton4_Click() { RunCommand(&transfer::SendToFoxPro); }
void Form2::PushButton5_Click() { RunCommand(&transfer::DropPostgreSqlTables); }
void Form2::PushButton6_Click() { RunCommand(&transfer::RenameFoxProTable); }
void Form2::PushButton7_Click() { RunCommand(&transfer::RenamePostgreSqlTable); }

void Form2::SelectAll(TableListBox* list, bool selected, const char* procedure) {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, procedure);
  int count = 0;
  trap.Run(100, [&] { count = list->Count(); });
  for (int i = 0; i < count; ++i) trap.Run(102, [&] { list->SetSelected(i, selected); });
}

void Form2::PushButton8_Click() { SelectAll(List2, true, "Form2.PushButton8_Click"); }
void Form2::PushButton9_Click() { SelectAll(List2, false, "Form2.PushButton9_Click"); }
void Form2::PushButton10_Click() { SelectAll(List1, true, "Form2.PushButton10_Click"); }
void Form2::PushButton11_Click() { SelectAll(List1, false, "Form2.PushButton11_Click"); }

// Back: the connection window again; this one stays loaded with its lists.
void Form2::PushButton2_Click() {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, "Form2.PushButton2_Click");
  trap.Run(100, [&] {
    form1_.show();
    form1_.raise();
    form1_.activateWindow();
  });
  trap.Run(102, [&] { hide(); });
}

void Form2::PushButton12_Click() {
  if (transfer::IsCommandRunning()) return;
  app::ErrorTrap trap(prompter_, "Form2.PushButton12_Click");
  trap.Run(100, [&] { prompter_.Message(std::string(kHelpText) + kContactPage); });
}

void Form2::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closed();
}

void Form2::showEvent(QShowEvent* event) {
  CenterOnScreen(this);
  QWidget::showEvent(event);
}

}  // namespace veltrane::ui
