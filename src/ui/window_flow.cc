#include "ui/window_flow.h"

#include <QCoreApplication>

#include "transfer/commands.h"

namespace veltrane::ui {

WindowFlow::WindowFlow(app::Prompter& prompter, app::SettingsStore& settings,
                       FileDialogs& dialogs)
    : form1_(prompter, settings, dialogs), form2_(prompter, form1_) {
  form1_.SetTablesWindow(&form2_);
  QObject::connect(&form1_, &Form1::closed, [this] { EndProgram(); });
  QObject::connect(&form2_, &Form2::closed, [this] { EndProgram(); });
}

void WindowFlow::Start() {
  form1_.Form_Load();
  if (!form2_.isVisible() && !ending_) form1_.show();
}

void WindowFlow::EndProgram() {
  ending_ = true;
  if (transfer::IsCommandRunning()) transfer::RequestStop();
  // Leaves the event loop once control returns to it; dialogs opened by a
  // command that is still finishing its statement return at once unanswered.
  QCoreApplication::exit(0);
}

}  // namespace veltrane::ui
