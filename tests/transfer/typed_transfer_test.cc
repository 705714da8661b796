// Both transfers with the typed column mapping, against the test server:
// the column types they create, the values that arrive, and a round trip.

#include <filesystem>
#include <fstream>

#include "command_fixture.h"
#include "foxpro/record/coding.h"
#include "foxpro/files/table_reader.h"
#include "foxpro_tables.h"
#include "support/raw_table.h"
#include "transfer/commands.h"

namespace veltrane::transfer::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using foxpro::NewField;
using ::veltrane::testing::BigEndian;
using ::veltrane::testing::LittleEndian;
using ::veltrane::testing::RawTable;

// A number's text without the zeros that end its fraction, so that "10.50"
// (as a numeric field stores it) and "10.5" (as Python prints it) compare.
std::string Number(std::string text) {
  if (text.find('.') == std::string::npos || text.find('e') != std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

class TypedTransferTest : public CommandFixture {
 protected:
  TypedTransferTest() { ctx().column_types = app::ColumnTypes::kTyped; }

  // Each column of a PostgreSQL table: "name type" with " NOT NULL" when so.
  std::vector<std::string> PgColumns(const std::string& table) {
    std::vector<std::string> columns;
    for (const auto& row :
         Rows("SELECT attname || ' ' || format_type(atttypid, atttypmod) || "
              "CASE WHEN attnotnull THEN ' NOT NULL' ELSE '' END FROM pg_attribute "
              "WHERE attrelid = '\"" + table + "\"'::regclass AND attnum > 0 ORDER BY attnum"))
      columns.push_back(row[0]);
    return columns;
  }

  // Each field of a table file: "NAME T(width,decimals)" with " NULL" when
  // it has the null flag.
  static std::vector<std::string> FoxProFields(const std::string& path) {
    std::vector<std::string> fields;
    const std::unique_ptr<foxpro::TableReader> reader = foxpro::TableReader::Open(path);
    for (const foxpro::FieldDescriptor& f : reader->fields())
      fields.push_back(f.name + " " + f.type + "(" + std::to_string(f.length) + "," +
                       std::to_string(f.decimals) + ")" + (f.nullable() ? " NULL" : ""));
    return fields;
  }

  void Send(CommandResult (*command)(CommandContext&), app::TableList& list,
            const std::string& table) {
    list.Clear();
    Fill(list, {table}, {table});
    EXPECT_TRUE(command(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
  }
};

TEST_F(TypedTransferTest, AFoxProTableOfEveryFieldTypeArrivesWithItsTypesAndValues) {
  foxpro::NewField binary_char = NewField{"cb", 'C', 4}, binary_memo = NewField{"mb", 'M', 0, 0, true};
  binary_char.binary = binary_memo.binary = true;
  foxpro::NewField counter = NewField{"ai", 'I'};
  counter.autoincrement = true;
  WriteFoxProTable(
      dir_.File("every.dbf"),
      {NewField{"c", 'C', 12}, NewField{"cn", 'C', 12, 0, true}, NewField{"v", 'V', 20, 0, true},
       NewField{"m", 'M', 0, 0, true}, NewField{"n", 'N', 12, 3}, NewField{"f", 'F', 20, 10, true},
       NewField{"i", 'I'}, counter, NewField{"b", 'B'}, NewField{"y", 'Y'}, NewField{"d", 'D'},
       NewField{"t", 'T', 0, 0, true}, NewField{"l", 'L'}, NewField{"w", 'W', 0, 0, true},
       binary_char, binary_memo, NewField{"q", 'Q', 6, 0, true}, NewField{"g", 'G', 0, 0, true}},
      {{"trailing  ", "x", "v  ", "It's a\r\nmemo", "-12345.678", "0.0000000001", "-2147483648",
        std::nullopt, "0.1", "-922337203685477.5808", "1999-12-31", "2000-01-01 00:00:01.5",
        "true", "\\x00ff", "\\x00ff0102", "\\x00", "\\x0102", "\\x89504e47"},
       {"", std::nullopt, std::nullopt, std::nullopt, "", std::nullopt, "0", std::nullopt, "0",
        "0", "", std::nullopt, "", std::nullopt, "\\x20202020", std::nullopt, std::nullopt,
        std::nullopt},
       {"  lead", "", "", "", "99999999.999", "-12345678.1234567890", "2147483647",
        std::nullopt, "-1.5e+300", "922337203685477.5807", "2024-02-29", "9999-12-31 23:59:59",
        "false", "\\x", "\\x61626364", "\\x", "\\x", "\\x"}});
  Send(SendToPostgreSql, *list1_, "every");

  EXPECT_THAT(PgColumns("every"),
              ElementsAre("c character varying(12) NOT NULL", "cn character varying(12)",
                          "v character varying(20)", "m text", "n numeric(11,3)",
                          "f numeric(19,10)", "i integer NOT NULL", "ai integer NOT NULL",
                          "b double precision NOT NULL", "y numeric(19,4) NOT NULL", "d date",
                          "t timestamp without time zone", "l boolean", "w bytea",
                          "cb bytea NOT NULL", "mb bytea", "q bytea", "g bytea"));
  EXPECT_THAT(
      Rows("SELECT c, cn, v, m, n::text, f::text, i::text, ai::text, b::text, y::text, d::text, "
           "t::text, l::text, w::text, cb::text, mb::text, q::text, g::text FROM every"),
      ElementsAre(
          ElementsAre("trailing", "x", "v  ", "It's a\r\nmemo", "-12345.678", "0.0000000001",
                      "-2147483648", "1", "0.1", "-922337203685477.5808", "1999-12-31",
                      "2000-01-01 00:00:01.5", "true", "\\x00ff", "\\x00ff0102", "\\x00",
                      "\\x0102", "\\x89504e47"),
          // Nulls stay null, the empty text stays the empty text, blank
          // dates, numbers and logicals are null.
          ElementsAre("", "<null>", "<null>", "<null>", "<null>", "<null>", "0", "2", "0",
                      "0.0000", "<null>", "<null>", "<null>", "<null>", "\\x20202020", "<null>",
                      "<null>", "<null>"),
          ElementsAre("  lead", "", "", "", "99999999.999", "-12345678.1234567890",
                      "2147483647", "3", "-1.5e+300", "922337203685477.5807", "2024-02-29",
                      "9999-12-31 23:59:59", "false", "\\x", "\\x61626364", "\\x", "\\x", "\\x")));
  EXPECT_THAT(prompter_.Reports(), ElementsAre());
}

// Values other writers left: a number or text that only its column's
// limit refuses widens the column and arrives whole; a value that is not
// one of its field's type arrives as NULL, with one report for its column.
TEST_F(TypedTransferTest, ValuesBeyondTheirColumnWidenItOthersArriveAsNullWithOneReport) {
  RawTable table;
  table.fields = {
      {"ID", 'N', 2}, {"BIG", 'N', 20}, {"AMOUNT", 'N', 6, 2}, {"BORN", 'D', 8}, {"NAME", 'C', 3}};
  table.records = {
      std::string(" 1" "10000000000000000000" "  1.50" "20240229") + std::string("a\0b", 3),
      " 2" "                 -12" "1.2345" "NotAYear" "ab ",
      " 3" "                   ." "     ." "20240230" "   "};
  table.WriteTo(dir_.File("odd.dbf"));
  Fill(*list1_, {"odd"}, {"odd"});

  EXPECT_EQ(SendToPostgreSql(ctx()).failures, 4);

  EXPECT_THAT(PgColumns("odd"), ElementsAre("id numeric(2,0)", "big numeric", "amount numeric",
                                            "born date", "name character varying NOT NULL"));
  EXPECT_THAT(Rows("SELECT * FROM odd ORDER BY id"),
              ElementsAre(ElementsAre("1", "10000000000000000000", "1.50", "2024-02-29",
                                      "\\x610062"),
                          ElementsAre("2", "-12", "1.2345", "<null>", "ab"),
                          ElementsAre("3", "<null>", "<null>", "<null>", "")));
  EXPECT_THAT(prompter_.Messages(),
              ElementsAre("Table \"odd\", column \"big\": the value \"10000000000000000000\" in "
                          "row 1 does not fit bigint; the column became numeric, which holds it.",
                          HasSubstr("column \"name\": the value \"\\x610062\" in row 1 does not "
                                    "fit varchar(3); the column became varchar"),
                          HasSubstr("column \"amount\": the value \"1.2345\" in row 2")));
  // One report per column, telling what became of its values; the reader's
  // own "read as its raw text" is not said besides.
  const std::vector<std::string> reports = prompter_.Reports();
  ASSERT_EQ(reports.size(), 4u);
  EXPECT_EQ(Description(reports[2]),
            "Table \"odd\", column \"born\": 2 values are not date values (the first in row 2: "
            "\"NotAYear\"); they arrived as NULL.");
  EXPECT_THAT(Description(reports[0]), HasSubstr("column \"big\": 1 value is not a numeric value "
                                                 "(row 3: \".\"); it arrived as NULL."));
  EXPECT_THAT(Description(reports[1]), HasSubstr("column \"amount\": 1 value"));
  EXPECT_THAT(Description(reports[3]), HasSubstr("column \"name\": 1 value holds bytes"));
}

// Clipper's and Harbour's integers of other widths, binary dates, times of
// day and row versions arrive in the nearest PostgreSQL type; a field the
// engine reads as its stored bytes arrives as text.
TEST_F(TypedTransferTest, OtherDialectsFieldsArriveInTheirNearestType) {
  constexpr uint64_t kTimeOfDay = ((13 * 60 + 45) * 60 + 7) * 1000 + 125;  // 13:45:07.125
  constexpr uint64_t kLeapDay = 2460370;  // Julian day of 2024-02-29
  RawTable table;
  table.fields = {{"TM", 'T', 4}, {"I2", 'I', 2}, {"I5", 'I', 5}, {"D3", 'D', 3}, {"RV", '^', 8},
                  {"ODD", 'Y', 4}};
  table.records = {LittleEndian(kTimeOfDay, 4) + LittleEndian(static_cast<uint64_t>(-2), 2) +
                       LittleEndian(uint64_t{1} << 38, 5) + LittleEndian(kLeapDay, 3) +
                       LittleEndian(uint64_t{1} << 62, 8) + "wxyz",
                   std::string(4, ' ') + std::string(18, '\0') + "    "};
  table.WriteTo(dir_.File("harbour.dbf"));
  Fill(*list1_, {"harbour"}, {"harbour"});

  EXPECT_EQ(SendToPostgreSql(ctx()).failures, 1);  // the field of a width it does not read

  EXPECT_THAT(PgColumns("harbour"),
              ElementsAre("tm time without time zone", "i2 smallint NOT NULL", "i5 bigint NOT NULL",
                          "d3 date", "rv bigint NOT NULL", "odd text NOT NULL"));
  EXPECT_THAT(Rows("SELECT * FROM harbour ORDER BY i2"),
              ElementsAre(ElementsAre("13:45:07.125", "-2", "274877906944", "2024-02-29",
                                      "4611686018427387904", "wxyz"),
                          ElementsAre("<null>", "0", "0", "<null>", "0", "    ")));
}

// dBase 7's timestamps, and Harbour's integers with decimals, UTF-16 text
// and varbinary with its null-flags field, arrive as timestamp, numeric,
// varchar and bytea.
TEST_F(TypedTransferTest, DBase7AndHarbourFieldsArriveAsTimestampNumericVarcharAndBytea) {
  RawTable dbase7;
  dbase7.version = 0x04;
  dbase7.dbase7 = true;
  dbase7.fields = {{"ID", 'I', 4}, {"STAMP", '@', 8}};
  // Milliseconds since the start of the day before 0001-01-01.
  const double stamp = (657072.0 * 86400 + 3661) * 1000;  // 1800-01-01 01:01:01
  dbase7.records = {BigEndian(0x80000001, 4) + BigEndian(foxpro::BitsOfDouble(stamp), 8),
                    BigEndian(0x80000002, 4) + std::string(8, '\0')};
  dbase7.WriteTo(dir_.File("stamps.dbf"));
  Send(SendToPostgreSql, *list1_, "stamps");
  EXPECT_THAT(PgColumns("stamps"),
              ElementsAre("id integer", "stamp timestamp without time zone"));
  EXPECT_THAT(Rows("SELECT id::text, stamp::text FROM stamps ORDER BY id"),
              ElementsAre(ElementsAre("1", "1800-01-01 01:01:01"), ElementsAre("2", "<null>")));

  auto utf16 = [](const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) bytes += LittleEndian(unit, 2);
    return bytes;
  };
  RawTable harbour;
  harbour.version = 0xF5;
  harbour.fields = {{"AMOUNT", 'I', 4, 2}, {"SMALL", 'I', 2, 1}, {"TEXT", '\x1A', 8},
                    {"VTEXT", '\x1B', 10},   {"BYTES", 'Q', 4},    {"_NullFlags", '0', 1}};
  // Null-flag bits: VTEXT's length bit 0, BYTES' 1 ("shorter than full").
  harbour.records = {
      LittleEndian(0x64, 4) + LittleEndian(static_cast<uint64_t>(-5), 2) + utf16(u"Ünï ") +
          utf16(u"日本") + std::string(4, '\0') + LittleEndian(2, 2) + std::string("\x01\x02\x00\x02", 4) + "\x02",
      LittleEndian(static_cast<uint64_t>(-12345), 4) + LittleEndian(32767, 2) + utf16(u"abcd") +
          std::string(8, '\0') + LittleEndian(0xFFFF, 2) + "\x01\x02\x03\x04" + std::string(1, '\0')};
  std::string bytes = harbour.Bytes();
  bytes[32 + 32 * 4 + 18] = 0x04;  // BYTES: binary
  bytes[32 + 32 * 5 + 18] = 0x05;  // _NullFlags: hidden, binary
  std::ofstream(dir_.File("harbour_types.dbf"), std::ios::binary) << bytes;
  Send(SendToPostgreSql, *list1_, "harbour_types");
  EXPECT_THAT(PgColumns("harbour_types"),
              ElementsAre("amount numeric(10,2) NOT NULL", "small numeric(5,1) NOT NULL",
                          "text character varying(4) NOT NULL",
                          "vtext character varying(4) NOT NULL", "bytes bytea NOT NULL"));
  EXPECT_THAT(Rows("SELECT amount::text, small::text, text, vtext, bytes::text FROM harbour_types "
                   "ORDER BY amount DESC"),
              ElementsAre(ElementsAre("1.00", "-0.5", "Ünï", "日本", "\\x0102"),
                          ElementsAre("-123.45", "3276.7", "abcd", "", "\\x01020304")));
  EXPECT_THAT(prompter_.Reports(), ElementsAre());
}

// A PostgreSQL table with a column of each type the typed mapping names.
class TypedEveryTypeTest : public TypedTransferTest {
 protected:
  void CreateEveryType() {
    db_.Exec(R"sql(
      CREATE TABLE every(
        small smallint, int integer NOT NULL, big bigint, num numeric(12,2),
        wide numeric(30,10), free numeric, r real, dbl double precision, cash money,
        flag boolean, day date, stamp timestamp, stamptz timestamptz, ch char(5),
        vc varchar(40), long varchar(300), txt text, bin bytea, id uuid, js json,
        arr int[], tm time);
      INSERT INTO every VALUES (
        -32768, 2147483647, -9223372036854775808, -999999999.99, 12345678901234567890.0123456789,
        1.5, 1.5, 0.1, -1234.56, true, '2024-02-29', '2024-02-29 13:45:07.125',
        '2024-03-01 00:30:00+02', 'ab', 'It''s', repeat('x', 300), E'line1\nline2',
        '\x00ff', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '{"a": 1}', '{1,2}', '13:45:07');
      INSERT INTO every(int, vc, txt, bin) VALUES (0, '', '', '\x');
    )sql");
  }
};

TEST_F(TypedEveryTypeTest, ArrivesInFoxProWithTheFieldTypesOfItsColumns) {
  CreateEveryType();

  Send(SendToFoxPro, *list2_, "every");

  const std::string path = dir_.File("every.DBF");
  EXPECT_THAT(FoxProFields(path),
              ElementsAre("small I(4,0) NULL", "int I(4,0)", "big N(20,0) NULL",
                          "num N(13,2) NULL", "wide M(4,0) NULL", "free M(4,0) NULL",
                          "r B(8,0) NULL", "dbl B(8,0) NULL", "cash Y(8,4) NULL",
                          "flag L(1,0) NULL", "day D(8,0) NULL", "stamp T(8,0) NULL",
                          "stamptz T(8,0) NULL", "ch C(5,0) NULL", "vc V(40,0) NULL",
                          "long M(4,0) NULL", "txt M(4,0) NULL", "bin W(4,0) NULL",
                          "id M(4,0) NULL", "js M(4,0) NULL", "arr M(4,0) NULL", "tm M(4,0) NULL"));
  Row first = {
      "-32768", "2147483647", "-9223372036854775808", "-999999999.99",
      "12345678901234567890.0123456789", "1.5", "1.5", "0.1", "-1234.56", "true", "2024-02-29",
      "2024-02-29 13:45:07.125", "2024-02-29 22:30:00", "ab   ", "It's", std::string(300, 'x'),
      "line1\nline2", "\\x00ff", "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11", "{\"a\": 1}", "{1,2}",
      "13:45:07"};
  Row second(first.size());
  second[1] = "0";
  second[14] = "";
  second[16] = "";
  second[17] = "\\x";
  const TableContents engine = ReadWithEngine(path);
  TableContents dbfread = ReadWithDbfRead(path);
  ASSERT_EQ(engine.rows.size(), 2u);
  ASSERT_EQ(dbfread.rows.size(), 2u);
  EXPECT_EQ(engine.rows[0], first);
  EXPECT_EQ(engine.rows[1], second);
  // dbfread gives numbers as Python's numbers, drops the blanks that pad a
  // character field, and reads an empty memo or blob as null.
  for (Row& row : dbfread.rows)
    for (size_t f : {2, 3, 6, 7, 8})
      if (row[f]) row[f] = Number(*row[f]);
  first[13] = "ab";
  second[16] = second[17] = std::nullopt;
  EXPECT_EQ(dbfread.rows[0], first);
  EXPECT_EQ(dbfread.rows[1], second);
}

// Every row arrives: a value FoxPro cannot hold is stored as NULL (or as
// the blank value where the field takes no null), one report per column;
// a time loses only its digits below the millisecond, one note per column.
TEST_F(TypedEveryTypeTest, ValuesFoxProCannotHoldArriveAsNullWithOneReportPerColumn) {
  db_.Exec(R"sql(
    CREATE TABLE odd(id int, day date, dbl double precision, num numeric(12,2), stamp timestamptz,
                     cash money, whole double precision NOT NULL);
    INSERT INTO odd VALUES (1, '2024-01-01', 1, 1, '2025-12-31 23:59:59.999999+00', 1, 1),
      (2, 'infinity', 1, 1, NULL, 1, 'NaN'), (3, '0044-03-15 BC', 1, 1, '2025-06-30 12:00:00.00025+00', 1, 1),
      (4, NULL, 'NaN', 1, NULL, '90000000000000000', 1), (5, NULL, '-Infinity', 1, NULL, 1, 1),
      (6, NULL, NULL, -9999999999.99, NULL, 1, 1), (7, NULL, NULL, NULL, '0001-01-01 00:30:00+01', 1, 1),
      (8, '9999-12-31', 2, 2, NULL, 2, 2);
  )sql");
  Fill(*list2_, {"odd"}, {"odd"});

  EXPECT_EQ(SendToFoxPro(ctx()).failures, 6);

  std::vector<std::string> descriptions;
  for (const std::string& report : prompter_.Reports()) {
    descriptions.push_back(Description(report));
    EXPECT_EQ(ReportedLine(report), 162);
  }
  EXPECT_THAT(
      descriptions,
      ElementsAre(
          "Table \"odd\", column \"day\": 2 values cannot be stored in FoxPro (the first in row "
          "2: \"infinity\": FoxPro holds dates of the years 1 to 9999 only); they arrived as NULL.",
          "Table \"odd\", column \"dbl\": 2 values cannot be stored in FoxPro (the first in row "
          "4: \"NaN\": a FoxPro double holds no NaN or infinity); they arrived as NULL.",
          "Table \"odd\", column \"num\": 1 value cannot be stored in FoxPro (row 6: "
          "\"-9999999999.99\": it is wider than the field's N(13,2)); it arrived as NULL.",
          HasSubstr("column \"stamp\": 1 value cannot be stored in FoxPro (row 7: "),
          HasSubstr("column \"cash\": 1 value cannot be stored in FoxPro (row 4: "),
          "Table \"odd\", column \"whole\": 1 value cannot be stored in FoxPro (row 2: \"NaN\": "
          "a FoxPro double holds no NaN or infinity); it arrived as 0."));
  EXPECT_THAT(prompter_.Messages(),
              ElementsAre("Table \"odd\", column \"stamp\": 2 times have digits below the "
                          "millisecond, which a FoxPro datetime does not hold; they were cut (the "
                          "first in row 1: \"2025-12-31 23:59:59.999999+00\")."));
  const TableContents arrived = ReadWithEngine(dir_.File("odd.DBF"));
  ASSERT_EQ(arrived.rows.size(), 8u);
  EXPECT_EQ(arrived.rows[0][4], "2025-12-31 23:59:59.999");
  EXPECT_EQ(arrived.rows[1][1], std::nullopt);
  EXPECT_EQ(arrived.rows[1][6], "0");
  EXPECT_EQ(arrived.rows[7][1], "9999-12-31");
}

// n characters of char(n) and varchar(n) take up to 2n bytes in a
// double-byte code page: the field is made that wide, so they all arrive.
TEST_F(TypedEveryTypeTest, CharacterColumnsHoldTheirCharactersInADoubleByteCodePage) {
  db_.Exec("CREATE TABLE names(code char(2), name varchar(4), long varchar(200));"
           "INSERT INTO names VALUES ('中文', '中文中文', repeat('字', 200)), ('ab', 'abcd', 'x')");
  Fill(*list2_, {"names"}, {"names"});
  settings_.foxpro_code_page = {936};

  EXPECT_TRUE(SendToFoxPro(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());

  const TableContents arrived = ReadWithEngine(dir_.File("names.DBF"));
  ASSERT_EQ(arrived.rows.size(), 2u);
  EXPECT_EQ(arrived.rows[0][0], "中文");
  EXPECT_EQ(arrived.rows[0][1], "中文中文");
  std::string long_text;
  for (int i = 0; i < 200; ++i) long_text += "字";
  EXPECT_EQ(arrived.rows[0][2], long_text);  // 400 bytes: a memo
  EXPECT_EQ(arrived.rows[1][0], "ab  ");
}

// A PostgreSQL table sent to FoxPro and back ends as it started.
class TypedRoundTripTest : public TypedTransferTest {
 protected:
  void RoundTrip() {
    db_.Exec(R"sql(
      CREATE TABLE rt(i integer, big bigint, amount numeric(12,2), dbl double precision,
                      flag boolean, day date, stamp timestamp, name varchar(40), note text,
                      data bytea);
      INSERT INTO rt VALUES
        (-2147483648, -9223372036854775808, 9999999999.99, 0.1, true, '0001-01-01',
         '2024-02-29 13:45:07.123', 'It''s ', E'two\r\nlines ''q'' \\', '\x00ff'),
        (2147483647, 9223372036854775807, -999999999.99, -1.5e300, false, '9999-12-31',
         '1999-12-31 23:59:59', '', '', '\x'),
        (0, 0, 0.10, 1e-300, NULL, '2024-02-29', '0001-01-01 00:00:00', 'Grüße', 'ü', '\x20'),
        (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    )sql");
    const std::vector<std::string> types = PgColumns("rt");
    const auto values = Rows("SELECT * FROM rt");

    Send(SendToFoxPro, *list2_, "rt");
    prompter_.answers.push_back(true);  // overwrite rt
    Send(SendToPostgreSql, *list1_, "rt");

    EXPECT_EQ(PgColumns("rt"), types);
    EXPECT_EQ(Rows("SELECT * FROM rt"), values);
  }
};

TEST_F(TypedRoundTripTest, KeepsTypesAndValuesThroughFreeTables) { RoundTrip(); }

TEST_F(TypedRoundTripTest, KeepsTypesAndValuesThroughADatabaseContainer) {
  fs::copy(TransferTestData("container"), dir_.path());
  UseContainer(dir_.File("data1.dbc"));
  RoundTrip();
}

}  // namespace
}  // namespace veltrane::transfer::testing
