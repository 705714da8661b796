// Memo files of dBase III, dBase IV and 7, and memo values too large to
// hold.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "engine_test_util.h"
#include "foxpro/files/table_writer.h"
#include "support/raw_table.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

using ::veltrane::testing::BigEndian;
using ::veltrane::testing::LittleEndian;
using ::veltrane::testing::RawTable;
using testing::NoticeText;
using testing::ReadTable;
using testing::Record;

constexpr uint64_t kThreeGigabytes = uint64_t{3} << 30;

// Writes `blocks` (each placed at its block number) into a memo file.
void WriteMemo(const std::string& path, const std::string& header,
               const std::vector<std::pair<int, std::string>>& blocks, size_t block_size) {
  std::string bytes = header;
  for (const auto& [number, data] : blocks) {
    const size_t at = number * block_size;
    if (bytes.size() < at + data.size()) bytes.resize(at + data.size(), '\0');
    bytes.replace(at, data.size(), data);
  }
  testing::WriteBytes(path, bytes);
}

// The most memory this process has held, in megabytes.
long PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

TEST(MemoFilesTest, DBaseMemoFilesOfEachKind) {
  ::veltrane::testing::TempDir dir;
  RawTable table;
  table.fields = {{"NAME", 'C', 3}, {"NOTE", 'M', 10}};
  table.records = {"one         1", "two         2", "six         9", "non          "};
  // dBase III: text ended by 0x1A in 512-byte blocks, the last one perhaps
  // by the end of the file.
  table.version = 0x83;
  table.WriteTo(dir.File("t.dbf"));
  WriteMemo(dir.File("t.dbt"), LittleEndian(3, 4),
            {{1, "first\r\nline\x1A\x1A"}, {2, "runs to the end"}}, 512);
  testing::EngineReading reading = ReadTable(dir.File("t.dbf"));
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"one", "first\r\nline"},
                                               {"two", "runs to the end"},
                                               {"six", std::nullopt},
                                               {"non", ""}}));
  EXPECT_NE(NoticeText(reading.notices)
                .find("column \"NOTE\": 1 value is missing from the memo file or damaged there "
                      "(row 3: memo block 9 lies past the end"),
            std::string::npos)
      << NoticeText(reading.notices);

  // dBase IV: the block size in the header, values that start with
  // FF FF 08 00 and a length that counts those 8 bytes; a block without
  // them is read like dBase III.
  table.version = 0x8B;
  table.WriteTo(dir.File("t.dbf"));
  std::string header(512, '\0');
  header.replace(20, 2, LittleEndian(64, 2));
  WriteMemo(dir.File("t.dbt"), header,
            {{8, std::string("\xFF\xFF\x08\x00", 4) + LittleEndian(8 + 5, 4) + "helloSTALE TEXT"},
             {9, "plain\x1A"}},
            64);
  table.records = {"one         8", "two         9"};
  table.WriteTo(dir.File("t.dbf"));
  reading = ReadTable(dir.File("t.dbf"));
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"one", "hello"}, {"two", "plain"}}));
  EXPECT_EQ(NoticeText(reading.notices), "");
}

TEST(MemoFilesTest, AValueLargerThanPostgreSqlTakesIsNeverHeld) {
  ::veltrane::testing::TempDir dir;
  // A Visual FoxPro memo whose block says it holds almost 2 GB, in a sparse
  // 3 GB memo file.
  const std::string path = dir.File("big.dbf");
  TableWriter::Create(path, {{"ID", 'I'}, {"NOTE", 'M'}}, "");
  TableWriter::OpenForAppend(path)->Append(
      {{InputValue::Kind::kNumber, "1", false}, {InputValue::Kind::kText, "small", false}});
  const std::string memo = dir.File("big.fpt");
  std::string bytes = testing::ReadBytes(memo);
  bytes.replace(512 + 4, 4, BigEndian(0x7FFFFFF0, 4));
  testing::WriteBytes(memo, bytes);
  std::filesystem::resize_file(memo, kThreeGigabytes);
  testing::EngineReading reading = ReadTable(path);
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"1", std::nullopt}}));
  EXPECT_NE(NoticeText(reading.notices)
                .find("column \"NOTE\": 1 value is larger than PostgreSQL takes (1 GB) (row 1: "
                      "memo block 8 holds 1.9 GB); it arrived as NULL."),
            std::string::npos)
      << NoticeText(reading.notices);

  // A dBase III memo without its end mark, in a sparse 3 GB file.
  RawTable table;
  table.version = 0x83;
  table.fields = {{"NOTE", 'M', 10}};
  table.records = {"         1"};
  table.WriteTo(dir.File("endless.dbf"));
  WriteMemo(dir.File("endless.dbt"), LittleEndian(2, 4), {{1, "no end mark"}}, 512);
  std::filesystem::resize_file(dir.File("endless.dbt"), kThreeGigabytes);
  reading = ReadTable(dir.File("endless.dbf"));
  EXPECT_EQ(reading.rows, (std::vector<Record>{{std::nullopt}}));
  EXPECT_NE(NoticeText(reading.notices).find("larger than PostgreSQL takes (1 GB)"),
            std::string::npos);

  EXPECT_LT(PeakMegabytes(), 256);
}

}  // namespace
}  // namespace veltrane::foxpro
