#ifndef VELTRANE_UI_QT_PROMPTER_H_
#define VELTRANE_UI_QT_PROMPTER_H_

#include <QString>

#include "app/prompter.h"

namespace veltrane::ui {

// Message and input boxes as modal Qt dialogs over the active window.
// Messages without a title of their own show the application title; the
// error report has the exclamation icon and the title "Application Error".
class QtPrompter : public app::Prompter {
 public:
  void Message(const std::string& text, const std::string& title = "") override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  std::string Input(const std::string& prompt, const std::string& title,
                    const std::string& default_text) override;
  void ErrorReport(const std::string& text) override;
};

// The error report's title.
inline constexpr char kErrorReportTitle[] = "Application Error";

// `text` as a message box shows it: a carriage return alone, or followed by a
// line feed, breaks the line.
QString DisplayText(const std::string& text);

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_QT_PROMPTER_H_
