#ifndef VELTRANE_TESTS_CLI_CLI_FIXTURE_H_
#define VELTRANE_TESTS_CLI_CLI_FIXTURE_H_

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_process.h"
#include "support/temp_dir.h"
#include "support/test_database.h"

namespace veltrane::testing {

// A user of veltrane-cli: a settings folder of their own (the child's
// XDG_CONFIG_HOME), a throw-away database on the test server and an empty
// free-table folder, remembered as the program's settings.
class CliTest : public ::testing::Test {
 protected:
  CliTest();

  // Runs build/veltrane-cli with the user's settings folder, without
  // VELTRANE_PASSWORD unless `environment` sets it.
  ProcessResult Cli(const std::vector<std::string>& arguments, const std::string& input = "",
                    std::map<std::string, std::string> environment = {},
                    const Alongside& alongside = nullptr);

  // The settings file and a value written to it through the settings store.
  std::string SettingsFile() const { return config_.File("Marvoll/Veltrane.ini"); }
  void Remember(const std::string& name, const std::string& value);

  // Copies a table of tests/cli/data (with its memo file) into the
  // free-table folder under another name; returns the new .dbf path.
  std::string CopyFreeTable(const std::string& fixture, const std::string& name);

  // Rows of a table file as python3-dbfread reads it (-1 when it cannot).
  int DbfReadRows(const std::string& dbf_path);

  // The database's tables outside the system schemas, sorted.
  std::vector<std::string> UserTables();
  int CountRows(const std::string& quoted_table);

  TestDatabase db_;
  TempDir config_;
  TempDir tables_;
};

// The lines of a text.
std::vector<std::string> Lines(const std::string& text);
bool Contains(const std::string& text, const std::string& part);
bool HasLine(const std::string& text, const std::string& line);
// The whole content of a file ("" when it cannot be read).
std::string FileContent(const std::string& path);

}  // namespace veltrane::testing

#endif  // VELTRANE_TESTS_CLI_CLI_FIXTURE_H_
