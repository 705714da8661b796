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

}  // namespace
}  // namespace veltrane::testing
