#ifndef VELTRANE_TESTS_FOXPRO_ENGINE_TEST_UTIL_H_
#define VELTRANE_TESTS_FOXPRO_ENGINE_TEST_UTIL_H_

#include <optional>
#include <string>
#include <vector>

#include "foxpro/notice.h"
#include "foxpro/record/row.h"
#include "foxpro/files/table_reader.h"

namespace veltrane::foxpro::testing {

using Value = std::optional<std::string>;
using Record = std::vector<Value>;

// Every live record of the table as this engine reads it; a value that
// fails to read becomes "ERROR: <description>".
std::vector<Record> ReadWithEngine(const std::string& path);

// A table as the engine reads it, with what the reading had to tell.
struct EngineReading {
  std::vector<std::string> names;  // the fields' names
  std::vector<Record> rows;
  std::vector<Notice> notices;
  int code_page = 0;
};
EngineReading ReadTable(const std::string& path, const CodePageChoice& choice = {});

// The notices' texts joined by line breaks, for matching.
std::string NoticeText(const std::vector<Notice>& notices);

// The records as python3-dbfread ("dbfread") or python3-dbf ("dbf") reads
// them (see python_reader.py). `encoding` overrides dbfread's code page.
std::vector<Record> ReadWithPython(const std::string& reader, const std::string& path,
                                   const std::string& encoding = "");

// A copy of a file of the test data into `folder`; returns the new path.
std::string CopyTestFile(const std::string& relative, const std::string& folder);

// Whole file contents.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace veltrane::foxpro::testing

#endif  // VELTRANE_TESTS_FOXPRO_ENGINE_TEST_UTIL_H_
