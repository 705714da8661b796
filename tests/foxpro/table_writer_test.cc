#include "foxpro/files/table_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "engine_test_util.h"
#include "foxpro/record/coding.h"
#include "foxpro/error.h"
#include "foxpro/files/table_reader.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

using testing::ReadBytes;
using testing::ReadWithEngine;
using testing::ReadWithPython;
using testing::Record;
using testing::Value;

InputValue Text(const std::string& text) { return {InputValue::Kind::kText, text, false}; }
InputValue Number(const std::string& text) { return {InputValue::Kind::kNumber, text, false}; }
InputValue Logical(bool value) { return {InputValue::Kind::kLogical, "", value}; }
InputValue Null() { return {}; }

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out = "\\x";
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string Fixture(const std::string& relative) {
  return veltrane::testing::TestDataPath(relative);
}

// A table created with the fields of the container fixture's table1 has the
// header Visual FoxPro 9 wrote for it, byte for byte (bar the date).
TEST(TableWriterTest, CreatesTheHeaderVisualFoxProWrites) {
  veltrane::testing::TempDir dir;
  auto fixture = TableReader::Open(Fixture("container/table1.dbf"));
  std::vector<NewField> fields;
  for (const FieldDescriptor& f : fixture->fields()) {
    NewField n;
    n.name = f.name;
    n.type = f.type;
    n.length = f.length;
    n.decimals = f.decimals;
    n.nullable = f.nullable();
    n.binary = f.binary() && (f.type == 'C' || f.type == 'V' || f.type == 'M');
    n.autoincrement = f.autoincrement();
    fields.push_back(n);
  }
  const std::string path = dir.File("table1.dbf");
  TableWriter::Create(path, fields, "data1.dbc");

  const std::string expected = ReadBytes(Fixture("container/table1.dbf"));
  const std::string actual = ReadBytes(path);
  const size_t header_length = DecodeFixed16(expected.data() + 8);
  ASSERT_EQ(actual.size(), header_length + 1);
  EXPECT_EQ(actual.back(), '\x1A');
  EXPECT_EQ(actual[0], expected[0]) << "version";
  EXPECT_EQ(actual.substr(4, 28), expected.substr(4, 28)) << "counts, lengths, flags, code page";
  const size_t field_count = (header_length - 32 - 264) / 32;
  for (size_t i = 0; i < field_count; ++i) {
    SCOPED_TRACE("field descriptor " + std::to_string(i) + " " + expected.substr(32 + 32 * i, 10));
    for (size_t b = 0; b < 32; ++b)
      EXPECT_EQ(static_cast<int>(static_cast<uint8_t>(actual[32 + 32 * i + b])),
                static_cast<int>(static_cast<uint8_t>(expected[32 + 32 * i + b])))
          << "byte " << b;
  }
  const size_t tail = 32 + 32 * field_count;
  EXPECT_EQ(actual.substr(tail, header_length - tail), expected.substr(tail, header_length - tail))
      << "terminator and back-link area";
  EXPECT_EQ(ReadBytes(dir.File("table1.fpt")), ReadBytes(Fixture("container/table1.FPT")));
}

// One field of every type, nullable, and what each value must read back as.
struct TypedColumn {
  NewField field;
  std::vector<InputValue> inputs;
  std::vector<Value> expected;
};

std::vector<TypedColumn> EveryTypeColumns(const std::string& long_memo, const std::string& blob) {
  auto field = [](const std::string& name, char type, int length = 0, int decimals = 0,
                  bool binary = false) {
    NewField f;
    f.name = name;
    f.type = type;
    f.length = length;
    f.decimals = decimals;
    f.nullable = true;
    f.binary = binary;
    return f;
  };
  return {
      {field("NAME", 'C', 12), {Text("Crème brûlée"), Text("x"), Null()},
       {"Crème brûlée", "x           ", std::nullopt}},
      {field("AMOUNT", 'N', 10, 2), {Number("1234.5"), Text("-0.005"), Null()},
       {"1234.50", "-0.01", std::nullopt}},
      {field("RATIO", 'F', 12, 4), {Number("3.14159"), Number("1e3"), Text("")},
       {"3.1416", "1000.0000", std::nullopt}},
      {field("COUNT", 'I'), {Number("-2147483648"), Text("42"), Null()},
       {"-2147483648", "42", std::nullopt}},
      {field("SCORE", 'B'), {Number("0.1"), Number("-1e300"), Null()},
       {"0.1", "-1e+300", std::nullopt}},
      {field("PRICE", 'Y'), {Number("922337203685477.5807"), Text("-12.5"), Null()},
       {"922337203685477.5807", "-12.5", std::nullopt}},
      {field("BORN", 'D'), {Text("1999-12-31"), Text("20240229"), Text("")},
       {"1999-12-31", "2024-02-29", std::nullopt}},
      {field("STAMP", 'T'), {Text("2021-08-31 23:59:58.125"), Text("1900-01-01"), Null()},
       {"2021-08-31 23:59:58.125", "1900-01-01 00:00:00", std::nullopt}},
      {field("ACTIVE", 'L'), {Logical(true), Text("f"), Null()}, {"true", "false", std::nullopt}},
      {field("NOTES", 'M'), {Text(long_memo), Text(""), Null()}, {long_memo, "", std::nullopt}},
      {field("PICTURE", 'G'), {Text(Hex(blob)), Text("raw"), Null()},
       {Hex(blob), Hex("raw"), std::nullopt}},
      {field("CODE", 'C', 4, 0, true), {Text("\\x00ff10"), Text("ab"), Null()},
       {"\\x00ff1020", "\\x61622020", std::nullopt}},
      {field("RAWMEMO", 'M', 0, 0, true), {Text(Hex(std::string("\0\1\2", 3))), Text(""), Null()},
       {"\\x000102", "\\x", std::nullopt}},
  };
}

std::vector<TypedColumn> VisualFoxPro9Columns(const std::string& blob) {
  auto field = [](const std::string& name, char type, int length = 0, bool binary = false) {
    NewField f;
    f.name = name;
    f.type = type;
    f.length = length;
    f.nullable = true;
    f.binary = binary;
    return f;
  };
  return {
      {field("TITLE", 'V', 10), {Text("short"), Text("ten chars!"), Null()},
       {"short", "ten chars!", std::nullopt}},
      {field("BYTES", 'Q', 6), {Text("\\x0102"), Text("sixsix"), Null()},
       {"\\x0102", Hex("sixsix"), std::nullopt}},
      {field("BLOB", 'W'), {Text(Hex(blob)), Text(""), Null()}, {Hex(blob), "\\x", std::nullopt}},
      {field("RAWVAR", 'V', 5, true), {Text("\\xff"), Text("abc"), Null()},
       {"\\xff", Hex("abc"), std::nullopt}},
  };
}

std::string MakeBlob(size_t size) {
  std::string blob(size, '\0');
  for (size_t i = 0; i < size; ++i) blob[i] = static_cast<char>((i * 7919) >> 3);
  return blob;
}

std::string MakeLongMemo() {
  std::string memo;
  while (memo.size() < 70 * 1024) memo += "Zoë's naïve café, line " + std::to_string(memo.size()) + "\r\n";
  return memo;
}

void CreateAndFill(const std::string& path, const std::vector<TypedColumn>& columns) {
  std::vector<NewField> fields;
  for (const auto& c : columns) fields.push_back(c.field);
  TableWriter::Create(path, fields, "");
  auto writer = TableWriter::OpenForAppend(path);
  for (size_t row = 0; row < columns[0].inputs.size(); ++row) {
    std::vector<InputValue> values;
    for (const auto& c : columns) values.push_back(c.inputs[row]);
    writer->Append(values);
  }
}

void ExpectEngineReads(const std::string& path, const std::vector<TypedColumn>& columns) {
  std::vector<Record> rows = ReadWithEngine(path);
  ASSERT_EQ(rows.size(), columns[0].expected.size());
  for (size_t row = 0; row < rows.size(); ++row)
    for (size_t i = 0; i < columns.size(); ++i)
      EXPECT_TRUE(rows[row][i] == columns[i].expected[row])
          << "row " << row + 1 << " field " << columns[i].field.name << ": "
          << rows[row][i].value_or("(null)").substr(0, 80);
}

// What an independent reader shows for one of our values: trailing blanks
// trimmed, numbers as Python prints them, binary text fields as text.
// dbfread knows no null marks: a null reads there as the field's empty form.
bool SameAsPython(const std::string& reader, const TypedColumn& column, const Value& ours,
                  const Value& theirs) {
  if (!ours && theirs && reader == "dbfread")
    return *theirs == "" || *theirs == "0" || *theirs == "0.0";
  if (!ours || !theirs)
    return ours.has_value() == theirs.has_value() || (ours && (ours->empty() || *ours == "\\x"));
  switch (column.field.type) {
    case 'C': {
      if (column.field.binary) return true;  // the readers decode them as text
      auto trimmed = [](std::string s) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
      };
      return trimmed(*ours) == trimmed(*theirs);
    }
    case 'N': case 'F': case 'B': case 'Y':
      return std::strtod(ours->c_str(), nullptr) == std::strtod(theirs->c_str(), nullptr);
    case 'M':
      return column.field.binary || *ours == *theirs;
    default:
      return *ours == *theirs;
  }
}

void ExpectPythonReads(const std::string& reader, const std::string& path,
                       const std::vector<TypedColumn>& columns) {
  std::vector<Record> rows = ReadWithPython(reader, path, reader == "dbfread" ? "cp1252" : "");
  ASSERT_EQ(rows.size(), columns[0].expected.size()) << reader;
  for (size_t row = 0; row < rows.size(); ++row) {
    ASSERT_EQ(rows[row].size(), columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
      EXPECT_TRUE(SameAsPython(reader, columns[i], columns[i].expected[row], rows[row][i]))
          << reader << " row " << row + 1 << " field " << columns[i].field.name << ": ours "
          << columns[i].expected[row].value_or("(null)").substr(0, 80) << ", theirs "
          << rows[row][i].value_or("(null)").substr(0, 80);
  }
}

TEST(TableWriterTest, EveryTypeReadsBackHereAndInDbfreadAndDbf) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("every.dbf");
  const auto columns = EveryTypeColumns(MakeLongMemo(), MakeBlob(1 << 20));
  CreateAndFill(path, columns);
  EXPECT_EQ(ReadBytes(path)[0], '\x30');
  ExpectEngineReads(path, columns);
  ExpectPythonReads("dbfread", path, columns);

  // python3-dbf decodes general fields as text (Visual FoxPro marks them not
  // binary), so it reads a copy of the table without one.
  std::vector<TypedColumn> for_dbf;
  for (const auto& c : columns)
    if (c.field.type != 'G') for_dbf.push_back(c);
  const std::string dbf_path = dir.File("for_dbf.dbf");
  CreateAndFill(dbf_path, for_dbf);
  ExpectPythonReads("dbf", dbf_path, for_dbf);
}

TEST(TableWriterTest, VarcharVarbinaryAndBlobReadBackHereAndInDbfread) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("vfp9.dbf");
  const auto columns = VisualFoxPro9Columns(MakeBlob(1 << 20));
  CreateAndFill(path, columns);
  EXPECT_EQ(ReadBytes(path)[0], '\x32');
  ExpectEngineReads(path, columns);
  // dbfread knows blobs (taught in python_reader.py) but not the varchar
  // length bit: compare the blob column alone.
  std::vector<Record> rows = ReadWithPython("dbfread", path, "cp1252");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(rows[0][2] == Hex(MakeBlob(1 << 20)));
}

// _NullFlags bits go in field order; a varchar's "shorter" bit comes before
// its null bit.
TEST(TableWriterTest, NullFlagBitsFollowVisualFoxProsOrder) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("bits.dbf");
  NewField a{"A", 'C', 3}, v{"V", 'V', 5}, b{"B", 'N', 3}, q{"Q", 'Q', 2}, d{"D", 'D'};
  a.nullable = v.nullable = d.nullable = true;
  TableWriter::Create(path, {a, v, b, q, d}, "");
  auto writer = TableWriter::OpenForAppend(path);
  writer->Append({Null(), Text("ab"), Number("1"), Text("\\x0102"), Null()});
  writer->Append({Text("x"), Null(), Number("2"), Text("\\x01"), Text("2000-01-01")});
  writer->Flush();
  const std::string bytes = ReadBytes(path);
  const size_t header = DecodeFixed16(bytes.data() + 8);
  const size_t length = DecodeFixed16(bytes.data() + 10);
  // A null = bit 0; V shorter = 1, V null = 2; Q shorter = 3; D null = 4.
  EXPECT_EQ(static_cast<uint8_t>(bytes[header + length - 1]), 0x13);
  EXPECT_EQ(static_cast<uint8_t>(bytes[header + 2 * length - 1]), 0x0C);
  std::vector<Record> rows = ReadWithEngine(path);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (Record{std::nullopt, "ab", "1", "\\x0102", std::nullopt}));
  EXPECT_EQ(rows[1], (Record{"x  ", std::nullopt, "2", "\\x01", "2000-01-01"}));
}

// A character the table's code page cannot hold is stored as "?", as
// FoxPro stores it: the row arrives, and one problem per field counts the
// characters and names the first with its row; a note names a code page
// that would have held every character.
TEST(TableWriterTest, CharactersTheCodePageCannotHoldBecomeQuestionMarks) {
  const struct {
    int code_page;
    std::string name, note;  // the values of the second of three rows
    std::string stored_name, stored_note;
    std::vector<std::string> notices;
  } kCases[] = {
      {1252, "Stanisław", "Łódź and Gdańsk", "Stanis?aw ", "?ód? and Gda?sk",
       {"Table \"t\", field \"NAME\": 1 character that code page 1252 cannot hold was stored "
        "as \"?\" (row 2: 'ł' (U+0142) in \"Stanisław\").",
        "Table \"t\", field \"NOTE\": 3 characters that code page 1252 cannot hold were stored "
        "as \"?\" (the first in row 2: 'Ł' (U+0141) in \"Łódź and Gdańsk\").",
        "Code page 1250 would hold every character of table \"t\": send it again with "
        "--code-page 1250 (the setting FoxProCodePage=1250)."}},
      {1251, "Ωmega", "fine", "?mega     ", "fine",
       {"Table \"t\", field \"NAME\": 1 character that code page 1251 cannot hold was stored "
        "as \"?\" (row 2: 'Ω' (U+03A9) in \"Ωmega\").",
        "Code page 1253 would hold every character of table \"t\": send it again with "
        "--code-page 1253 (the setting FoxProCodePage=1253)."}},
      {936, "中文😀", "日本語", "中文?     ", "日本語",
       {"Table \"t\", field \"NAME\": 1 character that code page 936 cannot hold was stored "
        "as \"?\" (row 2: '😀' (U+1F600) in \"中文😀\").",
        "No code page that FoxPro marks tables with holds every character of table \"t\"."}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code_page);
    veltrane::testing::TempDir dir;
    const std::string path = dir.File("t.dbf");
    TableWriter::Create(path, {{"NAME", 'C', 10}, {"NOTE", 'M'}}, "", c.code_page);
    auto writer = TableWriter::OpenForAppend(path);
    writer->Append({Text("first"), Text("")});
    writer->Append({Text(c.name), Text(c.note)});
    EXPECT_THROW(writer->Append({Text("much too long"), Text("")}), Error);
    writer->Append({Text("third"), Text("")});
    writer->Flush();
    std::vector<std::string> texts;
    for (const Notice& notice : writer->TakeNotices()) texts.push_back(notice.text);
    EXPECT_EQ(texts, c.notices);
    EXPECT_TRUE(writer->TakeNotices().empty());
    std::vector<Record> rows = ReadWithEngine(path);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][0], c.stored_name);
    EXPECT_EQ(rows[1][1], c.stored_note);
    EXPECT_EQ(ReadWithPython("dbfread", path).size(), 3u);
  }
}

TEST(TableWriterTest, ConvertsValuesOrSaysWhyNot) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("conv.dbf");
  TableWriter::Create(path,
                      {{"N", 'N', 6, 2}, {"I", 'I'}, {"D", 'D'}, {"T", 'T'}, {"L", 'L'}, {"C", 'C', 8}},
                      "");
  auto writer = TableWriter::OpenForAppend(path);
  writer->Append({Text(" 99.995 "), Number("7"), Text("2000-02-29"), Text("2000-01-01T10:20"),
                  Text(".T."), Number("3.50")});
  EXPECT_THROW(writer->Append({Text("999.995"), Number("1"), Text(""), Text(""), Text(""), Text("")}),
               Error);  // 1000.00 does not fit N(6,2)
  EXPECT_THROW(writer->Append({Text("1"), Number("1.5"), Text(""), Text(""), Text(""), Text("")}), Error);
  EXPECT_THROW(writer->Append({Text("1"), Number("1"), Text("2001-02-29"), Text(""), Text(""), Text("")}),
               Error);
  EXPECT_THROW(writer->Append({Text("1"), Number("1"), Text(""), Text("10:20"), Text(""), Text("")}),
               Error);
  EXPECT_THROW(writer->Append({Text("1"), Number("1"), Text(""), Text(""), Text("maybe"), Text("")}),
               Error);
  EXPECT_THROW(writer->Append({Text("x1"), Number("1"), Text(""), Text(""), Text(""), Text("")}), Error);
  writer->Flush();
  std::vector<Record> rows = ReadWithEngine(path);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (Record{"100.00", "7", "2000-02-29", "2000-01-01 10:20:00", "true", "3.50    "}));
}

// Numbers in their plain form take a shorter way than the general rules;
// both store the same.
TEST(TableWriterTest, PlainAndGeneralFormsOfANumberAreStoredAlike) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("forms.dbf");
  TableWriter::Create(path, {{"N", 'N', 6, 2}, {"I", 'I'}, {"B", 'B'}, {"L", 'L'}, {"D", 'D'}}, "");
  auto writer = TableWriter::OpenForAppend(path);
  const std::vector<std::vector<std::string>> rows = {
      {"-0.00", "007", " 2.5 ", "true", "0001-01-01"},
      {"007.5", "+7", "1e1", "TRUE", "9999-12-31"},
      {"-.5", "7.0", "0x1p3", "false", "2000-02-29"},
      {"1.005", "-0", "-1e-300", "F", "1999-01-01"},
      {"5.", "-2147483648", "1e400", "", ""}};
  for (const auto& row : rows) {
    std::vector<InputValue> values;
    for (const std::string& text : row) values.push_back(Text(text));
    writer->Append(values);
  }
  writer->Flush();
  EXPECT_EQ(ReadWithEngine(path),
            (std::vector<Record>{{"0.00", "7", "2.5", "true", "0001-01-01"},
                                 {"7.50", "7", "10", "true", "9999-12-31"},
                                 {"-0.50", "7", "8", "false", "2000-02-29"},
                                 {"1.01", "0", "-1e-300", "false", "1999-01-01"},
                                 {"5.00", "-2147483648", "Infinity", std::nullopt, std::nullopt}}));
}

TEST(TableWriterTest, AutoincrementNumbersRowsAndKeepsItsCounter) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("auto.dbf");
  NewField id{"ID", 'I'};
  id.autoincrement = true;
  TableWriter::Create(path, {id, {"NAME", 'C', 5}}, "");
  TableWriter::OpenForAppend(path)->Append({Null(), Text("a")});
  auto writer = TableWriter::OpenForAppend(path);  // the counter survives reopening
  writer->Append({Number("99"), Text("b")});
  writer->Append({Null(), Text("c")});
  writer->Flush();
  std::vector<Record> rows = ReadWithEngine(path);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], "1");
  EXPECT_EQ(rows[1][0], "2");
  EXPECT_EQ(rows[2][0], "3");
  EXPECT_EQ(ReadBytes(path)[0], '\x31');
}

TEST(TableWriterTest, CreateRefusesExistingFilesAndBadFields) {
  veltrane::testing::TempDir dir;
  testing::WriteBytes(dir.File("EXISTS.DBF"), "x");
  EXPECT_THROW(TableWriter::Create(dir.File("exists.dbf"), {{"A", 'C', 1}}, ""), Error);
  EXPECT_THROW(TableWriter::Create(dir.File("a.dbf"), {{"A", 'C', 1}, {"a", 'N', 3}}, ""), Error);
  EXPECT_THROW(TableWriter::Create(dir.File("b.dbf"), {{"ELEVENCHARS", 'C', 1}}, ""), Error);
  EXPECT_THROW(TableWriter::Create(dir.File("c.dbf"), {{"A", 'C', 0}}, ""), Error);
  EXPECT_THROW(TableWriter::Create(dir.File("d.dbf"), {{"A", 'X', 1}}, ""), Error);
  EXPECT_THROW(TableWriter::Create(dir.File("e.dbf"), {}, ""), Error);
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.dbf")));
}

TEST(TableWriterTest, RefusesToAppendToATableWithAnIndexItCannotUpdate) {
  veltrane::testing::TempDir dir;
  const std::string path = testing::CopyTestFile("free-tables/cp1251.dbf", dir.path());  // flagged .cdx
  try {
    TableWriter::OpenForAppend(path);
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(".cdx"), std::string::npos) << e.what();
  }
}

TEST(TableWriterTest, ReplacesAStaleMemoFileWhateverItsCase) {
  veltrane::testing::TempDir dir;
  testing::WriteBytes(dir.File("OLD.FPT"), std::string(5000, 'z'));
  TableWriter::Create(dir.File("OLD.DBF"), {{"NOTE", 'M'}}, "");
  TableWriter::OpenForAppend(dir.File("OLD.DBF"))->Append({Text("new")});
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            2);
  std::vector<Record> rows = ReadWithEngine(dir.File("OLD.DBF"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "new");
}

TEST(TableWriterTest, TablesPythonDbfWritesReadHere) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("bydbf.dbf");
  std::string script =
      "import dbf, datetime, decimal\n"
      "t = dbf.Table(r'" + path + "', 'NAME C(12); AMOUNT N(8,2); BORN D; OK L; NOTE M; "
      "COUNT I; SCORE B; PRICE Y; STAMP T', dbf_type='vfp', codepage='cp1252')\n"
      "t.open(dbf.READ_WRITE)\n"
      "t.append(('Ærøskøbing', 12.5, datetime.date(1970, 1, 2), True, 'memo ' * 40, -5, 0.25,"
      " decimal.Decimal('1.2345'), datetime.datetime(2001, 2, 3, 4, 5, 6)))\n"
      "t.append(('second', -1, None, False, '', 0, 1e10, 0, None))\n"
      "t.close()\n";
  testing::WriteBytes(dir.File("make.py"), script);
  ASSERT_EQ(std::system(("/usr/bin/python3 " + dir.File("make.py")).c_str()), 0);
  std::vector<Record> rows = ReadWithEngine(path);
  ASSERT_EQ(rows.size(), 2u);
  std::string memo;
  for (int i = 0; i < 40; ++i) memo += "memo ";
  EXPECT_EQ(rows[0], (Record{"Ærøskøbing  ", "12.50", "1970-01-02", "true", memo, "-5", "0.25",
                             "1.2345", "2001-02-03 04:05:06"}));
  EXPECT_EQ(rows[1][0], "second      ");
  EXPECT_EQ(rows[1][1], "-1.00");
  EXPECT_EQ(rows[1][2], std::nullopt);
  EXPECT_EQ(rows[1][3], "false");
  EXPECT_EQ(rows[1][6], "1e+10");
  EXPECT_EQ(rows[1][8], std::nullopt);
}

}  // namespace
}  // namespace veltrane::foxpro
