#include "cli/terminal_prompter.h"

#include <cctype>

#include "transfer/target_name.h"

namespace veltrane::cli {
namespace {

constexpr char kErrorReportTitle[] = "Application Error";

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// One line of input without its line break; false at end of input.
bool ReadLine(std::FILE* in, std::string& line) {
  line.clear();
  int c;
  while ((c = std::fgetc(in)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return c != EOF || !line.empty();
}

}  // namespace

std::string TerminalText(const std::string& text) {
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      lines.push_back(text[i]);
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      lines.push_back('\n');
    }
  }
  return lines;
}

TerminalPrompter::TerminalPrompter(StatusLine& status, OverwriteAnswer overwrite,
                                   std::FILE* answers)
    : status_(status), overwrite_(overwrite), answers_(answers) {}

void TerminalPrompter::Message(const std::string& text, const std::string&) {
  status_.Print(TerminalText(text));
}

bool TerminalPrompter::AskOverwrite(const std::string& table) {
  const std::string text = transfer::OverwriteQuestion(table);
  switch (overwrite_) {
    case OverwriteAnswer::kYes:
      status_.Print(text + " Yes (--overwrite yes)");
      return true;
    case OverwriteAnswer::kNo:
      status_.Print(text + " No (--overwrite no)");
      return false;
    case OverwriteAnswer::kAsk:
      break;
  }
  return AskOnTerminal(text);
}

bool TerminalPrompter::AskOnTerminal(const std::string& text) {
  std::string answer;
  for (;;) {
    status_.Ask(text + " [y/n] ");
    if (!ReadLine(answers_, answer)) {
      status_.Print("");
      status_.Print("No answer (end of input): No");
      return false;
    }
    answer = Lowered(answer);
    if (answer == "y" || answer == "yes") return true;
    if (answer == "n" || answer == "no") return false;
  }
}

void TerminalPrompter::ErrorReport(const std::string& text) {
  status_.Print(std::string(kErrorReportTitle) + ": " + TerminalText(text));
}

}  // namespace veltrane::cli
