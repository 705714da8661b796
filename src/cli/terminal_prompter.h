#ifndef VELTRANE_CLI_TERMINAL_PROMPTER_H_
#define VELTRANE_CLI_TERMINAL_PROMPTER_H_

#include <cstdio>
#include <string>

#include "app/prompter.h"
#include "cli/options.h"
#include "cli/status_line.h"

namespace veltrane::cli {

// The message and input boxes of the commands, on the terminal. Messages
// and error reports go to standard error with the windows' texts (the
// report's carriage returns become line breaks). The overwrite question is
// answered as --overwrite says: yes and no answer it at once and say so;
// ask reads the answer from `answers` (the terminal), and end of input
// answers No. The input box (the rename command's new name) is answered by
// the text set with SetInputAnswer.
class TerminalPrompter : public app::Prompter {
 public:
  TerminalPrompter(StatusLine& status, OverwriteAnswer overwrite, std::FILE* answers);

  void SetInputAnswer(std::string answer) { input_answer_ = std::move(answer); }

  void Message(const std::string& text, const std::string& title = "") override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  std::string Input(const std::string& prompt, const std::string& title,
                    const std::string& default_text) override;
  void ErrorReport(const std::string& text) override;

 private:
  bool AskOnTerminal(const std::string& text);

  StatusLine& status_;
  OverwriteAnswer overwrite_;
  std::FILE* answers_;
  std::string input_answer_;
};

// A message box's text as terminal lines: CR LF and lone CR become LF.
std::string TerminalText(const std::string& text);

}  // namespace veltrane::cli

#endif  // VELTRANE_CLI_TERMINAL_PROMPTER_H_
