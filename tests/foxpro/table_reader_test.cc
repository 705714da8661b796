#include "foxpro/files/table_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine_test_util.h"
#include "foxpro/error.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

using testing::ReadWithEngine;
using testing::ReadWithPython;
using testing::Record;
using testing::Value;

std::string Fixture(const std::string& relative) {
  return veltrane::testing::TestDataPath(relative);
}

struct SummaryField {
  std::string name;
  char type;
  int length;
  int decimals;
};

struct Summary {
  int version = -1;
  int records = -1;
  std::vector<SummaryField> fields;
};

// The version, record count and fields a *_summary.txt lists.
Summary ReadSummary(const std::string& path) {
  std::ifstream in(path);
  Summary summary;
  std::string line;
  bool in_fields = false;
  while (std::getline(in, line)) {
    if (line.rfind("Type: (", 0) == 0) summary.version = std::stoi(line.substr(7, 2), nullptr, 16);
    if (line.rfind("Records: ", 0) == 0) summary.records = std::stoi(line.substr(9));
    if (line.rfind("-----", 0) == 0) {
      in_fields = true;
      continue;
    }
    if (in_fields) {
      std::istringstream words(line);
      SummaryField f;
      std::string type;
      if (words >> f.name >> type >> f.length >> f.decimals) {
        f.type = type[0];
        summary.fields.push_back(f);
      }
    }
  }
  return summary;
}

double Number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// Compares one value as this engine gives it with dbfread's, allowing for
// dbfread's own forms (trimmed text, numbers as Python prints them, no
// value for an empty memo).
void ExpectSameValue(const FieldDescriptor& f, const Value& ours, const Value& theirs,
                     const std::string& where) {
  SCOPED_TRACE(where + " field " + f.name);
  if (ours && ours->rfind("ERROR: ", 0) == 0) FAIL() << *ours;
  switch (f.type) {
    case 'V':
    case 'Q':
      return;  // dbfread ignores the length bit of varchar and varbinary values
    case 'C': {
      ASSERT_TRUE(ours.has_value());
      std::string trimmed = *ours;
      while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
      EXPECT_EQ(trimmed, theirs.value_or(""));
      return;
    }
    case 'N':
    case 'F':
    case 'Y':
    case 'B':
      ASSERT_EQ(ours.has_value(), theirs.has_value());
      if (ours) {
        EXPECT_EQ(Number(*ours), Number(*theirs)) << *ours << " vs " << *theirs;
      }
      return;
    case 'M':
      EXPECT_EQ(ours.value_or(""), theirs.value_or(""));
      return;
    default:
      EXPECT_EQ(ours, theirs);
  }
}

struct FixtureCase {
  std::string table;
  std::string summary;
};

void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.table; }

class FixtureTableTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureTableTest, ReadsLikeItsSummaryAndDbfread) {
  const std::string path = Fixture(GetParam().table);
  auto reader = TableReader::Open(path);
  if (!GetParam().summary.empty()) {
    Summary summary = ReadSummary(Fixture(GetParam().summary));
    EXPECT_EQ(reader->version(), summary.version);
    std::vector<SummaryField> expected;
    for (const SummaryField& f : summary.fields)
      if (f.name != "_NullFlags") expected.push_back(f);
    ASSERT_EQ(reader->fields().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(reader->fields()[i].name, expected[i].name);
      EXPECT_EQ(reader->fields()[i].type, expected[i].type);
      EXPECT_EQ(reader->fields()[i].length, expected[i].length);
      EXPECT_EQ(reader->fields()[i].decimals, expected[i].decimals);
    }
    EXPECT_EQ(reader->live_record_count(), summary.records);
  }
  std::vector<Record> ours = ReadWithEngine(path);
  std::vector<Record> theirs =
      ReadWithPython("dbfread", path, "cp" + std::to_string(reader->code_page()));
  EXPECT_EQ(static_cast<int64_t>(ours.size()), reader->live_record_count());
  ASSERT_EQ(ours.size(), theirs.size());
  for (size_t r = 0; r < ours.size(); ++r) {
    ASSERT_EQ(ours[r].size(), theirs[r].size());
    for (size_t i = 0; i < ours[r].size(); ++i)
      ExpectSameValue(reader->fields()[i], ours[r][i], theirs[r][i], "row " + std::to_string(r + 1));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, FixtureTableTest,
    ::testing::Values(FixtureCase{"free-tables/dbase_03.dbf", "free-tables/dbase_03_summary.txt"},
                      FixtureCase{"free-tables/dbase_30.dbf", "free-tables/dbase_30_summary.txt"},
                      FixtureCase{"free-tables/dbase_31.dbf", "free-tables/dbase_31_summary.txt"},
                      FixtureCase{"free-tables/dbase_83.dbf", "free-tables/dbase_83_summary.txt"},
                      FixtureCase{"free-tables/dbase_f5.dbf", "free-tables/dbase_f5_summary.txt"},
                      FixtureCase{"free-tables/cp1251.dbf", "free-tables/cp1251_summary.txt"},
                      FixtureCase{"container/table1.dbf", ""}),
    [](const auto& info) {
      std::string name = info.param.table;
      for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

}  // namespace
}  // namespace veltrane::foxpro
