#ifndef VELTRANE_UI_WINDOW_FLOW_H_
#define VELTRANE_UI_WINDOW_FLOW_H_

#include "app/prompter.h"
#include "app/settings_store.h"
#include "ui/file_dialogs.h"
#include "ui/form1.h"
#include "ui/form2.h"

namespace veltrane::ui {

// The program's two windows and the flow between them: start-up runs the
// connection window's load routine, which goes straight on to the tables
// window when the remembered settings open both databases; closing either
// window ends the program.
class WindowFlow {
 public:
  WindowFlow(app::Prompter& prompter, app::SettingsStore& settings, FileDialogs& dialogs);

  // Runs the connection window's load routine and shows it unless start-up
  // moved on to the tables window: afterwards exactly one window is visible.
  void Start();

  // Ends the program: leaves the event loop at once, or, while a table
  // command runs, asks it to stop after its current statement, so that the
  // loop ends as soon as the command has returned.
  void EndProgram();
  // True once EndProgram was called.
  bool ending() const { return ending_; }

  Form1& form1() { return form1_; }
  Form2& form2() { return form2_; }

 private:
  Form1 form1_;
  Form2 form2_;
  bool ending_ = false;
};

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_WINDOW_FLOW_H_
