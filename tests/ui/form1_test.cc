#include "ui/form1.h"

#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "recording_prompter.h"
#include "support/temp_dir.h"
#include "support/test_database.h"
#include "ui/form2.h"
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

class Form1Test : public ::testing::Test {
 protected:
  std::string Stored(const char* name) { return store_.Read(name, "<absent>"); }
  // The PostgreSQL boxes set to the test database, with `password`.
  void LogInto(const testing::TestDatabase& database, const std::string& password);

  testing::TempDir dir_;
  app::SettingsStore store_{dir_.File("Marvoll/Veltrane.ini")};
  RecordingPrompter prompter_;
  ScriptedFileDialogs dialogs_;
  WindowFlow flow_{prompter_, store_, dialogs_};
  Form1& form_ = flow_.form1();
};

void Form1Test::LogInto(const testing::TestDatabase& database, const std::string& password) {
  form_.Text1->setText(QString::fromStdString(database.server().host));
  form_.Text2->setText(QString::fromStdString(database.server().port));
  form_.Text3->setText(QString::fromStdString(database.server().user));
  form_.Text4->setText(QString::fromStdString(password));
  form_.Text5->setText(QString::fromStdString(database.name()));
}

TEST_F(Form1Test, LayoutFollowsTheTwipsOfTheDesign) {
  EXPECT_EQ(form_.size(), QSize(536, 374));
  EXPECT_EQ(form_.minimumSize(), form_.maximumSize());
  EXPECT_EQ(form_.Frame1->geometry(), QRect(8, 8, 520, 191));
  EXPECT_EQ(form_.Frame2->geometry(), QRect(8, 204, 520, 127));
  EXPECT_EQ(form_.Text1->geometry(), QRect(88, 24, 289, 22));
  EXPECT_EQ(form_.Text3->parentWidget(), &form_);  // the window's, over the frame
  EXPECT_EQ(form_.Text3->geometry(), QRect(96, 64, 417, 22));
  EXPECT_EQ(form_.Text3->mapTo(&form_, QPoint()).y(), form_.Text4->mapTo(&form_, QPoint()).y() - 32);
  EXPECT_EQ(form_.PushButton5->geometry(), QRect(465, 24, 38, 23));
  EXPECT_EQ(form_.PushButton2->geometry(), QRect(8, 339, 520, 27));
  EXPECT_EQ(form_.PushButton8->text(), "Load Sample/Example Datab");
  EXPECT_EQ(form_.Frame1->title(), "PostgreSQL Login");
  EXPECT_EQ(form_.Frame2->title(), "FoxPro Login");
  EXPECT_EQ(form_.Option2->text(), "Free Table Folder:");
  form_.Text4->setText("pw;1");
  EXPECT_EQ(form_.Text4->displayText(), "****");
  EXPECT_TRUE(form_.Option1->isChecked());
  EXPECT_FALSE(form_.font().bold());
  EXPECT_DOUBLE_EQ(form_.font().pointSizeF(), 9.0);
  for (QWidget* control : std::initializer_list<QWidget*>{form_.Label2, form_.Text1, form_.Option1, form_.Frame2}) {
    EXPECT_TRUE(control->font().bold()) << control->objectName().toStdString();
    EXPECT_DOUBLE_EQ(control->font().pointSizeF(), 9.0);
    EXPECT_EQ(control->font().family(), "Arial");
  }
  EXPECT_DOUBLE_EQ(form_.PushButton3->font().pointSizeF(), 11.25);
  EXPECT_TRUE(form_.PushButton3->font().bold());
}

TEST_F(Form1Test, TabGoesThroughTheBoxesFirst) {
  std::vector<std::string> order;
  QWidget* control = form_.Text1;
  for (int i = 0; i < 17; ++i, control = control->nextInFocusChain()) {
    while (control->focusPolicy() == Qt::NoFocus) control = control->nextInFocusChain();
    order.push_back(control->objectName().toStdString());
  }
  EXPECT_EQ(order, (std::vector<std::string>{
                       "Text1", "Text2", "Text3", "Text4", "Text5", "Option1", "Text6", "Text7",
                       "Option2", "PushButton3", "PushButton6", "PushButton1", "PushButton5",
                       "PushButton4", "PushButton2", "PushButton7", "PushButton8"}));
}

TEST_F(Form1Test, EveryChangeWritesTheWholeText) {
  const std::string typed = "db1";
  for (std::size_t i = 0; i < typed.size(); ++i) {
    QTest::keyClick(form_.Text1, typed[i]);
    EXPECT_EQ(Stored(app::kServerSetting), typed.substr(0, i + 1));
  }
  form_.Text1->clear();
  EXPECT_EQ(Stored(app::kServerSetting), "");

  QTest::keyClicks(form_.Text4, "s3cret;}");
  EXPECT_EQ(Stored(app::kPasswordSetting), "s3cret;}");
  const std::pair<QLineEdit*, const char*> boxes[] = {
      {form_.Text2, app::kPortSetting},      {form_.Text3, app::kUserSetting},
      {form_.Text5, app::kDatabaseSetting},  {form_.Text6, app::kDbcFileSetting},
      {form_.Text7, app::kFreeTableFolderSetting}};
  for (const auto& [box, setting] : boxes) {
    box->setText("x y");
    EXPECT_EQ(Stored(setting), "x y") << setting;
  }
}

TEST_F(Form1Test, OptionsWriteTheirModeCode) {
  EXPECT_EQ(Stored(app::kFoxproOptionSetting), "<absent>");
  QTest::mouseClick(form_.Option2, Qt::LeftButton);
  EXPECT_TRUE(form_.Option2->isChecked());
  EXPECT_EQ(Stored(app::kFoxproOptionSetting), "2");
  form_.Option1->click();
  EXPECT_EQ(Stored(app::kFoxproOptionSetting), "1");
  EXPECT_TRUE(form_.Settings().container_mode);
}

TEST_F(Form1Test, FocusSelectsTheWholeText) {
  form_.Text5->setText("shop");
  form_.Text5->setCursorPosition(2);
  QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
  QCoreApplication::sendEvent(form_.Text5, &focus);
  QCoreApplication::processEvents();
  EXPECT_EQ(form_.Text5->selectedText(), "shop");
}

TEST_F(Form1Test, FirstStartShowsDefaultsAndWritesOnlyServerAndPort) {
  flow_.Start();
  EXPECT_EQ(form_.Text1->text(), "localhost");
  EXPECT_EQ(form_.Text2->text(), "5432");
  EXPECT_EQ(Stored(app::kServerSetting), "localhost");
  EXPECT_EQ(Stored(app::kPortSetting), "5432");
  for (const char* untouched : {app::kUserSetting, app::kPasswordSetting, app::kDatabaseSetting,
                                app::kDbcFileSetting, app::kFreeTableFolderSetting})
    EXPECT_EQ(Stored(untouched), "<absent>") << untouched;
  EXPECT_TRUE(form_.Option1->isChecked());
  EXPECT_EQ(form_.windowTitle(), "Veltrane");
  EXPECT_FALSE(form_.windowIcon().isNull());
  EXPECT_TRUE(form_.isVisible());
  EXPECT_FALSE(flow_.form2().isVisible());
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_TRUE(prompter_.reports.empty());
}

TEST_F(Form1Test, StartUpFillsTheBoxesFromTheStore) {
  store_.Write(app::kPortSetting, "");
  store_.Write(app::kServerSetting, "127.0.0.1");
  store_.Write(app::kPasswordSetting, "pw");
  store_.Write(app::kFreeTableFolderSetting, "/data/free");
  store_.Write(app::kFoxproOptionSetting, "2");
  form_.Form_Load();
  EXPECT_EQ(form_.Text1->text(), "127.0.0.1");
  EXPECT_EQ(form_.Text2->text(), "");  // cleared by the user, not the default
  EXPECT_EQ(form_.Text4->text(), "pw");
  EXPECT_EQ(form_.Text7->text(), "/data/free");
  EXPECT_TRUE(form_.Option2->isChecked());
  EXPECT_FALSE(form_.Settings().container_mode);
  EXPECT_EQ(Stored(app::kPortSetting), "");
  // The code page of unmarked tables is read from the store, not from a box.
  store_.Write(app::kFoxProCodePageSetting, "866!");
  EXPECT_EQ(form_.Settings().foxpro_code_page.code_page, 866);
  EXPECT_TRUE(form_.Settings().foxpro_code_page.force);
}

TEST_F(Form1Test, OnlyExactlyTwoSelectsFreeTablesAtStartUp) {
  for (const char* stored : {" 2", "02", "1", "", "free"}) {
    form_.Option2->setChecked(true);
    store_.Write(app::kFoxproOptionSetting, stored);
    form_.Form_Load();
    EXPECT_TRUE(form_.Option1->isChecked()) << '"' << stored << '"';
  }
}

TEST_F(Form1Test, PostgreSqlTestAnswersForGoodAndWrongPassword) {
  testing::TestDatabase database;
  LogInto(database, database.server().password);
  std::vector<int> pointer_while_shown;
  prompter_.on_message = [&] { pointer_while_shown.push_back(form_.pointer().Get()); };
  form_.PushButton3->click();
  LogInto(database, database.server().password + "-wrong");
  form_.PushButton3->click();
  form_.Text2->setText("1");  // nothing listens there
  form_.PushButton3->click();
  ASSERT_EQ(prompter_.messages.size(), 3u);
  EXPECT_EQ(prompter_.messages[0].text, "Connection successful.");
  EXPECT_EQ(prompter_.messages[0].title, "");  // the application title
  EXPECT_EQ(prompter_.messages[1].text, "Could not connect. Please check with your administrator.");
  EXPECT_EQ(prompter_.messages[2].text, "Could not connect. Please check with your administrator.");
  EXPECT_TRUE(prompter_.reports.empty());
  EXPECT_EQ(form_.pointer().Get(), app::kPointerDefault);
  // Success is told while the hourglass still shows.
  EXPECT_EQ(pointer_while_shown.front(), app::kPointerHourglass);
}

TEST_F(Form1Test, FoxProTestUsesTheBoxOfTheSelectedMode) {
  testing::TempDir empty;
  form_.Option2->setChecked(true);
  form_.Text7->setText(QString::fromStdString(empty.File("no such folder")));
  form_.PushButton1->click();
  form_.Option1->setChecked(true);
  form_.Text6->setText(QString::fromStdString(empty.File("missing.dbc")));
  form_.Text7->setText(QString::fromStdString(empty.path()));  // not read in this mode
  form_.PushButton1->click();
  form_.Option2->setChecked(true);
  form_.PushButton1->click();
  ASSERT_EQ(prompter_.messages.size(), 3u);
  EXPECT_EQ(prompter_.messages[0].text, "Could not connect.");
  EXPECT_EQ(prompter_.messages[1].text, "Could not connect.");
  EXPECT_EQ(prompter_.messages[2].text, "Connection successful.");
  EXPECT_EQ(form_.pointer().Get(), app::kPointerDefault);
  EXPECT_TRUE(prompter_.reports.empty());
}

TEST_F(Form1Test, NextStaysQuietlyWhenASideDoesNotOpen) {
  testing::TestDatabase database;
  LogInto(database, "wrong password");
  form_.show();
  form_.PushButton2->click();
  EXPECT_TRUE(form_.isVisible());
  EXPECT_FALSE(flow_.form2().isVisible());
  EXPECT_FALSE(flow_.form2().loaded());

  LogInto(database, database.server().password);  // PostgreSQL opens, FoxPro does not
  form_.Text6->setText(QString::fromStdString(dir_.File("missing.dbc")));
  form_.PushButton2->click();
  EXPECT_TRUE(form_.isVisible());
  EXPECT_FALSE(flow_.form2().isVisible());
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_TRUE(prompter_.reports.empty());
  EXPECT_EQ(form_.pointer().Get(), app::kPointerDefault);
}

TEST_F(Form1Test, ChoosersFillTheirBoxOrLeaveEverythingOnCancel) {
  form_.Text6->setText("/kept.dbc");
  form_.Text7->setText("/kept");
  form_.PushButton5->click();
  form_.PushButton4->click();
  EXPECT_EQ(form_.Text6->text(), "/kept.dbc");
  EXPECT_EQ(form_.Text7->text(), "/kept");
  EXPECT_EQ(Stored(app::kDbcFileSetting), "/kept.dbc");
  EXPECT_EQ(dialogs_.titles, (std::vector<std::string>{"Select Foxpro Database", "Please select folder:"}));
  EXPECT_EQ(dialogs_.start_folders, std::vector<std::string>{""});

  dialogs_.answer = "/data/shop.dbc";
  form_.PushButton5->click();
  EXPECT_EQ(Stored(app::kDbcFileSetting), "/data/shop.dbc");
  dialogs_.answer = "/data/free";
  form_.PushButton4->click();
  EXPECT_EQ(Stored(app::kFreeTableFolderSetting), "/data/free");
  EXPECT_TRUE(form_.Option1->isChecked());  // choosing does not switch the mode
}

// A chosen .dbc file that is not there is offered as a new container:
// made on Yes, left alone on No, and reported when it cannot be made.
TEST_F(Form1Test, TheDbcChooserOffersToCreateANewContainer) {
  const struct {
    const char* file;
    bool answer;
    bool made;
  } cases[] = {{"new.dbc", true, true}, {"declined.dbc", false, false}, {"none/shop.dbc", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    prompter_.messages.clear();
    prompter_.reports.clear();
    dialogs_.answer = dir_.File(c.file);
    prompter_.yes_no_answers.push_back(c.answer);
    form_.PushButton5->click();
    EXPECT_EQ(form_.Text6->text().toStdString(), dialogs_.answer);
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].text, "The database container \"" + dialogs_.answer +
                                              "\" does not exist. Would you like to create a "
                                              "new, empty one there?");
    EXPECT_EQ(prompter_.messages[0].title, "Create?");
    EXPECT_EQ(QFile::exists(QString::fromStdString(dialogs_.answer)), c.made);
    const bool refused = c.answer && !c.made;
    ASSERT_EQ(prompter_.reports.size(), refused ? 1u : 0u);
    if (refused) {
      EXPECT_NE(prompter_.reports[0].find("does not exist"), std::string::npos);
      EXPECT_NE(prompter_.reports[0].find("Form1.PushButton5_Click at line 110"), std::string::npos);
    }
  }

  // A container that is there is taken without a question, and it opens.
  prompter_.messages.clear();
  dialogs_.answer = dir_.File("new.dbc");
  form_.PushButton5->click();
  EXPECT_TRUE(prompter_.messages.empty());
  form_.Option1->setChecked(true);
  form_.PushButton1->click();
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text, kConnectionSuccessful);
}

TEST_F(Form1Test, SampleButtonPointsAtTheSamplesBesideTheProgram) {
  form_.Text7->setText("/elsewhere");
  form_.PushButton8->click();
  EXPECT_TRUE(form_.Option2->isChecked());
  EXPECT_EQ(Stored(app::kFoxproOptionSetting), "2");
  const std::string samples = QCoreApplication::applicationDirPath().toStdString() + "/Samples";
  EXPECT_EQ(form_.Text7->text().toStdString(), samples);
  EXPECT_EQ(Stored(app::kFreeTableFolderSetting), samples);
}

TEST_F(Form1Test, HelpAndHintMessages) {
  form_.PushButton6->click();
  form_.PushButton7->click();
  ASSERT_EQ(prompter_.messages.size(), 2u);
  EXPECT_EQ(prompter_.messages[0].text,
            "If you can not connect, please try downloading pgAdmin III. If you can not connect "
            "with that software, you know the login information you are providing here is "
            "incorrect.\r\n\r\nhttps://www.pgadmin.org/download/");
  EXPECT_EQ(prompter_.messages[1].text, "Make sure FoxPro is closed while using this application.");
  EXPECT_EQ(prompter_.messages[1].title, "");
}

TEST_F(Form1Test, PointerFollowsTheHoverRule) {
  MoveOver(form_.PushButton3);
  EXPECT_EQ(form_.pointer().Get(), app::kPointerHand);
  MoveOver(form_.Frame1);
  EXPECT_EQ(form_.pointer().Get(), app::kPointerDefault);
  MoveOver(form_.PushButton2);
  MoveOver(&form_);
  EXPECT_EQ(form_.pointer().Get(), app::kPointerDefault);
  MoveOver(form_.PushButton7);
  MoveOver(form_.Label1);  // labels, options and the path boxes leave it
  MoveOver(form_.Option1);
  MoveOver(form_.Text6);
  EXPECT_EQ(form_.pointer().Get(), app::kPointerHand);

  form_.pointer().Set(app::kPointerHourglass);
  MoveOver(form_.PushButton1);
  MoveOver(form_.Text1);
  EXPECT_EQ(form_.pointer().Get(), app::kPointerHourglass);
  MoveOver(form_.Text4);  // the password box resets it regardless
  EXPECT_EQ(form_.pointer().Get(), app::kPointerDefault);
  EXPECT_EQ(form_.cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
}  // namespace veltrane::ui
