#include <gtest/gtest.h>

#include <filesystem>

#include "database_test_util.h"
#include "engine_test_util.h"
#include "foxpro/files/container.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using testing::FailureOf;
using testing::FilesIn;
using testing::SelectAll;

class ContainerStatementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"data1.dbc", "data1.DCT", "data1.DCX", "table1.dbf", "table1.FPT"}) {
      testing::CopyTestFile(std::string("container/") + name, dir_.path());
    }
    database_ = Database::Open(dir_.File("data1.dbc"));
  }
  void Run(const std::string& statement) { database_->Execute(statement); }
  Names TableNames(Database& database) {
    Names names;
    for (const CatalogEntry& entry : database.Catalog()) {
      if (entry.type == "TABLE") names.push_back(entry.name);
    }
    return names;
  }

  veltrane::testing::TempDir dir_;
  std::unique_ptr<Database> database_;
};

TEST_F(ContainerStatementsTest, CreatedTableJoinsTheContainerWithItsLongFieldNames) {
  Run("CREATE TABLE '" + dir_.File("Orders.DBF") +
      "'([order number] M,[customer name that is long] M,[customer name that is longer] M,"
      "[photo] BLOB);");
  const Names long_names{"order number", "customer name that is long",
                         "customer name that is longer", "photo"};
  EXPECT_EQ(TableNames(*database_), (Names{"table1", "Orders"}));
  EXPECT_EQ(testing::ColumnNames(SelectAll(*database_, "`orders`")), long_names);

  // Another connection finds it in the container on disk.
  std::unique_ptr<Database> reopened = Database::Open(dir_.File("data1.dbc"));
  EXPECT_EQ(TableNames(*reopened), (Names{"table1", "Orders"}));
  Run("INSERT INTO `" + dir_.File("orders.dbf") + "` VALUES('1', 'Ann', 'Ann B.', '\\x0102')");
  database_->Flush();
  testing::SelectResult rows = SelectAll(*reopened, "`ORDERS`");
  EXPECT_EQ(testing::ColumnNames(rows), long_names);
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.rows[0][2], "Ann B.");

  std::unique_ptr<Container> container = Container::Open(dir_.File("data1.dbc"));
  bool found = false;
  for (const ContainerTable& table : container->Tables()) {
    if (table.name != "Orders") continue;
    found = true;
    EXPECT_EQ(table.field_names, long_names);
    EXPECT_EQ(fs::path(table.path).filename(), "Orders.DBF");
  }
  EXPECT_TRUE(found);

  // The header keeps short names and links back to the container.
  EXPECT_EQ(testing::PythonFieldList("dbfread", dir_.File("Orders.DBF")),
            (Names{"order numb M 4 0", "customer n M 4 0", "customer_1 M 4 0", "photo W 4 0",
                   "rows 1"}));
  std::string header = testing::ReadBytes(dir_.File("Orders.DBF"));
  EXPECT_NE(header.find("data1.dbc"), std::string::npos);
}

// NAME gives the table its name in the container, apart from its file's.
TEST_F(ContainerStatementsTest, ATableNamedApartFromItsFileIsFoundByThatName) {
  const std::string long_name = "Order Details of the Year " + std::string(100, 'x');
  Run("CREATE TABLE '" + dir_.File("order_de.dbf") + "' NAME `" + long_name +
      "`([order_line_identifier] I, [quantity_ordered_in_units] N(5,0));");
  EXPECT_EQ(TableNames(*database_), (Names{"table1", long_name}));
  EXPECT_TRUE(database_->TakeNotices().empty());
  Run("INSERT INTO `" + dir_.File("order_de.dbf") + "` VALUES(7, 3)");
  database_->Flush();
  const std::unique_ptr<Database> reopened = Database::Open(dir_.File("data1.dbc"));
  testing::SelectResult rows = SelectAll(*reopened, "`ORDER DETAILS OF THE YEAR " + std::string(100, 'X') + "`");
  EXPECT_EQ(testing::ColumnNames(rows), (Names{"order_line_identifier", "quantity_ordered_in_units"}));
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.rows[0][0], "7");
  EXPECT_EQ(testing::PythonFieldList("dbf", dir_.File("order_de.dbf")),
            (Names{"order_line I binary", "quantity_o N(5,0)", "rows 1"}));

  std::string failure = FailureOf([&] {
    Run("CREATE TABLE '" + dir_.File("other.dbf") + "' NAME `" + long_name + "xxx`([a] M)");
  });
  EXPECT_NE(failure.find("at most 128 characters"), std::string::npos) << failure;
  failure = FailureOf([&] { Run("CREATE TABLE '" + dir_.File("other.dbf") + "' NAME `TABLE1`([a] M)"); });
  EXPECT_NE(failure.find("already has a table \"table1\""), std::string::npos) << failure;

  Run("DROP TABLE `" + long_name + "`");
  EXPECT_EQ(FilesIn(dir_.path()),
            (Names{"data1.DCT", "data1.DCX", "data1.dbc", "table1.FPT", "table1.dbf"}));
}

TEST_F(ContainerStatementsTest, NamesAreWrittenInTheCodePagesOfTableAndContainer) {
  // The container keeps code page 1252; a table of 1251 holds Cyrillic.
  database_ = Database::Open(dir_.File("data1.dbc"), CodePageChoice{1251, false});
  Run("CREATE TABLE '" + dir_.File("prices.dbf") + "'([цена в рублях] M,[café] M);");
  EXPECT_EQ(testing::PythonFieldList("dbfread", dir_.File("prices.dbf")),
            (Names{"цена в руб M 4 0", "caf_ M 4 0", "rows 0"}));
  EXPECT_EQ(testing::ColumnNames(SelectAll(*database_, "`prices`")),
            (Names{"____ _ ______", "café"}));
  EXPECT_EQ(testing::NoticeText(database_->TakeNotices()),
            "Table \"prices\": field names with characters that code page 1251 cannot hold were "
            "written into the table with \"_\" in their place: [café] as [caf_].\n"
            "Table \"prices\": field names with characters that the container's code page 1252 "
            "cannot hold were written into the container with \"_\" in their place: [цена в "
            "рублях] as [____ _ ______].\n");
  EXPECT_TRUE(database_->TakeNotices().empty());
}

TEST_F(ContainerStatementsTest, CreatesEveryTypeWithLongNamesAndNulls) {
  Run("CREATE TABLE '" + dir_.File("every.dbf") +
      "'([character field] C(12) NULL, [varchar field] V(20) NULL, [numeric field] N(10,3),"
      " [float field] F(12,2), [integer field] I, [double field] B, [currency field] Y,"
      " [date field] D NULL, [datetime field] T, [logical field] L, [memo field] M NOCPTRANS,"
      " [general field] G, [blob field] W NULL, [varbinary field] Q(8))");
  testing::SelectResult every = SelectAll(*database_, "`EVERY`");
  EXPECT_EQ(every.columns.size(), 14u);
  EXPECT_EQ(every.columns[0].name, "character field");
  EXPECT_EQ(every.columns[13].name, "varbinary field");
  std::vector<int16_t> types;
  for (const Column& column : every.columns) types.push_back(column.type);
  EXPECT_EQ(types, (std::vector<int16_t>{129, 200, 131, 131, 3, 5, 6, 133, 135, 11, 205, 205, 205,
                                         204}));
  Run("INSERT INTO `" + dir_.File("every.dbf") +
      "` VALUES(NULL, 'v', 1.5, 2.25, 7, 0.5, 12.3456, NULL, '2001-02-03 04:05:06', .T.,"
      " 'memo', '\\x01', NULL, '\\x0203')");
  database_->Flush();
  std::vector<testing::Record> dbfread = testing::ReadWithPython("dbfread", dir_.File("every.dbf"));
  ASSERT_EQ(dbfread.size(), 1u);
  EXPECT_EQ(dbfread[0][8], "2001-02-03 04:05:06");
  EXPECT_EQ(SelectAll(*database_, "`every`").rows[0],
            (std::vector<std::optional<std::string>>{
                std::nullopt, "v", "1.500", "2.25", "7", "0.5", "12.3456", std::nullopt,
                "2001-02-03 04:05:06", "true", "\\x6d656d6f", "\\x01", std::nullopt,
                "\\x0203"}));
}

TEST_F(ContainerStatementsTest, DropRemovesTheTableFromTheContainerAndDeletesItsFiles) {
  Run("CREATE TABLE '" + dir_.File("scratch.dbf") + "'([text] M)");
  Run("INSERT INTO `" + dir_.File("scratch.dbf") + "` VALUES('x')");
  Run("DROP TABLE `SCRATCH`");
  Run("DROP TABLE `table1`");
  EXPECT_TRUE(TableNames(*database_).empty());
  EXPECT_TRUE(TableNames(*Database::Open(dir_.File("data1.dbc"))).empty());
  EXPECT_EQ(FilesIn(dir_.path()), (Names{"data1.DCT", "data1.DCX", "data1.dbc"}));
  EXPECT_NE(FailureOf([&] { Run("DROP TABLE `table1`"); }).find("is not in the database container"),
            std::string::npos);
  EXPECT_NE(FailureOf([&] { Run("SELECT * FROM `table1`"); }).find("is not in the database container"),
            std::string::npos);
}

TEST_F(ContainerStatementsTest, CreateRefusesNamesTheContainerOrFolderAlreadyHas) {
  // The container already holds table1 (and its file is there).
  std::string failure = FailureOf([&] { Run("CREATE TABLE '" + dir_.File("TABLE1.dbf") + "'([a] M)"); });
  EXPECT_NE(failure.find("already exists"), std::string::npos) << failure;
  fs::remove(dir_.File("table1.dbf"));
  fs::remove(dir_.File("table1.FPT"));
  failure = FailureOf([&] { Run("CREATE TABLE '" + dir_.File("Table1.dbf") + "'([a] M)"); });
  EXPECT_NE(failure.find("already has a table \"table1\""), std::string::npos) << failure;

  std::string long_name(129, 'n');
  failure = FailureOf([&] { Run("CREATE TABLE '" + dir_.File("x.dbf") + "'([" + long_name + "] M)"); });
  EXPECT_NE(failure.find("longer than 128"), std::string::npos) << failure;
  failure = FailureOf([&] { Run("CREATE TABLE '" + dir_.File("y.dbf") + "'([Price] M, [price] M)"); });
  EXPECT_NE(failure.find("[price] appears twice"), std::string::npos) << failure;
  EXPECT_EQ(FilesIn(dir_.path()), (Names{"data1.DCT", "data1.DCX", "data1.dbc"}));
  EXPECT_EQ(TableNames(*database_), Names{"table1"});
}

}  // namespace
}  // namespace veltrane::foxpro
