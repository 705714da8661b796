// Where the connection values come from: the settings store, the options of
// one run, and the password from the environment.

#include <filesystem>

#include "cli/cli_fixture.h"
#include "support/raw_table.h"

namespace veltrane::testing {
namespace {

using ConnectionOptionsTest = CliTest;

TEST_F(ConnectionOptionsTest, CheckSaysWhichSidesOpened) {
  ProcessResult r = Cli({"check"});
  EXPECT_EQ(r.exit_status, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "PostgreSQL (database " + db_.name() + " on " + db_.server().host +
                                  ":" + db_.server().port + " as " + db_.server().user +
                                  "): opened"))
      << r.out;
  EXPECT_TRUE(Contains(r.out, "FoxPro (free tables in " + tables_.path() + "): opened")) << r.out;

  r = Cli({"--free-tables", tables_.File("missing"), "check"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(Contains(r.out, "): opened")) << r.out;
  EXPECT_TRUE(Contains(r.out, "FoxPro (free tables in " + tables_.File("missing") +
                                  "): does not open: "))
      << r.out;
}

TEST_F(ConnectionOptionsTest, OptionsOverrideTheRememberedValuesWithoutWritingThem) {
  db_.Exec("CREATE TABLE only_here (id int)");
  Remember("Server", "remembered.invalid");
  Remember("Port", "1");
  Remember("User", "nobody");
  Remember("Database", "no_such_database");
  Remember("FoxproOption", "1");
  Remember("DBCFile", tables_.File("missing.dbc"));
  const std::string remembered = FileContent(SettingsFile());
  const auto written = std::filesystem::last_write_time(SettingsFile());

  ProcessResult r = Cli({"--server", db_.server().host, "--port=" + db_.server().port, "--user",
                         db_.server().user, "--database", db_.name(), "list", "postgresql"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(HasLine(r.out, "only_here")) << r.out;

  // A free-table folder and a database container, each instead of the
  // remembered mode.
  CopyFreeTable("dbase_03.dbf", "loose");
  r = Cli({"--free-tables", tables_.path(), "list", "foxpro"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(Lines(r.out), std::vector<std::string>{"loose"});
  TempDir container;
  for (const auto& file :
       std::filesystem::directory_iterator(TestDataPath("container")))
    std::filesystem::copy_file(file.path(), container.File(file.path().filename()));
  r = Cli({"--dbc", container.File("data1.dbc"), "list", "foxpro"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(Lines(r.out), std::vector<std::string>{"table1"});

  EXPECT_EQ(FileContent(SettingsFile()), remembered);
  EXPECT_EQ(std::filesystem::last_write_time(SettingsFile()), written);
}

TEST_F(ConnectionOptionsTest, PasswordComesFromTheEnvironmentBeforeTheRememberedOne) {
  const std::string right = db_.server().password;
  Remember("Password", "wrong password");
  ProcessResult r = Cli({"list", "postgresql"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(Contains(r.err, "the PostgreSQL side")) << r.err;
  EXPECT_TRUE(Contains(r.err, "password authentication failed")) << r.err;

  r = Cli({"list", "postgresql"}, "", {{"VELTRANE_PASSWORD", right}});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(HasLine(r.out, "pg_class")) << r.out;

  // The variable wins even over a right remembered password.
  Remember("Password", right);
  r = Cli({"list", "postgresql"}, "", {{"VELTRANE_PASSWORD", "wrong password"}});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(Contains(FileContent(SettingsFile()), "Password=" + right));
}

TEST_F(ConnectionOptionsTest, ASideThatDoesNotOpenEndsOnlyTheCommandsThatNeedIt) {
  Remember("FreeTableFolder", tables_.File("gone"));
  ProcessResult r = Cli({"list", "foxpro"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(Contains(r.err, "the FoxPro side (free tables in " + tables_.File("gone") +
                                  ") does not open: "))
      << r.err;
  EXPECT_EQ(r.out, "");
  r = Cli({"send-to-foxpro", "anything"});
  EXPECT_EQ(r.exit_status, 2);

  r = Cli({"list", "postgresql"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

TEST_F(ConnectionOptionsTest, TheCodePageOfUnmarkedTablesComesFromTheOptionOrTheSetting) {
  // "Мир" in code page 866, too short a text to guess its code page from.
  RawTable table;
  table.fields = {{"WORD", 'C', 3}};
  table.records = {"\x8C\xA8\xE0"};
  table.WriteTo(tables_.File("words.dbf"));
  auto word = [&] { return db_.Query("SELECT word FROM words")[0][0].value_or(""); };

  ASSERT_EQ(Cli({"send-to-postgresql", "words"}).exit_status, 0);
  EXPECT_EQ(word(), "\u0152\u00A8\u00E0");  // read as 1252
  ProcessResult r = Cli({"--code-page", "866", "--overwrite", "yes", "send-to-postgresql", "words"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(word(), "Мир");
  Remember("FoxProCodePage", "866");
  db_.Exec("DROP TABLE words");
  EXPECT_EQ(Cli({"send-to-postgresql", "words"}).exit_status, 0);
  EXPECT_EQ(word(), "Мир");

  // EUC-JP, which Harbour and shapefile programs write, under both its
  // numbers.
  table.fields = {{"WORD", 'C', 4}};
  table.records = {"\xC5\xEC\xB5\xFE"};  // 東京
  table.WriteTo(tables_.File("words.dbf"));
  for (const char* code_page : {"51932", "20932"}) {
    r = Cli({"--code-page", code_page, "--overwrite", "yes", "send-to-postgresql", "words"});
    EXPECT_EQ(r.exit_status, 0) << code_page << ": " << r.err;
    EXPECT_EQ(word(), "東京") << code_page;
  }

  r = Cli({"--code-page", "cyrillic", "list", "foxpro"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(Contains(r.err, "--code-page takes a code page number")) << r.err;
  r = Cli({"--code-page", "123!", "list", "foxpro"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(Contains(r.err, "The code page \"123!\" is not one the FoxPro engine reads")) << r.err;
  // A number the engine does not read is refused where it enters, naming
  // those it reads; the remembered setting keeps the FoxPro side closed.
  r = Cli({"--code-page", "99999", "list", "foxpro"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(Contains(r.err, "\"99999\" is not one the FoxPro engine reads: give one of 437, "))
      << r.err;
  Remember("FoxProCodePage", "99999");
  r = Cli({"list", "foxpro"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(Contains(r.err, "does not open: The code page \"99999\" is not one")) << r.err;
}

}  // namespace
}  // namespace veltrane::testing
