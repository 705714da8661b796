#include "db/pg_copy_in.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/copy_text.h"
#include "db/error.h"
#include "support/test_database.h"

namespace veltrane::db {
namespace {

using testing::Row;
using testing::TestDatabase;

// Renders rows of (text or null) fields as COPY lines.
std::string Lines(const std::vector<Row>& rows) {
  std::string out;
  for (const Row& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) out += kCopyFieldSeparator;
      if (row[i]) {
        AppendCopyField(out, *row[i]);
      } else {
        out += kCopyNull;
      }
    }
    out += kCopyRowEnd;
  }
  return out;
}

class CopyInTest : public ::testing::Test {
 protected:
  void SetUp() override { connection_.Open(PostgreSqlConnectionString(db_.Settings())); }
  TestDatabase db_;
  Connection connection_;
};

TEST(CopyTextTest, AwkwardTextsEscapeAndParseBack) {
  const Row fields = {"back\\slash", "tab\there", "lf\nand cr\r", std::nullopt, "\\N", "",
                      "\\.", "\\x00ff", "O'Brien \"quoted\" äöü €", "  trailing  "};
  std::string line = Lines({fields});
  ASSERT_EQ(line.back(), kCopyRowEnd);
  line.pop_back();
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(ParseCopyLine(line), fields);
  std::string escaped;
  AppendCopyField(escaped, "a\\b\tc\nd\re");
  EXPECT_EQ(escaped, "a\\\\b\\tc\\nd\\re");
}

TEST_F(CopyInTest, EveryValueArrivesExactlyAndBinaryHexBecomesBytes) {
  db_.Exec("CREATE TABLE t (n int, s text, b bytea, f float)");
  const std::vector<Row> rows = {
      {"1", "back\\slash\ttab\nlf\rcr", "\\x00ff0a", "1.5"},
      {"2", "\\N", std::nullopt, std::nullopt},
      {"3", "", "\\x", "-0"},
      {"4", "\\.", "\\x5c", "1e300"},
      {"5", std::string(300000, 'x') + "é", std::nullopt, "NaN"},
  };
  PgCopyIn copy(connection_);
  copy.Begin("\"t\"");
  EXPECT_TRUE(copy.Send(Lines(rows)));
  copy.Finish();
  EXPECT_FALSE(copy.loading());
  EXPECT_EQ(db_.Query("SELECT n::text, s, encode(b, 'hex'), f::text FROM t ORDER BY n"),
            (std::vector<Row>{{"1", "back\\slash\ttab\nlf\rcr", "00ff0a", "1.5"},
                              {"2", "\\N", std::nullopt, std::nullopt},
                              {"3", "", "", "-0"},
                              {"4", "\\.", "5c", "1e+300"},
                              {"5", std::string(300000, 'x') + "é", std::nullopt, "NaN"}}));
}

TEST_F(CopyInTest, ARejectedRowStoresNothingAndNamesTheRowAndColumn) {
  db_.Exec("CREATE TABLE t (n int, s text)");
  PgCopyIn copy(connection_);
  copy.Begin("\"t\"");
  copy.Send(Lines({{"1", "good"}, {"2.5", "bad"}, {"3", "good"}}));
  try {
    copy.Finish();
    FAIL() << "the load was stored";
  } catch (const Error& error) {
    std::string message = error.what();
    EXPECT_NE(message.find("invalid input syntax for type integer"), std::string::npos) << message;
    EXPECT_NE(message.find("2.5"), std::string::npos) << message;
  }
  EXPECT_TRUE(db_.Query("SELECT * FROM t").empty());
  // The connection is idle again: statements and later loads work.
  connection_.Execute("INSERT INTO t VALUES (10, 'statement')");
  copy.Begin("\"t\" (\"n\")");
  copy.Send(Lines({{"11"}}));
  copy.Finish();
  EXPECT_EQ(db_.Query("SELECT n::text, s FROM t ORDER BY n"),
            (std::vector<Row>{{"10", "statement"}, {"11", std::nullopt}}));
}

TEST_F(CopyInTest, FailuresToBeginAndAbandonedLoadsLeaveNothingBehind) {
  db_.Exec("CREATE TABLE t (n int)");
  {
    PgCopyIn copy(connection_);
    EXPECT_THROW(copy.Begin("\"no such table\""), Error);
    EXPECT_FALSE(copy.loading());
    copy.Begin("\"t\"");
    copy.Send(Lines({{"1"}, {"2"}}));
    copy.Abort();
    copy.Begin("\"t\"");
    copy.Send(Lines({{"3"}}));
  }  // destroyed while loading
  EXPECT_TRUE(db_.Query("SELECT * FROM t").empty());
  connection_.Execute("INSERT INTO t VALUES (4)");

  // Not while a record set of the connection is still being read.
  db_.Exec("INSERT INTO t SELECT g FROM generate_series(1, 5000) g");
  RecordSet reading = connection_.Execute("SELECT n FROM t");
  PgCopyIn copy(connection_);
  EXPECT_THROW(copy.Begin("\"t\""), Error);
  int64_t seen = 0;
  for (; !reading.Eof(); reading.MoveNext()) ++seen;
  EXPECT_EQ(seen, 5001);
  copy.Begin("\"t\"");
  copy.Send(Lines({{"7"}}));
  copy.Finish();
  EXPECT_EQ(db_.Query("SELECT count(*) FROM t"), (std::vector<Row>{{"5002"}}));
}

TEST(CopyInBackendTest, RefusesAConnectionThatIsNotPostgreSql) {
  Connection closed;
  EXPECT_THROW(PgCopyIn{closed}, Error);
}

}  // namespace
}  // namespace veltrane::db
