// Sending several tables at once (TransferOptions::jobs), and a large table
// on several connections: the same tables, reports and listing as one by
// one, and no part of a table whose load could not be completed.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "command_fixture.h"
#include "foxpro/files/table_writer.h"
#include "transfer/command_guard.h"
#include "transfer/commands.h"
#include "transfer/table_commands.h"

namespace veltrane::transfer::testing {
namespace {

using ::testing::HasSubstr;
using ::veltrane::testing::TestDatabase;

foxpro::InputValue Text(std::string text) {
  foxpro::InputValue value;
  value.kind = foxpro::InputValue::Kind::kText;
  value.text = std::move(text);
  return value;
}

foxpro::InputValue Number(std::string text) {
  foxpro::InputValue value;
  value.kind = foxpro::InputValue::Kind::kNumber;
  value.text = std::move(text);
  return value;
}

// What one send showed and left.
struct Outcome {
  CommandResult result;
  std::vector<Shown> shown;
  std::vector<std::string> asked, done, listed;
  std::vector<std::pair<int64_t, int64_t>> table_rows;
};

class TableJobsTest : public CommandFixture {
 protected:
  // A table of `rows` rows: an id, a name that is refused in the rows
  // where `refused` says so, an amount, a note with a tab and a backslash
  // (empty in every fourth row), and a double. The notes of the last `lost`
  // rows are cut off the memo file.
  void WriteTable(const std::string& name, int rows, int lost,
                  const std::function<bool(int row)>& refused) {
    const std::string path = dir_.File(name + ".dbf");
    foxpro::TableWriter::Create(path,
                                {{"id", 'I'}, {"name", 'C', 20}, {"amount", 'N', 10, 2},
                                 {"note", 'M'}, {"ratio", 'B', 0, 4}},
                                "");
    const auto values = [&](int row, const std::string& note) {
      return std::vector<foxpro::InputValue>{
          Number(std::to_string(row)),
          Text(refused(row) ? "refused " + std::to_string(row) : "it's " + std::to_string(row)),
          Number(std::to_string(row) + ".25"),
          Text(row % 4 == 0 ? "" : note + std::to_string(row)), Number(std::to_string(row / 3.0))};
    };
    auto writer = foxpro::TableWriter::OpenForAppend(path);
    for (int row = 1; row <= rows - lost; ++row) writer->Append(values(row, "tab\there\\ "));
    writer.reset();
    const std::string memo = dir_.File(name + ".fpt");
    const auto memo_size = std::filesystem::file_size(memo);
    writer = foxpro::TableWriter::OpenForAppend(path);
    for (int row = rows - lost + 1; row <= rows; ++row) writer->Append(values(row, "lost "));
    writer.reset();
    std::filesystem::resize_file(memo, memo_size);
  }

  // Sends `tables` to `db` as the command line does, with `listed` as the
  // PostgreSQL tables listed there; overwrite questions are answered Yes.
  Outcome Send(const TestDatabase& db, const std::vector<std::string>& tables,
               const TransferOptions& options, const std::vector<std::string>& listed = {}) {
    RecordingPrompter prompter;
    RecordingProgress progress;
    ScriptedPump events;
    Outcome outcome;
    app::MemoryTableList list;
    for (const std::string& name : listed) list.AddItem(name);
    CommandHooks hooks{prompter, progress, events,
                       [&](const std::string& table) {
                         outcome.asked.push_back(table);
                         return true;
                       },
                       [&](const TableResult& table) { outcome.done.push_back(table.target); },
                       nullptr};
    db::ConnectionSettings settings = db.Settings();
    settings.container_mode = false;
    settings.free_table_folder = dir_.path();
    outcome.result = SendToPostgreSql(settings, tables, list, options, hooks);
    outcome.shown = prompter.shown;
    outcome.table_rows = progress.table_rows;
    outcome.listed = Items(list);
    return outcome;
  }

  static void ExpectSame(const Outcome& jobs, const Outcome& one_by_one) {
    ASSERT_EQ(jobs.shown.size(), one_by_one.shown.size());
    for (size_t i = 0; i < jobs.shown.size(); ++i) {
      EXPECT_EQ(jobs.shown[i].kind, one_by_one.shown[i].kind) << i;
      EXPECT_EQ(jobs.shown[i].text, one_by_one.shown[i].text) << i;
    }
    EXPECT_EQ(jobs.asked, one_by_one.asked);
    EXPECT_EQ(jobs.done, one_by_one.done);
    EXPECT_EQ(jobs.listed, one_by_one.listed);
    EXPECT_EQ(jobs.table_rows, one_by_one.table_rows);
    EXPECT_EQ(jobs.result.failures, one_by_one.result.failures);
    ASSERT_EQ(jobs.result.tables.size(), one_by_one.result.tables.size());
    for (size_t i = 0; i < jobs.result.tables.size(); ++i) {
      const TableResult& a = jobs.result.tables[i];
      const TableResult& b = one_by_one.result.tables[i];
      EXPECT_EQ(a.table, b.table);
      EXPECT_EQ(a.target, b.target);
      EXPECT_EQ(a.done, b.done);
      EXPECT_EQ(a.failures, b.failures) << a.table;
      EXPECT_EQ(a.rows_read, b.rows_read) << a.table;
      EXPECT_EQ(a.rows_stored, b.rows_stored) << a.table;
    }
  }

  static std::vector<::veltrane::testing::Row> Contents(const TestDatabase& db,
                                                        const std::string& table) {
    return db.Query("SELECT * FROM \"" + table + "\" ORDER BY 1");
  }
};

// Tables of every kind at once, with both mappings: one that cannot be
// read, rows the server refuses, values read as raw text and memo values
// lost, an empty table, a listed table replaced, and one table given twice
// (the second waits for the first and replaces it), some large enough to
// be loaded on several connections when jobs are idle.
TEST_F(TableJobsTest, SeveralTablesAtOnceGiveTheTablesAndReportsOfOneByOne) {
  std::ofstream(dir_.File("broken.dbf")) << "not a table";
  WriteTable("orders", 700, 3, [](int row) { return row % 37 == 3; });
  WriteTable("big", 3000, 0, [](int row) { return row == 1234 || row == 2999; });
  WriteTable("empty", 0, 0, [](int) { return false; });
  WriteTable("listed", 40, 0, [](int) { return false; });
  WriteTable("twice", 30, 1, [](int row) { return row == 7; });
  const std::vector<std::string> tables = {"broken", "orders", "big",   "twice",
                                           "empty",  "listed", "twice", "big"};
  for (app::ColumnTypes types : {app::ColumnTypes::kText, app::ColumnTypes::kTyped}) {
    SCOPED_TRACE(app::ColumnTypesWord(types));
    TestDatabase one_by_one_db, jobs_db;
    for (const TestDatabase* db : {&one_by_one_db, &jobs_db}) {
      db->Exec("CREATE TABLE listed (old int)");
      db->RefuseRowsNamedRefused();
    }
    TransferOptions options{types};
    const Outcome one_by_one = Send(one_by_one_db, tables, options, {"listed"});
    options.jobs = 3;
    options.split_rows = 1000;
    const Outcome jobs = Send(jobs_db, tables, options, {"listed"});

    ExpectSame(jobs, one_by_one);
    EXPECT_GT(one_by_one.result.failures, 20);
    EXPECT_EQ(one_by_one.asked, (std::vector<std::string>{"listed", "twice", "big"}));
    for (const char* table : {"orders", "big", "twice", "empty", "listed"})
      EXPECT_EQ(Contents(jobs_db, table), Contents(one_by_one_db, table)) << table;
    EXPECT_EQ(Contents(jobs_db, "big").size(), 2998u);
  }
}

// The tables window with the Jobs setting: the selection as it stands when
// each table's turn comes, and the bar over the rows of all tables, reset
// once at the end.
TEST_F(TableJobsTest, TheTablesWindowSendsSeveralTablesAtOnce) {
  for (const char* name : {"a", "b", "c"}) WriteTable(name, 300, 0, [](int) { return false; });
  RecordDdl();
  Fill(*list1_, {"a", "b", "c"}, {"a", "b", "c"});
  ctx().jobs = 2;
  bool cleared = false;
  events_.on_yield = [&] {
    if (!cleared && !DdlLog().empty()) {  // once a table is on its way, "a" is cleared
      list1_->SetSelected(0, false);
      cleared = true;
    }
  };

  EXPECT_TRUE(SendToPostgreSql(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());

  EXPECT_EQ(Items(*list2_), (std::vector<std::string>{"b", "c"}));
  EXPECT_FALSE(PgTableExists("a"));
  EXPECT_EQ(progress_.table_rows,
            (std::vector<std::pair<int64_t, int64_t>>{{300, 300}, {300, 300}}));
  ASSERT_GE(progress_.values.size(), 2u);
  EXPECT_TRUE(std::is_sorted(progress_.values.begin(), progress_.values.end() - 1));
  EXPECT_EQ(progress_.values.end()[-2], 100);
  EXPECT_EQ(progress_.values.back(), 0);
  EXPECT_EQ(progress_.texts, (std::vector<std::string>{"Progress Bar"}));
  EXPECT_EQ(pointer_.codes, (std::vector<int>{app::kPointerHourglass, app::kPointerDefault}));
}

// A stop ends every job as it ends the one table of a send one by one:
// after its current row, with the rows so far stored and the table listed;
// the tables not yet handed out are not started.
TEST_F(TableJobsTest, AStopEndsEveryJobAsItEndsOne) {
  for (const char* name : {"t1", "t2", "t3", "t4"})
    WriteTable(name, 3000, 0, [](int) { return false; });
  RecordingPrompter prompter;
  RecordingProgress progress;
  ScriptedPump events;
  progress.on_value = [](double) { RequestStop(); };  // the bar's first value, once both run
  app::MemoryTableList list;
  CommandHooks hooks{prompter, progress, events, [](const std::string&) { return true; },
                     nullptr, nullptr};
  TransferOptions options;
  options.jobs = 2;
  CommandResult result;
  {
    CommandGuard guard;
    result = SendToPostgreSql(Settings(), {"t1", "t2", "t3", "t4"}, list, options, hooks);
    EXPECT_TRUE(StopRequested());
  }

  EXPECT_TRUE(result.ok()) << ::testing::PrintToString(prompter.Reports());
  ASSERT_EQ(result.tables.size(), 2u);
  for (const TableResult& table : result.tables) {
    EXPECT_TRUE(table.done) << table.table;
    EXPECT_GT(table.rows_read, 0) << table.table;
    EXPECT_EQ(Rows("SELECT count(*) FROM " + table.table),
              (std::vector<std::vector<std::string>>{{std::to_string(table.rows_stored)}}));
  }
  EXPECT_EQ(Items(list), (std::vector<std::string>{"t1", "t2"}));
  EXPECT_FALSE(PgTableExists("t3"));
  EXPECT_FALSE(PgTableExists("t4"));
}

// A table that a job loads on two connections of its own, the rows the
// server refuses replayed and reported in table order.
TEST_F(TableJobsTest, ALargeTableOnSeveralConnectionsGivesTheTableAndReportsOfOneConnection) {
  WriteTable("large", 130000, 3, [](int row) { return row == 7 || row == 60040 || row == 129995; });
  TestDatabase one_by_one_db, jobs_db;
  one_by_one_db.RefuseRowsNamedRefused();
  jobs_db.RefuseRowsNamedRefused();
  TransferOptions options;
  const Outcome one_by_one = Send(one_by_one_db, {"large"}, options);
  options.jobs = 2;
  options.split_rows = 1000;
  const Outcome jobs = Send(jobs_db, {"large"}, options);

  ExpectSame(jobs, one_by_one);
  EXPECT_EQ(one_by_one.result.tables.at(0).rows_stored, 130000 - 3);
  EXPECT_EQ(Contents(jobs_db, "large"), Contents(one_by_one_db, "large"));
}

// A connection lost while it loads its part of a table, or a stop asked
// meanwhile, leaves no part of the table: it is dropped, not listed, and
// the failure is reported.
TEST_F(TableJobsTest, ATableWhoseLoadFailsOnOneConnectionIsDroppedAndReported) {
  WriteTable("large", 160000, 0, [](int) { return false; });
  enum class Failure { kConnectionLost, kStopped };
  for (Failure failure : {Failure::kConnectionLost, Failure::kStopped}) {
    SCOPED_TRACE(failure == Failure::kStopped ? "stopped" : "connection lost");
    TestDatabase db;
    TransferOptions options;
    options.jobs = 2;
    options.split_rows = 1000;
    std::atomic<bool> sent{false};
    std::thread cutter;
    if (failure == Failure::kConnectionLost) {
      // Ends the server process of the first connection seen loading rows.
      cutter = std::thread([&] {
        while (!sent) {
          const auto ended = db.Query(
              "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = "
              "current_database() AND query LIKE 'COPY%' AND state = 'active' LIMIT 1");
          if (!ended.empty()) break;
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
      });
    }
    RecordingPrompter prompter;
    RecordingProgress progress;
    ScriptedPump events;
    if (failure == Failure::kStopped)
      progress.on_value = [](double percent) {
        if (percent > 0) RequestStop();
      };
    app::MemoryTableList list;
    CommandHooks hooks{prompter, progress, events, [](const std::string&) { return true; },
                       nullptr, nullptr};
    db::ConnectionSettings settings = db.Settings();
    settings.container_mode = false;
    settings.free_table_folder = dir_.path();
    CommandResult result;
    {
      CommandGuard guard;  // so that RequestStop reaches the command
      result = SendToPostgreSql(settings, {"large"}, list, options, hooks);
    }
    sent = true;
    if (cutter.joinable()) cutter.join();

    EXPECT_EQ(db.Query("SELECT to_regclass('large') IS NULL"),
              (std::vector<::veltrane::testing::Row>{{"t"}}));
    EXPECT_TRUE(Items(list).empty());
    ASSERT_EQ(result.tables.size(), 1u);
    EXPECT_FALSE(result.tables[0].done);
    ASSERT_EQ(prompter.Reports().size(), 1u);
    const std::string description = Description(prompter.Reports()[0]);
    EXPECT_THAT(description,
                HasSubstr("Table \"large\" was loaded on 2 connections at once, and "));
    EXPECT_THAT(description, HasSubstr(failure == Failure::kStopped
                                           ? "the command was stopped before all its rows"
                                           : "one of them failed: "));
    EXPECT_THAT(description, HasSubstr("was dropped, so that no half table is left"));
    EXPECT_EQ(ReportedLine(prompter.Reports()[0]), 138);
  }
}

}  // namespace
}  // namespace veltrane::transfer::testing
