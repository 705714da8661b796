#include "cli/cli_fixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/settings_store.h"

namespace veltrane::testing {

CliTest::CliTest() {
  Remember("Server", db_.server().host);
  Remember("Port", db_.server().port);
  Remember("User", db_.server().user);
  Remember("Password", db_.server().password);
  Remember("Database", db_.name());
  Remember("FoxproOption", "2");
  Remember("FreeTableFolder", tables_.path());
}

ProcessResult CliTest::Cli(const std::vector<std::string>& arguments, const std::string& input,
                           std::map<std::string, std::string> environment,
                           const Alongside& alongside) {
  environment.emplace("XDG_CONFIG_HOME", config_.path());
  environment.emplace("VELTRANE_PASSWORD", kUnset);
  return RunProcess(VELTRANE_CLI_PROGRAM, arguments, environment, input, alongside);
}

void CliTest::Remember(const std::string& name, const std::string& value) {
  app::SettingsStore(SettingsFile()).Write(name, value);
}

std::string CliTest::CopyFreeTable(const std::string& fixture, const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path source = TestDataPath("free-tables/" + fixture);
  const std::string target = tables_.File(name + ".dbf");
  fs::copy_file(fs::path(source).replace_extension(".dbf"), target);
  const fs::path memo = fs::path(source).replace_extension(".fpt");
  if (fs::exists(memo)) fs::copy_file(memo, tables_.File(name + ".fpt"));
  return target;
}

int CliTest::DbfReadRows(const std::string& dbf_path) {
  const ProcessResult r = RunProcess(
      "/usr/bin/python3",
      {"-c", "import sys, dbfread; print(len(list(dbfread.DBF(sys.argv[1], char_decode_errors='strict'))))",
       dbf_path},
      {});
  if (r.exit_status != 0) {
    ADD_FAILURE() << "dbfread cannot read " << dbf_path << ": " << r.err;
    return -1;
  }
  return std::stoi(r.out);
}

std::vector<std::string> CliTest::UserTables() {
  std::vector<std::string> names;
  for (const Row& row : db_.Query("SELECT tablename FROM pg_tables WHERE schemaname NOT IN "
                                  "('pg_catalog', 'information_schema') ORDER BY tablename"))
    names.push_back(*row[0]);
  return names;
}

int CliTest::CountRows(const std::string& quoted_table) {
  return std::stoi(*db_.Query("SELECT count(*) FROM " + quoted_table)[0][0]);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool HasLine(const std::string& text, const std::string& line) {
  const std::vector<std::string> lines = Lines(text);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string FileContent(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace veltrane::testing
