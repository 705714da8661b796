// The table commands run through veltrane-cli against the test server and a
// free-table folder.

#include <filesystem>

#include "cli/cli_fixture.h"

namespace veltrane::testing {
namespace {

using TableCommandsTest = CliTest;

// The lines of `text` that are among `names`, in their order.
std::vector<std::string> LinesAmong(const std::string& text, const std::vector<std::string>& names) {
  std::vector<std::string> found;
  for (const std::string& line : Lines(text))
    if (std::find(names.begin(), names.end(), line) != names.end()) found.push_back(line);
  return found;
}

TEST_F(TableCommandsTest, ListsShowTheTablesSortedWithoutRegardToCase) {
  db_.Exec("CREATE TABLE beta (id int); CREATE TABLE \"Alpha\" (id int); CREATE TABLE gamma (id int)");
  ProcessResult r = Cli({"list", "postgresql"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(LinesAmong(r.out, {"beta", "Alpha", "gamma"}),
            (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_TRUE(HasLine(r.out, "pg_class"));  // as the tables window lists them

  for (const char* name : {"b_table", "A_table", "c_table"}) CopyFreeTable("dbase_03.dbf", name);
  r = Cli({"list", "foxpro"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"a_table", "b_table", "c_table"}));
}

// create-container makes a container that the other commands then use
// with --dbc, and refuses to make one over files that are there.
TEST_F(TableCommandsTest, CreateContainerMakesOneThatSendsGoInto) {
  db_.Exec("CREATE TABLE order_details_of_the_year(order_line_identifier int);"
           "INSERT INTO order_details_of_the_year VALUES (7)");
  const std::string dbc = tables_.File("shop.dbc");
  ProcessResult r = Cli({"create-container", dbc});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "created the database container " + dbc)) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(std::filesystem::exists(tables_.File("shop.dct")));
  EXPECT_TRUE(std::filesystem::exists(tables_.File("shop.dcx")));

  r = Cli({"--dbc", dbc, "send-to-foxpro", "order_details_of_the_year"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(DbfReadRows(tables_.File("order_deta.DBF")), 1);
  r = Cli({"--dbc", dbc, "list", "foxpro"});
  EXPECT_EQ(Lines(r.out), std::vector<std::string>{"order_details_of_the_year"});

  // Free tables cut the names, and the command line says so.
  r = Cli({"send-to-foxpro", "order_details_of_the_year"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "Table \"order_details_of_the_year\": a free table keeps field names "
                              "of at most 10 characters, so these fields were named shorter: "
                              "[order_line_identifier] as [order_line]. A database container "
                              "would keep their whole names."))
      << r.err;

  r = Cli({"create-container", dbc});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_TRUE(Contains(r.err, "is there already")) << r.err;
  r = Cli({"create-container"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_TRUE(Contains(r.err, "create-container takes one argument")) << r.err;
}

TEST_F(TableCommandsTest, SendToPostgreSqlOverwritesOnlyWhenTold) {
  CopyFreeTable("dbase_30.dbf", "items");
  ProcessResult r = Cli({"send-to-postgresql", "items"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(CountRows("items"), 34);
  EXPECT_TRUE(Contains(r.err, "items: 34 rows in ")) << r.err;  // a line per table

  db_.Exec("DELETE FROM items WHERE ctid IN (SELECT ctid FROM items LIMIT 4)");
  // Standard input is no terminal: the question is answered No.
  r = Cli({"send-to-postgresql", "items"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "Would you like to overwrite items? No")) << r.err;
  EXPECT_EQ(CountRows("items"), 30);
  r = Cli({"--overwrite", "no", "send-to-postgresql", "items"});
  EXPECT_EQ(CountRows("items"), 30);

  r = Cli({"--overwrite", "yes", "send-to-postgresql", "items"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "Would you like to overwrite items? Yes")) << r.err;
  EXPECT_EQ(CountRows("items"), 34);
}

// Real tables of other programs arrive typed when the setting says so, and
// as text when the option overrides it for one run.
TEST_F(TableCommandsTest, ColumnTypesComeFromTheSettingUnlessTheOptionSaysOtherwise) {
  CopyFreeTable("dbase_30.dbf", "items");
  CopyFreeTable("dbase_31.dbf", "products");
  CopyFreeTable("dbase_83.dbf", "catalog");
  std::filesystem::copy_file(TestDataPath("free-tables/dbase_83.dbt"), tables_.File("catalog.dbt"));
  Remember("ColumnTypes", "typed");
  const auto type_of = [this](const std::string& table, const std::string& column) {
    return db_.Query("SELECT format_type(atttypid, atttypmod) FROM pg_attribute WHERE attrelid = '" +
                     table + "'::regclass AND attname = '" + column + "'")[0][0].value_or("");
  };

  ProcessResult r = Cli({"send-to-postgresql", "items", "products", "catalog"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(CountRows("items"), 34);
  EXPECT_EQ(CountRows("products"), 77);
  EXPECT_EQ(CountRows("catalog"), 67);
  EXPECT_EQ(type_of("items", "catdate"), "date");
  EXPECT_EQ(type_of("items", "acqvalue"), "numeric(11,2)");
  EXPECT_EQ(type_of("items", "accessno"), "character varying(15)");
  EXPECT_EQ(type_of("products", "productid"), "integer");
  EXPECT_EQ(type_of("products", "unitprice"), "numeric(19,4)");
  EXPECT_EQ(type_of("products", "discontinu"), "boolean");
  EXPECT_EQ(type_of("catalog", "price"), "numeric(12,2)");
  EXPECT_EQ(type_of("catalog", "taxable"), "boolean");

  r = Cli({"--column-types", "text", "--overwrite", "yes", "send-to-postgresql", "items"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(type_of("items", "catdate"), "text");
  EXPECT_EQ(type_of("items", "acqvalue"), "text");
}

// Keys go with the typed mapping unless the setting or --keys says
// otherwise, and with the classic mapping only when asked for (whose memo
// fields take no keys: a note says so).
TEST_F(TableCommandsTest, KeysFollowTheColumnTypesUnlessTheSettingOrOptionSaysOtherwise) {
  db_.Exec("CREATE TABLE keyed (id integer PRIMARY KEY, name varchar(10))");
  const std::string index = tables_.File("keyed.CDX");
  const struct {
    std::vector<std::string> options;
    const char* setting;
    bool indexed;
    bool noted;
  } cases[] = {
      {{"--column-types", "typed"}, "", true, false},
      {{"--column-types", "text"}, "", false, false},
      {{"--column-types", "typed", "--keys", "no"}, "", false, false},
      {{"--column-types", "text", "--keys", "yes"}, "", false, true},
      {{"--column-types", "typed"}, "no", false, false},
      {{"--column-types", "typed", "--keys", "yes"}, "no", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options) + " CopyKeys=" + c.setting);
    Remember("CopyKeys", c.setting);
    std::vector<std::string> arguments = c.options;
    for (const char* word : {"--overwrite", "yes", "send-to-foxpro", "keyed"}) arguments.push_back(word);
    const ProcessResult r = Cli(arguments);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(std::filesystem::exists(index), c.indexed) << r.err;
    EXPECT_EQ(Contains(r.err, "no index tag was made for id"), c.noted) << r.err;
    std::filesystem::remove(index);
  }
}

// Several tables at once when the setting or the option says so: each
// table's line in the order of the tables, as one by one.
TEST_F(TableCommandsTest, JobsComeFromTheSettingUnlessTheOptionSaysOtherwise) {
  CopyFreeTable("dbase_30.dbf", "items");
  CopyFreeTable("dbase_31.dbf", "products");
  CopyFreeTable("dbase_83.dbf", "catalog");
  std::filesystem::copy_file(TestDataPath("free-tables/dbase_83.dbt"), tables_.File("catalog.dbt"));
  const auto table_lines = [](const std::string& err) {
    std::vector<std::string> tables;
    for (const std::string& line : Lines(err))
      if (line.find(" rows in ") != std::string::npos) tables.push_back(line.substr(0, line.find(':')));
    return tables;
  };
  const std::vector<std::string> in_order = {"products", "items", "catalog"};

  Remember("Jobs", "3");
  ProcessResult r = Cli({"send-to-postgresql", "items", "products", "catalog"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(table_lines(r.err), in_order) << r.err;
  EXPECT_EQ(CountRows("items"), 34);
  EXPECT_EQ(CountRows("products"), 77);
  EXPECT_EQ(CountRows("catalog"), 67);

  r = Cli({"--jobs", "1", "--overwrite", "yes", "send-to-postgresql", "items", "products",
           "catalog"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(table_lines(r.err), in_order) << r.err;
  EXPECT_EQ(CountRows("catalog"), 67);
}

TEST_F(TableCommandsTest, SendToFoxProOverwritesOnlyWhenTold) {
  db_.Exec("CREATE TABLE orders (id int, note text);"
           "INSERT INTO orders VALUES (1, 'It''s'), (2, NULL), (3, 'three')");
  ProcessResult r = Cli({"send-to-foxpro", "orders"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "orders: 3 rows in ")) << r.err;
  EXPECT_EQ(DbfReadRows(tables_.File("orders.DBF")), 3);

  db_.Exec("INSERT INTO orders VALUES (4, 'four')");
  r = Cli({"--overwrite", "no", "send-to-foxpro", "orders"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "Would you like to overwrite orders? No")) << r.err;
  EXPECT_EQ(DbfReadRows(tables_.File("orders.DBF")), 3);

  // Asked, with the answer on standard input.
  r = Cli({"--overwrite", "ask", "send-to-foxpro", "orders"}, "maybe\ny\n");
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "Would you like to overwrite orders? [y/n] ")) << r.err;
  EXPECT_EQ(DbfReadRows(tables_.File("orders.DBF")), 4);
  r = Cli({"--overwrite", "yes", "send-to-foxpro", "orders"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(DbfReadRows(tables_.File("orders.DBF")), 4);
}

TEST_F(TableCommandsTest, ACharacterTheCodePageLacksIsReportedAndEveryRowArrives) {
  db_.Exec("CREATE TABLE words (id int, word text);"
           "INSERT INTO words VALUES (1, 'plain'), (2, 'kanji 漢'), (3, 'also plain')");
  const ProcessResult r = Cli({"send-to-foxpro", "words"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_TRUE(Contains(r.err, "Application Error: Table \"words\", field \"word\": 1 character "
                              "that code page 1252 cannot hold was stored as \"?\" (row 2: '漢' "
                              "(U+6F22) in \"kanji 漢\")."))
      << r.err;
  EXPECT_TRUE(Contains(r.err, "in Veltrane2021/08/31.Form2.PushButton4_Click at line 162")) << r.err;
  EXPECT_TRUE(Contains(r.err, "Code page 936 would hold every character of table \"words\": "
                              "send it again with --code-page 936"))
      << r.err;
  EXPECT_TRUE(Contains(r.err, "words: 3 rows in ")) << r.err;
  EXPECT_EQ(DbfReadRows(tables_.File("words.DBF")), 3);

  const ProcessResult again = Cli({"--overwrite", "yes", "--code-page", "936", "send-to-foxpro", "words"});
  EXPECT_EQ(again.exit_status, 0) << again.err;
}

TEST_F(TableCommandsTest, AnUnlistedNameIsAnErrorAndTheOtherNamesGoOn) {
  CopyFreeTable("dbase_30.dbf", "sites");
  const ProcessResult r = Cli({"send-to-postgresql", "nosuch", "SITES", "sites"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_TRUE(Contains(r.err, "no FoxPro table named \"nosuch\" is listed")) << r.err;
  EXPECT_TRUE(Contains(r.err, "no FoxPro table named \"SITES\" is listed (did you mean \"sites\"?)"))
      << r.err;
  EXPECT_EQ(CountRows("sites"), 34);

  // With no name listed, nothing runs.
  EXPECT_EQ(Cli({"drop", "postgresql", "nosuch"}).exit_status, 1);
  EXPECT_EQ(UserTables(), std::vector<std::string>{"sites"});
}

TEST_F(TableCommandsTest, DropRemovesTheNamedTablesOnEitherSide) {
  db_.Exec("CREATE TABLE a (id int); CREATE TABLE b (id int); CREATE TABLE \"C d\" (id int)");
  ProcessResult r = Cli({"drop", "postgresql", "a", "C d"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(UserTables(), std::vector<std::string>{"b"});
  EXPECT_TRUE(HasLine(r.err, "dropped a")) << r.err;
  EXPECT_TRUE(HasLine(r.err, "dropped C d")) << r.err;

  CopyFreeTable("dbase_03.dbf", "keep");
  CopyFreeTable("dbase_30.dbf", "lose");
  r = Cli({"drop", "foxpro", "lose"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  r = Cli({"list", "foxpro"});
  EXPECT_EQ(Lines(r.out), std::vector<std::string>{"keep"});
  EXPECT_EQ(DbfReadRows(tables_.File("keep.dbf")), 14);
}

TEST_F(TableCommandsTest, RenameRenamesOneTableAndReportsARejectedRename) {
  db_.Exec("CREATE TABLE orders (id int); INSERT INTO orders VALUES (7); CREATE TABLE taken (id int)");
  ProcessResult r = Cli({"rename", "orders", "Orders Old"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(UserTables(), (std::vector<std::string>{"Orders Old", "taken"}));
  EXPECT_EQ(CountRows("\"Orders Old\""), 1);

  r = Cli({"rename", "Orders Old", "taken"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_TRUE(Contains(r.err, "already exists")) << r.err;
  EXPECT_TRUE(Contains(r.err, "in Veltrane2021/08/31.Form2.PushButton7_Click at line ")) << r.err;
  EXPECT_EQ(UserTables(), (std::vector<std::string>{"Orders Old", "taken"}));

  r = Cli({"rename", "orders", "again"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_TRUE(Contains(r.err, "no PostgreSQL table named \"orders\" is listed")) << r.err;
}

// --all takes every table `list` shows: PostgreSQL's own tables and the
// partitions are left out (their partitioned table holds their rows),
// parents go before the tables that refer to them, and a closing line
// counts what was done. The tables go out of a schema and back into
// another, which is made on the way.
TEST_F(TableCommandsTest, AllTakesEveryTableThroughSchemasBothWays) {
  db_.Exec(R"sql(
    CREATE SCHEMA shop;
    CREATE TABLE shop.orders_first(id int);
    CREATE TABLE shop.people(id int PRIMARY KEY, name text);
    INSERT INTO shop.people VALUES (1, 'Ann'), (2, 'Bo'), (3, 'Cy');
    CREATE TABLE shop.orders(id int PRIMARY KEY, customer int REFERENCES shop.people);
    INSERT INTO shop.orders VALUES (10, 1), (11, 3);
    CREATE TABLE shop.visit(at date, customer int) PARTITION BY RANGE (at);
    CREATE TABLE shop.visit_2024 PARTITION OF shop.visit
      FOR VALUES FROM ('2024-01-01') TO ('2025-01-01');
    CREATE TABLE shop.visit_2025 PARTITION OF shop.visit
      FOR VALUES FROM ('2025-01-01') TO ('2026-01-01');
    INSERT INTO shop.visit VALUES ('2024-05-01', 1), ('2024-06-01', 2), ('2025-01-02', 3);
    CREATE TABLE note(v text); INSERT INTO note VALUES ('n');
  )sql");
  ProcessResult r = Cli({"send-to-foxpro", "--all"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(HasLine(r.err, "all tables: 5 done, 9 rows, 0 with errors")) << r.err;
  EXPECT_LT(r.err.find("people: 3 rows"), r.err.find("orders: 2 rows")) << r.err;
  const std::vector<std::pair<std::string, int>> sent = {
      {"note", 1}, {"orders", 2}, {"orders_first", 0}, {"people", 3}, {"visit", 3}};
  for (const auto& [table, rows] : sent)
    EXPECT_EQ(DbfReadRows(tables_.File(table + ".DBF")), rows) << table;
  r = Cli({"list", "foxpro"});
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"note", "orders", "orders_first", "people",
                                                    "visit"}));

  r = Cli({"--schema", "Back Home", "send-to-postgresql", "--all"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "The schema \"Back Home\" was not in database")) << r.err;
  EXPECT_TRUE(HasLine(r.err, "all tables: 5 done, 9 rows, 0 with errors")) << r.err;
  for (const auto& [table, rows] : sent)
    EXPECT_EQ(CountRows("\"Back Home\"." + table), rows) << table;
  r = Cli({"list", "postgresql"});
  EXPECT_TRUE(HasLine(r.out, "\"Back Home\".people")) << r.out;
  EXPECT_TRUE(HasLine(r.out, "shop.visit_2024")) << r.out;  // listed, but not taken by --all

  // Children go before their parents, so that no foreign key stops a drop.
  r = Cli({"drop", "postgresql", "--all"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(HasLine(r.err, "all tables: 10 done, 0 with errors")) << r.err;
  EXPECT_EQ(UserTables(), std::vector<std::string>{});
  r = Cli({"drop", "foxpro", "--all"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(HasLine(r.err, "all tables: 5 done, 0 with errors")) << r.err;
  EXPECT_EQ(Cli({"list", "foxpro"}).out, "");
}

}  // namespace
}  // namespace veltrane::testing
