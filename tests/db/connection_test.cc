#include "db/connection.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "db/connection_strings.h"
#include "db/error.h"
#include "support/test_database.h"

namespace veltrane::db {
namespace {

using testing::TestDatabase;

std::string OpenFailure(const std::string& connection_string) {
  Connection connection;
  try {
    connection.Open(connection_string);
  } catch (const Error& error) {
    EXPECT_FALSE(connection.IsOpen());
    return error.what();
  }
  ADD_FAILURE() << "opened: " << connection_string;
  return "";
}

TEST(ConnectionTest, GoodLoginOpensAndRunsStatements) {
  TestDatabase db;
  Connection connection;
  connection.Open(PostgreSqlConnectionString(db.Settings()));
  ASSERT_TRUE(connection.IsOpen());
  RecordSet none = connection.Execute("CREATE TABLE t (a int)");
  EXPECT_FALSE(none.IsOpen());
  RecordSet rows = connection.Execute("SELECT current_database()");
  EXPECT_EQ(rows.GetFields()[0].Value().Text(), db.name());
  EXPECT_EQ(CheckPostgreSQLConnection(db.Settings()), kTrue);
  connection.Close();
  EXPECT_FALSE(connection.IsOpen());
  EXPECT_THROW(connection.Execute("SELECT 1"), Error);
}

TEST(ConnectionTest, WrongPasswordFailsWithTheServersMessage) {
  TestDatabase db;
  ConnectionSettings s = db.Settings();
  s.password += "-wrong";
  std::string message = OpenFailure(PostgreSqlConnectionString(s));
  EXPECT_NE(message.find("password authentication failed"), std::string::npos) << message;
  EXPECT_NE(message.back(), '\n');
  EXPECT_EQ(CheckPostgreSQLConnection(s), kFalse);
}

TEST(ConnectionTest, UnreachableServerFailsWithinTheTimeout) {
  TestDatabase db;
  ConnectionSettings s = db.Settings();
  s.server = "127.0.0.1";
  s.port = "1";  // nothing listens on a privileged port here
  auto start = std::chrono::steady_clock::now();
  std::string message = OpenFailure(PostgreSqlConnectionString(s));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  EXPECT_NE(message.find("127.0.0.1"), std::string::npos) << message;
  EXPECT_EQ(CheckPostgreSQLConnection(s), kFalse);
  s.database = "no_such_database_here";
  s.port = db.server().port;
  message = OpenFailure(PostgreSqlConnectionString(s));
  EXPECT_NE(message.find("no_such_database_here"), std::string::npos) << message;
}

// A port that accepts TCP connections but never answers: the open must give
// up after its connect timeout instead of waiting for ever.
TEST(ConnectionTest, SilentServerFailsAfterTheConnectTimeout) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ConnectionSettings s;
  s.server = "127.0.0.1";
  s.port = std::to_string(ntohs(address.sin_port));
  s.user = "nobody";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CheckPostgreSQLConnection(s), kFalse);
  auto waited = std::chrono::steady_clock::now() - start;
  close(listener);
  EXPECT_GE(waited, std::chrono::seconds(5));
  EXPECT_LT(waited, std::chrono::seconds(30));
}

TEST(ConnectionTest, PasswordWithSemicolonAndBraceLogsIn) {
  TestDatabase db;
  const std::string password = "p;w}d{ x";
  const std::string role = db.name() + "_login";
  db.Exec("CREATE ROLE " + role + " LOGIN PASSWORD 'p;w}d{ x'");
  ConnectionSettings s = db.Settings();
  s.user = role;
  s.password = password;
  EXPECT_EQ(CheckPostgreSQLConnection(s), kTrue);
  Connection connection;
  connection.Open(PostgreSqlConnectionString(s));
  EXPECT_EQ(connection.Execute("SELECT current_user").GetFields()[0].Value().Text(),
            role);
  connection.Close();
  s.password = "p;w}d{";
  EXPECT_EQ(CheckPostgreSQLConnection(s), kFalse);
  db.Exec("DROP ROLE " + role);
}

TEST(ConnectionTest, TheConnectionStringPicksTheBackend) {
  std::string message = OpenFailure("Driver={SQL Server};Server=x");
  EXPECT_NE(message.find("SQL Server"), std::string::npos) << message;
  message = OpenFailure("Provider=vfpoledb.1;Data Source=x");
  EXPECT_NE(message.find("names no driver"), std::string::npos) << message;
  message = OpenFailure("driver={postgresql unicode};Server=127.0.0.1;Port=1");
  EXPECT_NE(message.find("127.0.0.1"), std::string::npos) << message;
  EXPECT_EQ(CheckFoxProConnection(ConnectionSettings{}), kFalse);
}

}  // namespace
}  // namespace veltrane::db
