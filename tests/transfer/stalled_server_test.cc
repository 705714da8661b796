// A PostgreSQL server that stops answering in the middle of a transfer:
// closing the window ends the command within seconds, with complete files.

#include <chrono>
#include <filesystem>
#include <thread>

#include "command_fixture.h"
#include "db/cancel.h"
#include "foxpro_tables.h"
#include "support/stalling_proxy.h"
#include "transfer/commands.h"

namespace veltrane::transfer::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using ::testing::IsEmpty;
using ::testing::Not;

// The longest a stopped command may take to end: the cancel request's
// delay and grace and a margin for a busy machine.
constexpr auto kEndWithin =
    std::chrono::milliseconds(db::kCancelDelayMs + db::kCancelGraceMs) + std::chrono::seconds(3);

class StalledServerTest : public CommandFixture {
 protected:
  StalledServerTest() : proxy_(db_.server().host, db_.server().port) {
    settings_.port = proxy_.port();
    // Once the proxy has stalled and the command has waited a while, the
    // window is closed.
    events_.on_yield = [this] {
      if (!proxy_.frozen()) return;
      if (!frozen_since_) frozen_since_ = Clock::now();
      if (!stopped_at_ && Clock::now() - *frozen_since_ > std::chrono::milliseconds(300)) {
        stopped_at_ = Clock::now();
        RequestStop();
      }
    };
  }
  ~StalledServerTest() override {
    // So that a command that ignores the stop fails the test instead of
    // hanging it.
    if (watchdog_.joinable()) watchdog_.join();
  }
  // Thaws the proxy after a while, whatever the command does.
  void StartWatchdog() {
    watchdog_ = std::thread([this] {
      for (int i = 0; i < 300 && !finished_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      proxy_.Thaw();
    });
  }
  // Runs `command` on the selected entry `name` of `list`; returns how long
  // it went on after the stop.
  Clock::duration RunStopped(CommandResult (*command)(CommandContext&), app::TableList& list,
                             const std::string& name) {
    Fill(list, {name}, {name});
    StartWatchdog();
    command(ctx());
    finished_ = true;
    EXPECT_TRUE(stopped_at_.has_value());
    return stopped_at_ ? Clock::now() - *stopped_at_ : Clock::duration::max();
  }

  ::veltrane::testing::StallingProxy proxy_;
  std::optional<Clock::time_point> frozen_since_, stopped_at_;
  std::atomic<bool> finished_{false};
  std::thread watchdog_;
};

TEST_F(StalledServerTest, AFetchThatNeverReturnsEndsSoonAfterTheStop) {
  db_.Exec("CREATE TABLE big(id int, note text); INSERT INTO big SELECT g, repeat('x', 100) "
           "FROM generate_series(1, 100000) g");
  // Past the login and the first batch of rows, into the next one.
  proxy_.FreezeAfter(400 * 1000);

  EXPECT_LT(RunStopped(SendToFoxPro, *list2_, "big"), kEndWithin);

  EXPECT_THAT(prompter_.Reports(), Not(IsEmpty()));
  const TableContents read = ReadWithDbfRead(dir_.File("big.DBF"));
  EXPECT_GT(read.rows.size(), 0u);
  EXPECT_LT(read.rows.size(), 100000u);
  EXPECT_EQ(ReadWithEngine(dir_.File("big.DBF")).rows.size(), read.rows.size());
}

TEST_F(StalledServerTest, ACopyLoadThatIsNeverReadEndsSoonAfterTheStop) {
  // A FoxPro table whose rows fill the socket buffers long before the end.
  std::vector<::veltrane::testing::Row> rows;
  for (int i = 0; i < 20000; ++i) rows.push_back({std::string(400, 'y')});
  foxpro::NewField note;
  note.name = "note";
  note.type = 'M';
  WriteFoxProTable(dir_.File("wide.dbf"), {note}, rows);
  proxy_.FreezeAfter(1000 * 1000);

  EXPECT_LT(RunStopped(SendToPostgreSql, *list1_, "wide"), kEndWithin);

  EXPECT_EQ(ReadWithEngine(dir_.File("wide.dbf")).rows.size(), 20000u);
}

}  // namespace
}  // namespace veltrane::transfer::testing
