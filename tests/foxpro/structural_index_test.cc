// Tables' structural indexes: keys made as FoxPro makes them, the layout
// FoxPro writes (checked against real Visual FoxPro files where the
// machine has them), a second reader, and records added to indexed tables.

#include "foxpro/files/structural_index.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <thread>

#include "engine_test_util.h"
#include "foxpro/database.h"
#include "foxpro/error.h"
#include "foxpro/files/container.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/index_keys.h"
#include "foxpro/files/key_sorter.h"
#include "foxpro/files/long_names.h"
#include "foxpro/files/table_reader.h"
#include "foxpro/files/table_writer.h"
#include "foxpro/record/coding.h"
#include "foxpro/record/value_format.h"
#include "support/index_check.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using veltrane::testing::IndexDisagreement;
using veltrane::testing::KeysReadByPerl;

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

TEST(StructuralIndexTest, NumbersAndIntegersKeyInTheirOrder) {
  const std::vector<std::pair<double, std::string>> doubles = {
      {-2.5, "3ffbffffffffffff"}, {-1, "400fffffffffffff"}, {0, "8000000000000000"},
      {1, "bff0000000000000"},    {2451545, "c142b42c80000000"}};
  for (size_t i = 0; i < doubles.size(); ++i) {
    EXPECT_EQ(Hex(DoubleKey(doubles[i].first)), doubles[i].second) << doubles[i].first;
    if (i > 0) { EXPECT_LT(DoubleKey(doubles[i - 1].first), DoubleKey(doubles[i].first)); }
  }
  EXPECT_EQ(DoubleKey(-0.0), DoubleKey(0.0));
  const std::vector<std::pair<int32_t, std::string>> integers = {
      {INT_MIN, "00000000"}, {-1, "7fffffff"}, {0, "80000000"}, {1, "80000001"}, {INT_MAX, "ffffffff"}};
  for (size_t i = 0; i < integers.size(); ++i) {
    EXPECT_EQ(Hex(IntegerKey(integers[i].first)), integers[i].second) << integers[i].first;
    if (i > 0) { EXPECT_LT(IntegerKey(integers[i - 1].first), IntegerKey(integers[i].first)); }
  }
}

// Keys come out by their bytes, then by record, whether they fit the
// memory given or go through sorted runs in temporary files; short ones
// sort by radix, long ones by comparison.
TEST(StructuralIndexTest, KeysSortInMemoryAndThroughRuns) {
  for (const size_t key_length : {size_t{4}, size_t{8}, size_t{40}}) {
    for (const size_t budget : {size_t{1} << 20, size_t{2000}}) {
      SCOPED_TRACE(std::to_string(key_length) + " bytes, budget " + std::to_string(budget));
      KeySorter sorter(key_length, budget);
      std::vector<std::pair<std::string, uint32_t>> expected;
      uint32_t mix = 12345;
      for (uint32_t record = 1; record <= 5000; ++record) {
        std::string key(key_length, ' ');
        for (size_t b = 0; b < std::min<size_t>(key_length, 6); ++b) {
          mix = mix * 1103515245u + 12345u;
          key[b] = static_cast<char>((mix >> 16) % 7 + (b == 0 ? 0x7E : 'a'));  // repeats, high bytes
        }
        sorter.Add(key, record);
        expected.emplace_back(key, record);
      }
      std::sort(expected.begin(), expected.end());
      std::vector<std::pair<std::string, uint32_t>> sorted;
      for (cdx::Key key; sorter.Next(key);) sorted.emplace_back(key.bytes, key.record);
      EXPECT_TRUE(sorted == expected);
    }
  }
}

// Visual FoxPro's own sample container, where the machine has it: every
// tag whose key this engine makes comes out with the same keys, records,
// key lengths and options from the same records.
TEST(StructuralIndexTest, RebuildsTheTagsVisualFoxProWrote) {
  const std::string fixture = std::string(VELTRANE_SHARED_FIXTURES) + "/keys/tastrade";
  if (!fs::exists(fixture + "/tastrade.dbc")) GTEST_SKIP() << "no Visual FoxPro fixture on this machine";
  veltrane::testing::TempDir dir;
  for (const auto& entry : fs::directory_iterator(fixture)) {
    fs::copy_file(entry.path(), dir.File(entry.path().filename().string()));
    fs::permissions(dir.File(entry.path().filename().string()), fs::perms::owner_write, fs::perm_options::add);
  }
  auto container = Container::Open(dir.File("tastrade.dbc"));
  int tables = 0, tags_compared = 0;
  for (const ContainerTable& table : container->Tables()) {
    SCOPED_TRACE(table.name);
    ++tables;
    const std::string bytes = ReadBytes(table.path);
    EXPECT_EQ(bytes[28] & 0x01, 0x01) << "the header marks the structural index";
    const std::vector<std::string> long_names =
        MatchLongNames(TableReader::Open(table.path)->field_names(), table.field_names, table.name).names;
    EXPECT_EQ(IndexDisagreement(table.path, long_names), "") << "every tag this engine makes agrees";
    const std::string original = *StructuralIndexPath(table.path);
    const std::unique_ptr<File> old_file = File::Open(original, File::Mode::kRead);
    EXPECT_EQ(cdx::ReadFileHeader(*old_file, original).options, cdx::option::kFile);
    std::vector<cdx::Tag> made;
    for (const cdx::Tag& tag : cdx::ReadTags(*old_file, original)) {
      try {
        CheckIndexTags(table.path, {tag}, long_names);
        made.push_back(tag);
      } catch (const Error&) {
        // LTRIM() and the like: not made here.
      }
    }
    const std::string rebuilt = dir.File(table.name + ".rebuilt.cdx");
    WriteCompoundIndex(table.path, rebuilt, made, long_names, true);
    const std::unique_ptr<File> new_file = File::Open(rebuilt, File::Mode::kRead);
    const std::vector<cdx::Tag> new_tags = cdx::ReadTags(*new_file, rebuilt);
    ASSERT_EQ(new_tags.size(), made.size());
    for (size_t t = 0; t < made.size(); ++t) {
      const cdx::Tag& before = *std::find_if(made.begin(), made.end(),
                                             [&](const cdx::Tag& tag) { return tag.name == new_tags[t].name; });
      EXPECT_EQ(new_tags[t].key_length, before.key_length);
      EXPECT_EQ(new_tags[t].options, before.options) << before.name;
      std::vector<std::pair<std::string, uint32_t>> old_keys, new_keys;
      cdx::ReadKeys(*old_file, before, ' ', [&](const cdx::Key& k) { old_keys.emplace_back(k.bytes, k.record); }, original);
      cdx::ReadKeys(*new_file, new_tags[t], ' ', [&](const cdx::Key& k) { new_keys.emplace_back(k.bytes, k.record); }, rebuilt);
      EXPECT_EQ(new_keys, old_keys) << before.name;
      ++tags_compared;
    }
  }
  EXPECT_EQ(tables, 10);
  EXPECT_GE(tags_compared, 25);
}

// A table with one field of each type keys are made of, and enough
// records for trees of several levels.
struct KeyedTable {
  veltrane::testing::TempDir dir;
  std::string path = dir.File("items.dbf");
  static constexpr int kRecords = 6000;

  KeyedTable() {
    TableWriter::Create(path,
                        {{"ID", 'I'}, {"CODE", 'C', 8}, {"AMOUNT", 'N', 10, 2}, {"BORN", 'D'},
                         {"RATE", 'B', 0, 2}, {"NOTE", 'V', 12, 0, true}},
                        "");
    auto writer = TableWriter::OpenForAppend(path);
    for (int i = 0; i < kRecords; ++i) {
      const int id = (i * 7919) % kRecords - kRecords / 2;
      char date[16];
      std::snprintf(date, sizeof date, "%04d-%02d-%02d", 1990 + i % 30, 1 + i % 12, 1 + i % 28);
      std::vector<InputValue> values = {
          {InputValue::Kind::kNumber, std::to_string(id)},
          {InputValue::Kind::kText, "c" + std::to_string(i % 977)},
          {InputValue::Kind::kNumber, std::to_string((i % 400) - 200) + ".25"},
          {InputValue::Kind::kText, date},
          {InputValue::Kind::kNumber, std::to_string(i % 50) + ".5"},
          i % 5 == 0 ? InputValue{} : InputValue{InputValue::Kind::kText, "n" + std::to_string(i % 13)}};
      writer->Append(values);
    }
    writer->Flush();
  }

  static cdx::Tag Tag(const std::string& name, const std::string& key, uint8_t options = cdx::option::kTag) {
    cdx::Tag tag;
    tag.name = name;
    tag.key_expression = key;
    tag.options = options;
    return tag;
  }
};

TEST(StructuralIndexTest, EveryKindOfKeyIsReadBackByThisEngineAndByPerl) {
  KeyedTable table;
  const std::vector<cdx::Tag> tags = {
      KeyedTable::Tag("ID", "id", cdx::option::kTag | cdx::option::kCandidate),
      KeyedTable::Tag("CODE", "UPPER(code)"),
      KeyedTable::Tag("AMOUNT", "amount"),
      KeyedTable::Tag("BORN", "born"),
      KeyedTable::Tag("RATE", "rate"),
      KeyedTable::Tag("MIXED", "code+STR(id,11)+DTOS(born)", cdx::option::kTag | cdx::option::kCandidate),
      KeyedTable::Tag("NOTE", "note"),
  };
  const IndexWriting writing = WriteStructuralIndex(table.path, tags, {});
  EXPECT_TRUE(writing.repeated_candidates.empty());
  EXPECT_EQ(ReadBytes(table.path)[28] & 0x01, 0x01);
  EXPECT_EQ(IndexDisagreement(table.path), "");
  const std::string cdx_path = table.dir.File("items.cdx");
  const std::unique_ptr<File> file = File::Open(cdx_path, File::Mode::kRead);
  for (const cdx::Tag& tag : cdx::ReadTags(*file, cdx_path)) {
    SCOPED_TRACE(tag.name);
    const bool character = tag.name == "CODE" || tag.name == "MIXED";
    if (tag.name == "NOTE") continue;  // keys with a null byte, which Perl does not know
    std::vector<std::string> ours;
    cdx::ReadKeys(*file, tag, character ? ' ' : '\0', [&](const cdx::Key& k) {
      ours.push_back(std::to_string(k.record));
    }, cdx_path);
    const std::vector<std::string> perl = KeysReadByPerl(cdx_path, tag.name, character ? 'C' : 'N');
    ASSERT_EQ(perl.size(), static_cast<size_t>(KeyedTable::kRecords)) << "Perl's XBase::Index finds every key";
    auto rows = testing::ReadWithEngine(table.path);
    for (size_t k = 0; k < perl.size(); ++k) {
      const std::string record = perl[k].substr(perl[k].rfind('|') + 1);
      ASSERT_EQ(record, ours[k]) << k;
      const std::string key = perl[k].substr(0, perl[k].rfind('|'));
      const testing::Record& row = rows[std::stoul(record) - 1];
      if (tag.name == "ID") {
        // Perl reads a 4-byte key as a double's is read (the sign bit
        // flipped, every bit of a negative one) into an unsigned number.
        const uint32_t bits = static_cast<uint32_t>(std::stoi(*row[0])) ^ 0x80000000u;
        EXPECT_EQ(std::stoul(key), (bits & 0x80000000u) != 0 ? bits & 0x7FFFFFFFu : ~bits);
      }
      if (tag.name == "BORN") {
        int year = 0, month = 0, day = 0;
        ASSERT_EQ(std::sscanf(row[3]->c_str(), "%d-%d-%d", &year, &month, &day), 3);
        EXPECT_EQ(std::stol(key), JulianDayFromCivil(year, month, day)) << "the Julian day number";
      }
      if (tag.name == "AMOUNT") { EXPECT_DOUBLE_EQ(std::stod(key), std::stod(*row[2])); }
      if (tag.name == "RATE") { EXPECT_DOUBLE_EQ(std::stod(key), std::stod(*row[4])); }
      if (tag.name == "CODE") {
        std::string upper = *row[1];
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(key, upper.substr(0, upper.find_last_not_of(' ') + 1));
      }
    }
  }
}

TEST(StructuralIndexTest, RefusesKeysItCannotMake) {
  KeyedTable table;
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"LTRIM(code)", "is not one this engine makes"},
      {"id+code", "is not one this engine makes"},
      {"nosuch", "does not have"},
      {"code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code+code", "240"},
  };
  for (const auto& [key, why] : refused) {
    SCOPED_TRACE(key);
    try {
      WriteStructuralIndex(table.path, {KeyedTable::Tag("T", key)}, {});
      ADD_FAILURE() << "made";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadBytes(table.path)[28] & 0x01, 0) << "the table is left unmarked";
    EXPECT_FALSE(fs::exists(table.dir.File("items.cdx")));
  }
}

// Records inserted into an indexed table reach every tag; a table with a
// tag this engine cannot make refuses them and stays as it was.
TEST(StructuralIndexTest, InsertsKeepEveryTagOrAreRefused) {
  KeyedTable table;
  WriteStructuralIndex(table.path,
                       {KeyedTable::Tag("ID", "id"), KeyedTable::Tag("CODE", "UPPER(code)", cdx::option::kTag | cdx::option::kUniqueKeys),
                        KeyedTable::Tag("LIVE", "born", cdx::option::kTag), },
                       {});
  {
    auto database = Database::Open(table.dir.path());
    for (int i = 0; i < 300; ++i)
      database->Execute("INSERT INTO `items.dbf` VALUES(" + std::to_string(100000 + i) + ", 'new" +
                        std::to_string(i) + "', 1.5, '2001-02-03', 2, NULL)");
    database->Flush();
    EXPECT_EQ(ReadBytes(table.path)[28] & 0x01, 0) << "unmarked while records go in";
  }
  EXPECT_EQ(ReadBytes(table.path)[28] & 0x01, 0x01);
  EXPECT_EQ(IndexDisagreement(table.path), "");

  // A tag this engine cannot make: refused, nothing changed.
  veltrane::testing::TempDir other;
  const std::string path = other.File("t.dbf");
  TableWriter::Create(path, {{"CODE", 'C', 8}}, "");
  WriteStructuralIndex(path, {KeyedTable::Tag("CODE", "code")}, {});
  std::string cdx = ReadBytes(other.File("t.cdx"));
  const size_t expression = cdx.find("code", 0x600);
  ASSERT_NE(expression, std::string::npos);
  cdx.replace(expression, 4, "LTRI");  // a key of LTRI(), which no engine knows
  testing::WriteBytes(other.File("t.cdx"), cdx);
  const std::string before = ReadBytes(path);
  auto database = Database::Open(other.path());
  try {
    database->Execute("INSERT INTO `t.dbf` VALUES('x')");
    ADD_FAILURE() << "inserted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("was left as it was"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadBytes(path), before);
}

// A process killed while it adds records to an indexed table never leaves
// an index that disagrees with the table: the index is unmarked while the
// records go in and marked again only once it is built afresh.
TEST(StructuralIndexTest, AKilledInsertNeverLeavesAStaleIndex) {
  for (int delay_ms : {5, 40, 150, 400}) {
    SCOPED_TRACE(delay_ms);
    KeyedTable table;
    WriteStructuralIndex(table.path, {KeyedTable::Tag("ID", "id"), KeyedTable::Tag("CODE", "code")}, {});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      auto database = Database::Open(table.dir.path());
      for (int round = 0; round < 50; ++round) {
        for (int i = 0; i < 2000; ++i)
          database->Execute("INSERT INTO `items.dbf` VALUES(" + std::to_string(i) + ", 'k" + std::to_string(i) +
                            "', 1, '2001-02-03', 2, NULL)");
        database->Execute("SELECT * FROM `items`");  // closes the appender: the index is built
      }
      _exit(0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(IndexDisagreement(table.path), "");
    EXPECT_FALSE(testing::ReadWithEngine(table.path).empty());
  }
}

}  // namespace
}  // namespace veltrane::foxpro
