// veltrane-cli against a stalled server, odd names and odd paths.

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli/cli_fixture.h"
#include "foxpro/record/coding.h"
#include "support/stalling_proxy.h"

namespace veltrane::testing {
namespace {

using Clock = std::chrono::steady_clock;
using HostileInputTest = CliTest;

TEST_F(HostileInputTest, OneCtrlCEndsATransferFromAStalledServerWithinSeconds) {
  db_.Exec("CREATE TABLE big(id int, note text); INSERT INTO big SELECT g, repeat('x', 100) "
           "FROM generate_series(1, 100000) g");
  StallingProxy proxy(db_.server().host, db_.server().port);
  Remember("Port", proxy.port());
  proxy.FreezeAfter(400 * 1000);  // past the login and the first rows

  Clock::time_point interrupted_at{};
  Clock::time_point ended_at{};
  const ProcessResult r = Cli({"send-to-foxpro", "big"}, "", {}, [&](pid_t pid, const std::atomic<bool>& ended) {
    for (int i = 0; i < 300 && !proxy.frozen(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    interrupted_at = Clock::now();
    kill(pid, SIGINT);
    // A program that does not end on its own gets its server back after a
    // while, so that the test fails instead of hanging.
    for (int i = 0; i < 3000 && !ended; ++i) {
      if (i == 2000) proxy.Thaw();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ended_at = Clock::now();
  });
  const auto took = ended_at - interrupted_at;

  EXPECT_TRUE(proxy.frozen());
  EXPECT_LT(took, std::chrono::seconds(5)) << r.err;
  EXPECT_EQ(r.exit_status, 1) << r.err;
  EXPECT_TRUE(Contains(r.err, "interrupted")) << r.err;
  const int rows = DbfReadRows(tables_.File("big.DBF"));
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, 100000);
}

// The offset within a record of the container's field `name`.
size_t FieldOffset(const std::string& dbc_bytes, const std::string& name) {
  size_t offset = 1;
  for (size_t at = 32; dbc_bytes[at] != '\r'; at += 32) {
    if (dbc_bytes.compare(at, name.size() + 1, name + '\0') == 0) return offset;
    offset += static_cast<unsigned char>(dbc_bytes[at + 16]);
  }
  ADD_FAILURE() << name;
  return 0;
}

class DamagedContainerCliTest : public CliTest {
 protected:
  DamagedContainerCliTest() {
    for (const char* name : {"data1.dbc", "data1.DCT", "data1.DCX", "table1.dbf", "table1.FPT"})
      std::filesystem::copy_file(TestDataPath(std::string("container/") + name), tables_.File(name));
    dbc_ = tables_.File("data1.dbc");
    Remember("FoxproOption", "1");
    Remember("DBCFile", dbc_);
    db_.Exec("CREATE TABLE vals(a int); INSERT INTO vals VALUES (1), (2)");
  }
  std::string dbc_;
};

TEST_F(DamagedContainerCliTest, AWriteTheContainerCannotTakeIsRefusedAndItStaysReadable) {
  // The property field marked as counting by itself: one damaged byte.
  std::string bytes = FileContent(dbc_);
  const size_t property_flags = 32 + 4 * 32 + 18;
  ASSERT_EQ(bytes.compare(32 + 4 * 32, 9, std::string("PROPERTY\0", 9)), 0);
  bytes[property_flags] = 0x0C;
  std::ofstream(dbc_, std::ios::binary) << bytes;

  ProcessResult r = Cli({"send-to-foxpro", "vals"});
  EXPECT_EQ(r.exit_status, 1) << r.err;
  EXPECT_TRUE(Contains(r.err, "\"PROPERTY\" is marked as autoincrementing")) << r.err;
  EXPECT_EQ(FileContent(dbc_), bytes);
  r = Cli({"list", "foxpro"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(Lines(r.out), std::vector<std::string>{"table1"});
}

TEST_F(DamagedContainerCliTest, ADamagedTableEntryIsReportedAndTheOthersListed) {
  ASSERT_EQ(Cli({"send-to-foxpro", "vals"}).exit_status, 0);
  db_.Exec("ALTER TABLE vals RENAME TO more");
  ASSERT_EQ(Cli({"send-to-foxpro", "more"}).exit_status, 0);
  // The properties of vals pointed past the end of the memo file.
  std::string bytes = FileContent(dbc_);
  const size_t header = foxpro::DecodeFixed16(bytes.data() + 8);
  const size_t length = foxpro::DecodeFixed16(bytes.data() + 10);
  const size_t name = FieldOffset(bytes, "OBJECTNAME"), type = FieldOffset(bytes, "OBJECTTYPE");
  const size_t property = FieldOffset(bytes, "PROPERTY");
  bool damaged = false;
  for (size_t record = header; record + length <= bytes.size(); record += length) {
    if (bytes.compare(record + type, 5, "Table") == 0 && bytes.compare(record + name, 5, "vals ") == 0) {
      bytes.replace(record + property, 4, std::string(4, '\xFF'));
      damaged = true;
    }
  }
  ASSERT_TRUE(damaged);
  std::ofstream(dbc_, std::ios::binary) << bytes;

  const ProcessResult r = Cli({"list", "foxpro"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"more", "table1"}));
  EXPECT_TRUE(Contains(r.err, "damaged and are not listed")) << r.err;
  EXPECT_TRUE(Contains(r.err, "\"vals\"")) << r.err;
}

TEST_F(HostileInputTest, AFolderGivenAsTheContainerIsRefused) {
  const ProcessResult r = Cli({"--dbc", tables_.path(), "list", "foxpro"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(Contains(r.err, "is a folder, not a database container (.dbc) file")) << r.err;
}

}  // namespace
}  // namespace veltrane::testing
