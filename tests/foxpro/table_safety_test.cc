// Tables stay readable through kills, size limits and damaged files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine_test_util.h"
#include "foxpro/error.h"
#include "foxpro/files/memory_file_system.h"
#include "foxpro/files/table_reader.h"
#include "foxpro/files/table_writer.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

using testing::ReadBytes;
using testing::ReadWithEngine;
using testing::ReadWithPython;
using testing::Record;
using testing::WriteBytes;

InputValue Text(const std::string& text) { return {InputValue::Kind::kText, text, false}; }

// The first `length` bytes of a file (the big files here are sparse: never
// read them whole).
std::string ReadHead(const std::string& path, size_t length) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(length, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(length));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

uint32_t HeaderCount(const std::string& path) {
  std::string bytes = ReadHead(path, 8);
  uint32_t count = 0;
  if (bytes.size() >= 8) std::memcpy(&count, bytes.data() + 4, 4);
  return count;
}

std::string MemoFor(int row) { return std::string(static_cast<size_t>(row % 300) * 7, 'm') + std::to_string(row); }

std::vector<InputValue> RowValues(int row) {
  return {Text("row " + std::to_string(row)), Text(std::to_string(row) + ".5"),
          Text("2020-01-" + std::to_string(10 + row % 19)), Text(row % 2 ? "T" : "F"),
          Text(MemoFor(row))};
}

void CreateKillTable(const std::string& path) {
  TableWriter::Create(path, {{"NAME", 'C', 20}, {"AMOUNT", 'N', 12, 2}, {"DAY", 'D'}, {"FLAG", 'L'}, {"NOTE", 'M'}},
                      "");
}

// Starts a process that appends RowValues(1), RowValues(2), ... to the
// table at `path` for ever, pausing `pause_ms` between appends.
pid_t StartAppending(const std::string& path, int pause_ms) {
  pid_t child = fork();
  if (child == 0) {
    try {
      auto writer = TableWriter::OpenForAppend(path);
      for (int row = 1;; ++row) {
        writer->Append(RowValues(row));
        if (pause_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
      }
    } catch (...) {
    }
    _exit(1);
  }
  return child;
}

// Waits until the table's header counts at least `rows` records (or a
// deadline passes), then kills `child`. Returns the seconds waited.
double KillOnceCounted(pid_t child, const std::string& path, uint32_t rows) {
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::seconds(20);
  while (HeaderCount(path) < rows && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every reader opens the table and finds exactly rows 1 to the header's
// count (dbfread reads up to the end mark, so it may also show the
// complete records of a batch whose count was not yet stored).
void ExpectRowsUpToTheCount(const std::string& path) {
  const uint32_t count = HeaderCount(path);
  std::vector<Record> ours = ReadWithEngine(path);
  ASSERT_EQ(ours.size(), count);
  for (size_t i = 0; i < ours.size(); ++i) {
    const std::string name = "row " + std::to_string(i + 1);
    ASSERT_EQ(ours[i][0], name + std::string(20 - name.size(), ' '));
    ASSERT_EQ(ours[i][4], MemoFor(static_cast<int>(i + 1)));
  }
  std::vector<Record> dbfread = ReadWithPython("dbfread", path, "cp1252");
  ASSERT_GE(dbfread.size(), count);
  for (size_t i = 0; i < dbfread.size(); ++i) ASSERT_EQ(dbfread[i][4], MemoFor(static_cast<int>(i + 1)));
  std::vector<Record> dbf = ReadWithPython("dbf", path);
  ASSERT_EQ(dbf.size(), count);
  if (count > 0) {
    EXPECT_EQ(dbf.back()[4], MemoFor(static_cast<int>(count)));
  }
}

TEST(TableSafetyTest, AProcessKilledWhileAppendingLeavesEveryWrittenBatchReadable) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("killed.dbf");
  CreateKillTable(path);
  // Killed at several moments of its batches.
  for (uint32_t target : {3000u, 9000u, 14000u}) {
    SCOPED_TRACE(target);
    KillOnceCounted(StartAppending(path, 0), path, target);
    ASSERT_GE(HeaderCount(path), target);
    ASSERT_NO_FATAL_FAILURE(ExpectRowsUpToTheCount(path));
    // Appending goes on where the killed writer stopped.
    const uint32_t kept = HeaderCount(path);
    TableWriter::OpenForAppend(path)->Append(RowValues(static_cast<int>(kept) + 1));
    ASSERT_NO_FATAL_FAILURE(ExpectRowsUpToTheCount(path));
    EXPECT_EQ(HeaderCount(path), kept + 1);
    // Start over on an empty table, so that row numbers match positions.
    std::filesystem::remove(path);
    std::filesystem::remove(dir.File("killed.fpt"));
    CreateKillTable(path);
  }
}

TEST(TableSafetyTest, ASlowWritersRowsReachTheFileWithoutWaitingForAFullBatch) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("slow.dbf");
  CreateKillTable(path);
  // A batch would take minutes to fill at this pace; rows are written by
  // age instead, within a second of being appended.
  const double waited = KillOnceCounted(StartAppending(path, 10), path, 20);
  EXPECT_GE(HeaderCount(path), 20u);
  EXPECT_LT(waited, 10.0);
  ASSERT_NO_FATAL_FAILURE(ExpectRowsUpToTheCount(path));
}

constexpr uint64_t kTwoGigabytes = 0x7FFFFFFF;

TEST(TableSafetyTest, ATableFileNeverPassesTwoGigabytes) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("big.dbf");
  TableWriter::Create(path, {{"NAME", 'C', 200}}, "");
  std::string head = ReadHead(path, 32);
  const uint64_t header_length = static_cast<uint8_t>(head[8]) | (static_cast<uint8_t>(head[9]) << 8);
  const uint64_t record_length = 201;
  // Pretend the table already holds records up to 3 records short of 2 GB
  // (a sparse file: the records are zero bytes).
  const uint32_t count = static_cast<uint32_t>((kTwoGigabytes - header_length - 1) / record_length - 3);
  std::filesystem::resize_file(path, header_length + count * record_length + 1);
  {
    FILE* f = fopen(path.c_str(), "r+b");
    fseek(f, 4, SEEK_SET);
    fwrite(&count, 4, 1, f);
    fseek(f, static_cast<long>(header_length + count * record_length), SEEK_SET);
    fputc(0x1A, f);
    fclose(f);
  }
  auto writer = TableWriter::OpenForAppend(path);
  int appended = 0;
  try {
    for (; appended < 10; ++appended) writer->Append({Text("x")});
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("2 GB"), std::string::npos) << e.what();
  }
  EXPECT_EQ(appended, 3);
  writer->Flush();
  const uint64_t size = std::filesystem::file_size(path);
  EXPECT_LE(size, kTwoGigabytes);
  EXPECT_EQ(HeaderCount(path), count + 3);
  EXPECT_EQ(size, header_length + (count + 3) * record_length + 1);
  EXPECT_NO_THROW(TableReader::Open(path));
}

TEST(TableSafetyTest, AMemoFileNeverPassesTwoGigabytes) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("memo.dbf");
  const std::string memo_path = dir.File("memo.fpt");
  TableWriter::Create(path, {{"NOTE", 'M'}}, "");
  TableWriter::OpenForAppend(path)->Append({Text("first")});
  // Move the memo file's next free block to 1000 bytes short of 2 GB.
  const uint32_t next_free = static_cast<uint32_t>((kTwoGigabytes - 1000) / 64);
  std::filesystem::resize_file(memo_path, static_cast<uint64_t>(next_free) * 64);
  {
    FILE* f = fopen(memo_path.c_str(), "r+b");
    unsigned char pointer[4] = {static_cast<unsigned char>(next_free >> 24),
                                static_cast<unsigned char>(next_free >> 16),
                                static_cast<unsigned char>(next_free >> 8),
                                static_cast<unsigned char>(next_free)};
    fwrite(pointer, 1, 4, f);
    fclose(f);
  }
  const std::string memo_before = ReadHead(memo_path, 512);
  auto writer = TableWriter::OpenForAppend(path);
  EXPECT_THROW(writer->Append({Text(std::string(2000, 'a'))}), Error);
  EXPECT_EQ(HeaderCount(path), 1u);
  EXPECT_EQ(ReadHead(memo_path, 512), memo_before);
  EXPECT_EQ(std::filesystem::file_size(memo_path), static_cast<uint64_t>(next_free) * 64);
  writer->Append({Text("fits")});
  writer->Flush();
  std::vector<Record> rows = ReadWithEngine(path);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "first");
  EXPECT_EQ(rows[1][0], "fits");
  EXPECT_LE(std::filesystem::file_size(memo_path), kTwoGigabytes);
}

// Opening and reading a damaged table /d/t.dbf with its memo file either
// works or fails with an Error that names the table; either way both files
// stay as they were.
void ExpectReadOrCleanFailure(MemoryFileSystem& files, const std::string& table,
                              const std::string& memo) {
  files.AddFile("/d/t.dbf", table);
  files.AddFile("/d/t.fpt", memo);
  try {
    auto reader = TableReader::Open("/d/t.dbf");
    reader->live_record_count();
    std::vector<Cell> cells;
    while (reader->Next(cells)) {
    }
  } catch (const Error& e) {
    const std::string what = e.what();
    EXPECT_TRUE(what.find("Table \"t\"") != std::string::npos ||
                what.find("\"/d/t.dbf\"") != std::string::npos)
        << what;
  }
  EXPECT_EQ(files.Contents("/d/t.dbf"), table);
  EXPECT_EQ(files.Contents("/d/t.fpt"), memo);
}

std::string MakeSampleTable(const std::string& folder) {
  const std::string path = folder + "/sample.dbf";
  TableWriter::Create(path, {{"NAME", 'C', 8}, {"N", 'N', 5, 1}, {"D", 'D'}, {"NOTE", 'M'}, {"V", 'V', 6, 0, true}},
                      "");
  auto writer = TableWriter::OpenForAppend(path);
  for (int i = 0; i < 3; ++i)
    writer->Append({Text("n" + std::to_string(i)), Text("1.5"), Text("2001-01-01"),
                    Text(std::string(100 * i, 'q')), InputValue{}});
  return path;
}

TEST(TableSafetyTest, TruncatedAndFlippedFilesFailCleanly) {
  MemoryFileSystem files;
  ScopedFileSystem installed(files);
  files.AddFolder("/s");
  const std::string table = *files.Contents(MakeSampleTable("/s"));
  const std::string memo = *files.Contents("/s/sample.fpt");
  for (size_t length = 0; length < table.size(); length += length < 40 ? 1 : 5)
    ExpectReadOrCleanFailure(files, table.substr(0, length), memo);
  for (size_t length = 0; length < memo.size(); length += 29)
    ExpectReadOrCleanFailure(files, table, memo.substr(0, length));
  std::vector<size_t> header_bytes;
  for (size_t at = 0; at < 32; ++at) header_bytes.push_back(at);
  for (size_t field = 0; field < 6; ++field)  // type, displacement, width, decimals, flags
    for (size_t b : {11, 12, 16, 17, 18}) header_bytes.push_back(32 + 32 * field + b);
  header_bytes.push_back(32 + 6 * 32);  // the terminator
  for (size_t at : header_bytes) {
    for (unsigned char value : {0x00, 0xFF, 0x7F, 0x01}) {
      std::string damaged = table;
      damaged[at] = static_cast<char>(value);
      ExpectReadOrCleanFailure(files, damaged, memo);
    }
  }
  for (size_t at = 0; at < 8; ++at) {
    std::string damaged = memo;
    damaged[at] = '\xFF';
    ExpectReadOrCleanFailure(files, table, damaged);
  }
}

TEST(TableSafetyTest, HeadersNoReadingMakesCoherentAreRefusedWithADescription) {
  veltrane::testing::TempDir dir;
  const std::string table = ReadBytes(MakeSampleTable(dir.path()));
  const std::string path = dir.File("bad.dbf");
  auto expect_error = [&](std::string bytes, const std::string& words) {
    WriteBytes(path, bytes);
    try {
      TableReader::Open(path);
      ADD_FAILURE() << "opened: " << words;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
    }
  };
  std::string bytes = table;
  bytes[8] = bytes[9] = '\xFF';  // header length 65535
  expect_error(bytes, "truncated");
  bytes = table;
  bytes[10] = bytes[11] = 0;  // record length 0
  expect_error(bytes, "record length");
  bytes = table;
  bytes[10] = 2;
  bytes[11] = 0;  // shorter than the fields
  expect_error(bytes, "record length");
  bytes = table;
  bytes[0] = 0x42;  // a version no xBase program writes, and the wrong record length
  bytes[10] = static_cast<char>(bytes[10] + 1);
  expect_error(bytes, "not a table this program can read (version byte 0x42");
  expect_error("", "empty");
  expect_error(std::string(10, '\x30'), "shorter than a table header");
}

// Writes `bytes` over the file at `offset`.
void Patch(const std::string& path, size_t offset, const std::string& bytes) {
  std::string content = ReadBytes(path);
  content.replace(offset, bytes.size(), bytes);
  WriteBytes(path, content);
}

size_t RecordOffset(const std::string& path, size_t record) {
  std::string head = ReadBytes(path);
  size_t header = static_cast<uint8_t>(head[8]) | (static_cast<uint8_t>(head[9]) << 8);
  size_t length = static_cast<uint8_t>(head[10]) | (static_cast<uint8_t>(head[11]) << 8);
  return header + record * length;
}

TEST(TableSafetyTest, LostMemoValuesArriveAsNullAndAMissingMemoFileRefusesTheTable) {
  veltrane::testing::TempDir dir;
  const std::string path = MakeSampleTable(dir.path());
  const size_t note = 1 + 8 + 5 + 8;  // the NOTE field's displacement
  Patch(path, RecordOffset(path, 0) + note, std::string("\xFF\xFF\xFF\x7F", 4));  // past the end
  Patch(path, RecordOffset(path, 1) + note, std::string("\x01\0\0\0", 4));        // into the header
  std::string memo = ReadBytes(dir.File("sample.fpt"));
  uint32_t block = 0;
  std::memcpy(&block, ReadBytes(path).data() + RecordOffset(path, 2) + note, 4);
  memo.replace(block * 64 + 4, 4, "\xFF\xFF\xFF\xF0");  // a block "4 GB" long
  WriteBytes(dir.File("sample.fpt"), memo);

  testing::EngineReading reading = testing::ReadTable(path);
  ASSERT_EQ(reading.rows.size(), 3u);
  for (size_t r = 0; r < 3; ++r) {
    EXPECT_EQ(reading.rows[r][0], "n" + std::to_string(r) + "      ");
    EXPECT_EQ(reading.rows[r][1], "1.5");
    EXPECT_EQ(reading.rows[r][3], std::nullopt);
  }
  ASSERT_EQ(reading.notices.size(), 1u);
  EXPECT_TRUE(reading.notices[0].problem);
  EXPECT_NE(reading.notices[0].text.find("Table \"sample\", column \"NOTE\": 3 values are missing "
                                         "from the memo file or damaged there (the first in row 1: "
                                         "memo block 2147483647 lies past the end"),
            std::string::npos)
      << reading.notices[0].text;

  std::filesystem::remove(dir.File("sample.fpt"));
  try {
    TableReader::Open(path);
    ADD_FAILURE() << "a table without its memo file opened";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("the memo file \"sample.fpt\" is missing"), std::string::npos)
        << e.what();
  }
}

TEST(TableSafetyTest, NulPaddingDeletedRecordsOddDatesAndBlankValues) {
  veltrane::testing::TempDir dir;
  const std::string path = MakeSampleTable(dir.path());
  Patch(path, RecordOffset(path, 0) + 1, std::string("ab\0\0\0\0\0\0", 8));  // NUL padding
  Patch(path, RecordOffset(path, 1) + 1, std::string("ab\0cd   ", 8));       // NUL inside
  Patch(path, RecordOffset(path, 1) + 9, "  ???");                           // unknown number
  Patch(path, RecordOffset(path, 2), "*");                                   // deleted
  Patch(path, 1, "\x00\x0D\x20");  // last update "month 13, day 32"
  auto reader = TableReader::Open(path);
  EXPECT_EQ(reader->live_record_count(), 2);
  testing::EngineReading reading = testing::ReadTable(path);
  ASSERT_EQ(reading.rows.size(), 2u);
  EXPECT_EQ(reading.rows[0][0], "ab");
  // Text a text value cannot hold arrives in hex form, counted.
  EXPECT_EQ(reading.rows[1][0], "\\x6162006364202020");
  EXPECT_NE(testing::NoticeText(reading.notices)
                .find("column \"NAME\": 1 value holds bytes that a text value cannot hold (row 2: "
                      "a NUL byte at position 3)"),
            std::string::npos)
      << testing::NoticeText(reading.notices);
  EXPECT_EQ(reading.rows[1][1], std::nullopt);
  EXPECT_EQ(reading.rows[1][2], "2001-01-01");
  EXPECT_EQ(reading.rows[0][4], std::nullopt);  // V stored null
}

}  // namespace
}  // namespace veltrane::foxpro
