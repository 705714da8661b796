#ifndef VELTRANE_APP_PROMPTER_H_
#define VELTRANE_APP_PROMPTER_H_

#include <string>

namespace veltrane::app {

// What the commands tell the user: the windows show modal Qt message boxes,
// the command-line program writes to standard error, tests record them.
class Reporter {
 public:
  virtual ~Reporter() = default;
  // A message with an OK button and no icon. An empty title means the
  // application title.
  virtual void Message(const std::string& text, const std::string& title = "") = 0;
  // The error report: exclamation icon, OK button, title "Application Error".
  virtual void ErrorReport(const std::string& text) = 0;
};

// Message, question and input boxes of the windows. Every box is modal: the
// call returns when the user has answered.
class Prompter : public Reporter {
 public:
  // A question with Yes and No buttons and no icon; true for Yes.
  virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
  // An input box with a prompt and a default text; returns the typed text,
  // or the empty text when the user cancels.
  virtual std::string Input(const std::string& prompt, const std::string& title,
                            const std::string& default_text) = 0;
};

}  // namespace veltrane::app

#endif  // VELTRANE_APP_PROMPTER_H_
