// Reader and writer benchmark of the FoxPro engine on a generated table of
// character, numeric, double, date, logical and memo fields. Prints rows per
// second for appending (through TableWriter and through INSERT statements)
// and scanning (through SELECT), beside python3-dbfread scanning and
// python3-dbf appending the same kind of table in the same run, and the
// memory in use at 100,000 rows and at the end of each phase.
//
// Usage: foxpro_bench [rows] (default 1,000,000)

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "foxpro/database.h"
#include "foxpro/files/table_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace veltrane::foxpro;
using Clock = std::chrono::steady_clock;

constexpr int64_t kMemoryCheckpoint = 100000;
constexpr int64_t kPythonScanRows = 200000;
constexpr int64_t kPythonAppendRows = 20000;
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kFields =
    "[name] C(30), [amount] N(12,2), [ratio] B, [day] D, [flag] L, [note] M";

// A line of /proc/self/status ("VmRSS", "VmHWM") in MB.
double StatusMegabytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::atof(line.c_str() + key.size() + 1) / 1024.0;
  }
  return 0;
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string DateText(int64_t i) {
  char text[16];
  int day_of_year = static_cast<int>(i % 336);
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", 2000 + static_cast<int>(i % 25),
                1 + day_of_year / 28, 1 + day_of_year % 28);
  return text;
}

std::string AmountText(int64_t i) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(i % 100000 / 100),
                static_cast<long long>(i % 100));
  return text;
}

std::string NoteText(int64_t i) {
  return "Memo text of record " + std::to_string(i) + ", a little longer than a line.";
}

struct Phase {
  double seconds = 0;
  double rss_at_checkpoint = 0;
  double rss_at_end = 0;
};

void Report(const char* what, int64_t rows, const Phase& phase) {
  std::printf("%-34s %9.0f rows/s  (%lld rows in %.2f s; RSS %.1f MB at %lld rows, %.1f MB at end)\n",
              what, rows / phase.seconds, static_cast<long long>(rows), phase.seconds,
              phase.rss_at_checkpoint, static_cast<long long>(kMemoryCheckpoint), phase.rss_at_end);
}

Phase AppendWithWriter(const std::string& path, int64_t rows) {
  Database::Open(fs::path(path).parent_path().string())
      ->Execute("CREATE TABLE '" + path + "'(" + kFields + ");");
  Phase phase;
  Clock::time_point start = Clock::now();
  std::unique_ptr<TableWriter> writer = TableWriter::OpenForAppend(path);
  std::vector<InputValue> values(6);
  values[0].kind = values[1].kind = values[2].kind = values[3].kind = values[5].kind =
      InputValue::Kind::kText;
  values[4].kind = InputValue::Kind::kLogical;
  for (int64_t i = 0; i < rows; ++i) {
    values[0].text = "Customer " + std::to_string(i);
    values[1].text = AmountText(i);
    values[2].text = std::to_string(i * 0.5);
    values[3].text = DateText(i);
    values[4].logical = i % 3 == 0;
    values[5].text = NoteText(i);
    writer->Append(values);
    if (i + 1 == kMemoryCheckpoint) phase.rss_at_checkpoint = StatusMegabytes("VmRSS");
  }
  writer.reset();
  phase.seconds = Seconds(start);
  phase.rss_at_end = StatusMegabytes("VmRSS");
  return phase;
}

Phase AppendWithStatements(const std::string& path, int64_t rows) {
  std::unique_ptr<Database> database = Database::Open(fs::path(path).parent_path().string());
  database->Execute("CREATE TABLE '" + path + "'(" + kFields + ");");
  Phase phase;
  Clock::time_point start = Clock::now();
  const std::string prefix = "INSERT INTO `" + path + "` VALUES('";
  std::string statement;
  for (int64_t i = 0; i < rows; ++i) {
    statement = prefix;
    statement += "Customer " + std::to_string(i) + "', " + AmountText(i) + ", " +
                 std::to_string(i * 0.5) + ", '" + DateText(i) + "', " +
                 (i % 3 == 0 ? ".T." : ".F.") + ", '" + NoteText(i) + "')";
    database->Execute(statement);
    if (i + 1 == kMemoryCheckpoint) phase.rss_at_checkpoint = StatusMegabytes("VmRSS");
  }
  database.reset();
  phase.seconds = Seconds(start);
  phase.rss_at_end = StatusMegabytes("VmRSS");
  return phase;
}

Phase Scan(const std::string& folder, const std::string& table, int64_t& rows) {
  Phase phase;
  Clock::time_point start = Clock::now();
  std::unique_ptr<Database> database = Database::Open(folder);
  std::unique_ptr<RowCursor> cursor = database->Execute("SELECT * FROM `" + table + "`");
  std::vector<Cell> row;
  size_t checksum = 0;
  rows = 0;
  while (cursor->Next(row)) {
    for (const Cell& cell : row) checksum += cell.text.size();
    if (++rows == kMemoryCheckpoint) phase.rss_at_checkpoint = StatusMegabytes("VmRSS");
  }
  phase.seconds = Seconds(start);
  phase.rss_at_end = StatusMegabytes("VmRSS");
  if (checksum == 0) std::printf("(no values read)\n");
  return phase;
}

// Runs a python script that prints "<rows> <seconds>"; returns rows/s or 0.
double PythonRate(const std::string& script, const std::string& table, int64_t rows) {
  std::string command = std::string(kPython) + " " + VELTRANE_BENCH_SCRIPTS + "/" + script + " '" +
                        table + "' " + std::to_string(rows);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return 0;
  long long done = 0;
  double seconds = 0;
  int read = std::fscanf(pipe, "%lld %lf", &done, &seconds);
  pclose(pipe);
  return read == 2 && seconds > 0 ? done / seconds : 0;
}

void Compare(const char* what, double ours, double theirs, const char* tool) {
  if (theirs <= 0) {
    std::printf("%-34s %s did not run\n", what, tool);
    return;
  }
  std::printf("%-34s %9.0f rows/s with %s; ours %.1fx (goal 20x)\n", what, theirs, tool,
              ours / theirs);
}

}  // namespace

int main(int argc, char** argv) {
  int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  fs::path folder = fs::temp_directory_path() / ("veltrane-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);
  try {
    std::printf("FoxPro engine benchmark, %lld rows of C(30), N(12,2), B, D, L, M\n\n",
                static_cast<long long>(rows));
    Phase writer = AppendWithWriter((folder / "written.dbf").string(), rows);
    Report("append (TableWriter)", rows, writer);
    Phase statements = AppendWithStatements((folder / "inserted.dbf").string(), rows);
    Report("append (INSERT statements)", rows, statements);
    int64_t scanned = 0;
    Phase scan = Scan(folder.string(), "written", scanned);
    Report("scan (SELECT *)", scanned, scan);

    std::printf("\n");
    double dbfread = PythonRate("dbfread_scan.py", (folder / "written.dbf").string(),
                                std::min(rows, kPythonScanRows));
    Compare("scan, python3-dbfread", scanned / scan.seconds, dbfread, "dbfread");
    double dbf = PythonRate("dbf_append.py", (folder / "python.dbf").string(),
                            std::min(rows, kPythonAppendRows));
    Compare("append, python3-dbf", rows / writer.seconds, dbf, "python3-dbf");
    Compare("append by statements, python3-dbf", rows / statements.seconds, dbf, "python3-dbf");
    std::printf("\npeak RSS %.1f MB\n", StatusMegabytes("VmHWM"));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "benchmark failed: %s\n", error.what());
    fs::remove_all(folder);
    return 1;
  }
  fs::remove_all(folder);
  return 0;
}
