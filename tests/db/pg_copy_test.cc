#include "db/pg_copy.h"

#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/error.h"
#include "support/test_database.h"

namespace veltrane::db {
namespace {

class PgCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.Exec("CREATE TABLE t (a int, b text)");
    connection_.Open(PostgreSqlConnectionString(db_.Settings()));
  }
  PgSession& session() { return *AsPostgreSql(connection_.session()); }

  testing::TestDatabase db_;
  Connection connection_;
};

TEST_F(PgCopyTest, RowsArriveWithEveryByteAndNulls) {
  const std::string odd = "tab\there\nnew line\\back\rslash ünï";
  PgCopyIn copy(session(), "COPY t (a, b) FROM STDIN");
  for (int i = 0; i < 50000; ++i) {
    std::string line = std::to_string(i) + '\t';
    if (i == 7) AppendCopyNull(line);
    else AppendCopyValue(line, i == 3 ? odd : "row");
    line += '\n';
    copy.Put(line);
  }
  EXPECT_EQ(copy.Finish(), 50000);
  EXPECT_EQ(db_.Query("SELECT b FROM t WHERE a = 3")[0][0], odd);
  EXPECT_EQ(db_.Query("SELECT b FROM t WHERE a = 7")[0][0], std::nullopt);
  EXPECT_EQ(db_.Query("SELECT count(*) FROM t")[0][0], "50000");
}

TEST_F(PgCopyTest, RejectedDataStoresNothingAndNamesTheFault) {
  {
    PgCopyIn copy(session(), "COPY t (a, b) FROM STDIN");
    copy.Put("1\tok\nnot-a-number\tbad\n");
    try {
      copy.Finish();
      ADD_FAILURE();
    } catch (const Error& error) {
      std::string message = error.what();
      EXPECT_NE(message.find("not-a-number"), std::string::npos) << message;
      EXPECT_NE(message.find("line 2"), std::string::npos) << message;
    }
  }
  {
    PgCopyIn abandoned(session(), "COPY t (a, b) FROM STDIN");
    abandoned.Put("2\tkept?\n");
  }
  EXPECT_EQ(db_.Query("SELECT count(*) FROM t")[0][0], "0");
  // The session is idle again.
  EXPECT_EQ(connection_.Execute("SELECT 5").GetFields()[0].Value().Text(), "5");
  EXPECT_THROW(PgCopyIn(session(), "COPY no_such (a) FROM STDIN"), Error);
  EXPECT_THROW(PgCopyIn(session(), "SELECT 1"), Error);
}

}  // namespace
}  // namespace veltrane::db
