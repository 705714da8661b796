// Rows read once through COPY come out exactly as the record set of Execute
// gives them, and the connection is left as Execute would leave it.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/error.h"
#include "support/test_database.h"

namespace veltrane::db {
namespace {

using testing::TestDatabase;

struct Read {
  std::vector<std::string> names;
  std::vector<int16_t> types;
  int64_t count = -1;
  std::vector<std::vector<std::optional<std::string>>> rows;
  bool operator==(const Read&) const = default;
};

Read ReadAll(RecordSet records) {
  Read read;
  const Fields fields = records.GetFields();
  for (int f = 0; f < fields.Count(); ++f) {
    read.names.push_back(fields[f].Name());
    read.types.push_back(fields[f].Type());
  }
  read.count = records.RecordCount();
  for (; !records.Eof(); records.MoveNext()) {
    std::vector<std::optional<std::string>> row;
    for (int f = 0; f < fields.Count(); ++f) {
      const Value& value = fields[f].Value();
      row.push_back(value.IsNull() ? std::nullopt : std::optional<std::string>(value.Text()));
    }
    read.rows.push_back(std::move(row));
  }
  return read;
}

std::string FailureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "(no failure)";
}

class ExecuteOnceTest : public ::testing::Test {
 protected:
  void SetUp() override { connection_.Open(PostgreSqlConnectionString(db_.Settings())); }
  TestDatabase db_;
  Connection connection_;
};

TEST_F(ExecuteOnceTest, EveryTypeAndAwkwardTextReadAsExecuteReadsThem) {
  db_.Exec(
      "CREATE TABLE \"odd \"\"name\" (i int4, b bool, m money, n numeric(12,3), f float8, "
      "r float4, d date, ts timestamp, tz timestamptz, t text, c char(5), v varchar(9), "
      "y bytea, u uuid, j jsonb, a text[], iv interval, tm time, \"tab\tcol\" int8)");
  db_.Exec(
      "INSERT INTO \"odd \"\"name\" SELECT g, g % 3 = 0, g * 1.25, g / 7.0, g / 3.0, g / 9.0, "
      "DATE '2000-01-01' + g, TIMESTAMP '2001-02-03 04:05:06.789' + g * INTERVAL '1 hour', "
      "TIMESTAMPTZ '2020-01-01 00:00+02' + g * INTERVAL '1 minute', "
      "CASE g % 6 WHEN 0 THEN E'tab\\there\\nline\\rcr\\\\back \\\\N' WHEN 1 THEN '' "
      "WHEN 2 THEN NULL WHEN 3 THEN E'\\\\N' WHEN 4 THEN E'bell\\x07 vt\\x0b ff\\x0c bs\\x08' "
      "ELSE 'Grüße, 日本 ' || g END, "
      "'ab', 'x' || g, CASE WHEN g % 2 = 0 THEN '\\x00ff0a5c'::bytea END, "
      "md5(g::text)::uuid, jsonb_build_object('k', g, 's', E'a\\tb'), ARRAY['x\"y', NULL, 'z'], "
      "g * INTERVAL '90 minutes', TIME '01:02:03' + g * INTERVAL '1 second', -g "
      "FROM generate_series(1, 3000) g");
  const std::string query = "SELECT * FROM \"odd \"\"name\" -- every column\n;";
  const Read expected = ReadAll(connection_.Execute(query));
  ASSERT_EQ(expected.rows.size(), 3000u);
  EXPECT_EQ(ReadAll(connection_.ExecuteOnce(query)), expected);
  // Read again on the same connection: nothing was left running.
  EXPECT_EQ(ReadAll(connection_.ExecuteOnce(query)), expected);
}

TEST_F(ExecuteOnceTest, QueriesThatCannotBeCopiedFailOrRunAsWithExecute) {
  const std::string missing = "SELECT * FROM \"missing\"";
  EXPECT_EQ(FailureOf([&] { connection_.ExecuteOnce(missing); }),
            FailureOf([&] { connection_.Execute(missing); }));
  connection_.Execute("CREATE SEQUENCE s");
  RecordSet next = connection_.ExecuteOnce("SELECT nextval('s')");
  EXPECT_EQ(next.GetFields()[0].Value().Text(), "1");
  EXPECT_EQ(next.RecordCount(), 1);
  EXPECT_EQ(ReadAll(connection_.ExecuteOnce("SELECT 1 AS one WHERE false")).count, 0);
  EXPECT_FALSE(connection_.ExecuteOnce("CREATE TABLE made (a int)").IsOpen());
  EXPECT_EQ(db_.Query("SELECT count(*) FROM made")[0][0], "0");
}

TEST_F(ExecuteOnceTest, TheConnectionWaitsForTheRowsAndIsFreeOnceClosedEarly) {
  db_.Exec("CREATE TABLE big AS SELECT g AS n, repeat('x', 200) AS pad "
           "FROM generate_series(1, 200000) g");
  RecordSet rows = connection_.ExecuteOnce("SELECT n, pad FROM big ORDER BY n");
  db_.Exec("INSERT INTO big VALUES (0, '')");  // another session: not in the snapshot
  EXPECT_EQ(rows.RecordCount(), 200000);
  for (int i = 0; i < 10; ++i) rows.MoveNext();
  EXPECT_EQ(rows.GetFields()[0].Value().Text(), "11");
  EXPECT_NE(FailureOf([&] { connection_.Execute("SELECT 1"); }).find("still being read"),
            std::string::npos);
  EXPECT_NE(FailureOf([&] { connection_.Execute("DELETE FROM big"); }).find("still being read"),
            std::string::npos);
  // Closed long before its end: the rest is not waited for.
  rows.Close();
  EXPECT_EQ(connection_.Execute("SELECT count(*) FROM big").GetFields()[0].Value().Text(),
            "200001");
  connection_.Execute("DELETE FROM big WHERE n = 0");
}

TEST_F(ExecuteOnceTest, AFailureWhileStreamingEndsTheRecordSet) {
  RecordSet rows = connection_.ExecuteOnce(
      "SELECT 1 / (30000 - g) FROM generate_series(1, 40000) g");
  int64_t seen = 0;
  std::string failure = FailureOf([&] {
    for (; !rows.Eof(); rows.MoveNext()) ++seen;
  });
  EXPECT_NE(failure.find("division by zero"), std::string::npos) << failure;
  EXPECT_TRUE(rows.Eof());
  EXPECT_LT(seen, 30000);
  EXPECT_EQ(connection_.Execute("SELECT 3").GetFields()[0].Value().Text(), "3");
}

}  // namespace
}  // namespace veltrane::db
