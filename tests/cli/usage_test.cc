// The command line itself: help, and what a wrong one says.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_process.h"
#include "support/temp_dir.h"

namespace veltrane::testing {
namespace {

ProcessResult RunWithoutSettings(const std::vector<std::string>& arguments,
                                 const std::string& config_folder) {
  return RunProcess(VELTRANE_CLI_PROGRAM, arguments,
                    {{"XDG_CONFIG_HOME", config_folder}, {"VELTRANE_PASSWORD", kUnset}});
}

TEST(CliUsageTest, HelpListsEveryCommandAndOptionWithAnExample) {
  TempDir config;
  for (const char* flag : {"--help", "-h"}) {
    const ProcessResult r = RunWithoutSettings({flag}, config.path());
    EXPECT_EQ(r.exit_status, 0);
    for (const char* word :
         {"check", "list foxpro|postgresql", "send-to-postgresql TABLE...", "send-to-foxpro TABLE...",
          "drop foxpro|postgresql TABLE...", "rename OLD NEW", "--server", "--port", "--user",
          "--database", "--dbc FILE", "--free-tables DIR", "--overwrite ask|yes|no",
          "VELTRANE_PASSWORD", "Example:", "--jobs N"})
      EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
}

TEST(CliUsageTest, AWrongCommandLineSaysWhatWasWrongAndExitsTwo) {
  TempDir config;
  const struct {
    std::vector<std::string> arguments;
    const char* says;
  } cases[] = {
      {{}, "no command given"},
      {{"--verbose", "check"}, "unknown option --verbose"},
      {{"copy", "a"}, "unknown command \"copy\""},
      {{"list"}, "list takes one argument"},
      {{"list", "mysql"}, "expected \"foxpro\" or \"postgresql\", not \"mysql\""},
      {{"drop", "foxpro"}, "drop takes foxpro or postgresql and one or more table names"},
      {{"send-to-foxpro"}, "send-to-foxpro takes one or more table names"},
      {{"rename", "a"}, "rename takes two arguments"},
      {{"rename", "a", ""}, "a new name that is not empty"},
      {{"check", "extra"}, "check takes no arguments"},
      {{"--overwrite", "maybe", "check"}, "--overwrite takes ask, yes or no, not \"maybe\""},
      {{"check", "--server"}, "--server needs a value"},
      {{"--dbc", "a.dbc", "--free-tables", "b", "check"}, "--dbc and --free-tables"},
      {{"--password", "secret", "check"}, "never taken from the command line"},
      {{"--password=secret", "check"}, "never taken from the command line"},
      {{"--jobs", "0", "check"}, "--jobs takes a number of tables to send at once, from 1 to 64"},
      {{"--jobs=2x", "check"}, "not \"2x\""},
  };
  for (const auto& c : cases) {
    const ProcessResult r = RunWithoutSettings(c.arguments, config.path());
    EXPECT_EQ(r.exit_status, 2) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  // Nothing was remembered on the way.
  EXPECT_TRUE(std::filesystem::is_empty(config.path()));
}

TEST(CliUsageTest, ColumnTypesAreExplainedAndAWrongChoiceRefused) {
  TempDir config;
  const ProcessResult help = RunWithoutSettings({"--help"}, config.path());
  for (const char* word : {"--column-types text|typed", "ColumnTypes", "timestamptz", "UTC"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  const ProcessResult wrong = RunWithoutSettings({"--column-types", "TYPED", "check"}, config.path());
  EXPECT_EQ(wrong.exit_status, 2);
  EXPECT_NE(wrong.err.find("--column-types takes text or typed, not \"TYPED\""), std::string::npos)
      << wrong.err;
}

TEST(CliUsageTest, KeysAreExplainedAndAWrongChoiceRefused) {
  TempDir config;
  const ProcessResult help = RunWithoutSettings({"--help"}, config.path());
  for (const char* word : {"--keys yes|no", "CopyKeys", "PRIMARY KEY", "structural .cdx"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  const ProcessResult wrong = RunWithoutSettings({"--keys", "maybe", "check"}, config.path());
  EXPECT_EQ(wrong.exit_status, 2);
  EXPECT_NE(wrong.err.find("--keys takes yes or no, not \"maybe\""), std::string::npos) << wrong.err;
}

TEST(CliUsageTest, OptionsAfterTheCommandAndAfterDoubleDash) {
  TempDir config;
  // "--" ends the options, so "--odd" is a table name here, and the command
  // line is accepted up to the point where the databases are opened.
  const ProcessResult r = RunWithoutSettings(
      {"drop", "postgresql", "--port=1", "--server", "127.0.0.1", "--", "--odd"}, config.path());
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find("the PostgreSQL side (database  on 127.0.0.1:1 as ) does not open"),
            std::string::npos)
      << r.err;
}

TEST(CliUsageTest, AllAndSchemaAreExplainedAndAWrongUseRefused) {
  TempDir config;
  const ProcessResult help = RunWithoutSettings({"--help"}, config.path());
  for (const char* word : {"--all", "--schema NAME", "PostgreSQLSchema", "schema.table"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  const struct {
    std::vector<std::string> arguments;
    const char* says;
  } cases[] = {
      {{"send-to-foxpro", "--all", "a"}, "send-to-foxpro takes no table names with --all"},
      {{"drop", "postgresql", "a", "--all"}, "drop takes foxpro or postgresql and no table names"},
      {{"--all", "drop"}, "drop takes foxpro or postgresql and no table names"},
      {{"list", "postgresql", "--all"}, "--all goes with send-to-postgresql"},
      {{"--all=yes", "send-to-foxpro"}, "--all takes no value"},
      {{"--schema", "pg_mine", "check"}, "--schema: The schema name \"pg_mine\" is not taken"},
      {{"--schema", " padded", "check"}, "begins or ends with a blank"},
      {{"--schema", std::string(64, 's'), "check"}, "keeps only the first 63 bytes"},
  };
  for (const auto& c : cases) {
    const ProcessResult r = RunWithoutSettings(c.arguments, config.path());
    EXPECT_EQ(r.exit_status, 2) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace veltrane::testing
