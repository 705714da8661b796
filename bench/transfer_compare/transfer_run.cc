// Runs one transfer command on one table or more, as the command line
// does, and prints its time, its error reports and the peak memory:
//   transfer_run to-postgresql|to-foxpro <table>[,<table>...] <free-table folder>
//                [text|typed [jobs] [keys]]
// The column types default to text; `jobs` (default 1) is how many tables
// are sent at once (TransferOptions::jobs); "keys" copies the tables' keys
// too.
// The PostgreSQL side comes from VELTRANE_BENCH_PGHOST, _PGPORT, _PGUSER,
// _PGPASSWORD and _PGDATABASE. Overwrite questions are answered Yes.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/column_types_setting.h"
#include "app/copy_keys_setting.h"
#include "app/jobs_setting.h"
#include "app/prompter.h"
#include "app/table_list.h"
#include "app/window_hooks.h"
#include "transfer/command_guard.h"
#include "transfer/table_commands.h"

namespace {

using namespace veltrane;

class CountingReporter : public app::Reporter {
 public:
  void Message(const std::string& text, const std::string&) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  void ErrorReport(const std::string& text) override {
    if (++reports <= 3) std::fprintf(stderr, "error report:\n%s\n", text.c_str());
  }
  int reports = 0;
};

class NoProgress : public app::ProgressBar {
 public:
  void SetValue(double) override {}
  void SetText(const std::string&) override {}
};

class NoEvents : public app::EventPump {
 public:
  void Yield() override {}
};

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The tables of a comma-separated list.
std::vector<std::string> Tables(const std::string& list) {
  std::vector<std::string> tables;
  size_t start = 0;
  for (size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1)
    tables.push_back(list.substr(start, comma - start));
  tables.push_back(list.substr(start));
  return tables;
}

}  // namespace

int main(int argc, char** argv) {
  const auto column_types =
      argc >= 5 ? app::ParseColumnTypesWord(argv[4]) : std::optional(app::ColumnTypes::kText);
  std::optional<int> jobs = 1;
  bool keys = false;
  for (int a = 5; a < argc && jobs; ++a) {
    if (std::string(argv[a]) == "keys") keys = true;
    else jobs = app::ParseJobsWord(argv[a]);
  }
  if (argc < 4 || argc > 7 || !column_types || !jobs) {
    std::fprintf(stderr,
                 "usage: %s to-postgresql|to-foxpro <table>[,<table>...] <free-table folder> "
                 "[text|typed [jobs] [keys]]\n",
                 argv[0]);
    return 2;
  }
  const std::string direction = argv[1];
  const std::vector<std::string> tables = Tables(argv[2]);
  db::ConnectionSettings settings;
  settings.server = Env("VELTRANE_BENCH_PGHOST");
  settings.port = Env("VELTRANE_BENCH_PGPORT");
  settings.user = Env("VELTRANE_BENCH_PGUSER");
  settings.password = Env("VELTRANE_BENCH_PGPASSWORD");
  settings.database = Env("VELTRANE_BENCH_PGDATABASE");
  settings.container_mode = false;
  settings.free_table_folder = argv[3];

  app::MemoryTableList listed;  // the target side as listed: empty
  CountingReporter prompter;
  NoProgress progress;
  NoEvents events;
  transfer::CommandHooks hooks{prompter, progress, events, [](const std::string&) { return true; },
                               nullptr};
  transfer::CommandGuard guard;

  const auto start = std::chrono::steady_clock::now();
  const transfer::TransferOptions options{
      .column_types = *column_types,
      .copy_keys = keys ? app::CopyKeys::kYes : app::CopyKeys::kNo,
      .jobs = *jobs};
  if (direction == "to-foxpro") {
    transfer::SendToFoxPro(settings, tables, listed, options, hooks);
  } else {
    transfer::SendToPostgreSql(settings, tables, listed, options, hooks);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("seconds %.3f peak_kb %ld reports %d\n", seconds, usage.ru_maxrss,
              prompter.reports);
  return prompter.reports == 0 ? 0 : 1;
}
