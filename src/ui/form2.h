#ifndef VELTRANE_UI_FORM2_H_
#define VELTRANE_UI_FORM2_H_

#include <QWidget>

#include "app/prompter.h"
#include "transfer/command_context.h"
#include "ui/column_types_menu.h"
#include "ui/table_list_box.h"
#include "ui/themed_progress_bar.h"
#include "ui/throttled_event_pump.h"
#include "ui/window_pointer.h"

class QGroupBox;
class QPushButton;

namespace veltrane::ui {

class Form1;

inline constexpr char kContactPage[] = "https://www.veltrane.example.com/contact";
inline constexpr char kHelpText[] = "Questions? Please contact Team Marvoll at ";

// The tables window: the FoxPro tables (List1) and the PostgreSQL tables
// (List2) side by side, the table commands under each list, the progress bar
// the transfers drive, Back and Help. The commands read the connection
// window's boxes at the moment they run.
//
// Click handlers do nothing while a table command runs (in either window).
class Form2 : public QWidget {
  Q_OBJECT

 public:
  Form2(app::Prompter& prompter, Form1& form1);

  // The load routine: button-face background, icon, hand cursor, caption,
  // both lists afresh, and the height that ends the window below Back.
  void Form_Load();
  // Shows the window, running the load routine the first time.
  void Show();
  bool loaded() const { return loaded_; }

  WindowPointer& pointer() { return pointer_; }
  // The context a command of this window runs with (the remembered column
  // types and schema as they are now). The PostgreSQL list's caption shows
  // the schema when one is chosen.
  transfer::CommandContext Context();

  void PushButton1_Click();   // drop FoxPro tables
  void PushButton2_Click();   // Back
  void PushButton3_Click();   // send to PostgreSQL
  void PushButton4_Click();   // send to FoxPro
  void PushButton5_Click();   // drop PostgreSQL tables
  void PushButton6_Click();   // rename a FoxPro table (not offered)
  void PushButton7_Click();   // rename a PostgreSQL table
  void PushButton8_Click();   // select all PostgreSQL tables
  void PushButton9_Click();   // deselect all PostgreSQL tables
  void PushButton10_Click();  // select all FoxPro tables
  void PushButton11_Click();  // deselect all FoxPro tables
  void PushButton12_Click();  // Help

  QGroupBox* Frame1;
  QGroupBox* Frame2;
  TableListBox* List1;
  TableListBox* List2;
  QPushButton* PushButton1;
  QPushButton* PushButton2;
  QPushButton* PushButton3;
  QPushButton* PushButton4;
  QPushButton* PushButton5;
  QPushButton* PushButton6;
  QPushButton* PushButton7;
  QPushButton* PushButton8;
  QPushButton* PushButton9;
  QPushButton* PushButton10;
  QPushButton* PushButton11;
  QPushButton* PushButton12;
  ThemedProgressBar* ProgressBar1;
  // The lists' context menu: the column types of the tables sent.
  ColumnTypesMenu* column_types_menu;

 signals:
  // The window was closed: the program ends.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  void ConnectHandlers();
  // Runs a command of this window unless one is running already.
  void RunCommand(transfer::CommandResult (*command)(transfer::CommandContext&));
  void SelectAll(TableListBox* list, bool selected, const char* procedure);

  app::Prompter& prompter_;
  Form1& form1_;
  WindowPointer pointer_;
  ThrottledEventPump events_;
  bool loaded_ = false;
};

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_FORM2_H_
