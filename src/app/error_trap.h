#ifndef VELTRANE_APP_ERROR_TRAP_H_
#define VELTRANE_APP_ERROR_TRAP_H_

#include <functional>
#include <string>

#include "app/prompter.h"

namespace veltrane::app {

// The support address the error report names.
inline constexpr const char* kSupportAddress = "support@veltrane.example.com";

// The error report of a handler or command. A handler numbers its
// statements 100, 102, 104, ... and runs each through Run(); a failure
// (any std::exception) shows one report naming the failing statement's
// number and the handler, then the handler goes on with its next statement.
//
// Report text: description, CR LF, "in Veltrane2021/08/31.<procedure> ",
// "at line <n>", CR CR, "Please email screenshot of this message to
// <address>", and, when a statement text is attached, CR CR "sql: <text>",
// its long values cut (see StatementExcerpt).
class ErrorTrap {
 public:
  // `procedure` is "<window or module>.<handler>", e.g. "Form2.PushButton3_Click".
  ErrorTrap(Reporter& prompter, std::string procedure);

  // Attaches the statement text the report shows in its "sql: " line (the
  // transfers' current statement). The pointee must outlive the trap.
  void ShowStatement(const std::string* statement) { statement_ = statement; }

  // Runs statement number `line`. Returns true when it succeeded; on a
  // failure shows the report and returns false.
  bool Run(int line, const std::function<void()>& statement);

  // Runs the test of an If or loop as statement number `line`: true when the
  // condition holds or failed (a failing test goes on with the first
  // statement of the block it guards), false when it does not hold.
  bool Test(int line, const std::function<bool()>& condition);

  // Builds the report text for a description and statement number.
  std::string ReportText(const std::string& description, int line) const;

  int failures() const { return failures_; }

 private:
  Reporter& prompter_;
  std::string procedure_;
  const std::string* statement_ = nullptr;
  int failures_ = 0;
};

}  // namespace veltrane::app

#endif  // VELTRANE_APP_ERROR_TRAP_H_
