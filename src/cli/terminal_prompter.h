#ifndef VELTRANE_CLI_TERMINAL_PROMPTER_H_
#define VELTRANE_CLI_TERMINAL_PROMPTER_H_

#include <cstdio>
#include <string>

#include "app/prompter.h"
#include "cli/options.h"
#include "cli/status_line.h"

namespace veltrane::cli {

// What the commands tell and ask, on the terminal. Messages and error
// reports go to standard error with the windows' texts (the report's
// carriage returns become line breaks). The overwrite question is answered
// as --overwrite says: yes and no answer it at once and say so; ask reads
// the answer from `answers` (the terminal), and end of input answers No.
class TerminalPrompter : public app::Reporter {
 public:
  TerminalPrompter(StatusLine& status, OverwriteAnswer overwrite, std::FILE* answers);

  void Message(const std::string& text, const std::string& title = "") override;
  void ErrorReport(const std::string& text) override;
  // "Would you like to overwrite <table>?": true for yes.
  bool AskOverwrite(const std::string& table);

 private:
  bool AskOnTerminal(const std::string& text);

  StatusLine& status_;
  OverwriteAnswer overwrite_;
  std::FILE* answers_;
};

// A message box's text as terminal lines: CR LF and lone CR become LF.
std::string TerminalText(const std::string& text);

}  // namespace veltrane::cli

#endif  // VELTRANE_CLI_TERMINAL_PROMPTER_H_
