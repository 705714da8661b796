#include "recording_prompter.h"

namespace veltrane::testing {

void RecordingPrompter::Message(const std::string& text, const std::string& title) {
  messages.push_back({text, title});
  if (on_message) on_message();
}

bool RecordingPrompter::AskYesNo(const std::string& text, const std::string& title) {
  messages.push_back({text, title});
  if (yes_no_answers.empty()) return false;
  const bool answer = yes_no_answers.front();
  yes_no_answers.pop_front();
  return answer;
}

std::string RecordingPrompter::Input(const std::string& prompt, const std::string& title,
                                     const std::string&) {
  messages.push_back({prompt, title});
  if (input_answers.empty()) return "";
  std::string answer = input_answers.front();
  input_answers.pop_front();
  return answer;
}

void RecordingPrompter::ErrorReport(const std::string& text) { reports.push_back(text); }

std::string ScriptedFileDialogs::OpenDbcFile(QWidget*) {
  titles.push_back(ui::kDbcDialogTitle);
  return answer;
}

std::string ScriptedFileDialogs::BrowseForFolder(QWidget*, const std::string& title,
                                                 const std::string& start_folder) {
  titles.push_back(title);
  start_folders.push_back(start_folder);
  return answer;
}

}  // namespace veltrane::testing
