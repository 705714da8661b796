// Tables that dBase, Clipper, Harbour, FoxBASE and other programs wrote,
// each kind of trouble in the smallest table that shows it.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine_test_util.h"
#include "foxpro/codepages/codepage.h"
#include "foxpro/record/coding.h"
#include "foxpro/error.h"
#include "foxpro/files/table_cursor.h"
#include "foxpro/files/table_reader.h"
#include "foxpro/record/value_format.h"
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
using testing::Value;

using Field = RawTable::Field;

std::string Encoded(int code_page, const std::string& utf8) {
  std::string bytes, bad;
  EXPECT_TRUE(TextCodec::For(code_page).Encode(utf8, bytes, bad)) << bad;
  return bytes;
}

std::string Padded(const std::string& bytes, size_t width) {
  return bytes + std::string(width - bytes.size(), ' ');
}

// dBase 7's sortable doubles: big-endian, the sign bit flipped for positive
// values, every bit for negative ones.
std::string SortableDouble(double value) {
  const uint64_t bits = BitsOfDouble(value);
  return BigEndian((bits >> 63) != 0 ? ~bits : bits ^ (uint64_t{1} << 63), 8);
}

// A big-endian double, as dBase 7 stores its timestamps.
std::string DoubleBytes(double value) {
  return BigEndian(BitsOfDouble(value), 8);
}

// The milliseconds dBase 7 counts to the start of a day: from the start of
// the day before 0001-01-01.
double DBase7Milliseconds(int year, int month, int day) {
  return static_cast<double>(JulianDayFromCivil(year, month, day) -
                             JulianDayFromCivil(1, 1, 1) + 1) * 86400000;
}

// UTF-16LE, as Harbour's Unicode fields hold text.
std::string Utf16(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) bytes += LittleEndian(unit, 2);
  return bytes;
}

// A table's bytes with the flag bytes of its first descriptors set, as
// Harbour and Visual FoxPro write them.
std::string WithFieldFlags(const RawTable& table, const std::vector<uint8_t>& flags) {
  std::string bytes = table.Bytes();
  for (size_t i = 0; i < flags.size(); ++i) bytes[32 + 32 * i + 18] = static_cast<char>(flags[i]);
  return bytes;
}

class OtherWritersTest : public ::testing::Test {
 protected:
  testing::EngineReading Read(const RawTable& table, const CodePageChoice& choice = {}) {
    return ReadTable(table.WriteTo(dir_.File("t.dbf")), choice);
  }
  std::string Refusal(const RawTable& table) {
    try {
      TableReader::Open(table.WriteTo(dir_.File("t.dbf")));
    } catch (const Error& error) {
      return error.what();
    }
    return "";
  }

  ::veltrane::testing::TempDir dir_;
};

TEST_F(OtherWritersTest, EveryVersionOfTheFamilyIsRead) {
  RawTable table;
  table.fields = {{"NAME", 'C', 5}, {"QTY", 'N', 4}};
  table.records = {"apple  12", "*pear    7", "fig     3"};
  for (uint8_t version : {0x02, 0x03, 0x30, 0x31, 0x32, 0x43, 0x63, 0x7B, 0x83, 0x8B, 0xCB, 0xE5,
                          0xF5, 0xFB}) {
    table.version = version;
    testing::EngineReading reading = Read(table);
    SCOPED_TRACE(static_cast<int>(version));
    EXPECT_EQ(reading.rows, (std::vector<Record>{{"apple", "12"}, {"fig  ", "3"}}));
    EXPECT_EQ(NoticeText(reading.notices), "");
  }
  // A version no program is known to write, in a header that is otherwise
  // coherent, reads like dBase III; not when the lengths disagree.
  table.version = 0x42;
  testing::EngineReading reading = Read(table);
  EXPECT_EQ(reading.rows.size(), 2u);
  EXPECT_NE(NoticeText(reading.notices).find("version byte 0x42"), std::string::npos);
  EXPECT_FALSE(reading.notices[0].problem);
  table.record_length = 12;
  EXPECT_NE(Refusal(table).find("not a table this program can read"), std::string::npos);

  // dBase II, the first FoxBASE's layout: 16-byte descriptors in 32 slots.
  std::string old(521, '\0');
  old[0] = 0x02;
  old.replace(1, 2, LittleEndian(2, 2));
  old.replace(6, 2, LittleEndian(10, 2));
  old.replace(8, 4, "NAME");
  old[8 + 11] = 'C';
  old[8 + 12] = 5;
  old.replace(24, 3, "QTY");
  old[24 + 11] = 'N';
  old[24 + 12] = 4;
  old[40] = 0x0D;
  old += " apple  12* pear   7\x1A";
  testing::WriteBytes(dir_.File("old.dbf"), old);
  reading = ReadTable(dir_.File("old.dbf"));
  EXPECT_EQ(reading.names, (std::vector<std::string>{"NAME", "QTY"}));
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"apple", "12"}}));
}

TEST_F(OtherWritersTest, DBase7TablesWithTheirHeaderAndFieldTypes) {
  RawTable table;
  table.version = 0x04;
  table.dbase7 = true;
  table.language_driver = "DB866RU0";
  const double stamp = DBase7Milliseconds(2024, 2, 29) + (13 * 3600 + 45 * 60 + 7) * 1000;
  table.fields = {{"Long field name", 'C', 6}, {"I", 'I', 4}, {"+", '+', 4}, {"O", 'O', 8},
                  {"@", '@', 8}};
  table.records = {
      Encoded(866, "Москва") + BigEndian(0x80000001, 4) + BigEndian(0x80000007, 4) +
          SortableDouble(193786) + DoubleBytes(stamp),
      Encoded(866, "Казань") + BigEndian(0x7FFFFFFB, 4) + BigEndian(0x80000008, 4) +
          SortableDouble(-143.74) + std::string(8, '\0'),
      std::string(6, ' ') + std::string(4, '\0') + BigEndian(0x80000009, 4) + std::string(8, '\0') +
          std::string(8, ' ')};
  testing::EngineReading reading = Read(table);
  EXPECT_EQ(reading.code_page, 866);  // from the language driver name
  EXPECT_EQ(reading.names[0], "Long field name");
  EXPECT_EQ(reading.rows,
            (std::vector<Record>{{"Москва", "1", "7", "193786", "2024-02-29 13:45:07"},
                                 {"Казань", "-5", "8", "-143.74", std::nullopt},
                                 {"      ", std::nullopt, "9", std::nullopt, std::nullopt}}));
  EXPECT_EQ(NoticeText(reading.notices), "");
}

TEST_F(OtherWritersTest, DBase7TimestampsAreDoublesOfMillisecondsSinceYearOne) {
  // 2000-08-16 17:21:41.310 as bytes of a dBase 7 table seen in the wild.
  std::string wild;
  for (uint8_t byte : {0x42, 0xCC, 0xB2, 0x0E, 0x03, 0x40, 0xDF, 0x00})
    wild.push_back(static_cast<char>(byte));
  const double before_1970 = DBase7Milliseconds(1800, 1, 1) + (3600 + 60 + 1) * 1000;
  const double fraction = DBase7Milliseconds(2020, 2, 20) + (20 * 3600 + 20 * 60 + 20) * 1000 + 123;
  const uint64_t bits = BitsOfDouble(fraction);
  const struct {
    std::string stored;
    Value read;
  } cases[] = {
      {wild, "2000-08-16 17:21:41.310"},
      {DoubleBytes(before_1970), "1800-01-01 01:01:01"},
      {DoubleBytes(DBase7Milliseconds(1, 1, 1)), "0001-01-01 00:00:00"},
      {DoubleBytes(DBase7Milliseconds(1900, 1, 1) - 1), "1899-12-31 23:59:59.999"},
      {DoubleBytes(fraction), "2020-02-20 20:20:20.123"},
      // The same value with its sign bit flipped, as sortable doubles are.
      {BigEndian(bits ^ (uint64_t{1} << 63), 8), "2020-02-20 20:20:20.123"},
      {std::string(8, '\0'), std::nullopt},
      {std::string(8, ' '), std::nullopt},
  };
  RawTable table;
  table.version = 0x04;
  table.dbase7 = true;
  table.fields = {{"STAMP", '@', 8}};
  std::vector<Record> expected;
  for (const auto& c : cases) {
    table.records.push_back(c.stored);
    expected.push_back({c.read});
  }
  // Past 9999-12-31: no timestamp, kept as its bytes with a report.
  table.records.push_back(DoubleBytes(DBase7Milliseconds(9999, 12, 31) + 86400000));
  testing::EngineReading reading = Read(table);
  ASSERT_EQ(reading.rows.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<Record>(reading.rows.begin(), reading.rows.end() - 1), expected);
  EXPECT_NE(NoticeText(reading.notices).find("1 value is not a valid timestamp (row 9"),
            std::string::npos)
      << NoticeText(reading.notices);
}

TEST_F(OtherWritersTest, HarbourIntegersWithDecimalsAreScaled) {
  // Each width Harbour writes (1, 2, 3, 4 and 8 bytes, little-endian,
  // signed) with a decimal count, the point placed that many digits left.
  const struct {
    int width;
    int decimals;
    int64_t stored;
    std::string read;
  } cases[] = {
      {1, 2, 100, "1.00"},       {1, 1, -128, "-12.8"},       {2, 2, -5, "-0.05"},
      {2, 4, 32767, "3.2767"},   {3, 3, -8388608, "-8388.608"}, {4, 2, 0x64, "1.00"},
      {4, 2, -2147483647 - 1, "-21474836.48"},                {4, 0, 1234, "1234"},
      {8, 4, INT64_MIN, "-922337203685477.5808"},             {8, 6, 7, "0.000007"},
  };
  for (const auto& c : cases) {
    RawTable table;
    table.version = 0xF5;
    table.fields = {{"AMOUNT", 'I', c.width, c.decimals}};
    table.records = {LittleEndian(static_cast<uint64_t>(c.stored), c.width)};
    testing::EngineReading reading = Read(table);
    SCOPED_TRACE(c.read);
    EXPECT_EQ(reading.rows, (std::vector<Record>{{c.read}}));
    EXPECT_EQ(NoticeText(reading.notices), "");
  }
}

TEST_F(OtherWritersTest, HarbourUnicodeTextIsUtf16) {
  // 0x1A: fixed width, two bytes a character, blank-padded; its width
  // above 255 keeps the high byte in the decimal count. 0x1B: room for n
  // characters, then n in two bytes (0xFFFF for none).
  const std::u16string greeting = u"Grüße, 世界 \U0001F600";
  const std::string long_text(150, 'x');
  RawTable table;
  table.version = 0x03;
  table.fields = {{"FIXED", '\x1A', 24}, {"LONG", '\x1A', 300, 1}, {"VAR", '\x1B', 18}};
  auto var = [](const std::u16string& text, uint16_t count) {
    std::string bytes = Utf16(text);
    bytes.resize(16, '\0');
    return bytes + LittleEndian(count, 2);
  };
  table.records = {
      Utf16(u"Straße      ") + Utf16(std::u16string(150, u'x')) + var(greeting.substr(0, 8), 8),
      Utf16(greeting) + std::string(24 - Utf16(greeting).size(), '\0') +
          Utf16(std::u16string(149, u'y')) + Utf16(u" ") + var(u"", 0xFFFF),
      // A count past the field's room reads what the field holds; half a
      // surrogate pair is no text.
      std::string(24, '\0') + std::string(300, '\0') + var(u"abcdefgh", 200),
      Utf16(u"ok") + std::string(20, '\0') + Utf16(std::u16string(150, u'z')) +
          var(std::u16string(1, char16_t{0xD83D}), 1),
  };
  testing::EngineReading reading = Read(table);
  EXPECT_EQ(reading.names, (std::vector<std::string>{"FIXED", "LONG", "VAR"}));
  EXPECT_EQ(reading.rows,
            (std::vector<Record>{
                {"Straße      ", long_text, "Grüße, 世"},
                {"Grüße, 世界 😀", std::string(149, 'y') + " ", ""},
                {"", "", "abcdefgh"},
                {"ok", std::string(150, 'z'), "\\x3dd8"}}));
  const std::string notices = NoticeText(reading.notices);
  EXPECT_NE(notices.find("column \"VAR\": 1 value holds bytes that a text value cannot hold "
                         "(row 4: bytes that are no UTF-16 text)"),
            std::string::npos)
      << notices;
}

TEST_F(OtherWritersTest, HarbourNullFlagsAreHiddenAndGiveNullsAndVarbinaryLengths) {
  // Harbour writes its _NullFlags field (hidden: flag 0x01) and field flags
  // into tables of any version: bit 0 Q's "shorter than full", bit 1 NOTE's
  // null flag, bit 2 VAR's length bit, bit 3 QTY's null flag.
  RawTable table;
  table.version = 0xF5;
  table.fields = {{"BYTES", 'Q', 6},     {"NOTE", 'C', 4},  {"VAR", '\x1B', 6},
                  {"QTY", 'I', 4, 1},    {"_NullFlags", '0', 1}};
  const std::string var_ab = Utf16(u"ab") + LittleEndian(2, 2);
  table.records = {
      std::string("\x01\x02\x03\0\0\x03", 6) + "abc " + var_ab + LittleEndian(125, 4) +
          std::string(1, '\x05'),
      std::string("\x01\x02\x03\x04\x05\x06", 6) + "    " + var_ab + LittleEndian(0, 4) +
          std::string(1, '\x0E'),
  };
  const uint8_t hidden = 0x01, nullable = 0x02, binary = 0x04;
  testing::WriteBytes(dir_.File("h.dbf"),
                      WithFieldFlags(table, {binary, nullable, 0, nullable, hidden | binary}));
  testing::EngineReading reading = ReadTable(dir_.File("h.dbf"));
  EXPECT_EQ(reading.names, (std::vector<std::string>{"BYTES", "NOTE", "VAR", "QTY"}));
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"\\x010203", "abc ", "ab", "12.5"},
                                               {"\\x010203040506", std::nullopt, "ab",
                                                std::nullopt}}));
  EXPECT_EQ(NoticeText(reading.notices), "");

  // Without a hidden _NullFlags field the flag bytes are none: Clipper
  // leaves random bytes there.
  RawTable clipper;
  clipper.fields = {{"NAME", 'C', 4}};
  clipper.records = {"abc "};
  testing::WriteBytes(dir_.File("c.dbf"), WithFieldFlags(clipper, {nullable | binary}));
  reading = ReadTable(dir_.File("c.dbf"));
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"abc "}}));
}

TEST_F(OtherWritersTest, IntegerDateAndTimeFormsOfOtherWriters) {
  RawTable table;
  const int64_t day = JulianDayFromCivil(2024, 2, 29);
  table.fields = {{"I1", 'I', 1}, {"I2", 'I', 2}, {"I3", 'I', 3}, {"I8", 'I', 8},
                  {"ROWVER", '^', 8}, {"MODTIME", '=', 8}, {"TIME", 'T', 4}, {"JULIAN", 'D', 4},
                  {"TEXTDATE", 'D', 10}, {"EMPTY", 'N', 0}, {"JAVADBL", 'O', 8},
                  {"DOUBLE", 'B', 8}};
  const std::string half_bytes = LittleEndian(BitsOfDouble(0.5), 8);
  const uint64_t bits = BitsOfDouble(-2.0);
  table.records = {LittleEndian(0xFE, 1) + LittleEndian(300, 2) + LittleEndian(70000, 3) +
                   LittleEndian(uint64_t{1} << 40, 8) + LittleEndian(12, 8) +
                   LittleEndian(day, 4) + LittleEndian(1000, 4) + LittleEndian(49507000, 4) +
                   LittleEndian(day, 4) + "2024-02-29" + BigEndian(bits ^ (uint64_t{1} << 63), 8) +
                   half_bytes};
  testing::EngineReading reading = Read(table);
  EXPECT_EQ(reading.rows,
            (std::vector<Record>{{"-2", "300", "70000", "1099511627776", "12",
                                  "2024-02-29 00:00:01", "13:45:07", "2024-02-29", "2024-02-29",
                                  std::nullopt, "-2", "0.5"}}));
  EXPECT_EQ(NoticeText(reading.notices), "");
}

TEST_F(OtherWritersTest, UnknownTypesArriveAsTheirBytesWithOneReport) {
  RawTable table;
  // Unicode text of an odd width holds no whole characters.
  table.fields = {{"CODE", 'Z', 4}, {"BLOB", 'X', 3}, {"HALF", '\x1A', 3}};
  table.records = {"ab  " + std::string("\x01\x02\x03", 3) + std::string("a\0b", 3),
                   "cd  xyz" + std::string("c\0d", 3)};
  testing::EngineReading reading = Read(table);
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"ab  ", "\\x010203", "\\x610062"},
                                               {"cd  ", "xyz", "\\x630064"}}));
  ASSERT_EQ(reading.notices.size(), 1u);
  EXPECT_TRUE(reading.notices[0].problem);
  EXPECT_NE(reading.notices[0].text.find("\"CODE\" (type 'Z', width 4), \"BLOB\" (type 'X', "
                                         "width 3), \"HALF\" (type 0x1A, width 3)"),
            std::string::npos)
      << reading.notices[0].text;
}

TEST_F(OtherWritersTest, CharacterFieldsAreNeverReadMisaligned) {
  // A 300-byte field keeps its high width byte in the decimal count; the
  // record length confirms it.
  RawTable wide;
  wide.fields = {{"LONG", 'C', 44, 1}, {"N", 'N', 2}};
  wide.records = {std::string(299, 'x') + "y" + "42"};
  wide.record_length = 1 + 300 + 2;
  testing::EngineReading reading = Read(wide);
  EXPECT_EQ(reading.rows, (std::vector<Record>{{std::string(299, 'x') + "y", "42"}}));
  // A decimal count on an ordinary character field, which the record length
  // contradicts as a width byte.
  RawTable decimals;
  decimals.fields = {{"HEIGHT", 'C', 8, 2}, {"N", 'N', 2}};
  decimals.records = {"  800.00" "42", "   12.50" "43"};
  reading = Read(decimals);
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"  800.00", "42"}, {"   12.50", "43"}}));
  EXPECT_EQ(NoticeText(reading.notices), "");
  // A record a few bytes short of the fields cuts the last field, with a
  // report; one that no reading makes coherent is refused.
  decimals.record_length = 9;
  decimals.records = {"  800.00", "   12.50"};
  reading = Read(decimals);
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"  800.00", std::nullopt}, {"   12.50", std::nullopt}}));
  EXPECT_NE(NoticeText(reading.notices).find("its last field \"N\" was read with 0 of its 2 bytes"),
            std::string::npos);
  decimals.record_length = 5;
  EXPECT_NE(Refusal(decimals).find("record length 5 is shorter than its fields (11 bytes)"),
            std::string::npos);
}

TEST_F(OtherWritersTest, DamagedHeadersAreReadTheOneCoherentWayWithANotice) {
  RawTable table;
  table.version = 0x30;
  table.fields = {{"NAME", 'C', 5}};
  table.records = {"apple", "fig  "};
  // NUL where the terminator belongs.
  table.terminator = false;
  std::string bytes = table.Bytes();
  bytes.insert(64, 1, '\0');
  bytes[8] = 65;
  testing::WriteBytes(dir_.File("t.dbf"), bytes);
  testing::EngineReading reading = ReadTable(dir_.File("t.dbf"));
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"apple"}, {"fig  "}}));
  EXPECT_NE(NoticeText(reading.notices).find("no terminator"), std::string::npos);
  // A Visual FoxPro header length that ends before the back-link area,
  // where no record starts: the records are found from the end of the file.
  table.terminator = true;
  bytes = table.Bytes();
  bytes.insert(65, std::string(263, '\0'));
  testing::WriteBytes(dir_.File("t.dbf"), bytes);
  reading = ReadTable(dir_.File("t.dbf"));
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"apple"}, {"fig  "}}));
  EXPECT_NE(NoticeText(reading.notices)
                .find("says its records start at byte 65, before the end of its header; they "
                      "were found at byte 328"),
            std::string::npos)
      << NoticeText(reading.notices);
  // More records counted than the file holds: those it holds.
  table.record_count = 5;
  reading = Read(table);
  EXPECT_EQ(reading.rows.size(), 2u);
  EXPECT_NE(NoticeText(reading.notices).find("counts 5 records in its header, but the file holds "
                                             "only 2 whole records"),
            std::string::npos);
  EXPECT_TRUE(reading.notices[0].problem);
  // Fewer counted than the file holds: the whole records that follow, up to
  // the end-of-file mark, as other readers read them.
  table.record_count = 1;
  reading = Read(table);
  EXPECT_EQ(reading.rows.size(), 2u);
  EXPECT_NE(NoticeText(reading.notices).find("counts 1 records in its header, but 1 more follow"),
            std::string::npos);
  // No fields at all: a table without columns.
  RawTable empty;
  empty.version = 0x03;
  reading = Read(empty);
  EXPECT_TRUE(reading.names.empty());
  EXPECT_NE(NoticeText(reading.notices).find("has no fields"), std::string::npos);
}

TEST_F(OtherWritersTest, ValuesInvalidForTheirTypeArriveAsRawTextCountedPerColumn) {
  RawTable table;
  table.fields = {{"AMOUNT", 'N', 8, 2}, {"BORN", 'D', 8}, {"OK", 'L', 1}};
  table.records = {"    1,50" "20240229" "T", "       ." "NotAYear" "x",
                   "1,200.00" "19990101" "?", "   -3.25" "        " "n"};
  testing::EngineReading reading = Read(table);
  EXPECT_EQ(reading.rows, (std::vector<Record>{{"1.50", "2024-02-29", "true"},
                                               {".", "NotAYear", "x"},
                                               {"1,200.00", "1999-01-01", std::nullopt},
                                               {"-3.25", std::nullopt, "false"}}));
  const std::string notices = NoticeText(reading.notices);
  EXPECT_NE(notices.find("Table \"t\", column \"AMOUNT\": 2 values are not valid numbers (the "
                         "first in row 2: \".\"); they were read as their raw text."),
            std::string::npos)
      << notices;
  EXPECT_NE(notices.find("column \"BORN\": 1 value is not a valid date (row 2: \"NotAYear\")"),
            std::string::npos);
  EXPECT_NE(notices.find("column \"OK\": 1 value is not a valid logical value (row 2: \"x\")"),
            std::string::npos);
}

TEST_F(OtherWritersTest, TheCodePageComesFromTheMarkTheChoiceOrTheText) {
  RawTable table;
  table.fields = {{Encoded(866, "ГОРОД"), 'C', 16}};
  for (const char* city : {"Москва", "Санкт-Петербург", "Новосибирск", "Екатеринбург", "Казань"})
    table.records.push_back(Padded(Encoded(866, city), 16));
  // Unmarked: guessed from the text, and said so.
  testing::EngineReading reading = Read(table);
  EXPECT_EQ(reading.code_page, 866);
  EXPECT_EQ(reading.names[0], "ГОРОД");
  EXPECT_EQ(reading.rows[1][0], "Санкт-Петербург ");
  EXPECT_NE(NoticeText(reading.notices).find("read as code page 866"), std::string::npos);
  EXPECT_FALSE(reading.notices[0].problem);
  // The user's choice for unmarked tables; a forced one also over a mark.
  reading = Read(table, {866, false});
  EXPECT_EQ(reading.rows[0][0], "Москва          ");
  EXPECT_EQ(NoticeText(reading.notices), "");
  table.code_page_mark = 0x03;  // marked 1252, wrongly
  EXPECT_NE(Read(table, {866, false}).rows[0][0], "Москва          ");
  EXPECT_EQ(Read(table, {866, true}).rows[0][0], "Москва          ");
  // A shapefile's .cpg file declares the code page of an unmarked table.
  table.code_page_mark = 0;
  testing::WriteBytes(dir_.File("t.cpg"), "ANSI 866\r\n");
  reading = Read(table);
  EXPECT_EQ(reading.rows[0][0], "Москва          ");
  EXPECT_NE(NoticeText(reading.notices).find("as its .cpg file says"), std::string::npos);
  std::filesystem::remove(dir_.File("t.cpg"));
  // Text without enough to go on stays 1252; UTF-8 is recognised.
  RawTable latin;
  latin.fields = {{"NAME", 'C', 8}};
  latin.records = {Padded("\xD1" "and\xFA", 8)};
  EXPECT_EQ(Read(latin).rows[0][0], "Ñandú   ");
  latin.fields = {{"NAME", 'C', 18}};
  latin.records = {"Grüße ☃ schön"};
  EXPECT_EQ(Read(latin).rows[0][0], "Grüße ☃ schön");
}

TEST_F(OtherWritersTest, ColumnsGetNamesOfTheirOwnInLowerCase) {
  RawTable table;
  table.code_page_mark = 0x7A;  // 936
  table.fields = {{"Point_ID", 'C', 2}, {"POINT_ID", 'C', 2}, {"", 'C', 2},
                  {Encoded(936, "名称"), 'C', 2}, {"Field_3", 'C', 2}};
  table.records = {"a b c d e "};
  TableCursor cursor(TableReader::Open(table.WriteTo(dir_.File("t.dbf"))), {});
  std::vector<std::string> names;
  for (const Column& column : cursor.Columns()) names.push_back(column.name);
  EXPECT_EQ(names, (std::vector<std::string>{"point_id", "point_id_2", "field_3_2", "名称", "field_3"}));
  ASSERT_EQ(cursor.Notices().size(), 1u);
  EXPECT_EQ(cursor.Notices()[0].text,
            "Table \"t\" has fields without a name of their own; they arrived as \"point_id\" as "
            "point_id_2, \"\" as field_3_2.");
  // A container's long names keep their stored form.
  TableCursor long_names(TableReader::Open(dir_.File("t.dbf")),
                         {"PointId", "", "", "Name", "Extra"});
  EXPECT_EQ(long_names.Columns()[0].name, "PointId");
  EXPECT_EQ(long_names.Columns()[1].name, "point_id");
}

}  // namespace
}  // namespace veltrane::foxpro
