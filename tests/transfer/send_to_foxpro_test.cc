// Sending PostgreSQL tables to FoxPro.

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "command_fixture.h"
#include "foxpro_tables.h"
#include "transfer/commands.h"
#include "transfer/table_commands.h"

namespace veltrane::transfer::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class SendToFoxProTest : public CommandFixture {
 protected:
  // Sends the tables of list2 selected by name; the last becomes current.
  CommandResult Send(const std::vector<std::string>& selected) {
    for (const std::string& name : selected)
      for (int i = 0; i < list2_->Count(); ++i)
        if (list2_->Item(i) == name) {
          list2_->SetSelected(i, true);
          list2_->SetCurrentIndex(i);
        }
    return SendToFoxPro(ctx());
  }
  std::string TablePath(const std::string& name) const { return dir_.File(name + ".DBF"); }
  // A free table `name` with one memo field, for tables listed beforehand.
  void WriteOldTable(const std::string& file_name) {
    foxpro::NewField field;
    field.name = "old";
    field.type = 'M';
    WriteFoxProTable(dir_.File(file_name), {field}, {{"old"}});
  }
};

TEST_F(SendToFoxProTest, SendsSelectedTablesFromTheLastEntryUpUnderLowerCasedNames) {
  db_.Exec("CREATE TABLE \"A1\"(id int); CREATE TABLE b2(id int); CREATE TABLE \"C3\"(id int);"
           "INSERT INTO \"C3\" VALUES (3)");
  WriteOldTable("A1.DBF");
  WriteOldTable("C3.DBF");
  Fill(*list1_, {"A1", "C3"});
  Fill(*list2_, {"A1", "b2", "C3"});
  prompter_.answers = {true, true};

  EXPECT_TRUE(Send({"A1", "C3"}).ok()) << ::testing::PrintToString(prompter_.Reports());

  EXPECT_THAT(prompter_.Questions(), ElementsAre("Would you like to overwrite C3?",
                                                 "Would you like to overwrite A1?"));
  EXPECT_THAT(Items(*list1_), ElementsAre("a1", "c3"));
  const TableContents c3 = ReadWithEngine(TablePath("C3"));
  EXPECT_THAT(c3.rows, ElementsAre(ElementsAre("3")));
  EXPECT_THAT(ReadWithDbfRead(TablePath("C3")).rows, ElementsAre(ElementsAre("3")));
  EXPECT_THAT(ReadWithEngine(TablePath("A1")).rows, IsEmpty());
  EXPECT_FALSE(fs::exists(TablePath("b2")));
  EXPECT_THAT(pointer_.codes, ElementsAre(app::kPointerHourglass, app::kPointerDefault));
}

TEST_F(SendToFoxProTest, ValuesArriveWholeAsMemoText) {
  db_.Exec("CREATE TABLE t(n int, v text)");
  const std::string a199(199, 'a'), b200(200, 'b'), c450(450, 'c');
  std::string accents;
  for (int i = 0; i < 300; ++i) accents += "é";
  const std::vector<std::string> values = {
      "It's", " ", "trailing  ", "back\\slash", "one\r\ntwo\nthree\r", "a'+b", "c+'d", "'+'",
      a199, b200, c450, accents, std::string(199, 'q') + "''" + std::string(5, 'r'),
      "\x01\ttab"};
  for (size_t i = 0; i < values.size(); ++i) {
    std::string literal;
    for (char c : values[i]) {
      if (c == '\'') literal += '\'';
      literal += c;
    }
    db_.Exec("INSERT INTO t VALUES (" + std::to_string(i) + ", '" + literal + "')");
  }
  db_.Exec("INSERT INTO t VALUES (100, ''), (101, NULL)");
  Fill(*list2_, {"t"});

  EXPECT_TRUE(Send({"t"}).ok()) << ::testing::PrintToString(prompter_.Reports());

  const TableContents engine = ReadWithEngine(TablePath("t"));
  const TableContents dbfread = ReadWithDbfRead(TablePath("t"));
  ASSERT_EQ(engine.rows.size(), values.size() + 2);
  ASSERT_EQ(dbfread.rows.size(), values.size() + 2);
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(engine.rows[i][1], values[i]) << i;
    EXPECT_EQ(dbfread.rows[i][1], values[i]) << i;
  }
  // Null and empty text both arrive as the empty text.
  EXPECT_EQ(engine.rows[values.size()][1], "");
  EXPECT_EQ(engine.rows[values.size() + 1][1], "");
  EXPECT_EQ(dbfread.rows[values.size()][1].value_or(""), "");
  EXPECT_EQ(dbfread.rows[values.size() + 1][1].value_or(""), "");
}

TEST_F(SendToFoxProTest, ALargeMemoAndBinaryValuesArriveByteForByte) {
  db_.Exec("CREATE TABLE big(memo text, data bytea)");
  std::string memo;
  while (memo.size() < (1 << 20)) memo += "line of text with 'quotes' +'joints'+ and é\r\n";
  std::string literal;
  for (char c : memo) {
    if (c == '\'') literal += '\'';
    literal += c;
  }
  db_.Exec("INSERT INTO big VALUES ('" + literal + "', decode(repeat('00ff7f80', 65536), 'hex'))");
  db_.Exec("INSERT INTO big VALUES ('x', '\\x'), ('y', NULL)");
  Fill(*list2_, {"big"});

  EXPECT_TRUE(Send({"big"}).ok()) << ::testing::PrintToString(prompter_.Reports());

  std::string hex = "\\x";
  for (int i = 0; i < 65536; ++i) hex += "00ff7f80";
  const TableContents engine = ReadWithEngine(TablePath("big"));
  ASSERT_EQ(engine.rows.size(), 3u);
  EXPECT_TRUE(engine.rows[0][0] == memo);
  EXPECT_TRUE(engine.rows[0][1] == hex);
  const TableContents dbfread = ReadWithDbfRead(TablePath("big"));
  ASSERT_EQ(dbfread.rows.size(), 3u);
  EXPECT_TRUE(dbfread.rows[0][0] == memo);
  EXPECT_TRUE(dbfread.rows[0][1] == hex);
}

TEST_F(SendToFoxProTest, FieldNamesLoseBlanksAndSlashes) {
  db_.Exec("CREATE TABLE t(\"unit price/kg\" int, id int); INSERT INTO t VALUES (5, 6)");
  Fill(*list2_, {"t"});

  EXPECT_TRUE(Send({"t"}).ok()) << ::testing::PrintToString(prompter_.Reports());

  const TableContents table = ReadWithEngine(TablePath("t"));
  ASSERT_EQ(table.fields.size(), 2u);
  EXPECT_THAT(table.fields[0], HasSubstr("unit_price"));
  EXPECT_THAT(table.rows, ElementsAre(ElementsAre("5", "6")));
}

TEST_F(SendToFoxProTest, TableNamesWithQuotesAndBackticksArriveExactly) {
  db_.Exec("CREATE TABLE \"it's\"(id int); INSERT INTO \"it's\" VALUES (1);"
           "CREATE TABLE \"back`tick\"(id int); INSERT INTO \"back`tick\" VALUES (2);"
           "CREATE TABLE \"say \"\"hi\"\"\"(id int); INSERT INTO \"say \"\"hi\"\"\" VALUES (3)");
  Fill(*list2_, {"it's", "back`tick", "say \"hi\""});

  EXPECT_TRUE(Send({"it's", "back`tick", "say \"hi\""}).ok())
      << ::testing::PrintToString(prompter_.Reports());

  EXPECT_THAT(ReadWithEngine(TablePath("it's")).rows, ElementsAre(ElementsAre("1")));
  EXPECT_THAT(ReadWithEngine(TablePath("back`tick")).rows, ElementsAre(ElementsAre("2")));
  EXPECT_THAT(ReadWithEngine(TablePath("say \"hi\"")).rows, ElementsAre(ElementsAre("3")));
  EXPECT_THAT(Items(*list1_), ElementsAre("back`tick", "it's", "say \"hi\""));
}

TEST_F(SendToFoxProTest, ATableNameWithAPathSeparatorOrWildcardIsRefused) {
  fs::create_directory(dir_.File("inner"));
  UseFreeTables(dir_.File("inner"));
  WriteOldTable("inner/keep.dbf");
  db_.Exec("CREATE TABLE \"../escape\"(id int); CREATE TABLE \"a\\b\"(id int);"
           "CREATE TABLE \"*\"(id int); CREATE TABLE fine(id int)");
  Fill(*list2_, {"../escape", "a\\b", "*", "fine"});

  EXPECT_EQ(Send({"../escape", "a\\b", "*", "fine"}).failures, 3);

  ASSERT_EQ(prompter_.Reports().size(), 3u);
  EXPECT_THAT(Description(prompter_.Reports()[1]), HasSubstr("Table \"../escape\" was not sent"));
  EXPECT_FALSE(fs::exists(dir_.File("escape.DBF")));
  EXPECT_TRUE(fs::exists(dir_.File("inner/keep.dbf")));
  EXPECT_TRUE(fs::exists(dir_.File("inner/fine.DBF")));
  EXPECT_THAT(Items(*list1_), ElementsAre("fine"));
}

TEST_F(SendToFoxProTest, NamesFoxProWouldTrimAreRefused) {
  db_.Exec("CREATE TABLE \" \"(id int); CREATE TABLE \"t \"(id int); CREATE TABLE \" u\"(id int);"
           "CREATE TABLE \"a b\"(id int)");
  Fill(*list2_, {" ", "t ", " u", "a b"});

  EXPECT_EQ(Send({" ", "t ", " u", "a b"}).failures, 3);

  for (const std::string& report : prompter_.Reports())
    EXPECT_THAT(Description(report), HasSubstr("was not sent: The table name")) << report;
  EXPECT_THAT(Items(*list1_), ElementsAre("a b"));
  for (const auto& entry : fs::directory_iterator(dir_.path()))
    EXPECT_EQ(entry.path().stem(), "a b") << entry.path();
}

TEST_F(SendToFoxProTest, ATableWithoutColumnsIsReportedPlainlyAndTouchesNoFile) {
  db_.Exec("CREATE TABLE empty()");
  WriteOldTable("empty.dbf");
  const std::string before = FileBytes(dir_.File("empty.dbf"));
  Fill(*list2_, {"empty"});
  prompter_.answers = {true};

  EXPECT_EQ(Send({"empty"}).failures, 1);

  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_THAT(Description(prompter_.Reports()[0]),
              HasSubstr("it has no columns, and a FoxPro table needs at least one field"));
  EXPECT_EQ(FileBytes(dir_.File("empty.dbf")), before);
  EXPECT_THAT(Items(*list1_), IsEmpty());
}

TEST_F(SendToFoxProTest, NoLeavesAListedTableAndItsFileAlone) {
  db_.Exec("CREATE TABLE orders(id int)");
  WriteOldTable("ORDERS.DBF");
  const std::string before = FileBytes(dir_.File("ORDERS.DBF"));
  Fill(*list1_, {"ORDERS"});
  Fill(*list2_, {"orders"});
  prompter_.answers = {false};

  EXPECT_TRUE(Send({"orders"}).ok());

  EXPECT_THAT(prompter_.Questions(), ElementsAre("Would you like to overwrite ORDERS?"));
  EXPECT_EQ(FileBytes(dir_.File("ORDERS.DBF")), before);
  EXPECT_THAT(Items(*list1_), ElementsAre("ORDERS"));
}

TEST_F(SendToFoxProTest, AnUnlistedTableFileIsOnlyReplacedWhenConfirmed) {
  db_.Exec("CREATE TABLE t(id int); INSERT INTO t VALUES (1)");
  WriteOldTable("t.dbf");
  const std::string before = FileBytes(dir_.File("t.dbf"));
  Fill(*list2_, {"t"});
  prompter_.answers = {false};

  EXPECT_TRUE(Send({"t"}).ok());
  EXPECT_THAT(prompter_.Questions(), ElementsAre("Would you like to overwrite t?"));
  EXPECT_EQ(FileBytes(dir_.File("t.dbf")), before);
  EXPECT_THAT(Items(*list1_), IsEmpty());

  prompter_.answers = {true};
  EXPECT_TRUE(SendToFoxPro(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
  EXPECT_THAT(Items(*list1_), ElementsAre("t"));
  std::vector<std::string> tables;
  for (const auto& entry : fs::directory_iterator(dir_.path()))
    if (entry.path().extension() == ".DBF" || entry.path().extension() == ".dbf")
      tables.push_back(entry.path().filename().string());
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_THAT(ReadWithEngine(dir_.File(tables[0])).rows, ElementsAre(ElementsAre("1")));
}

TEST_F(SendToFoxProTest, AFailedDropIsReportedOnceAndTheTableSkipped) {
  db_.Exec("CREATE TABLE ghost(id int); CREATE TABLE a(id int)");
  Fill(*list1_, {"ghost"});  // listed, but there is no such FoxPro table
  Fill(*list2_, {"a", "ghost"});
  prompter_.answers = {true};

  EXPECT_EQ(Send({"a", "ghost"}).failures, 1);

  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 124);
  EXPECT_EQ(SqlLine(prompter_.Reports()[0]), "");
  EXPECT_FALSE(fs::exists(TablePath("ghost")));
  EXPECT_THAT(Items(*list1_), ElementsAre("a", "ghost"));
}

TEST_F(SendToFoxProTest, ARejectedCreateTableIsReportedOnceAndTheNextTableGoesOn) {
  // The two columns of b make the same field name, which FoxPro refuses.
  db_.Exec("CREATE TABLE a(id int); INSERT INTO a VALUES (1);"
           "CREATE TABLE b(\"a b\" int, a_b text);"
           "INSERT INTO b SELECT g, 'x' FROM generate_series(1, 5) g");
  Fill(*list2_, {"a", "b"});

  EXPECT_EQ(Send({"a", "b"}).failures, 1);

  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 136);
  EXPECT_EQ(SqlLine(prompter_.Reports()[0]),
            "CREATE TABLE '" + TablePath("b") + "'([a_b] M,[a_b] M);");
  EXPECT_THAT(Items(*list1_), ElementsAre("a"));
  EXPECT_THAT(ReadWithEngine(TablePath("a")).rows, ElementsAre(ElementsAre("1")));
}

TEST_F(SendToFoxProTest, AFileInTheWayThatIsNoTableIsLeftAloneAndReported) {
  db_.Exec("CREATE TABLE a(id int); CREATE TABLE b(id int)");
  fs::create_directory(TablePath("a"));
  std::ofstream(TablePath("b")) << "the user's notes";
  Fill(*list2_, {"a", "b"});
  prompter_.answers = {true, true};

  EXPECT_EQ(Send({"a", "b"}).failures, 2);

  ASSERT_EQ(prompter_.Reports().size(), 2u);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 128);
  EXPECT_THAT(Description(prompter_.Reports()[0]), HasSubstr("is in the way and is not a table file"));
  EXPECT_EQ(FileBytes(TablePath("b")), "the user's notes");
  EXPECT_TRUE(fs::is_directory(TablePath("a")));
  EXPECT_THAT(prompter_.Questions(), IsEmpty());
}

// A character the code page cannot hold costs only itself: it is stored as
// "?", with one report per column, and a note names the code page that
// would have held every character. Both column mappings.
TEST_F(SendToFoxProTest, ACharacterTheCodePageLacksBecomesAQuestionMarkAndItsRowArrives) {
  db_.Exec("CREATE TABLE t(id int, word text, name varchar(12));"
           "INSERT INTO t VALUES (1, 'café', 'Ann'), (2, 'Łódź', 'Stanisław'), (3, 'ok', 'Gdańsk')");
  for (app::ColumnTypes types : {app::ColumnTypes::kText, app::ColumnTypes::kTyped}) {
    SCOPED_TRACE(static_cast<int>(types));
    ctx().column_types = types;
    if (!prompter_.shown.empty()) prompter_.answers.push_back(true);  // overwrite t
    prompter_.shown.clear();
    list1_->Clear();
    list2_->Clear();
    Fill(*list2_, {"t"});

    EXPECT_EQ(Send({"t"}).failures, 2);

    const std::vector<std::string> reports = prompter_.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_THAT(Description(reports[0]), HasSubstr("field \"word\": 2 characters that code page "
                                                   "1252 cannot hold were stored as \"?\" (the "
                                                   "first in row 2: 'Ł' (U+0141) in \"Łódź\")."));
    EXPECT_THAT(Description(reports[1]), HasSubstr("field \"name\": 2 characters"));
    EXPECT_EQ(ReportedLine(reports[0]), 162);
    EXPECT_THAT(prompter_.Messages(),
                ElementsAre("Code page 1250 would hold every character of table \"t\": send it "
                            "again with --code-page 1250 (the setting FoxProCodePage=1250)."));
    EXPECT_THAT(ReadWithDbfRead(TablePath("t")).rows,
                ElementsAre(ElementsAre("1", "café", "Ann"), ElementsAre("2", "?ód?", "Stanis?aw"),
                            ElementsAre("3", "ok", "Gda?sk")));
    EXPECT_THAT(progress_.table_rows.back(), (std::pair<int64_t, int64_t>(3, 3)));
  }
}

TEST_F(SendToFoxProTest, TablesGetTheChosenCodePageWithTheirFieldNamesWrittenInIt) {
  db_.Exec("CREATE TABLE cities(\"название\" text, \"номер\" int, \"наименование\" text);"
           "INSERT INTO cities VALUES ('Москва', 1, 'столица')");
  Fill(*list2_, {"cities"});
  settings_.foxpro_code_page = {1251};

  EXPECT_TRUE(Send({"cities"}).ok()) << ::testing::PrintToString(prompter_.Reports());

  EXPECT_THAT(prompter_.shown, IsEmpty());
  EXPECT_EQ(static_cast<uint8_t>(FileBytes(TablePath("cities"))[29]), 0xC9);  // 1251
  const TableContents table = ReadWithDbfRead(TablePath("cities"));
  EXPECT_THAT(table.fields, ElementsAre("название", "номер", "наименован"));
  EXPECT_THAT(table.rows, ElementsAre(ElementsAre("Москва", "1", "столица")));

  // In the default code page 1252, a character it cannot hold becomes "_".
  db_.Exec("CREATE TABLE plain(\"имя\" text, id int); INSERT INTO plain VALUES ('Ivan', 1)");
  list2_->Clear();
  Fill(*list2_, {"plain"});
  settings_.foxpro_code_page = {};
  EXPECT_TRUE(Send({"plain"}).ok()) << ::testing::PrintToString(prompter_.Reports());
  EXPECT_THAT(ReadWithDbfRead(TablePath("plain")).fields, ElementsAre("___", "id"));
  EXPECT_THAT(prompter_.Messages(),
              ElementsAre("Table \"plain\": field names with characters that code page 1252 "
                          "cannot hold were written into the table with \"_\" in their place: "
                          "[имя] as [___]."));
}

TEST_F(SendToFoxProTest, ProgressRunsPerRowAndIsResetAfterEachTable) {
  db_.Exec("CREATE TABLE four(id int); INSERT INTO four SELECT generate_series(1, 4);"
           "CREATE TABLE empty(id int)");
  Fill(*list2_, {"empty", "four"});

  EXPECT_TRUE(Send({"empty", "four"}).ok());

  EXPECT_THAT(progress_.values, ElementsAre(25, 50, 75, 100, 0, 0));
  EXPECT_THAT(progress_.texts, ElementsAre("Progress Bar", "Progress Bar"));
  EXPECT_THAT(ReadWithEngine(TablePath("empty")).rows, IsEmpty());
  EXPECT_THAT(Items(*list1_), ElementsAre("empty", "four"));
}

TEST_F(SendToFoxProTest, MessagesAndConnectionFailuresEndTheCommandAtOnce) {
  db_.Exec("CREATE TABLE a(id int)");
  Fill(*list2_, {"a"});

  EXPECT_TRUE(SendToFoxPro(ctx()).ok());
  EXPECT_THAT(prompter_.Messages(), ElementsAre("Please select a table to send."));
  EXPECT_THAT(pointer_.codes, IsEmpty());

  prompter_.shown.clear();
  UseFreeTables(dir_.File("missing"));
  EXPECT_EQ(Send({"a"}).failures, 1);
  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 114);
  EXPECT_THAT(Items(*list1_), IsEmpty());
  EXPECT_EQ(pointer_.Get(), app::kPointerDefault);
}

TEST_F(SendToFoxProTest, AContainerWithoutAFolderIsReportedOncePerTable) {
  fs::copy(TransferTestData("container"), dir_.path(), fs::copy_options::recursive);
  db_.Exec("CREATE TABLE a(id int); CREATE TABLE b(id int)");
  Fill(*list2_, {"a", "b"});
  const fs::path previous = fs::current_path();
  fs::current_path(dir_.path());
  UseContainer("data1.dbc");  // opens here, but names no folder

  const CommandResult result = Send({"a", "b"});
  fs::current_path(previous);

  EXPECT_EQ(result.failures, 2);
  ASSERT_EQ(prompter_.Reports().size(), 2u);
  EXPECT_THAT(Description(prompter_.Reports()[0]), HasSubstr("\"data1.dbc\" names no folder"));
  EXPECT_THAT(Description(prompter_.Reports()[0]), HasSubstr("Table \"b\""));
  EXPECT_FALSE(fs::exists(TablePath("a")));
  EXPECT_THAT(Items(*list1_), IsEmpty());
}

TEST_F(SendToFoxProTest, ClosingTheWindowStopsAfterTheCurrentRowWithCompleteFiles) {
  db_.Exec("CREATE TABLE t(id int, memo text); INSERT INTO t SELECT g, repeat('m', g) FROM "
           "generate_series(1, 10) g; CREATE TABLE u(id int)");
  Fill(*list2_, {"t", "u"});
  // The window is closed while the fourth row of t is on its way (after
  // u's reset to 0 and t's first three rows).
  progress_.on_value = [&](double) {
    if (progress_.values.size() == 5) RequestStop();
  };

  EXPECT_TRUE(Send({"t", "u"}).ok());

  EXPECT_TRUE(StopRequested());
  // u went first, then t stopped after its fourth row.
  EXPECT_EQ(ReadWithEngine(TablePath("t")).rows.size(), 4u);
  EXPECT_EQ(ReadWithDbfRead(TablePath("t")).rows.size(), 4u);
  EXPECT_THAT(Items(*list1_), ElementsAre("t", "u"));
}

// A table listed with its schema is read from exactly that table and
// arrives under its own name.
TEST_F(SendToFoxProTest, ATableListedWithItsSchemaIsReadFromThatTable) {
  db_.Exec(R"sql(
    CREATE TABLE city(v text); INSERT INTO city VALUES ('public');
    CREATE SCHEMA staging;
    CREATE TABLE staging.city(v text); INSERT INTO staging.city VALUES ('staging');
    CREATE TABLE staging.only_here(v text); INSERT INTO staging.only_here VALUES ('only');
    CREATE SCHEMA "My Schema";
    CREATE TABLE "My Schema"."Totals"(v text); INSERT INTO "My Schema"."Totals" VALUES ('mixed');
  )sql");
  const struct {
    const char* entry;
    const char* file;
    const char* value;
    const char* listed;  // in the FoxPro list
  } cases[] = {
      {"staging.city", "city", "staging", "city"},
      {"city", "city", "public", "city"},
      {"staging.only_here", "only_here", "only", "only_here"},
      {"\"My Schema\".\"Totals\"", "Totals", "mixed", "totals"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(LoadTables(ctx()).ok());
    prompter_.answers = {true};  // city is there from the first case on
    prompter_.shown.clear();

    EXPECT_TRUE(Send({c.entry}).ok()) << ::testing::PrintToString(prompter_.Reports());

    EXPECT_THAT(ReadWithDbfRead(TablePath(c.file)).rows, ElementsAre(ElementsAre(c.value)))
        << c.entry;
    EXPECT_THAT(Items(*list1_), ::testing::Contains(c.listed));
  }
}

// Into a container, a table keeps its name whole while its file gets a
// short one that no file of the folder has, without a question; a name
// that is short already keeps today's file name.
TEST_F(SendToFoxProTest, TablesInAContainerGetShortFileNamesUniqueInTheFolder) {
  db_.Exec("CREATE TABLE order_details_2023(a integer); CREATE TABLE order_details_2024(a integer);"
           "CREATE TABLE con(a integer); CREATE TABLE orders(a integer)");
  ASSERT_TRUE(CreateContainer(dir_.File("shop.dbc"), 0, prompter_).ok());
  UseContainer(dir_.File("shop.dbc"));
  WriteOldTable("ORDER_DETA.dbf");  // a free table beside the container
  Fill(*list2_, {"con", "order_details_2023", "order_details_2024", "orders"});
  auto files = [this] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };

  EXPECT_TRUE(Send({"con", "order_details_2023", "order_details_2024", "orders"}).ok())
      << ::testing::PrintToString(prompter_.Reports());
  EXPECT_THAT(prompter_.Questions(), IsEmpty());
  const std::vector<std::string> expected = {
      "ORDER_DETA.dbf", "ORDER_DETA.fpt", "con_.DBF",       "con_.FPT", "order_de_1.DBF",
      "order_de_1.FPT", "order_de_2.DBF", "order_de_2.FPT", "orders.DBF", "orders.FPT",
      "shop.dbc",       "shop.dct",       "shop.dcx"};
  EXPECT_EQ(files(), expected);
  ASSERT_TRUE(LoadTables(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
  EXPECT_THAT(Items(*list1_),
              ElementsAre("con", "order_details_2023", "order_details_2024", "orders"));
  EXPECT_EQ(ReadWithDbfRead(dir_.File("order_de_1.DBF")).fields, std::vector<std::string>{"a"});

  // Sent again, a table takes the file its old copy had.
  prompter_.answers.push_back(true);
  EXPECT_TRUE(Send({"order_details_2024"}).ok()) << ::testing::PrintToString(prompter_.Reports());
  EXPECT_THAT(prompter_.Questions(), ElementsAre("Would you like to overwrite order_details_2024?"));
  EXPECT_EQ(files(), expected);
}

}  // namespace
}  // namespace veltrane::transfer::testing
