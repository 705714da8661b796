#include "cli/runner.h"

#include <algorithm>
#include <csignal>

#include <QString>

#include "cli/progress_display.h"
#include "cli/side_check.h"
#include "cli/terminal_prompter.h"
#include "db/cancel.h"
#include "transfer/command_guard.h"
#include "transfer/commands.h"
#include "transfer/table_commands.h"

namespace veltrane::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

// There are no window events; a pending interrupt becomes a stop request
// that the command honours after its current statement.
class InterruptEvents : public app::EventPump {
 public:
  void Yield() override {
    if (interrupted) transfer::RequestStop();
  }
};

void PrintOut(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
}

// For each name, the first entry of `list` that equals it exactly and is
// not taken by an earlier name (a name given twice takes two equal
// entries). The names without one go to `missing`.
std::vector<int> EntriesNamed(const app::TableList& list, const std::vector<std::string>& names,
                              std::vector<std::string>& missing) {
  std::vector<int> found;
  for (const std::string& name : names) {
    int index = -1;
    for (int i = 0; i < list.Count() && index < 0; ++i)
      if (list.Item(i) == name && std::find(found.begin(), found.end(), i) == found.end()) index = i;
    if (index < 0) {
      missing.push_back(name);
    } else {
      found.push_back(index);
    }
  }
  return found;
}

// The first entry that equals `name` without regard to case, or the empty
// text: a hint for a name typed in the wrong case.
std::string SameNameOtherCase(const app::TableList& list, const std::string& name) {
  const QString key = QString::fromStdString(name);
  for (int i = 0; i < list.Count(); ++i)
    if (QString::fromStdString(list.Item(i)).compare(key, Qt::CaseInsensitive) == 0)
      return list.Item(i);
  return "";
}

// The closing line of a command on every table: how many tables were done
// and (for sends) the rows they hold, which tables had errors, and how many
// were left as they were (an overwrite declined, say).
std::string EveryTableSummary(const transfer::CommandResult& result, bool with_rows) {
  int done = 0, left = 0;
  int64_t rows = 0;
  std::string failed;
  int failed_count = 0;
  for (const transfer::TableResult& table : result.tables) {
    rows += table.rows_stored;
    if (table.done) ++done;
    if (table.failures > 0) {
      failed += (failed_count++ == 0 ? "" : ", ") + table.table;
    } else if (!table.done) {
      ++left;
    }
  }
  std::string line = "all tables: " + std::to_string(done) + " done";
  if (with_rows) line += ", " + std::to_string(rows) + " rows";
  line += ", " + std::to_string(failed_count) + " with errors";
  if (failed_count > 0) line += " (" + failed + ")";
  if (left > 0) line += ", " + std::to_string(left) + " left as they were";
  return line;
}

class Session {
 public:
  Session(const Options& options, const db::ConnectionSettings& settings, StatusLine& status,
          OverwriteAnswer overwrite, std::FILE* answers)
      : options_(options),
        settings_(settings),
        status_(status),
        prompter_(status, overwrite, answers),
        hooks_{prompter_, progress_, events_,
               [this](const std::string& table) { return prompter_.AskOverwrite(table); },
               nullptr} {}

  int Run();

 private:
  int RunListed();
  int Check();
  int CreateContainer();
  bool SidesOpen();
  bool LoadLists();
  int List();
  int RunNamed(Side side);
  std::vector<std::string> NamedTables(Side side, std::vector<std::string>& missing);
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

  app::TableList& ListOf(Side side) { return side == Side::kFoxPro ? foxpro_ : postgresql_; }

  const Options& options_;
  const db::ConnectionSettings settings_;
  StatusLine& status_;
  TerminalPrompter prompter_;
  app::MemoryTableList foxpro_, postgresql_;
  ProgressDisplay progress_{status_};
  InterruptEvents events_;
  transfer::CommandHooks hooks_;
};

int Session::Run() {
  if (options_.command == Command::kCheck) return Check();
  if (options_.command == Command::kCreateContainer) return CreateContainer();
  if (!SidesOpen()) return kExitUsage;
  transfer::CommandGuard guard;
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
    case Command::kSendToFoxPro:
      hooks_.table_done = [this](const transfer::TableResult& table) {
        progress_.TableDone(table.target, table.seconds);
      };
      return RunNamed(options_.command == Command::kSendToPostgreSql ? Side::kFoxPro
                                                                      : Side::kPostgreSql);
    case Command::kDrop:
      return RunNamed(*options_.side);
    case Command::kRename:
      return RunNamed(Side::kPostgreSql);
    case Command::kCheck:
    case Command::kCreateContainer:
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

// Needs neither database: the new container is made where the command
// line says, in the code page tables sent to FoxPro get.
int Session::CreateContainer() {
  const transfer::CommandResult result = transfer::CreateContainer(
      options_.container_file, settings_.foxpro_code_page.code_page, prompter_);
  if (!result.ok()) return kExitFailures;
  Say("created the database container " + options_.container_file);
  return kExitSuccess;
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

// The tables of each side the command needs, listed as the tables
// window's load routine lists them: FoxPro first.
bool Session::LoadLists() {
  int failures = 0;
  for (Side side : {Side::kFoxPro, Side::kPostgreSql}) {
    if (!Needs(side) || (side == Side::kPostgreSql && transfer::StopRequested())) continue;
    failures += transfer::ListTables(side, settings_, ListOf(side), hooks_).failures;
  }
  return failures == 0;
}

int Session::List() {
  const app::TableList& list = ListOf(*options_.side);
  for (int i = 0; i < list.Count(); ++i) PrintOut(list.Item(i));
  return kExitSuccess;
}

// Runs the command on the named tables of `side` that are listed, taken
// from the last entry upwards, or with --all on every table (see
// transfer::EveryTable).
int Session::RunNamed(Side side) {
  std::vector<std::string> missing;
  std::vector<std::string> tables;
  if (options_.all) {
    if (!transfer::EveryTable(side, settings_, ListOf(side), tables, hooks_).ok())
      return kExitFailures;
    if (options_.command == Command::kDrop) std::reverse(tables.begin(), tables.end());
  } else {
    tables = NamedTables(side, missing);
    if (tables.empty()) return kExitFailures;
  }

  progress_.Begin();
  const app::ColumnTypes column_types = options_.column_types.value_or(app::ColumnTypes::kText);
  const transfer::TransferOptions transfer{
      .column_types = column_types,
      .postgresql_schema = options_.postgresql_schema.value_or(app::PostgreSqlSchema{}),
      .note_shortened_names = true,
      .copy_keys = options_.copy_keys.value_or(app::DefaultCopyKeys(column_types)),
      .jobs = options_.jobs.value_or(1)};
  transfer::CommandResult result;
  switch (options_.command) {
    case Command::kSendToPostgreSql:
      result = transfer::SendToPostgreSql(settings_, tables, postgresql_, transfer, hooks_);
      break;
    case Command::kSendToFoxPro:
      result = transfer::SendToFoxPro(settings_, tables, foxpro_, transfer, hooks_);
      break;
    case Command::kDrop: {
      result = transfer::DropTables(side, settings_, tables, hooks_);
      std::vector<std::string> dropped;
      for (const transfer::TableResult& table : result.tables)
        if (table.done) dropped.push_back(table.table);
      std::sort(dropped.begin(), dropped.end());
      for (const std::string& name : dropped) Say("dropped " + name);
      break;
    }
    default:
      result = transfer::RenamePostgreSqlTable(
          settings_, [&] { return transfer::Renaming{tables[0], options_.tables[1]}; }, hooks_);
      if (result.ok() && !result.tables.empty())
        Say("renamed " + options_.tables[0] + " to " + result.tables[0].target);
      break;
  }
  if (options_.all) Say(EveryTableSummary(result, options_.command != Command::kDrop));
  if (transfer::StopRequested()) {
    Say("veltrane-cli: interrupted; the statement in flight was cancelled and the command "
        "stopped, leaving every table it wrote complete");
    return kExitFailures;
  }
  return result.ok() && missing.empty() ? kExitSuccess : kExitFailures;
}

// The listed entries the command line names (rename: the old name), from
// the last entry upwards; each name no entry has goes to `missing`, and is
// reported.
std::vector<std::string> Session::NamedTables(Side side, std::vector<std::string>& missing) {
  const bool rename = options_.command == Command::kRename;
  app::TableList& list = ListOf(side);
  std::vector<int> entries = EntriesNamed(
      list, rename ? std::vector<std::string>{options_.tables[0]} : options_.tables, missing);
  for (const std::string& name : missing) {
    std::string text = "veltrane-cli: no " + std::string(SideName(side)) + " table named \"" +
                       name + "\" is listed";
    const std::string other_case = SameNameOtherCase(list, name);
    if (!other_case.empty()) text += " (did you mean \"" + other_case + "\"?)";
    Say(text);
  }
  std::sort(entries.rbegin(), entries.rend());
  std::vector<std::string> tables;
  for (int i : entries) tables.push_back(list.Item(i));
  return tables;
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
