#ifndef VELTRANE_TESTS_TRANSFER_COMMAND_FIXTURE_H_
#define VELTRANE_TESTS_TRANSFER_COMMAND_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/prompter.h"
#include "app/table_list.h"
#include "app/window_hooks.h"
#include "support/temp_dir.h"
#include "support/test_database.h"
#include "transfer/command_context.h"

namespace veltrane::transfer::testing {

// One box the command showed.
struct Shown {
  enum class Kind { kMessage, kQuestion, kInput, kErrorReport };
  Kind kind;
  std::string text;
  std::string title;
  std::string default_text;  // input boxes
};

// Answers the command's boxes from queues and records every box shown. A
// question or input box without a queued answer fails the test (and gets
// No or the empty text). `on_box` runs inside every box, as a window's
// events would while a modal box is open.
class RecordingPrompter : public app::Prompter {
 public:
  void Message(const std::string& text, const std::string& title) override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  std::string Input(const std::string& prompt, const std::string& title,
                    const std::string& default_text) override;
  void ErrorReport(const std::string& text) override;

  std::deque<bool> answers;
  std::deque<std::string> inputs;
  std::vector<Shown> shown;
  std::function<void()> on_box;

  std::vector<std::string> Texts(Shown::Kind kind) const;
  std::vector<std::string> Reports() const { return Texts(Shown::Kind::kErrorReport); }
  std::vector<std::string> Messages() const { return Texts(Shown::Kind::kMessage); }
  std::vector<std::string> Questions() const { return Texts(Shown::Kind::kQuestion); }
};

// Records the progress shown; `on_value` runs after each value is set.
class RecordingProgress : public app::ProgressBar {
 public:
  void SetValue(double percent) override {
    values.push_back(percent);
    if (on_value) on_value(percent);
  }
  void SetText(const std::string& text) override { texts.push_back(text); }
  void TableRows(int64_t read, int64_t stored) override { table_rows.push_back({read, stored}); }
  std::vector<double> values;
  std::vector<std::string> texts;
  std::vector<std::pair<int64_t, int64_t>> table_rows;  // read, stored
  std::function<void(double)> on_value;
};

class RecordingPointer : public app::MousePointer {
 public:
  int Get() const override { return codes.empty() ? app::kPointerDefault : codes.back(); }
  void Set(int code) override { codes.push_back(code); }
  std::vector<int> codes;
};

// Counts the yields; `on_yield` runs inside each, as window events would.
class ScriptedPump : public app::EventPump {
 public:
  void Yield() override {
    ++yields;
    if (on_yield) on_yield();
  }
  long long yields = 0;
  std::function<void()> on_yield;
};

// A list whose current entry is also selected when set, as some list
// controls do.
class SelectingTableList : public app::MemoryTableList {
 public:
  void SetCurrentIndex(int index) override;
};

// Lists, boxes, a throw-away PostgreSQL database and a folder for FoxPro
// tables, wired into a CommandContext.
class CommandFixture : public ::testing::Test {
 protected:
  CommandFixture();

  // The settings the commands read: the test database, and the FoxPro side
  // as `foxpro` says (free tables in folder() by default).
  db::ConnectionSettings Settings() const;
  void UseFreeTables(const std::string& folder);
  void UseContainer(const std::string& dbc_file);

  // Puts names into a list, selecting those listed in `selected`; the last
  // selected one becomes the current entry.
  static void Fill(app::TableList& list, const std::vector<std::string>& names,
                   const std::vector<std::string>& selected = {});
  static std::vector<std::string> Items(const app::TableList& list);

  // Rows of a query on the test database, NULL as "<null>".
  std::vector<std::vector<std::string>> Rows(const std::string& sql) const;
  bool PgTableExists(const std::string& name) const;

  // Records the DDL statements the server runs (CREATE, DROP, ALTER) in
  // order; DdlLog() gives "<command tag> <object>" lines.
  void RecordDdl();
  std::vector<std::string> DdlLog() const;

  ::veltrane::testing::TestDatabase db_;
  ::veltrane::testing::TempDir dir_;
  std::unique_ptr<app::TableList> list1_ = std::make_unique<app::MemoryTableList>();
  std::unique_ptr<app::TableList> list2_ = std::make_unique<app::MemoryTableList>();
  RecordingPrompter prompter_;
  RecordingProgress progress_;
  RecordingPointer pointer_;
  ScriptedPump events_;
  db::ConnectionSettings settings_;
  // Made by the first ctx(); a test that swaps a list does so before.
  std::unique_ptr<CommandContext> ctx_;
  CommandContext& ctx();
};

// Text of the error report's first line (the failure's description).
std::string Description(const std::string& report);
// The "sql: " part of a report, or nullopt when it has none.
std::optional<std::string> SqlLine(const std::string& report);
// "at line N" of a report.
int ReportedLine(const std::string& report);

}  // namespace veltrane::transfer::testing

#endif  // VELTRANE_TESTS_TRANSFER_COMMAND_FIXTURE_H_
