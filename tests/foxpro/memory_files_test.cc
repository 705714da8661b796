// A database whose files live in memory behaves as the same database on
// disk: the same catalogues, rows and failures, and the same files after.
#include <gtest/gtest.h>

#include <algorithm>

#include "database_test_util.h"
#include "engine_test_util.h"
#include "foxpro/database.h"
#include "foxpro/files/memory_file_system.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

using testing::FailureOf;
using testing::FilesIn;
using testing::ReadBytes;

// `text` with every "{dir}" replaced by `folder`.
std::string InFolder(std::string text, const std::string& folder) {
  for (size_t at; (at = text.find("{dir}")) != std::string::npos;) text.replace(at, 5, folder);
  return text;
}

// What the database at `data_source` made of `statements` ("catalog" lists
// the catalogue), as text: each catalogue entry, row value and failure.
std::string Transcript(const std::string& data_source, const std::vector<std::string>& statements) {
  std::unique_ptr<Database> database;
  std::string out = FailureOf([&] { database = Database::Open(data_source); }) + "\n";
  if (!database) return out;
  for (const std::string& statement : statements) {
    out += "> " + statement + "\n";
    if (statement == "catalog") {
      for (const CatalogEntry& entry : database->Catalog())
        out += entry.name + " " + entry.type + " " + entry.problem + "\n";
      continue;
    }
    out += FailureOf([&] {
      std::unique_ptr<RowCursor> rows = database->Execute(statement);
      std::vector<Cell> cells;
      while (rows && rows->Next(cells))
        for (const Cell& cell : cells) out += (cell.null ? "NULL" : cell.text + cell.error) + "|";
    }) + "\n";
  }
  out += FailureOf([&] { database->Flush(); });
  return out;
}

TEST(MemoryFilesTest, ADatabaseInMemoryBehavesAsOnDisk) {
  struct Case {
    const char* name;
    std::vector<std::string> files;  // under tests/data
    const char* data_source;
    std::vector<std::string> statements;
    const char* shows;  // a piece of the transcript, that it is not empty of sense
  };
  const std::vector<Case> cases = {
      {"free tables",
       {"free-tables/dbase_83.dbf", "free-tables/dbase_83.dbt", "free-tables/cp1251.dbf"},
       "{dir}",
       {"catalog", "SELECT * FROM `dbase_83`", "SELECT * FROM `CP1251`", "SELECT * FROM `none`",
        "CREATE TABLE '{dir}/New.dbf'([name] C(10),[note] M,[n] I NULL)",
        "CREATE TABLE '{dir}/NEW.DBF'([x] M)", "INSERT INTO `{dir}/new.dbf` VALUES('a', 'memo', 1)",
        "INSERT INTO `{dir}/new.dbf` VALUES('b')", "INSERT INTO `{dir}/new.dbf` VALUES('c', 'm2', NULL)",
        "SELECT * FROM `new`", "INSERT INTO `{dir}/gone.dbf` VALUES('x')",
        "CREATE TABLE '{dir}/no/such.dbf'([x] M)", "DROP TABLE `cp1251`", "DROP TABLE `cp1251`",
        "catalog"},
       "a         |memo|1|c         |m2|NULL|"},
      {"container",
       {"container/data1.dbc", "container/data1.DCT", "container/data1.DCX", "container/table1.dbf",
        "container/table1.FPT"},
       "{dir}/DATA1.dbc",
       {"catalog", "SELECT * FROM `table1`", "CREATE TABLE '{dir}/orders.dbf'([order number] M)",
        "CREATE TABLE '{dir}/Table1.dbf'([x] M)", "INSERT INTO `{dir}/orders.dbf` VALUES('one')",
        "SELECT * FROM `ORDERS`", "DROP TABLE `table1`", "SELECT * FROM `table1`", "catalog"},
       "one|"},
      {"missing data source", {}, "{dir}/nowhere", {}, "does not exist"},
      {"a table file as data source", {"free-tables/cp1251.dbf"}, "{dir}/cp1251.dbf", {},
       "is not a database container"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    veltrane::testing::TempDir dir;
    MemoryFileSystem memory;
    memory.AddFolder(dir.path());
    for (const std::string& file : c.files) {
      const std::string path = testing::CopyTestFile(file, dir.path());
      memory.AddFile(path, ReadBytes(path));
    }
    std::vector<std::string> statements;
    for (const std::string& statement : c.statements) statements.push_back(InFolder(statement, dir.path()));
    const std::string source = InFolder(c.data_source, dir.path());

    const std::string on_disk = Transcript(source, statements);
    std::vector<std::string> in_memory_names;
    std::string in_memory;
    {
      ScopedFileSystem installed(memory);
      in_memory = Transcript(source, statements);
      std::error_code error;
      in_memory_names = memory.List(dir.path(), error);
    }
    EXPECT_EQ(in_memory, on_disk);
    EXPECT_NE(on_disk.find(c.shows), std::string::npos) << on_disk;
    std::sort(in_memory_names.begin(), in_memory_names.end());
    ASSERT_EQ(in_memory_names, FilesIn(dir.path()));
    for (const std::string& name : in_memory_names)
      EXPECT_EQ(memory.Contents(dir.File(name)), ReadBytes(dir.File(name))) << name;
  }
}

}  // namespace
}  // namespace veltrane::foxpro
