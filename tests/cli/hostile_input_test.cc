// veltrane-cli against a stalled server, odd names and odd paths.

#include <signal.h>

#include <chrono>
#include <thread>

#include "cli/cli_fixture.h"
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

}  // namespace
}  // namespace veltrane::testing
