#ifndef VELTRANE_CLI_STATUS_LINE_H_
#define VELTRANE_CLI_STATUS_LINE_H_

#include <string>

namespace veltrane::cli {

// Standard error, shared by everything the program tells the user there: a
// transient status line (the progress bar) that is redrawn in place when
// standard error is a terminal, and whole lines that first clear it.
class StatusLine {
 public:
  explicit StatusLine(bool terminal) : terminal_(terminal) {}

  bool terminal() const { return terminal_; }

  // Replaces the transient line with `text`. Only on a terminal.
  void Show(const std::string& text);
  // Removes the transient line, if one is shown.
  void Clear();
  // Writes `text` and a line break (after clearing the transient line).
  void Print(const std::string& text);
  // Writes `text` without a line break, for a question (clears first).
  void Ask(const std::string& text);

 private:
  bool terminal_;
  bool shown_ = false;
};

}  // namespace veltrane::cli

#endif  // VELTRANE_CLI_STATUS_LINE_H_
