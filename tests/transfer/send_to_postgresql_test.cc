// Sending FoxPro tables to PostgreSQL.

#include <filesystem>
#include <thread>

#include "foxpro/database.h"

#include "command_fixture.h"
#include "foxpro_tables.h"
#include "support/raw_table.h"
#include "transfer/commands.h"

namespace veltrane::transfer::testing {
namespace {

namespace fs = std::filesystem;
using foxpro::NewField;
using ::testing::HasSubstr;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

NewField Field(const std::string& name, char type, int length = 0, int decimals = 0,
               bool nullable = false) {
  NewField field;
  field.name = name;
  field.type = type;
  field.length = length;
  field.decimals = decimals;
  field.nullable = nullable;
  return field;
}

class SendToPostgreSqlTest : public CommandFixture {
 protected:
  // A free table `name` with an integer id and a character note.
  void WriteNotes(const std::string& file_name, const std::vector<Row>& rows) {
    WriteFoxProTable(dir_.File(file_name), {Field("id", 'I'), Field("note", 'C', 10, 0, true)},
                     rows);
  }
  // Sends the tables of list1 selected by name; the last becomes current.
  CommandResult Send(const std::vector<std::string>& selected) {
    for (const std::string& name : selected)
      for (int i = 0; i < list1_->Count(); ++i)
        if (list1_->Item(i) == name) {
          list1_->SetSelected(i, true);
          list1_->SetCurrentIndex(i);
        }
    return SendToPostgreSql(ctx());
  }
};

TEST_F(SendToPostgreSqlTest, SendsSelectedTablesFromTheLastEntryUp) {
  for (const char* name : {"a", "b", "c", "d", "e"}) WriteNotes(std::string(name) + ".dbf", {});
  RecordDdl();
  Fill(*list1_, {"a", "b", "c", "d", "e"});

  EXPECT_TRUE(Send({"b", "e", "c"}).ok());

  EXPECT_THAT(DdlLog(), ElementsAre("CREATE TABLE public.e", "CREATE TABLE public.c",
                                    "CREATE TABLE public.b"));
  EXPECT_THAT(Items(*list2_), ElementsAre("b", "c", "e"));
  EXPECT_THAT(Items(*list1_), ElementsAre("a", "b", "c", "d", "e"));
  EXPECT_THAT(prompter_.shown, IsEmpty());
  // The hourglass stays from the start to the end of the command.
  EXPECT_THAT(pointer_.codes, ElementsAre(app::kPointerHourglass, app::kPointerDefault));
  EXPECT_THAT(Rows("SELECT column_name, data_type FROM information_schema.columns "
                   "WHERE table_name = 'b' ORDER BY ordinal_position"),
              ElementsAre(ElementsAre("id", "integer"), ElementsAre("note", "text")));
}

// The window answers while tables are sent: an entry selected or cleared
// meanwhile counts as it stands when the send comes to it.
TEST_F(SendToPostgreSqlTest, TheSelectionCountsAsItStandsWhenTheSendReachesAnEntry) {
  for (const char* name : {"a", "b", "c", "d"}) WriteNotes(std::string(name) + ".dbf", {});
  RecordDdl();
  Fill(*list1_, {"a", "b", "c", "d"});
  events_.on_yield = [this] {
    if (DdlLog().size() == 1) {  // after "d": "c" is cleared, "a" chosen
      list1_->SetSelected(2, false);
      list1_->SetSelected(0, true);
    }
  };

  EXPECT_TRUE(Send({"c", "d"}).ok());

  EXPECT_THAT(DdlLog(), ElementsAre("CREATE TABLE public.d", "CREATE TABLE public.a"));
}

TEST_F(SendToPostgreSqlTest, NullAndEmptyValuesBecomeNullAndTextKeepsItsBlanksAndQuotes) {
  WriteFoxProTable(dir_.File("t.dbf"),
                   {Field("id", 'I'), Field("note", 'C', 10, 0, true), Field("memo", 'M', 0, 0, true)},
                   {{"1", "It's", "x\\y"}, {"2", std::nullopt, std::nullopt}, {"3", "", ""},
                    {"4", " ", " "}, {"5", "O'Brien", "O'Brien"}});
  Fill(*list1_, {"t"});

  EXPECT_TRUE(Send({"t"}).ok());

  // A character field keeps its width; an empty memo is sent as NULL.
  EXPECT_THAT(Rows("SELECT id, note, memo FROM t ORDER BY id"),
              ElementsAre(ElementsAre("1", "It's      ", "x\\y"),
                          ElementsAre("2", "<null>", "<null>"),
                          ElementsAre("3", "          ", "<null>"),
                          ElementsAre("4", "          ", " "),
                          ElementsAre("5", "O'Brien   ", "O'Brien")));
}

TEST_F(SendToPostgreSqlTest, EveryFieldTypeArrivesInItsTextForm) {
  WriteFoxProTable(dir_.File("kinds.dbf"),
                   {Field("c", 'C', 5), Field("v", 'V', 10), Field("m", 'M'),
                    Field("n", 'N', 8, 2), Field("f", 'F', 10, 3), Field("i", 'I'),
                    Field("b", 'B', 0, 2), Field("y", 'Y'), Field("d", 'D'), Field("t", 'T'),
                    Field("l", 'L'), Field("blob", 'W')},
                   {{"ab", "vé", "memo\r\nline", "-12.5", "3.125", "-7", "0.1", "12.3456",
                     "2024-02-29", "2024-02-29 13:45:07", "true", "\\x00ff10"}});
  Fill(*list1_, {"kinds"});

  EXPECT_TRUE(Send({"kinds"}).ok()) << ::testing::PrintToString(prompter_.Reports());

  EXPECT_THAT(Rows("SELECT column_name || ' ' || data_type FROM information_schema.columns "
                   "WHERE table_name = 'kinds' ORDER BY ordinal_position"),
              ElementsAre(ElementsAre("c text"), ElementsAre("v text"), ElementsAre("m text"),
                          ElementsAre("n text"), ElementsAre("f text"), ElementsAre("i integer"),
                          ElementsAre("b double precision"), ElementsAre("y text"),
                          ElementsAre("d text"), ElementsAre("t text"), ElementsAre("l text"),
                          ElementsAre("blob bytea")));
  const auto rows = Rows("SELECT c, v, m, n::numeric = -12.5, f::numeric = 3.125, i, b, "
                         "y::numeric, d::date, t::timestamp, l::boolean, blob FROM kinds");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_THAT(rows[0], ElementsAre("ab   ", "vé", "memo\r\nline", "t", "t", "-7", "0.1",
                                   "12.3456", "2024-02-29", "2024-02-29 13:45:07", "t",
                                   "\\x00ff10"));
}

TEST_F(SendToPostgreSqlTest, AListedTableIsReplacedUnderItsOwnSpellingOnYes) {
  WriteNotes("ORDERS.dbf", {{"1", "new"}});
  db_.Exec("CREATE TABLE orders(old int); INSERT INTO orders VALUES (1)");
  RecordDdl();
  Fill(*list1_, {"ORDERS"});
  Fill(*list2_, {"orders"});
  prompter_.answers = {true};

  EXPECT_TRUE(Send({"ORDERS"}).ok());

  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, "Would you like to overwrite orders?");
  EXPECT_EQ(prompter_.shown[0].title, "Overwrite?");
  EXPECT_THAT(DdlLog(), ElementsAre("DROP TABLE public.orders", "CREATE TABLE public.orders"));
  EXPECT_THAT(Rows("SELECT id, note FROM orders"), ElementsAre(ElementsAre("1", "new       ")));
  EXPECT_THAT(Items(*list2_), ElementsAre("orders"));
}

TEST_F(SendToPostgreSqlTest, TheLastMatchingEntryNamesTheTargetAndNoLeavesItAlone) {
  WriteNotes("orders.dbf", {{"1", "x"}});
  db_.Exec("CREATE TABLE \"Orders\"(id int); CREATE TABLE \"ORDERS\"(id int)");
  RecordDdl();
  Fill(*list1_, {"orders"});
  Fill(*list2_, {"Orders", "ORDERS"});
  prompter_.answers = {false};

  EXPECT_TRUE(Send({"orders"}).ok());

  EXPECT_THAT(prompter_.Questions(), ElementsAre("Would you like to overwrite ORDERS?"));
  EXPECT_THAT(DdlLog(), IsEmpty());
  EXPECT_THAT(Items(*list2_), ElementsAre("Orders", "ORDERS"));
  EXPECT_FALSE(PgTableExists("orders"));
}

// The command itself, as the command line calls it: the tables in the order
// given, the overwrite question through its callback, and what became of
// each table, told as it completes and returned.
TEST_F(SendToPostgreSqlTest, TheCommandReturnsWhatBecameOfEachTable) {
  WriteNotes("orders.dbf", {{"1", "a"}, {"2", "b"}});
  WriteNotes("notes.dbf", {{"1", "n"}});
  db_.Exec("CREATE TABLE \"Orders\"(id int)");
  app::MemoryTableList listed;
  listed.AddItem("Orders");
  std::vector<std::string> asked, done;
  CommandHooks hooks{prompter_, progress_, events_,
                     [&](const std::string& table) {
                       asked.push_back(table);
                       return table != "Orders";
                     },
                     [&](const TableResult& table) { done.push_back(table.target); }};

  CommandResult result =
      SendToPostgreSql(Settings(), {"notes", "orders", "missing"}, listed, {}, hooks);

  EXPECT_EQ(result.failures, 1);  // "missing" cannot be read
  ASSERT_EQ(result.tables.size(), 3u);
  EXPECT_TRUE(result.tables[0].done);
  EXPECT_EQ(result.tables[0].rows_read, 1);
  EXPECT_EQ(result.tables[0].rows_stored, 1);
  EXPECT_FALSE(result.tables[1].done);  // "Orders" was kept
  EXPECT_EQ(result.tables[1].failures, 0);
  EXPECT_FALSE(result.tables[2].done);
  EXPECT_EQ(result.tables[2].failures, 1);
  EXPECT_THAT(asked, ElementsAre("Orders"));
  EXPECT_THAT(done, ElementsAre("notes"));
  EXPECT_THAT(Items(listed), ElementsAre("notes", "Orders"));
  EXPECT_TRUE(prompter_.Questions().empty());
}

TEST_F(SendToPostgreSqlTest, ProgressRunsPerRowAndIsResetAfterEachTable) {
  WriteNotes("four.dbf", {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}});
  WriteNotes("empty.dbf", {});
  Fill(*list1_, {"empty", "four"});

  EXPECT_TRUE(Send({"empty", "four"}).ok());

  EXPECT_THAT(progress_.values, ElementsAre(25, 50, 75, 100, 0, 0));
  EXPECT_THAT(progress_.texts, ElementsAre("Progress Bar", "Progress Bar"));
  // The empty table is created and listed all the same.
  EXPECT_TRUE(PgTableExists("empty"));
  EXPECT_THAT(Rows("SELECT count(*) FROM empty"), ElementsAre(ElementsAre("0")));
  EXPECT_THAT(Items(*list2_), ElementsAre("empty", "four"));
}

TEST_F(SendToPostgreSqlTest, AFailingRowIsReportedWithItsStatementAndTheOthersArrive) {
  WriteNotes("t.dbf", {{"1", "good"}, {"2", "bad"}, {"3", "also"}});
  // Every new table refuses the note "bad".
  db_.Exec(R"sql(
    CREATE FUNCTION refuse_bad() RETURNS event_trigger LANGUAGE plpgsql AS $$
    DECLARE r record;
    BEGIN
      FOR r IN SELECT * FROM pg_event_trigger_ddl_commands() WHERE command_tag = 'CREATE TABLE' LOOP
        EXECUTE 'ALTER TABLE ' || r.object_identity || ' ADD CHECK (note NOT LIKE ''bad%'')';
      END LOOP;
    END $$;
    CREATE EVENT TRIGGER refuse_bad ON ddl_command_end EXECUTE FUNCTION refuse_bad();
  )sql");
  Fill(*list1_, {"t"});

  EXPECT_EQ(Send({"t"}).failures, 1);

  ASSERT_EQ(prompter_.Reports().size(), 1u);
  const std::string report = prompter_.Reports()[0];
  EXPECT_EQ(SqlLine(report), "INSERT INTO \"t\" VALUES('2', 'bad       ')");
  EXPECT_NE(report.find("in Veltrane2021/08/31.Form2.PushButton3_Click at line 138"),
            std::string::npos)
      << report;
  EXPECT_THAT(Rows("SELECT id, note FROM t ORDER BY id"),
              ElementsAre(ElementsAre("1", "good      "), ElementsAre("3", "also      ")));
}

TEST_F(SendToPostgreSqlTest, ARejectedCreateTableIsReportedOnceAndTheNextTableGoesOn) {
  WriteNotes("a.dbf", {{"1", "x"}});
  WriteNotes("b.dbf", {{"1", "x"}, {"2", "y"}, {"3", "z"}});
  db_.Exec("CREATE TABLE b(other int)");  // exists, but not listed
  Fill(*list1_, {"a", "b"});

  EXPECT_EQ(Send({"a", "b"}).failures, 1);

  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 130);
  EXPECT_EQ(SqlLine(prompter_.Reports()[0]), "CREATE TABLE \"b\"(\"id\" INT,\"note\" text)");
  EXPECT_THAT(Items(*list2_), ElementsAre("a"));
  EXPECT_THAT(Rows("SELECT count(*) FROM a"), ElementsAre(ElementsAre("1")));
}

TEST_F(SendToPostgreSqlTest, NamesLongerThanPostgreSqlKeepsAreNeverCutByTheServer) {
  fs::copy(TransferTestData("container"), dir_.path());
  UseContainer(dir_.File("data1.dbc"));
  const std::string long_table(64, 't');  // one byte more than PostgreSQL keeps
  const std::string long_field = "a field name that goes on and on: " + std::string(30, 'x');
  {
    std::unique_ptr<foxpro::Database> engine = foxpro::Database::Open(dir_.File("data1.dbc"));
    engine->Execute("CREATE TABLE '" + dir_.File(long_table + ".dbf") + "'([id] M)");
    engine->Execute("CREATE TABLE '" + dir_.File("wide.dbf") + "'([" + long_field + "1] M,[" +
                    long_field + "2] M,[short] M)");
    engine->Execute("INSERT INTO `" + dir_.File("wide.dbf") + "` VALUES('a', 'b', 'c')");
  }
  Fill(*list1_, {long_table, "wide"});

  // Twice, so that a second run meets what the first one left.
  for (int run = 0; run < 2; ++run) {
    prompter_.shown.clear();
    prompter_.answers = {true};
    EXPECT_EQ(Send({long_table, "wide"}).failures, 1);
    ASSERT_EQ(prompter_.Reports().size(), 1u);
    EXPECT_THAT(Description(prompter_.Reports()[0]),
                HasSubstr("its name is 64 bytes long, and PostgreSQL keeps only the first 63"));
    EXPECT_THAT(prompter_.Messages(), ElementsAre(HasSubstr("were named shorter")));
    EXPECT_FALSE(PgTableExists(long_table.substr(0, 63)));
    EXPECT_THAT(Items(*list2_), ElementsAre("wide"));
  }
  const std::string cut = long_field.substr(0, 61);
  EXPECT_THAT(Rows("SELECT column_name FROM information_schema.columns WHERE table_name = 'wide' "
                   "ORDER BY ordinal_position"),
              ElementsAre(ElementsAre(long_field.substr(0, 63)), ElementsAre(cut + "_2"),
                          ElementsAre("short")));
  EXPECT_THAT(Rows("SELECT * FROM wide"), ElementsAre(ElementsAre("a", "b", "c")));
}

TEST_F(SendToPostgreSqlTest, NamesWithQuotesAndBackticksArriveExactly) {
  WriteFoxProTable(dir_.File("say\"hi`.dbf"), {Field("id", 'I')}, {{"7"}});
  Fill(*list1_, {"say\"hi`"});

  EXPECT_TRUE(Send({"say\"hi`"}).ok()) << ::testing::PrintToString(prompter_.Reports());

  EXPECT_TRUE(PgTableExists("say\"hi`"));
  EXPECT_THAT(Rows("SELECT id FROM \"say\"\"hi`\""), ElementsAre(ElementsAre("7")));
}

TEST_F(SendToPostgreSqlTest, MessagesAndConnectionFailuresEndTheCommandAtOnce) {
  WriteNotes("a.dbf", {});
  Fill(*list1_, {"a"});
  list1_->SetSelected(0, true);

  EXPECT_TRUE(SendToPostgreSql(ctx()).ok());  // no current entry
  EXPECT_THAT(prompter_.Messages(), ElementsAre("Please select a table"));
  EXPECT_THAT(pointer_.codes, IsEmpty());

  prompter_.shown.clear();
  settings_.password = "wrong";
  EXPECT_EQ(Send({"a"}).failures, 1);
  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 112);
  EXPECT_EQ(SqlLine(prompter_.Reports()[0]), "");

  prompter_.shown.clear();
  settings_ = db_.Settings();
  UseFreeTables(dir_.File("no such folder"));
  EXPECT_EQ(Send({"a"}).failures, 1);
  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 114);
  EXPECT_THAT(Items(*list2_), IsEmpty());
  EXPECT_EQ(pointer_.Get(), app::kPointerDefault);
}

TEST_F(SendToPostgreSqlTest, ClosingTheWindowStopsAfterTheCurrentRow) {
  std::vector<Row> rows;
  for (int i = 1; i <= 10; ++i) rows.push_back({std::to_string(i), "n"});
  WriteNotes("t.dbf", rows);
  WriteNotes("u.dbf", rows);
  Fill(*list1_, {"t", "u"});
  // The window is closed while the third row of u is on its way.
  progress_.on_value = [&](double) {
    if (progress_.values.size() == 3) RequestStop();
  };

  EXPECT_TRUE(Send({"t", "u"}).ok());

  EXPECT_TRUE(StopRequested());
  EXPECT_FALSE(IsCommandRunning());
  // u went first; its third row was the last one sent, t was never started.
  EXPECT_THAT(Rows("SELECT count(*) FROM u"), ElementsAre(ElementsAre("3")));
  EXPECT_FALSE(PgTableExists("t"));
  EXPECT_THAT(Items(*list2_), ElementsAre("u"));
  EXPECT_EQ(pointer_.Get(), app::kPointerDefault);
}

TEST_F(SendToPostgreSqlTest, WhatTheTableHadToTellComesOncePerTableAfterItsRows) {
  ::veltrane::testing::RawTable table;
  table.fields = {{"AMOUNT", 'N', 6, 2}, {"BORN", 'D', 8}, {"BORN", 'C', 2}};
  table.records = {"     ." "NotAYear" "a ", " 12.50" "20240229" "b ", "     ." "20240230" "c "};
  table.WriteTo(dir_.File("BAD.DBF"));
  Fill(*list1_, {"bad"});

  // Every row arrives; the values not valid for their type as their text.
  EXPECT_EQ(Send({"bad"}).failures, 2);
  EXPECT_THAT(Rows("SELECT amount, born, born_2 FROM bad ORDER BY born_2"),
              ElementsAre(ElementsAre(".", "NotAYear", "a "), ElementsAre("12.50", "2024-02-29", "b "),
                          ElementsAre(".", "20240230", "c ")));
  ASSERT_EQ(prompter_.Reports().size(), 2u);
  EXPECT_EQ(Description(prompter_.Reports()[0]),
            "Table \"bad\", column \"amount\": 2 values are not valid numbers (the first in row "
            "1: \".\"); they were read as their raw text.");
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 154);
  EXPECT_THAT(Description(prompter_.Reports()[1]), ::testing::HasSubstr("column \"born\": 2 values"));
  EXPECT_THAT(prompter_.Messages(),
              ElementsAre("Table \"bad\" has fields without a name of their own; they arrived as "
                          "\"born\" as born_2."));

  // A table without fields arrives as a table without columns.
  ::veltrane::testing::RawTable().WriteTo(dir_.File("empty.dbf"));
  list1_->Clear();
  Fill(*list1_, {"empty"});
  EXPECT_TRUE(Send({"empty"}).ok());
  EXPECT_TRUE(PgTableExists("empty"));
}

TEST_F(SendToPostgreSqlTest, OtherCommandsDoNothingWhileATransferRuns) {
  WriteNotes("t.dbf", {{"1", "a"}, {"2", "b"}});
  db_.Exec("CREATE TABLE other(id int)");
  Fill(*list1_, {"t"});
  Fill(*list2_, {"other"}, {"other"});
  std::vector<CommandResult> inner;
  events_.on_yield = [&] {
    if (!inner.empty()) return;
    inner.push_back(DropPostgreSqlTables(ctx()));
    inner.push_back(SendToFoxPro(ctx()));
    inner.push_back(LoadTables(ctx()));
  };

  EXPECT_TRUE(Send({"t"}).ok());

  EXPECT_EQ(inner.size(), 3u);
  EXPECT_TRUE(PgTableExists("other"));
  EXPECT_THAT(Items(*list2_), ElementsAre("other", "t"));
  EXPECT_THAT(Rows("SELECT count(*) FROM t"), ElementsAre(ElementsAre("2")));
}

// With a schema chosen, the tables go into it (made first when it is not
// there, with a note), a table of that schema is replaced under its listed
// name, and the list names each table as the catalogue lists it.
TEST_F(SendToPostgreSqlTest, AChosenSchemaReceivesTheTables) {
  WriteNotes("city.dbf", {{"1", "foxpro"}});
  Fill(*list1_, {"city"});
  db_.Exec("CREATE TABLE city(id int, note text); INSERT INTO city VALUES (0, 'public');"
           "CREATE SCHEMA staging; CREATE TABLE staging.city(id int, note text)");
  const auto made = [this](const std::string& schema) {
    return "The schema \"" + schema + "\" was not in database \"" + db_.name() +
           "\"; it was created for the tables sent.";
  };
  const struct {
    std::string schema;
    std::string setup;     // SQL run first
    std::string question;  // the overwrite question (answered Yes), "" for none
    std::string message;   // the note shown, "" for none
    std::string table;     // where the rows land
    std::vector<std::string> entries;  // the list's entries of city tables afterwards
  } cases[] = {
      {"Legacy Data", "", "", made("Legacy Data"), "\"Legacy Data\".city",
       {"\"Legacy Data\".city", "city", "staging.city"}},
      {"staging", "", "Would you like to overwrite staging.city?", "", "staging.city",
       {"\"Legacy Data\".city", "city", "staging.city"}},
      {"public", "", "Would you like to overwrite city?", "", "public.city",
       {"\"Legacy Data\".city", "city", "staging.city"}},
      // A new table that comes first on the search path: the table its
      // name reached before is now listed with its schema.
      {"first", "ALTER DATABASE \"" + db_.name() + "\" SET search_path = first, public", "",
       made("first"), "first.city",
       {"\"Legacy Data\".city", "city", "public.city", "staging.city"}},
  };
  const auto texts = [](const std::string& text) {
    return text.empty() ? std::vector<std::string>{} : std::vector<std::string>{text};
  };
  for (const auto& c : cases) {
    if (!c.setup.empty()) db_.Exec(c.setup);
    ASSERT_TRUE(LoadTables(ctx()).ok());
    ctx().postgresql_schema = app::ParsePostgreSqlSchema(c.schema);
    prompter_.shown.clear();
    if (!c.question.empty()) prompter_.answers = {true};

    EXPECT_TRUE(Send({"city"}).ok()) << ::testing::PrintToString(prompter_.Reports());

    EXPECT_EQ(prompter_.Questions(), texts(c.question)) << c.schema;
    EXPECT_EQ(prompter_.Messages(), texts(c.message)) << c.schema;
    EXPECT_THAT(Rows("SELECT id, note FROM " + c.table),
                ElementsAre(ElementsAre("1", "foxpro    ")))
        << c.schema;
    std::vector<std::string> entries;
    for (const std::string& item : Items(*list2_))
      if (item.find("city") != std::string::npos) entries.push_back(item);
    EXPECT_EQ(entries, c.entries) << c.schema;
  }
  // A name the system keeps for itself is refused before anything is sent.
  ctx().postgresql_schema = app::ParsePostgreSqlSchema("pg_mine");
  EXPECT_EQ(Send({"city"}).failures, 1);
  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_THAT(Description(prompter_.Reports()[0]),
              HasSubstr("The schema name \"pg_mine\" is not taken"));
  EXPECT_TRUE(Rows("SELECT 1 FROM pg_namespace WHERE nspname = 'pg_mine'").empty());
}

}  // namespace
}  // namespace veltrane::transfer::testing
