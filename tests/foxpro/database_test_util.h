#ifndef VELTRANE_TESTS_FOXPRO_DATABASE_TEST_UTIL_H_
#define VELTRANE_TESTS_FOXPRO_DATABASE_TEST_UTIL_H_

// Small helpers of the statement tests: failures as text, the rows a SELECT
// gives, the fields independent readers see, and a folder's file names.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "foxpro/database.h"
#include "foxpro/error.h"

namespace veltrane::foxpro::testing {

// The description of the Error `action` throws; empty when it succeeds.
inline std::string FailureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

struct SelectResult {
  std::vector<Column> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
  int64_t row_count = 0;
};

inline SelectResult SelectAll(Database& database, const std::string& table_in_backticks) {
  std::unique_ptr<RowCursor> cursor = database.Execute("SELECT * FROM " + table_in_backticks);
  SelectResult result;
  result.columns = cursor->Columns();
  result.row_count = cursor->RowCount();
  std::vector<Cell> cells;
  while (cursor->Next(cells)) {
    std::vector<std::optional<std::string>> row;
    for (const Cell& cell : cells) {
      if (!cell.error.empty()) row.push_back("ERROR: " + cell.error);
      else if (cell.null) row.push_back(std::nullopt);
      else row.push_back(cell.text);
    }
    result.rows.push_back(std::move(row));
  }
  return result;
}

inline std::vector<std::string> ColumnNames(const SelectResult& result) {
  std::vector<std::string> names;
  for (const Column& column : result.columns) names.push_back(column.name);
  return names;
}

// The fields as an independent reader sees the table's header, then
// "rows N": python3-dbfread ("dbfread", taught V, Q and W fields as
// python_reader.py teaches it) gives "NAME TYPE LENGTH DECIMALS", python3-dbf
// ("dbf", which knows no V, Q or W fields) "name C(30) null".
// Throws when the reader cannot open the table.
inline std::vector<std::string> PythonFieldList(const std::string& reader, const std::string& path) {
  std::string script =
      reader == "dbfread"
          ? "import dbfread,os,sys\n"
            "sys.path.insert(0,os.path.dirname(sys.argv[2])); import python_reader as r\n"
            "class P(r.make_parser(dbfread)):\n"
            "  def parseV(self,field,data): return data\n"
            "t=r.make_table(dbfread)(sys.argv[1],parserclass=P)\n"
            "for f in t.fields:\n"
            "  if f.name!='_NullFlags': print(f.name,f.type,f.length,f.decimal_count)\n"
            "print('rows',len(list(t)))\n"
          : "import dbf,sys\n"
            "t=dbf.Table(sys.argv[1]); t.open(dbf.READ_ONLY)\n"
            "for s in t.structure(): print(s)\n"
            "print('rows',len(t))\n";
  std::string command = "/usr/bin/python3 -c \"$VELTRANE_PY\" '" + path + "' '" +
                        VELTRANE_PYTHON_READER + "' 2>&1";
  setenv("VELTRANE_PY", script.c_str(), 1);
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  if (pclose(pipe) != 0) throw std::runtime_error(reader + " cannot read " + path + ":\n" + output);
  std::vector<std::string> lines;
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// The names of the entries of a folder, sorted.
inline std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace veltrane::foxpro::testing

#endif  // VELTRANE_TESTS_FOXPRO_DATABASE_TEST_UTIL_H_
