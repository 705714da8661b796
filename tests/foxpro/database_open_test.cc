#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "database_test_util.h"
#include "engine_test_util.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

namespace fs = std::filesystem;
using testing::FailureOf;

std::string OpenFailure(const std::string& data_source) {
  return FailureOf([&] { Database::Open(data_source); });
}

std::vector<std::string> CatalogText(Database& database) {
  std::vector<std::string> entries;
  for (const CatalogEntry& entry : database.Catalog()) entries.push_back(entry.name + ":" + entry.type);
  return entries;
}

TEST(DatabaseOpenTest, FailuresSayWhichDataSourceAndWhy) {
  veltrane::testing::TempDir dir;
  EXPECT_NE(OpenFailure("").find("No FoxPro data source"), std::string::npos);
  EXPECT_NE(OpenFailure(dir.File("missing.dbc")).find("does not exist"), std::string::npos);

  std::ofstream(dir.File("notes.dbc")) << "these are not the tables you are looking for";
  std::string not_container = OpenFailure(dir.File("notes.dbc"));
  EXPECT_NE(not_container.find("notes.dbc"), std::string::npos);
  EXPECT_NE(not_container.find("is not a database container"), std::string::npos);

  // A container cut short.
  std::string dbc = testing::CopyTestFile("container/data1.dbc", dir.path());
  fs::resize_file(dbc, 700);
  std::string corrupt = OpenFailure(dbc);
  EXPECT_NE(corrupt.find("is not a database container"), std::string::npos) << corrupt;

  // A table is not a container either.
  std::string table = testing::CopyTestFile("free-tables/dbase_03.dbf", dir.path());
  EXPECT_NE(OpenFailure(table).find("is not a database container"), std::string::npos);
}

TEST(DatabaseOpenTest, ListsEveryDbfFileOfAFolderByItsNameOnDisk) {
  veltrane::testing::TempDir dir;
  for (const char* name : {"dbase_03.dbf", "dbase_30.dbf", "dbase_30.fpt", "cp1251.dbf",
                           "dbase_83.dbf", "dbase_83.dbt"}) {
    testing::CopyTestFile(std::string("free-tables/") + name, dir.path());
  }
  fs::rename(dir.File("cp1251.dbf"), dir.File("Cyrillic.DBF"));
  std::ofstream(dir.File("readme.txt")) << "not a table";
  fs::create_directory(dir.File("folder.dbf"));  // a folder, not a table

  // The folder is found whatever the case of the path's last part.
  fs::create_directory(dir.File("Tables"));
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    if (entry.is_regular_file()) fs::copy_file(entry.path(), dir.File("Tables/") + entry.path().filename().string());
  }
  std::unique_ptr<Database> database = Database::Open(dir.File("TABLES"));
  // Named in lower case, as FoxPro reports them.
  EXPECT_EQ(CatalogText(*database), (std::vector<std::string>{"cyrillic:TABLE", "dbase_03:TABLE",
                                                             "dbase_30:TABLE", "dbase_83:TABLE"}));
  // Each listed name selects its table.
  for (const CatalogEntry& entry : database->Catalog()) {
    EXPECT_NO_THROW(testing::SelectAll(*database, "`" + entry.name + "`")) << entry.name;
  }
}

TEST(DatabaseOpenTest, ListsTheTablesOfTheFixtureContainer) {
  veltrane::testing::TempDir dir;
  for (const char* name : {"data1.dbc", "data1.DCT", "data1.DCX", "table1.dbf", "table1.FPT"}) {
    testing::CopyTestFile(std::string("container/") + name, dir.path());
  }
  std::unique_ptr<Database> database = Database::Open(dir.File("DATA1.DBC"));
  EXPECT_EQ(CatalogText(*database), std::vector<std::string>{"table1:TABLE"});
  testing::SelectResult table1 = testing::SelectAll(*database, "`TABLE1`");
  EXPECT_EQ(table1.row_count, 0);
  EXPECT_TRUE(table1.rows.empty());
  // Container mode names the columns by the container's long names.
  ASSERT_FALSE(table1.columns.empty());
  EXPECT_EQ(table1.columns[0].type, type_code::kBinaryMemo);
}

}  // namespace
}  // namespace veltrane::foxpro
