// Times both transfers on a generated table and prints rows per second and
// the peak memory of the process.
//
//   transfer_bench [rows]     (default 1000000)
//
// Needs a PostgreSQL server in VELTRANE_TEST_PGHOST, VELTRANE_TEST_PGPORT,
// VELTRANE_TEST_PGUSER and VELTRANE_TEST_PGPASSWORD; works in a throw-away
// database and a temporary folder.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/prompter.h"
#include "app/table_list.h"
#include "app/window_hooks.h"
#include "foxpro/files/table_writer.h"
#include "support/temp_dir.h"
#include "support/test_database.h"
#include "transfer/command_guard.h"
#include "transfer/table_commands.h"

namespace veltrane {
namespace {

// Prints every report: a benchmark run expects none.
class PrintingReporter : public app::Reporter {
 public:
  void Message(const std::string& text, const std::string&) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  void ErrorReport(const std::string& text) override {
    std::fprintf(stderr, "report: %s\n", text.substr(0, 400).c_str());
  }
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

long PeakMemoryMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

foxpro::NewField Field(const char* name, char type, int length = 0, int decimals = 0) {
  foxpro::NewField field;
  field.name = name;
  field.type = type;
  field.length = length;
  field.decimals = decimals;
  return field;
}

// A free table of `rows` rows with character, numeric, double, date,
// logical and memo fields.
void GenerateTable(const std::string& path, long rows) {
  foxpro::TableWriter::Create(path,
                              {Field("id", 'I'), Field("name", 'C', 30), Field("amount", 'N', 12, 2),
                               Field("ratio", 'B', 0, 4), Field("day", 'D'), Field("flag", 'L'),
                               Field("note", 'M')},
                              "");
  auto writer = foxpro::TableWriter::OpenForAppend(path);
  std::vector<foxpro::InputValue> values(7);
  for (auto& value : values) value.kind = foxpro::InputValue::Kind::kText;
  for (long i = 0; i < rows; ++i) {
    values[0].text = std::to_string(i);
    values[1].text = "Customer " + std::to_string(i % 9973);
    values[2].text = std::to_string(i % 100000) + ".25";
    values[3].text = std::to_string(i % 1000) + ".125";
    values[4].text = "2024-01-" + std::to_string(10 + i % 18);
    values[5].text = (i % 2) ? "true" : "false";
    values[6].text = (i % 10) ? "" : "A note that says it's row " + std::to_string(i);
    writer->Append(values);
  }
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Run(long rows) {
  testing::TempDir source_folder, target_folder;
  testing::TestDatabase database;
  std::printf("generating %ld rows...\n", rows);
  GenerateTable(source_folder.File("bench.dbf"), rows);

  db::ConnectionSettings settings = database.Settings();
  settings.container_mode = false;
  settings.free_table_folder = source_folder.path();
  app::MemoryTableList listed;  // the target side: empty
  PrintingReporter reporter;
  NoProgress progress;
  NoEvents events;
  transfer::CommandHooks hooks{reporter, progress, events,
                               [](const std::string& table) {
                                 std::fprintf(stderr, "question: %s\n", table.c_str());
                                 return true;
                               },
                               nullptr};
  transfer::CommandGuard guard;

  auto start = std::chrono::steady_clock::now();
  transfer::CommandResult result =
      transfer::SendToPostgreSql(settings, {"bench"}, listed, {}, hooks);
  double seconds = Seconds(start);
  std::printf("FoxPro -> PostgreSQL: %ld rows in %.1f s, %.0f rows/s, %d failures, peak %ld MB\n",
              rows, seconds, rows / seconds, result.failures, PeakMemoryMb());

  settings.free_table_folder = target_folder.path();
  listed.Clear();
  start = std::chrono::steady_clock::now();
  result = transfer::SendToFoxPro(settings, {"bench"}, listed, {}, hooks);
  seconds = Seconds(start);
  std::printf("PostgreSQL -> FoxPro: %ld rows in %.1f s, %.0f rows/s, %d failures, peak %ld MB\n",
              rows, seconds, rows / seconds, result.failures, PeakMemoryMb());
  return 0;
}

}  // namespace
}  // namespace veltrane

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  try {
    return veltrane::Run(rows);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "transfer_bench: %s\n", e.what());
    return 1;
  }
}
