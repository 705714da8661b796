#include "app/error_trap.h"

#include <exception>

#include "app/statement_excerpt.h"

namespace veltrane::app {

ErrorTrap::ErrorTrap(Reporter& prompter, std::string procedure)
    : prompter_(prompter), procedure_(std::move(procedure)) {}

std::string ErrorTrap::ReportText(const std::string& description, int line) const {
  std::string text = description + "\r\n" + "in Veltrane2021/08/31." + procedure_ + " " +
                     "at line " + std::to_string(line) + "\r\r" +
                     "Please email screenshot of this message to " + kSupportAddress;
  if (statement_) text += "\r\rsql: " + StatementExcerpt(*statement_);
  return text;
}

bool ErrorTrap::Run(int line, const std::function<void()>& statement) {
  std::string description;
  try {
    statement();
    return true;
  } catch (const std::exception& e) {
    description = e.what();
  } catch (...) {
    description = "Unknown failure.";
  }
  ++failures_;
  prompter_.ErrorReport(ReportText(description, line));
  return false;
}

bool ErrorTrap::Test(int line, const std::function<bool()>& condition) {
  bool holds = true;
  Run(line, [&] { holds = condition(); });
  return holds;
}

}  // namespace veltrane::app
