#include "db/record_set.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/error.h"
#include "support/test_database.h"

namespace veltrane::db {
namespace {

using testing::TestDatabase;

class RecordSetTest : public ::testing::Test {
 protected:
  void SetUp() override { connection_.Open(PostgreSqlConnectionString(db_.Settings())); }

  std::string FailureOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const Error& error) {
      return error.what();
    }
    ADD_FAILURE() << "no failure";
    return "";
  }

  TestDatabase db_;
  Connection connection_;
};

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

TEST_F(RecordSetTest, RecordCountIsExact) {
  db_.Exec("CREATE TABLE numbers AS SELECT g AS n FROM generate_series(1, 25003) g");
  {
    Connection c;
    c.Open(PostgreSqlConnectionString(db_.Settings()));
    for (const char* query : {"SELECT n FROM numbers ORDER BY n;", "select * from numbers -- all",
                              "SELECT n FROM numbers WHERE n <= 7", "SELECT n FROM numbers LIMIT 0",
                              "VALUES (1), (2)"}) {
      RecordSet counted = c.Execute(query);
      int64_t expected = counted.RecordCount();
      int64_t seen = 0;
      for (; !counted.Eof(); counted.MoveNext()) ++seen;
      EXPECT_EQ(seen, expected) << query;
      EXPECT_EQ(counted.RecordCount(), expected) << query;
      EXPECT_THROW(counted.MoveNext(), Error);
    }
    // Asked after part of the rows were read, the count is still the whole.
    RecordSet partial;
    partial.Open("SELECT n FROM numbers", c);
    for (int i = 0; i < 1500; ++i) partial.MoveNext();
    EXPECT_EQ(partial.RecordCount(), 25003);
    EXPECT_EQ(partial.GetFields()[0].Value().Text(), "1501");
  }
}

TEST_F(RecordSetTest, RowsStreamWithFlatMemory) {
  db_.Exec("CREATE TABLE wide AS SELECT g AS n, repeat(md5(g::text), 16) AS payload "
           "FROM generate_series(1, 200000) g");
  RecordSet rows = connection_.Execute("SELECT n, payload FROM wide ORDER BY n");
  EXPECT_EQ(rows.RecordCount(), 200000);
  long before = ResidentBytes();
  long peak = before;
  int64_t seen = 0, sum = 0;
  Fields fields = rows.GetFields();
  for (; !rows.Eof(); rows.MoveNext()) {
    ++seen;
    sum += std::stoll(fields[0].Value().Text());
    ASSERT_EQ(fields[1].Value().Text().size(), 512u);
    if (seen % 10000 == 0) peak = std::max(peak, ResidentBytes());
  }
  EXPECT_EQ(seen, 200000);
  EXPECT_EQ(sum, int64_t{200000} * 200001 / 2);
  // The table is over 100 MB as text; a batch is a few megabytes.
  EXPECT_LT(peak - before, 48L << 20) << "resident memory grew while reading";
}

TEST_F(RecordSetTest, FieldsByIndexAndNameAndNullsAtTheEnd) {
  RecordSet rows = connection_.Execute("SELECT 1 AS \"Id\", 'a' AS id, NULL::text AS empty");
  Fields f = rows.GetFields();
  ASSERT_EQ(f.Count(), 3);
  EXPECT_EQ(f["id"].Value().Text(), "a");    // exact name first
  EXPECT_EQ(f["ID"].Value().Text(), "1");    // then without regard to case
  EXPECT_EQ(f["EMPTY"].Name(), "empty");
  EXPECT_TRUE(f[2].Value().IsNull());
  EXPECT_NE(FailureOf([&] { f["missing"]; }).find("missing"), std::string::npos);
  EXPECT_THROW(f[3], Error);
  EXPECT_THROW(f[-1], Error);
  rows.MoveNext();
  EXPECT_TRUE(rows.Eof());
  EXPECT_TRUE(f[0].Value().IsNull());
  rows.Close();
  EXPECT_FALSE(rows.IsOpen());
  EXPECT_THROW(rows.RecordCount(), Error);
}

TEST_F(RecordSetTest, StatementsThatCannotStreamRunInAutocommit) {
  connection_.Execute("CREATE SEQUENCE s; CREATE TABLE t (a int)");
  RecordSet next = connection_.Execute("SELECT nextval('s')");
  EXPECT_EQ(next.GetFields()[0].Value().Text(), "1");
  EXPECT_EQ(next.RecordCount(), 1);
  RecordSet inserted = connection_.Execute("INSERT INTO t VALUES (5), (6) RETURNING a");
  EXPECT_EQ(inserted.RecordCount(), 2);
  EXPECT_EQ(inserted.GetFields()[0].Value().Text(), "5");
  EXPECT_FALSE(connection_.Execute("SELECT a INTO t2 FROM t").IsOpen());
  RecordSet last = connection_.Execute("SELECT 1; SELECT count(*) FROM t2");
  EXPECT_EQ(last.GetFields()[0].Value().Text(), "2");
  EXPECT_FALSE(connection_.Execute("").IsOpen());
  EXPECT_EQ(db_.Query("SELECT count(*) FROM t")[0][0], "2");
}

TEST_F(RecordSetTest, FailuresCarryTheServersMessage) {
  std::string message = FailureOf([&] { connection_.Execute("SELECT * FROM no_such_table"); });
  EXPECT_EQ(message.rfind("ERROR:", 0), 0u) << message;
  EXPECT_NE(message.find("\"no_such_table\" does not exist"), std::string::npos) << message;
  message = FailureOf([&] { connection_.Execute("DROP TABLE no_such_table"); });
  EXPECT_NE(message.find("no_such_table"), std::string::npos) << message;
  message = FailureOf([&] { connection_.Execute("SELEKT 1"); });
  EXPECT_NE(message.find("syntax error"), std::string::npos) << message;
  // The connection is usable after each failure.
  EXPECT_EQ(connection_.Execute("SELECT 2").GetFields()[0].Value().Text(), "2");
}

TEST_F(RecordSetTest, AFailureWhileStreamingEndsTheRecordSet) {
  RecordSet rows = connection_.Execute(
      "SELECT 1 / (30000 - g) FROM generate_series(1, 40000) g");
  int64_t seen = 0;
  EXPECT_THROW(
      {
        for (; !rows.Eof(); rows.MoveNext()) ++seen;
      },
      Error);
  EXPECT_TRUE(rows.Eof());
  EXPECT_LT(seen, 30000);
  EXPECT_EQ(connection_.Execute("SELECT 3").GetFields()[0].Value().Text(), "3");
}

TEST_F(RecordSetTest, OpenRecordSetsShareASnapshotAndBlockWrites) {
  db_.Exec("CREATE TABLE big AS SELECT g AS n FROM generate_series(1, 50000) g");
  RecordSet first = connection_.Execute("SELECT n FROM big ORDER BY n");
  RecordSet second = connection_.Execute("SELECT count(*) FROM big");
  EXPECT_EQ(second.GetFields()[0].Value().Text(), "50000");
  db_.Exec("INSERT INTO big VALUES (50001)");  // another session: not in the snapshot
  EXPECT_EQ(first.RecordCount(), 50000);
  std::string message = FailureOf([&] { connection_.Execute("DELETE FROM big"); });
  EXPECT_NE(message.find("still being read"), std::string::npos) << message;
  first.Close();
  connection_.Execute("DELETE FROM big WHERE n > 50000");
  EXPECT_EQ(db_.Query("SELECT count(*) FROM big")[0][0], "50000");
}

TEST_F(RecordSetTest, RecordSetOutlivesItsConnection) {
  RecordSet rows;
  {
    Connection c;
    c.Open(PostgreSqlConnectionString(db_.Settings()));
    rows = c.Execute("SELECT g FROM generate_series(1, 5000) g");
  }
  int64_t seen = 0;
  for (; !rows.Eof(); rows.MoveNext()) ++seen;
  EXPECT_EQ(seen, 5000);
}

TEST_F(RecordSetTest, SchemaOfTablesOnPostgreSql) {
  db_.Exec("CREATE TABLE plain (a int); CREATE VIEW seen AS SELECT 1 AS a");
  RecordSet schema = connection_.OpenSchema(kSchemaTables);
  std::map<std::string, std::string> types;
  for (; !schema.Eof(); schema.MoveNext())
    types[schema.GetFields()["TABLE_NAME"].Value().Text()] =
        schema.GetFields()["TABLE_TYPE"].Value().Text();
  EXPECT_EQ(types["plain"], "TABLE");
  EXPECT_EQ(types["seen"], "VIEW");
  EXPECT_EQ(types["pg_class"], "SYSTEM TABLE");
  EXPECT_THROW(connection_.OpenSchema(4), Error);
}

}  // namespace
}  // namespace veltrane::db
