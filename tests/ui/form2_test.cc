#include "ui/form2.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QAction>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "recording_prompter.h"
#include "app/list_helpers.h"
#include "transfer/commands.h"
#include "support/temp_dir.h"
#include "support/test_database.h"
#include "ui/form1.h"
#include "ui/theme.h"
#include "ui/window_flow.h"

namespace veltrane::ui {
namespace {

using testing::RecordingPrompter;
using testing::ScriptedFileDialogs;

void MoveOver(QWidget* widget) {
  QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}

std::vector<std::string> Items(const app::TableList& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

class Form2Test : public ::testing::Test {
 protected:
  void Fill(TableListBox* list, std::initializer_list<const char*> names) {
    for (const char* name : names) list->AddItem(name);
  }
  // The connection window set to the test database and `folder` of free tables.
  void LogInto(const testing::TestDatabase& database, const std::string& password,
               const std::string& folder) {
    form1_.Text1->setText(QString::fromStdString(database.server().host));
    form1_.Text2->setText(QString::fromStdString(database.server().port));
    form1_.Text3->setText(QString::fromStdString(database.server().user));
    form1_.Text4->setText(QString::fromStdString(password));
    form1_.Text5->setText(QString::fromStdString(database.name()));
    form1_.Option2->setChecked(true);
    form1_.Text7->setText(QString::fromStdString(folder));
  }

  testing::TempDir dir_;
  app::SettingsStore store_{dir_.File("Veltrane.ini")};
  RecordingPrompter prompter_;
  ScriptedFileDialogs dialogs_;
  WindowFlow flow_{prompter_, store_, dialogs_};
  Form1& form1_ = flow_.form1();
  Form2& form_ = flow_.form2();
};

// The lists' context menu shows the column types the transfers use and
// switches them in the store, which the next command reads.
TEST_F(Form2Test, TheListsContextMenuShowsAndSwitchesTheColumnTypes) {
  ColumnTypesMenu& menu = *form_.column_types_menu;
  EXPECT_EQ(form_.List1->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_EQ(form_.List2->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_TRUE(menu.text_action()->isChecked());
  EXPECT_EQ(form_.Context().column_types, app::ColumnTypes::kText);

  menu.typed_action()->trigger();
  EXPECT_EQ(store_.Read("ColumnTypes"), "typed");
  EXPECT_TRUE(menu.typed_action()->isChecked());
  EXPECT_FALSE(menu.text_action()->isChecked());
  EXPECT_EQ(form_.Context().column_types, app::ColumnTypes::kTyped);

  menu.text_action()->trigger();
  EXPECT_EQ(store_.Read("ColumnTypes"), "text");
  EXPECT_EQ(form_.Context().column_types, app::ColumnTypes::kText);

  // A choice written elsewhere (by another run) counts from the next command.
  store_.Write("ColumnTypes", "typed");
  EXPECT_EQ(form_.Context().column_types, app::ColumnTypes::kTyped);
  menu.Refresh();
  EXPECT_TRUE(menu.typed_action()->isChecked());
}

// The schema chosen for the tables sent shows in the PostgreSQL list's
// caption, from the next command on; none chosen, the caption is its own.
TEST_F(Form2Test, TheChosenSchemaShowsInThePostgreSqlCaption) {
  const QRect frame = form_.Frame1->geometry();
  store_.Write("PostgreSQLSchema", "Legacy Data");
  EXPECT_EQ(form_.Context().postgresql_schema.name, "Legacy Data");
  EXPECT_EQ(form_.Frame1->title(), "PostgreSQL Tables - schema Legacy Data");
  store_.Write("PostgreSQLSchema", "");
  EXPECT_FALSE(form_.Context().postgresql_schema.chosen());
  EXPECT_EQ(form_.Frame1->title(), "PostgreSQL Tables");
  EXPECT_EQ(form_.Frame1->geometry(), frame);
}

TEST_F(Form2Test, LayoutFollowsTheTwipsOfTheDesign) {
  EXPECT_EQ(form_.size(), QSize(536, 369));
  EXPECT_EQ(form_.Frame2->geometry(), QRect(8, 8, 256, 281));
  EXPECT_EQ(form_.Frame1->geometry(), QRect(272, 8, 256, 281));
  EXPECT_EQ(form_.List1->geometry(), QRect(16, 24, 222, 109));
  EXPECT_EQ(form_.PushButton6->geometry(), QRect(16, 240, 222, 27));
  EXPECT_EQ(form_.ProgressBar1->geometry(), QRect(8, 299, 520, 27));
  EXPECT_EQ(form_.PushButton12->geometry(), QRect(272, 335, 256, 27));
  EXPECT_EQ(form_.PushButton3->text(), "Send Table/s To PostgreSQL");
  EXPECT_EQ(form_.PushButton4->text(), "Send Table/s To FoxPro");
  EXPECT_EQ(form_.PushButton2->text(), "< Back");
  EXPECT_EQ(form_.Frame2->title(), "FoxPro Tables");
  EXPECT_EQ(form_.Frame1->title(), "PostgreSQL Tables");
  EXPECT_EQ(form_.List1->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_TRUE(form_.font().bold());
  EXPECT_DOUBLE_EQ(form_.PushButton10->font().pointSizeF(), 11.25);
  EXPECT_EQ(form_.ProgressBar1->value(), 0);
  EXPECT_EQ(form_.ProgressBar1->Text(), "Progress Bar");
}

TEST_F(Form2Test, ListsKeepNamesInOrderWithoutRegardToCase) {
  Fill(form_.List2, {"orders", "Customers", "pg_class", "Orders", "_audit", "customers"});
  EXPECT_EQ(Items(*form_.List2),
            (std::vector<std::string>{"_audit", "Customers", "customers", "orders", "Orders", "pg_class"}));
  form_.List2->AddItem("invoices");  // a transfer's new table lands in its place
  EXPECT_EQ(form_.List2->Item(3), "invoices");
  form_.List2->RemoveItem(0);
  EXPECT_EQ(form_.List2->Count(), 6);
  EXPECT_THROW(form_.List2->Item(6), std::exception);
}

TEST_F(Form2Test, SelectAndDeselectAllWorkOnTheirOwnList) {
  Fill(form_.List1, {"a", "b", "c"});
  Fill(form_.List2, {"x"});
  form_.PushButton10->click();
  EXPECT_EQ(form_.List1->SelCount(), 3);
  EXPECT_EQ(form_.List2->SelCount(), 0);
  EXPECT_EQ(form_.List1->CurrentIndex(), -1);  // the focus does not move
  form_.PushButton8->click();
  EXPECT_EQ(form_.List2->SelCount(), 1);
  form_.PushButton11->click();
  EXPECT_EQ(form_.List1->SelCount(), 0);
  form_.PushButton9->click();
  EXPECT_EQ(form_.List2->SelCount(), 0);
  form_.List1->clear();
  form_.PushButton10->click();
  form_.PushButton11->click();
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_TRUE(prompter_.reports.empty());
}

TEST_F(Form2Test, FocusAloneMakesNoEntryCurrent) {
  Fill(form_.List1, {"a", "b"});
  Fill(form_.List2, {"x"});
  form_.show();
  form_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  // The window opens with the focus on List1; the keyboard then moves it on.
  form_.List1->setFocus(Qt::ActiveWindowFocusReason);
  QTest::keyClick(&form_, Qt::Key_Tab);
  QCoreApplication::processEvents();
  EXPECT_TRUE(form_.List2->hasFocus());
  EXPECT_EQ(form_.List1->CurrentIndex(), -1);
  EXPECT_EQ(form_.List2->CurrentIndex(), -1);

  form_.PushButton3->click();
  form_.PushButton4->click();
  ASSERT_EQ(prompter_.messages.size(), 2u);
  EXPECT_EQ(prompter_.messages[0].text, "Please select a table");
  EXPECT_EQ(prompter_.messages[1].text, "Please select a table to send.");
  EXPECT_TRUE(prompter_.reports.empty());

  // A choice made with the keyboard counts.
  form_.List2->setFocus(Qt::TabFocusReason);
  QTest::keyClick(form_.List2, Qt::Key_Down);
  EXPECT_EQ(form_.List2->CurrentIndex(), 0);
  form_.hide();
}

TEST_F(Form2Test, BackShowsTheConnectionWindowAndKeepsTheLists) {
  Fill(form_.List1, {"a", "b"});
  form_.List1->SetSelected(1, true);
  form_.show();
  form_.PushButton2->click();
  EXPECT_TRUE(form1_.isVisible());
  EXPECT_FALSE(form_.isVisible());
  EXPECT_EQ(form_.List1->Count(), 2);
  EXPECT_TRUE(form_.List1->Selected(1));
}

TEST_F(Form2Test, HelpNamesTheContactPage) {
  form_.PushButton12->click();
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text,
            "Questions? Please contact Team Marvoll at https://www.veltrane.example.com/contact");
  EXPECT_EQ(prompter_.messages[0].title, "");
}

TEST_F(Form2Test, PointerFollowsTheHoverRule) {
  MoveOver(form_.PushButton5);
  EXPECT_EQ(form_.pointer().Get(), app::kPointerHand);
  MoveOver(form_.List1->viewport());
  EXPECT_EQ(form_.pointer().Get(), app::kPointerDefault);
  MoveOver(form_.PushButton12);
  MoveOver(form_.Frame1);
  EXPECT_EQ(form_.pointer().Get(), app::kPointerDefault);
  MoveOver(form_.PushButton12);
  MoveOver(form_.ProgressBar1);  // the progress bar has no rule
  EXPECT_EQ(form_.pointer().Get(), app::kPointerHand);
  form_.pointer().Set(app::kPointerHourglass);
  MoveOver(form_.PushButton3);
  MoveOver(form_.List2->viewport());
  MoveOver(&form_);
  EXPECT_EQ(form_.pointer().Get(), app::kPointerHourglass);
  EXPECT_EQ(form_.cursor().shape(), Qt::WaitCursor);
}

TEST_F(Form2Test, ProgressBarKeepsItsRangeAndCaption) {
  form_.ProgressBar1->SetValue(49.6);
  EXPECT_EQ(form_.ProgressBar1->value(), 50);
  form_.ProgressBar1->SetValue(250.0);
  EXPECT_EQ(form_.ProgressBar1->value(), 100);
  form_.ProgressBar1->SetText("100% done");
  EXPECT_EQ(form_.ProgressBar1->Text(), "100% done");
  form_.ProgressBar1->SetValue(0);
  form_.ProgressBar1->SetText("Progress Bar");
  EXPECT_EQ(form_.ProgressBar1->Text(), "Progress Bar");
}

TEST_F(Form2Test, LoadListsBothSidesAndEndsBelowTheBackButton) {
  testing::TestDatabase database;
  database.Exec("CREATE TABLE zebra (id int); CREATE TABLE \"Apple\" (id int);");
  testing::TempDir folder;
  LogInto(database, database.server().password, folder.path());
  Fill(form_.List2, {"stale"});
  form_.Form_Load();
  EXPECT_TRUE(prompter_.reports.empty()) << prompter_.reports.front();
  EXPECT_EQ(form_.List2->Item(0), "Apple");
  EXPECT_FALSE(app::ListHasItem(*form_.List2, "stale"));
  EXPECT_TRUE(app::ListHasItem(*form_.List2, "zebra"));
  EXPECT_TRUE(app::ListHasItem(*form_.List2, "pg_class"));
  EXPECT_EQ(form_.windowTitle(), "Veltrane");
  EXPECT_EQ(form_.height(), 369);
  EXPECT_EQ(form_.palette().color(QPalette::Window), ButtonFaceColor());
}

TEST_F(Form2Test, NextRefreshesBothListsAndSwapsTheWindows) {
  testing::TestDatabase database;
  database.Exec("CREATE TABLE first_table (id int)");
  testing::TempDir folder;
  LogInto(database, database.server().password, folder.path());
  form1_.show();
  form1_.PushButton2->click();
  ASSERT_TRUE(form_.isVisible()) << (prompter_.reports.empty() ? "" : prompter_.reports.front());
  EXPECT_FALSE(form1_.isVisible());
  EXPECT_TRUE(app::ListHasItem(*form_.List2, "first_table"));

  form_.PushButton2->click();
  database.Exec("CREATE TABLE second_table (id int)");
  form1_.PushButton2->click();
  EXPECT_TRUE(form_.isVisible());
  EXPECT_TRUE(app::ListHasItem(*form_.List2, "second_table"));
  EXPECT_EQ(form1_.pointer().Get(), app::kPointerDefault);
}

TEST_F(Form2Test, StartUpGoesStraightToTheTablesWhenBothSidesOpen) {
  testing::TestDatabase database;
  testing::TempDir folder;
  store_.Write(app::kServerSetting, database.server().host);
  store_.Write(app::kPortSetting, database.server().port);
  store_.Write(app::kUserSetting, database.server().user);
  store_.Write(app::kPasswordSetting, database.server().password);
  store_.Write(app::kDatabaseSetting, database.name());
  store_.Write(app::kFoxproOptionSetting, "2");
  store_.Write(app::kFreeTableFolderSetting, folder.path());
  flow_.Start();
  EXPECT_TRUE(form_.isVisible()) << (prompter_.reports.empty() ? "" : prompter_.reports.front());
  EXPECT_FALSE(form1_.isVisible());
  EXPECT_GT(form_.List2->Count(), 0);

  form_.close();  // closing either window ends the program
  EXPECT_TRUE(flow_.ending());
}

TEST_F(Form2Test, AWrongPasswordLeavesOneReportAndTheOtherSideListed) {
  testing::TestDatabase database;
  testing::TempDir folder;
  LogInto(database, "wrong", folder.path());
  form_.Form_Load();
  EXPECT_EQ(prompter_.reports.size(), 1u);
  EXPECT_EQ(form_.List2->Count(), 0);
  ASSERT_FALSE(prompter_.reports.empty());
  EXPECT_NE(prompter_.reports[0].find("in Veltrane2021/08/31.Form2.Form_Load at line "), std::string::npos)
      << prompter_.reports[0];
}

// Lets the test act in the middle of a running command, once.
struct ActingPump : app::EventPump {
  explicit ActingPump(std::function<void()> act) : act(std::move(act)) {}
  void Yield() override {
    if (acted) return;
    acted = true;
    running_when_acting = transfer::IsCommandRunning();
    act();
  }
  std::function<void()> act;
  bool acted = false;
  bool running_when_acting = false;
};

TEST_F(Form2Test, WhileACommandRunsNoOtherCommandStarts) {
  testing::TestDatabase database;
  LogInto(database, database.server().password, dir_.path());
  Fill(form_.List1, {"kept"});
  ActingPump pump([this] {
    form_.PushButton12->click();   // Help
    form_.PushButton10->click();   // Select All
    form_.PushButton2->click();    // Back
    form1_.PushButton6->click();   // the connection window's Help
    form1_.PushButton8->click();   // the samples
  });
  transfer::CommandContext context{[this] { return form1_.Settings(); }, *form_.List1,
                                   *form_.List2, *form_.ProgressBar1, form_.pointer(),
                                   prompter_, pump};
  form_.show();
  transfer::LoadTables(context);
  ASSERT_TRUE(pump.acted);
  EXPECT_TRUE(pump.running_when_acting);
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_TRUE(form_.isVisible());
  EXPECT_EQ(form1_.Text7->text().toStdString(), dir_.path());
  EXPECT_GT(form_.List2->Count(), 0);
  EXPECT_EQ(form_.List2->SelCount(), 0);
}

TEST_F(Form2Test, ClosingWhileACommandRunsStopsItAndEndsTheProgram) {
  testing::TestDatabase database;
  LogInto(database, database.server().password, dir_.path());
  ActingPump pump([this] { form_.close(); });
  transfer::CommandContext context{[this] { return form1_.Settings(); }, *form_.List1,
                                   *form_.List2, *form_.ProgressBar1, form_.pointer(),
                                   prompter_, pump};
  form_.show();
  transfer::LoadTables(context);
  ASSERT_TRUE(pump.acted);
  EXPECT_TRUE(pump.running_when_acting);
  EXPECT_TRUE(flow_.ending());
  EXPECT_TRUE(transfer::StopRequested());
  EXPECT_FALSE(transfer::IsCommandRunning());
}

}  // namespace
}  // namespace veltrane::ui
