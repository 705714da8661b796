// A transfer to FoxPro killed part-way leaves a table file that every
// reader opens, holding the rows of the batches written before the kill.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_fixture.h"
#include "foxpro/record/coding.h"
#include "foxpro/files/table_reader.h"
#include "support/index_check.h"

namespace veltrane::testing {
namespace {

// The record count in a table file's header (0 while there is no file).
uint32_t HeaderCount(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[8] = {};
  in.read(head, sizeof head);
  return in.gcount() == sizeof head ? foxpro::DecodeFixed32(head + 4) : 0;
}

using CliKillTest = CliTest;

TEST_F(CliKillTest, AKilledSendToFoxProLeavesEveryWrittenRowReadable) {
  db_.Exec("CREATE TABLE big AS SELECT g AS id, 'name ' || g AS name "
           "FROM generate_series(1, 1000000) g");
  const std::string dbf = tables_.File("big.DBF");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
    unsetenv("VELTRANE_PASSWORD");
    execl(VELTRANE_CLI_PROGRAM, VELTRANE_CLI_PROGRAM, "send-to-foxpro", "big",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (HeaderCount(dbf) < 30000 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the transfer ended before it was killed";

  const uint32_t count = HeaderCount(dbf);
  ASSERT_GE(count, 30000u);
  ASSERT_LT(count, 1000000u);
  auto reader = foxpro::TableReader::Open(dbf);
  std::vector<foxpro::Cell> cells;
  uint32_t read = 0;
  while (reader->Next(cells)) {
    ++read;
    ASSERT_EQ(cells[0].text, std::to_string(read));
    ASSERT_EQ(cells[1].text, "name " + std::to_string(read));
  }
  EXPECT_EQ(read, count);
  // dbfread reads up to the end mark: the complete records of a batch
  // whose count was not stored yet may show as well.
  EXPECT_GE(DbfReadRows(dbf), static_cast<int>(count));
  const ProcessResult dbf_rows = RunProcess(
      "/usr/bin/python3",
      {"-c", "import sys, dbf; t = dbf.Table(sys.argv[1]); t.open(); print(len(t))", dbf}, {});
  ASSERT_EQ(dbf_rows.exit_status, 0) << dbf_rows.err;
  EXPECT_EQ(std::stoul(dbf_rows.out), count);
}

// With keys, a table's structural index is built once after its rows: a
// transfer killed while the rows go in, or while the index is built, leaves
// no index that disagrees with its table (none is marked until it is whole).
TEST_F(CliKillTest, AKilledSendWithKeysNeverLeavesAStaleIndex) {
  db_.Exec("CREATE TABLE keyed (id integer PRIMARY KEY, name varchar(20)); "
           "INSERT INTO keyed SELECT g, 'name ' || g FROM generate_series(1, 400000) g; "
           "CREATE INDEX ON keyed (name)");
  const std::string dbf = tables_.File("keyed.DBF");
  // The first run is killed among the rows, the second while the index is
  // being written (or, on a fast machine, after it).
  for (const bool among_rows : {true, false}) {
    SCOPED_TRACE(among_rows ? "among the rows" : "while indexing");
    std::filesystem::remove(dbf);
    std::filesystem::remove(tables_.File("keyed.CDX"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
      unsetenv("VELTRANE_PASSWORD");
      execl(VELTRANE_CLI_PROGRAM, VELTRANE_CLI_PROGRAM, "--column-types", "typed", "--overwrite", "yes",
            "send-to-foxpro", "keyed", static_cast<char*>(nullptr));
      _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      if (among_rows ? HeaderCount(dbf) >= 30000 : std::filesystem::exists(tables_.File("keyed.CDX.new")))
        break;
      if (waitpid(child, nullptr, WNOHANG) == child) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(IndexDisagreement(dbf), "");
  }
}

}  // namespace
}  // namespace veltrane::testing
