// Rows sent in COPY loads end up exactly as with one INSERT per row: the
// same rows stored in the same order, and the same rows rejected with the
// same statements and messages.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/error_trap.h"
#include "app/value_helpers.h"
#include "command_fixture.h"
#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/copy_binary.h"
#include "db/error.h"
#include "foxpro/files/table_writer.h"
#include "support/test_database.h"
#include "transfer/commands.h"
#include "transfer/copy_row_sender.h"
#include "transfer/value_rendering.h"

namespace veltrane::transfer {
namespace {

using ::veltrane::testing::Row;
using ::veltrane::testing::TestDatabase;

class CountingPump : public app::EventPump {
 public:
  void Yield() override { ++yields; }
  long long yields = 0;
};

// A rejected row: its statement and the server's message.
struct Rejection {
  std::string statement;
  std::string message;
};

// Target columns whose types reject some source texts: a fraction or a
// word in `amount`, bad hex in `data`, a value the check refuses in `note`.
constexpr const char* kTargetColumns =
    "(id INT, amount INT, note text CONSTRAINT refused_note CHECK (note IS DISTINCT FROM 'refused'), data BYTEA, "
    "ratio FLOAT)";

class FastPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source_connection_.Open(db::PostgreSqlConnectionString(db_.Settings()));
    target_.Open(db::PostgreSqlConnectionString(db_.Settings()));
    db_.Exec("CREATE TABLE source (id text, amount text, note text, data text, ratio text)");
    db_.Exec(std::string("CREATE TABLE by_statement") + kTargetColumns);
    db_.Exec(std::string("CREATE TABLE by_copy") + kTargetColumns);
  }

  // The source rows: mostly good, with rejected rows alone, in a run, first
  // and last, and values that need escaping in COPY.
  void FillSource(int rows) {
    db_.Exec(
        "INSERT INTO source SELECT g::text, "
        "CASE WHEN g % 97 = 5 THEN g || '.5' WHEN g BETWEEN 600 AND 640 THEN 'many' "
        "WHEN g % 11 = 0 THEN '' WHEN g % 13 = 0 THEN NULL ELSE (g * 3)::text END, "
        "CASE WHEN g % 251 = 7 THEN 'refused' WHEN g % 7 = 0 THEN E'tab\\there\\nline \\\\N ''q''' "
        "WHEN g % 5 = 0 THEN '' ELSE 'note ' || g END, "
        "CASE WHEN g % 301 = 3 THEN '\\xzz' WHEN g % 3 = 0 THEN '\\x00ff5c0a' ELSE NULL END, "
        "CASE WHEN g % 17 = 0 THEN 'NaN' ELSE (g / 7.0)::text END "
        "FROM generate_series(1, " + std::to_string(rows) + ") g");
    db_.Exec("INSERT INTO source VALUES ('0', 'bad', 'first', NULL, '1')");
  }

  // Runs `insert` and records its rejection, as the commands' error trap
  // would show it.
  void Insert(const std::string& statement, std::vector<Rejection>& rejected) {
    try {
      target_.Execute(statement);
    } catch (const db::Error& error) {
      rejected.push_back({statement, error.what()});
    }
  }

  static std::string InsertStatement(const std::string& table,
                                     const std::vector<std::string>& texts) {
    std::string statement = "INSERT INTO \"" + table + "\"" + std::string(kOpenValues);
    for (const std::string& text : texts) AppendPostgreSqlValue(statement, text);
    FinishValues(statement);
    return statement;
  }

  // The row-by-row way: one INSERT per source row.
  std::vector<Rejection> SendByStatements() {
    std::vector<Rejection> rejected;
    db::RecordSet rows = source_connection_.Execute("SELECT * FROM source");
    for (; !rows.Eof(); rows.MoveNext()) {
      std::vector<std::string> texts;
      const db::Fields fields = rows.GetFields();
      for (int f = 0; f < fields.Count(); ++f)
        texts.push_back(app::NullToValue(fields[f].Value(), std::string()));
      Insert(InsertStatement("by_statement", texts), rejected);
    }
    return rejected;
  }

  // The COPY way, sending a load every `load_rows` rows.
  std::vector<Rejection> SendByCopy(int load_rows) {
    std::vector<Rejection> rejected;
    CopyRowSender sender(target_, "\"by_copy\"", pump_, [&](const CopyRowSender::Row& row) {
      std::vector<std::string> texts;
      for (const auto& value : row) texts.push_back(value.value_or(""));
      Insert(InsertStatement("by_copy", texts), rejected);
    });
    db::RecordSet rows = source_connection_.Execute("SELECT * FROM source");
    int added = 0;
    for (; !rows.Eof(); rows.MoveNext()) {
      EXPECT_TRUE(sender.TryAdd(rows.GetFields()));
      if (++added % load_rows == 0 || sender.Full()) sender.Flush();
    }
    sender.Flush();
    return rejected;
  }

  static void RenameTable(std::vector<Rejection>& rejected) {
    for (Rejection& r : rejected) {
      r.statement.replace(r.statement.find("by_copy"), 7, "by_statement");
      size_t at = r.message.find("by_copy");
      if (at != std::string::npos) r.message.replace(at, 7, "by_statement");
    }
  }

  // The rows COPY rejected are those the statements did, with the same
  // statements and messages.
  static void ExpectSameRejections(std::vector<Rejection> by_copy,
                                   const std::vector<Rejection>& by_statement) {
    RenameTable(by_copy);
    ASSERT_EQ(by_copy.size(), by_statement.size());
    for (size_t i = 0; i < by_copy.size(); ++i) {
      EXPECT_EQ(by_copy[i].statement, by_statement[i].statement);
      EXPECT_EQ(by_copy[i].message, by_statement[i].message);
    }
  }

  // Both tables in storage order, with the bytea as hex.
  std::vector<Row> Stored(const std::string& table) const {
    return db_.Query("SELECT id::text, amount::text, note, encode(data, 'hex'), ratio::text FROM " +
                     table);
  }

  TestDatabase db_;
  db::Connection source_connection_;
  db::Connection target_;
  CountingPump pump_;
};

TEST_F(FastPathTest, RejectedRowsAmongGoodOnesGiveTheSameTableAndReports) {
  FillSource(3000);
  const std::vector<Rejection> by_statement = SendByStatements();
  for (int load_rows : {1000, 64}) {
    SCOPED_TRACE(load_rows);
    db_.Exec("TRUNCATE by_copy");
    ExpectSameRejections(SendByCopy(load_rows), by_statement);
    EXPECT_EQ(Stored("by_copy"), Stored("by_statement"));
  }
  EXPECT_GT(by_statement.size(), 70u);
  EXPECT_LT(by_statement.size(), 120u);
  EXPECT_GT(pump_.yields, 0);  // the window is served between loads
}

// Typed columns loaded in binary rows: values the server refuses (too many
// digits, a check), values without a binary form that the server reads its
// own way (a blank before a number, "yes") or refuses (no such date), and
// nulls, among good rows.
class BinaryFastPathTest : public FastPathTest {
 protected:
  static constexpr const char* kTypedColumns =
      "(id int, amount numeric(6,2), born date, note text CONSTRAINT refused_note "
      "CHECK (note IS DISTINCT FROM 'refused'), flag boolean, ratio double precision)";

  void SetUp() override {
    FastPathTest::SetUp();
    db_.Exec("DROP TABLE source, by_statement, by_copy");
    db_.Exec(
        "CREATE TABLE source AS SELECT g::text AS id, "
        "CASE WHEN g % 97 = 5 THEN '12345.5' WHEN g BETWEEN 600 AND 640 THEN ' 7' "
        "WHEN g % 13 = 0 THEN NULL ELSE (g / 10.0)::text END AS amount, "
        "CASE WHEN g % 301 = 3 THEN '2001-02-29' ELSE ('2000-01-01'::date + g)::text END AS born, "
        "CASE WHEN g % 251 = 7 THEN 'refused' WHEN g % 7 = 0 THEN E'tab\\there\\n''q''' "
        "WHEN g % 5 = 0 THEN '' ELSE 'note ' || g END AS note, "
        "CASE WHEN g % 89 = 1 THEN 'yes' ELSE (g % 2 = 0)::text END AS flag, "
        "(g / 7.0)::float8::text AS ratio FROM generate_series(1, 3000) g");
    db_.Exec(std::string("CREATE TABLE by_statement") + kTypedColumns);
    db_.Exec(std::string("CREATE TABLE by_copy") + kTypedColumns);
  }

  static std::vector<std::optional<std::string_view>> Values(const db::Fields& fields) {
    std::vector<std::optional<std::string_view>> values;
    for (int f = 0; f < fields.Count(); ++f) {
      const db::Value& value = fields[f].Value();
      values.push_back(value.IsNull() ? std::nullopt
                                      : std::optional<std::string_view>(value.Text()));
    }
    return values;
  }

  // An INSERT with the typed mapping's values: NULL, or quoted text.
  template <typename Values>
  static std::string TypedInsert(const std::string& table, const Values& values) {
    std::string statement = "INSERT INTO \"" + table + "\"" + std::string(kOpenValues);
    for (const auto& value : values) {
      if (value) {
        AppendQuotedPostgreSqlValue(statement, *value);
      } else {
        AppendNullValue(statement);
      }
    }
    FinishValues(statement);
    return statement;
  }

  std::vector<Rejection> SendTypedByStatements() {
    std::vector<Rejection> rejected;
    db::RecordSet rows = source_connection_.Execute("SELECT * FROM source ORDER BY id::int");
    for (; !rows.Eof(); rows.MoveNext())
      Insert(TypedInsert("by_statement", Values(rows.GetFields())), rejected);
    return rejected;
  }

  // Binary rows, a load every `load_rows` rows; a row without a binary form
  // goes as its own INSERT after the rows before it.
  std::vector<Rejection> SendTypedByCopy(int load_rows) {
    std::vector<Rejection> rejected;
    CopyRowSender sender(target_, "\"by_copy\"", pump_, [&](const CopyRowSender::Row& row) {
      Insert(TypedInsert("by_copy", row), rejected);
    });
    sender.UseBinaryRows({db::PgBinaryType::kInteger, db::PgBinaryType::kNumeric,
                          db::PgBinaryType::kDate, db::PgBinaryType::kText,
                          db::PgBinaryType::kBoolean, db::PgBinaryType::kDouble});
    db::RecordSet rows = source_connection_.Execute("SELECT * FROM source ORDER BY id::int");
    int added = 0;
    for (; !rows.Eof(); rows.MoveNext()) {
      const auto values = Values(rows.GetFields());
      if (!sender.Add(values)) {
        sender.Flush();
        Insert(TypedInsert("by_copy", values), rejected);
      }
      if (++added % load_rows == 0 || sender.Full()) sender.Flush();
    }
    sender.Flush();
    return rejected;
  }

  std::vector<Row> TypedStored(const std::string& table) const {
    return db_.Query("SELECT id, amount::text, born::text, note, flag::text, ratio::text FROM " +
                     table);
  }
};

TEST_F(BinaryFastPathTest, RejectedAndUnusualRowsGiveTheSameTableAndReports) {
  const std::vector<Rejection> by_statement = SendTypedByStatements();
  for (int load_rows : {1000, 64}) {
    SCOPED_TRACE(load_rows);
    db_.Exec("TRUNCATE by_copy");
    ExpectSameRejections(SendTypedByCopy(load_rows), by_statement);
    EXPECT_EQ(TypedStored("by_copy"), TypedStored("by_statement"));
  }
  EXPECT_GT(by_statement.size(), 40u);
  EXPECT_LT(by_statement.size(), 70u);
  // Most rows without a binary form are ones the server takes.
  const std::vector<Row> unusual =
      db_.Query("SELECT count(*) FROM by_copy WHERE amount = 7 OR flag AND id % 89 = 1");
  EXPECT_GE(std::stoi(*unusual.at(0).at(0)), 70);
}

// The classic mapping's columns loaded in binary rows: edge values of
// each column, cycled so that each row mixes them. A value without a
// binary form of its column (out of range, spelled the server's own way)
// goes as its own INSERT; the stored values and the rejections are those
// of one INSERT per row.
TEST_F(FastPathTest, BinaryRowsOfTheClassicColumnsStoreWhatTheStatementsStore) {
  const std::vector<std::string> amounts = {
      "2147483647", "-2147483648", "2147483648", "-2147483649", "99999999999999999999", "+5",
      "007", "-0", " 7", "7 ", "", "1e3", "0x10", "12.5"};
  const std::vector<std::string> notes = {
      "", " ", "   ", "\\", "a\\b\\", "tab\there", "line\nbreak\r\n", "\\N",
      "refused", "Müller ", "'quoted'", "\\.", std::string(70000, 'x')};
  const std::vector<std::string> data = {
      "\\x", "\\x00ff5c0a", "\\xABCD", "\\xzz", "\\x0", "plain", "", "\\x 00"};
  const std::vector<std::string> ratios = {
      "1.5", "-0", "1e308", "1e309", "4.9e-324", "1e-400", "NaN", "Infinity", "-Infinity",
      "inf", " 1.5", "0.1", "123456789012345678901234567890", ".5", "5.", "-1.25E-3", ""};
  const auto quoted = [](const std::vector<std::string>& values, size_t i) {
    std::string text = values[i % values.size()];
    for (size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 2))
      text.insert(at, 1, '\'');
    return "'" + text + "'";
  };
  std::string rows;
  for (size_t i = 0; i < 3 * ratios.size(); ++i) {
    rows += (i ? ", (" : "(") + std::to_string(i) + "::text, " + quoted(amounts, i) + ", " +
            quoted(notes, i) + ", " + quoted(data, i) + ", " + quoted(ratios, i) + ")";
  }
  db_.Exec("INSERT INTO source VALUES " + rows);
  const std::vector<Rejection> by_statement = SendByStatements();

  std::vector<Rejection> by_copy;
  CopyRowSender sender(target_, "\"by_copy\"", pump_, [&](const CopyRowSender::Row& row) {
    std::vector<std::string> texts;
    for (const auto& value : row) texts.push_back(value.value_or(""));
    Insert(InsertStatement("by_copy", texts), by_copy);
  });
  sender.UseBinaryRows({db::PgBinaryType::kInteger, db::PgBinaryType::kInteger,
                        db::PgBinaryType::kText, db::PgBinaryType::kBytea,
                        db::PgBinaryType::kDouble});
  db::RecordSet source = source_connection_.Execute("SELECT * FROM source");
  int own_statements = 0;
  for (int added = 1; !source.Eof(); source.MoveNext(), ++added) {
    if (!sender.TryAdd(source.GetFields())) {
      ++own_statements;
      sender.Flush();
      std::vector<std::string> texts;
      const db::Fields fields = source.GetFields();
      for (int f = 0; f < fields.Count(); ++f)
        texts.push_back(app::NullToValue(fields[f].Value(), std::string()));
      Insert(InsertStatement("by_copy", texts), by_copy);
    }
    if (added % 16 == 0) sender.Flush();
  }
  sender.Flush();

  ExpectSameRejections(by_copy, by_statement);
  EXPECT_EQ(Stored("by_copy"), Stored("by_statement"));
  EXPECT_GT(own_statements, 10);
  EXPECT_GT(by_statement.size(), 10u);
}

TEST_F(FastPathTest, LastRowIsKeptForTheStatementTextAndAnEmptyFlushDoesNothing) {
  FillSource(20);
  CopyRowSender sender(target_, "\"by_copy\"", pump_, [](const CopyRowSender::Row&) {});
  EXPECT_FALSE(sender.LastRow());
  sender.Flush();
  db::RecordSet rows = source_connection_.Execute("SELECT * FROM source WHERE id IN ('8', '10')");
  ASSERT_TRUE(sender.TryAdd(rows.GetFields()));
  rows.MoveNext();
  ASSERT_TRUE(sender.TryAdd(rows.GetFields()));
  const CopyRowSender::Row expected = {"10", "30", std::nullopt, std::nullopt,
                                       "1.4285714285714286"};
  EXPECT_EQ(sender.LastRow(), expected);  // pending
  sender.Flush();
  EXPECT_EQ(sender.LastRow(), expected);  // sent
  sender.ForgetLastRow();
  EXPECT_FALSE(sender.LastRow());
  EXPECT_EQ(db_.Query("SELECT count(*) FROM by_copy"), (std::vector<Row>{{"2"}}));
}

// The whole command: a FoxPro table with rows the server refuses and memo
// values lost from the memo file, among good rows, then a table that cannot
// be opened (whose report shows the statement text left by the first).
class SendToPostgreSqlFastPathTest : public testing::CommandFixture {
 protected:
  // Numbers of the command's statements that fail here.
  static constexpr int kBuildInsertLine = 136;
  static constexpr int kExecuteInsertLine = 138;
  static constexpr int kOpenSourceLine = 126;
  static constexpr int kReportSourceLine = 154;

  static std::vector<foxpro::InputValue> Values(int row) {
    auto text = [](std::string t) {
      foxpro::InputValue v;
      v.kind = foxpro::InputValue::Kind::kText;
      v.text = std::move(t);
      return v;
    };
    auto number = [](std::string t) {
      foxpro::InputValue v;
      v.kind = foxpro::InputValue::Kind::kNumber;
      v.text = std::move(t);
      return v;
    };
    std::string name = row % 37 == 3 ? "refused " + std::to_string(row)
                       : row % 5 == 0 ? "" : "it's " + std::to_string(row);
    std::string note = row % 4 == 0 ? "" : "tab\there\\ \\N\r\nline " + std::to_string(row);
    return {number(std::to_string(row)), text(name), number(std::to_string(row) + ".25"),
            text(note), number(std::to_string(row / 3.0))};
  }

  // A table of `rows` rows whose last `unreadable` rows have memo values
  // past the end of the memo file.
  void WriteTable(const std::string& name, int rows, int unreadable) {
    const std::string path = dir_.File(name + ".dbf");
    foxpro::TableWriter::Create(path,
                                {{"id", 'I'}, {"name", 'C', 20}, {"amount", 'N', 10, 2},
                                 {"note", 'M'}, {"ratio", 'B', 0, 4}},
                                "");
    auto writer = foxpro::TableWriter::OpenForAppend(path);
    for (int row = 1; row <= rows - unreadable; ++row) writer->Append(Values(row));
    writer.reset();
    const std::string memo = dir_.File(name + ".fpt");
    const auto memo_size = std::filesystem::file_size(memo);
    writer = foxpro::TableWriter::OpenForAppend(path);
    for (int row = rows - unreadable + 1; row <= rows; ++row) {
      auto values = Values(row);
      values[3].text = "lost " + std::to_string(row);
      writer->Append(values);
    }
    writer.reset();
    std::filesystem::resize_file(memo, memo_size);
  }

  // The reports and rows one INSERT per row gives, sent to `reference`.
  std::vector<std::string> ReportsByStatements(const std::string& table,
                                               const ::veltrane::testing::TestDatabase& reference,
                                               std::string& statement) {
    testing::RecordingPrompter prompter;
    app::ErrorTrap trap(prompter, "Form2.PushButton3_Click");
    trap.ShowStatement(&statement);
    db::Connection foxpro;
    db::ConnectionSettings free_tables;
    free_tables.container_mode = false;
    free_tables.free_table_folder = dir_.path();
    foxpro.OpenFoxPro(free_tables);
    db::Connection postgresql;
    postgresql.Open(db::PostgreSqlConnectionString(reference.Settings()));
    postgresql.Execute("CREATE TABLE \"" + table +
                       "\"(\"id\" INT,\"name\" text,\"amount\" text,\"note\" text,"
                       "\"ratio\" FLOAT)");
    db::RecordSet rows;
    rows.Open("SELECT * FROM `" + table + "`", foxpro);
    for (; !rows.Eof(); rows.MoveNext()) {
      const bool built = trap.Run(kBuildInsertLine, [&] {
        statement = "INSERT INTO \"" + table + "\"" + std::string(kOpenValues);
        const db::Fields fields = rows.GetFields();
        for (int f = 0; f < fields.Count(); ++f)
          AppendPostgreSqlValue(statement, app::NullToValue(fields[f].Value(), std::string()));
        FinishValues(statement);
      });
      if (built) trap.Run(kExecuteInsertLine, [&] { postgresql.Execute(statement); });
    }
    return prompter.Reports();
  }
};

TEST_F(SendToPostgreSqlFastPathTest, TableAndReportsAreThoseOfOneInsertPerRow) {
  db_.RefuseRowsNamedRefused();
  ::veltrane::testing::TestDatabase reference;
  reference.RefuseRowsNamedRefused();
  WriteTable("orders", 700, 3);
  std::ofstream(dir_.File("broken.dbf")) << "not a table";

  std::string last_statement;
  std::vector<std::string> expected = ReportsByStatements("orders", reference, last_statement);
  app::ErrorTrap trap(prompter_, "Form2.PushButton3_Click");
  trap.ShowStatement(&last_statement);

  Fill(*list1_, {"broken", "orders"}, {"broken", "orders"});
  SendToPostgreSql(ctx());

  std::vector<std::string> reports = prompter_.Reports();
  ASSERT_EQ(reports.size(), expected.size() + 2);
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(reports[i], expected[i]) << i;
  // The lost memo values arrive as NULL, counted in one report after the
  // table's rows.
  EXPECT_EQ(testing::ReportedLine(reports[expected.size()]), kReportSourceLine);
  EXPECT_NE(testing::Description(reports[expected.size()])
                .find("Table \"orders\", column \"note\": 3 values are missing from the memo file"),
            std::string::npos)
      << reports[expected.size()];
  // The table after orders cannot be opened; its report shows the statement
  // one INSERT per row would have left.
  EXPECT_EQ(testing::ReportedLine(reports.back()), kOpenSourceLine);
  EXPECT_EQ(testing::SqlLine(reports.back()), last_statement);

  const std::string all = "SELECT id, name, amount, note, ratio FROM orders";
  EXPECT_EQ(db_.Query(all), reference.Query(all));
  EXPECT_EQ(db_.Query("SELECT count(*) FROM orders"), (std::vector<Row>{{"681"}}));
  EXPECT_EQ(db_.Query("SELECT count(*) FROM orders WHERE note IS NULL AND id > 697"),
            (std::vector<Row>{{"3"}}));
  int refused = 0;
  for (const std::string& report : reports)
    if (report.find("refused_name") != std::string::npos) ++refused;
  EXPECT_EQ(refused, 19);
  EXPECT_EQ(progress_.table_rows, (std::vector<std::pair<int64_t, int64_t>>{{700, 681}}));
  EXPECT_EQ(Items(*list2_), (std::vector<std::string>{"orders"}));
  EXPECT_EQ(progress_.values.back(), 0);
}

}  // namespace
}  // namespace veltrane::transfer
