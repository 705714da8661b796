#ifndef VELTRANE_TESTS_UI_RECORDING_PROMPTER_H_
#define VELTRANE_TESTS_UI_RECORDING_PROMPTER_H_

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/prompter.h"
#include "ui/file_dialogs.h"

namespace veltrane::testing {

// Answers the windows' message boxes and records what they showed.
class RecordingPrompter : public app::Prompter {
 public:
  struct Shown {
    std::string text;
    std::string title;
  };
  void Message(const std::string& text, const std::string& title = "") override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  std::string Input(const std::string& prompt, const std::string& title,
                    const std::string& default_text) override;
  void ErrorReport(const std::string& text) override;

  std::vector<Shown> messages;
  std::function<void()> on_message;  // runs while a message is shown
  std::vector<std::string> reports;
  std::deque<bool> yes_no_answers;       // No when empty
  std::deque<std::string> input_answers;  // cancel when empty
};

// Answers the connection window's file and folder choosers.
class ScriptedFileDialogs : public ui::FileDialogs {
 public:
  std::string OpenDbcFile(QWidget* owner) override;
  std::string BrowseForFolder(QWidget* owner, const std::string& title,
                              const std::string& start_folder) override;

  std::string answer;  // the empty text cancels
  std::vector<std::string> titles;
  std::vector<std::string> start_folders;
};

}  // namespace veltrane::testing

#endif  // VELTRANE_TESTS_UI_RECORDING_PROMPTER_H_
