// The first start's private PostgreSQL server, set up for real with the
// installed server programs in a temporary folder.

#include "app/private_server.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "app/file_helpers.h"
#include "db/connection_strings.h"
#include "support/temp_dir.h"
#include "support/test_database.h"

namespace veltrane::app {
namespace {

// The file's text without its closing line ends.
std::string FileText(const std::string& path) {
  std::string s = testing::FileContents(path);
  while (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}

db::ConnectionSettings Remembered(const SettingsStore& store) {
  db::ConnectionSettings s;
  s.server = store.Read(kServerSetting);
  s.port = store.Read(kPortSetting);
  s.user = store.Read(kUserSetting);
  s.password = store.Read(kPasswordSetting);
  s.database = store.Read(kDatabaseSetting);
  return s;
}

// A private server in a temporary folder that the postgres user can reach
// when we are root; stopped at the end of the test.
class PrivateServerTest : public ::testing::Test {
 protected:
  PrivateServerTest() {
    chmod(dir_.path().c_str(), 0755);
    server_.folder = dir_.File("server");
    server_.usual_port = "1";  // nothing answers there
  }
  ~PrivateServerTest() override { Stop(); }

  void Stop() {
    if (!FileExists(server_.folder + "/data/PG_VERSION")) return;
    const std::string pg_ctl = FindServerPrograms(server_.programs_root) + "/pg_ctl -D '" +
                               server_.folder + "/data' -m immediate -w stop >/dev/null 2>&1";
    std::system((geteuid() == 0 ? "cd / && runuser -u postgres -- " + pg_ctl : pg_ctl).c_str());
  }

  testing::TempDir dir_;
  PrivateServer server_;
};

TEST_F(PrivateServerTest, FirstStartSetsUpRemembersAndLaterStartsStartItAgain) {
  SettingsStore store(dir_.File("config/Veltrane.ini"));
  const FirstStartResult first = SetUpPrivateServer(server_, store, "/samples");
  ASSERT_EQ(first.outcome, FirstStart::kRemembered) << first.detail;
  const db::ConnectionSettings login = Remembered(store);
  EXPECT_EQ(login.server, "localhost");
  EXPECT_EQ(login.port, FileText(server_.folder + "/port"));
  EXPECT_EQ(login.password, FileText(server_.folder + "/password"));
  EXPECT_EQ(login.password.size(), 24u);
  EXPECT_EQ(login.user, kPrivateServerUser);
  EXPECT_EQ(login.database, kPrivateServerDatabase);
  EXPECT_EQ(store.Read(kFreeTableFolderSetting), "/samples");
  EXPECT_TRUE(IsFreeTableOption(store.Read(kFoxproOptionSetting)));
  EXPECT_EQ(db::CheckPostgreSQLConnection(login), db::kTrue);
  struct stat password_file {};
  ASSERT_EQ(stat((server_.folder + "/password").c_str(), &password_file), 0);
  EXPECT_EQ(password_file.st_mode & 0777, 0600u);

  // A later start finds the stopped server and starts it; a first start
  // with another settings file takes the same server.
  Stop();
  EXPECT_NE(db::CheckPostgreSQLConnection(login), db::kTrue);
  SettingsStore later(dir_.File("config/Veltrane.ini"));
  EXPECT_EQ(PrepareServerOnStart(server_, later, "/samples"), "");
  EXPECT_EQ(db::CheckPostgreSQLConnection(login), db::kTrue);
  SettingsStore again(dir_.File("other/Veltrane.ini"));
  ASSERT_EQ(SetUpPrivateServer(server_, again, "/samples").outcome, FirstStart::kRemembered);
  EXPECT_EQ(Remembered(again).port, login.port);
  EXPECT_EQ(Remembered(again).password, login.password);
}

TEST_F(PrivateServerTest, FirstStartLeavesEverythingAloneWhenItCannotOrNeedNot) {
  const auto test_server = testing::PgServer::FromEnvironment();
  ASSERT_TRUE(test_server) << "run through scripts/test";
  testing::TempDir no_programs;
  const struct {
    const char* name;
    std::string programs_root, usual_port;
    FirstStart outcome;
    const char* told;  // in the message box, or "" for none
  } cases[] = {
      {"server programs missing", no_programs.path(), "1", FirstStart::kNoServerPrograms,
       "postgresql-15"},
      {"a server answers on the usual port", server_.programs_root, test_server->port,
       FirstStart::kServerAnswers, ""},
  };
  for (const auto& c : cases) {
    PrivateServer server = server_;
    server.programs_root = c.programs_root;
    server.usual_port = c.usual_port;
    SettingsStore store(dir_.File("config.ini"));
    EXPECT_EQ(SetUpPrivateServer(server, store, "/samples").outcome, c.outcome) << c.name;
    const std::string told = PrepareServerOnStart(server, store, "/samples");
    if (*c.told)
      EXPECT_NE(told.find(c.told), std::string::npos) << c.name << ": " << told;
    else
      EXPECT_EQ(told, "") << c.name;
    EXPECT_FALSE(FileExists(store.file_path())) << c.name;
    EXPECT_FALSE(FileExists(server.folder)) << c.name;
  }
}

}  // namespace
}  // namespace veltrane::app
