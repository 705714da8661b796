#include "cli/runner.h"

#include <csignal>
#include <map>

#include "app/error_trap.h"
#include "cli/progress_display.h"
#include "cli/side_check.h"
#include "cli/table_lists.h"
#include "cli/terminal_prompter.h"
#include "db/catalogue.h"
#include "db/connection_strings.h"
#include "db/cancel.h"
#include "transfer/commands.h"

namespace veltrane::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

// The pointer of a program without windows: remembers the code only.
class QuietPointer : public app::MousePointer {
 public:
  int Get() const override { return code_; }
  void Set(int code) override { code_ = code; }

 private:
  int code_ = app::kPointerDefault;
};

// There are no window events; a pending interrupt becomes a stop request
// that the command honours after its current statement.
class InterruptEvents : public app::EventPump {
 public:
  void Yield() override {
    if (interrupted) transfer::RequestStop();
  }
};

// The error report procedure and statement numbers of the tables window's
// load routine, whose listing steps a one-sided command runs for its side.
constexpr char kLoadProcedure[] = "Form2.Form_Load";
constexpr int kListFoxProLine = 116;
constexpr int kListPostgreSqlLine = 118;

void PrintOut(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
}

class Session {
 public:
  Session(const Options& options, const db::ConnectionSettings& settings, StatusLine& status,
          OverwriteAnswer overwrite, std::FILE* answers)
      : options_(options),
        settings_(settings),
        status_(status),
        prompter_(status, overwrite, answers),
        ctx_{[this] { return settings_; }, list1_, list2_, progress_, pointer_, prompter_, events_,
             options.column_types.value_or(app::ColumnTypes::kText)} {}

  int Run();

 private:
  int RunListed();
  int Check();
  bool SidesOpen();
  bool LoadLists();
  int List();
  int RunOnSelection(app::TableList& list, Side side,
                     transfer::CommandResult (*command)(transfer::CommandContext&));
  void Say(const std::string& text) { status_.Print(text); }

  bool Needs(Side side) const {
    switch (options_.command) {
      case Command::kList:
      case Command::kDrop:
        return *options_.side == side;
      case Command::kRename:
        return side == Side::kPostgreSql;
      default:
        return true;
    }
  }

  const Options& options_;
  const db::ConnectionSettings settings_;
  StatusLine& status_;
  TerminalPrompter prompter_;
  WatchedTableList list1_, list2_;
  ProgressDisplay progress_{status_};
  QuietPointer pointer_;
  InterruptEvents events_;
  transfer::CommandContext ctx_;
};

int Session::Run() {
  if (options_.command == Command::kCheck) return Check();
  if (!SidesOpen()) return kExitUsage;
  // A listing that was reported (a damaged table left out, say) still lets
  // the command run on what was listed; the exit status tells of it.
  const bool listed = LoadLists();
  if (interrupted) {
    Say("veltrane-cli: interrupted before the command started");
    return kExitFailures;
  }
  const int status = RunListed();
  return status == kExitSuccess && !listed ? kExitFailures : status;
}

int Session::RunListed() {
  switch (options_.command) {
    case Command::kList:
      return List();
    case Command::kSendToPostgreSql:
      list2_.OnAdd([this](const std::string& name) { progress_.TableDone(name); });
      return RunOnSelection(list1_, Side::kFoxPro, transfer::SendToPostgreSql);
    case Command::kSendToFoxPro:
      list1_.OnAdd([this](const std::string& name) { progress_.TableDone(name); });
      return RunOnSelection(list2_, Side::kPostgreSql, transfer::SendToFoxPro);
    case Command::kDrop:
      return *options_.side == Side::kFoxPro
                 ? RunOnSelection(list1_, Side::kFoxPro, transfer::DropFoxProTables)
                 : RunOnSelection(list2_, Side::kPostgreSql, transfer::DropPostgreSqlTables);
    case Command::kRename:
      prompter_.SetInputAnswer(options_.tables[1]);
      return RunOnSelection(list2_, Side::kPostgreSql, transfer::RenamePostgreSqlTable);
    case Command::kCheck:
      break;
  }
  return kExitUsage;
}

int Session::Check() {
  bool all_open = true;
  for (Side side : {Side::kPostgreSql, Side::kFoxPro}) {
    const std::string what = std::string(SideName(side)) + " (" + SideDescription(side, settings_) + ")";
    if (const auto reason = WhyNotOpen(side, settings_)) {
      PrintOut(what + ": does not open: " + *reason);
      all_open = false;
    } else {
      PrintOut(what + ": opened");
    }
  }
  return all_open ? kExitSuccess : kExitUsage;
}

bool Session::SidesOpen() {
  for (Side side : {Side::kPostgreSql, Side::kFoxPro}) {
    if (!Needs(side)) continue;
    if (const auto reason = WhyNotOpen(side, settings_)) {
      Say("veltrane-cli: the " + std::string(SideName(side)) + " side (" +
          SideDescription(side, settings_) + ") does not open: " + *reason);
      return false;
    }
  }
  return true;
}

// Both lists through the load routine when the command needs both sides;
// otherwise only the list of its side, so that a side it does not use
// cannot fail it.
bool Session::LoadLists() {
  if (Needs(Side::kFoxPro) && Needs(Side::kPostgreSql)) return transfer::LoadTables(ctx_).ok();
  app::ErrorTrap trap(prompter_, kLoadProcedure);
  const auto yield = [this] { events_.Yield(); };
  if (Needs(Side::kFoxPro)) {
    db::ListSink sink{[this] { list1_.Clear(); }, [this](const std::string& n) { list1_.AddItem(n); }};
    trap.Run(kListFoxProLine,
             [&] { db::ListFoxProTables(sink, db::FoxProConnectionString(settings_), yield); });
  } else {
    db::ListSink sink{[this] { list2_.Clear(); }, [this](const std::string& n) { list2_.AddItem(n); }};
    trap.Run(kListPostgreSqlLine, [&] { db::ListPostgreSQLTables(sink, settings_, yield); });
  }
  return trap.failures() == 0;
}

int Session::List() {
  for (const std::string& name : Entries(*options_.side == Side::kFoxPro ? list1_ : list2_))
    PrintOut(name);
  return kExitSuccess;
}

int Session::RunOnSelection(app::TableList& list, Side side,
                            transfer::CommandResult (*command)(transfer::CommandContext&)) {
  const std::vector<std::string> wanted =
      options_.command == Command::kRename ? std::vector<std::string>{options_.tables[0]}
                                           : options_.tables;
  const std::vector<std::string> missing = SelectNamed(list, wanted);
  for (const std::string& name : missing) {
    std::string text = "veltrane-cli: no " + std::string(SideName(side)) + " table named \"" +
                       name + "\" is listed";
    const std::string other_case = SameNameOtherCase(list, name);
    if (!other_case.empty()) text += " (did you mean \"" + other_case + "\"?)";
    Say(text);
  }
  if (list.CurrentIndex() < 0) return kExitFailures;

  std::map<std::string, int> before;
  for (const std::string& name : Entries(list)) ++before[name];
  progress_.Begin();
  const transfer::CommandResult result = command(ctx_);
  if (options_.command == Command::kDrop) {
    std::map<std::string, int> after;
    for (const std::string& name : Entries(list)) ++after[name];
    for (const auto& [name, count] : before)
      for (int gone = count - after[name]; gone > 0; --gone) Say("dropped " + name);
  } else if (options_.command == Command::kRename && result.ok()) {
    Say("renamed " + options_.tables[0] + " to " + options_.tables[1]);
  }
  if (transfer::StopRequested()) {
    Say("veltrane-cli: interrupted; the statement in flight was cancelled and the command "
        "stopped, leaving every table it wrote complete");
    return kExitFailures;
  }
  return result.ok() && missing.empty() ? kExitSuccess : kExitFailures;
}

}  // namespace

int RunCommand(const Options& options, const db::ConnectionSettings& settings, StatusLine& status,
               OverwriteAnswer overwrite, std::FILE* answers) {
  Session session(options, settings, status, overwrite, answers);
  return session.Run();
}

void InterruptCommand() {
  interrupted = 1;
  db::RequestCancel();
}

}  // namespace veltrane::cli
