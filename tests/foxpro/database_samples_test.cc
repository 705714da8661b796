#include <gtest/gtest.h>

#include <cstdlib>

#include "database_test_util.h"
#include "engine_test_util.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

// The sample tables the build writes beside the program: every table opens
// in this engine and in both independent readers, with the same rows, and
// holds nulls and multi-line memos.
TEST(SampleTablesTest, OpenEverywhereWithNullsAndMemos) {
  veltrane::testing::TempDir dir;
  std::string folder = dir.File("Samples");
  ASSERT_EQ(std::system((std::string(VELTRANE_MAKE_SAMPLES) + " '" + folder + "'").c_str()), 0);
  std::unique_ptr<Database> database = Database::Open(folder);
  std::vector<std::string> names;
  for (const CatalogEntry& entry : database->Catalog()) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{"customers", "employees", "orders", "products"}));

  for (const std::string& name : names) {
    testing::SelectResult rows = testing::SelectAll(*database, "`" + name + "`");
    EXPECT_GT(rows.rows.size(), 10u) << name;
    EXPECT_EQ(rows.row_count, static_cast<int64_t>(rows.rows.size()));
    bool has_null = false;
    for (const auto& row : rows.rows) {
      for (const auto& value : row) {
        has_null = has_null || !value;
        if (value) {
          EXPECT_EQ(value->rfind("ERROR", 0), std::string::npos) << name << ": " << *value;
        }
      }
    }
    EXPECT_TRUE(has_null) << name;
    std::string path = folder + "/" + name + ".dbf";
    EXPECT_EQ(testing::ReadWithPython("dbfread", path).size(), rows.rows.size()) << name;
    std::vector<testing::Record> dbf = testing::ReadWithPython("dbf", path);
    ASSERT_EQ(dbf.size(), rows.rows.size()) << name;
    for (size_t r = 0; r < dbf.size(); ++r) {
      for (size_t f = 0; f < dbf[r].size(); ++f) {
        EXPECT_EQ(dbf[r][f].has_value(), rows.rows[r][f].has_value()) << name << " " << r << " " << f;
      }
    }
  }
  testing::SelectResult customers = testing::SelectAll(*database, "`customers`");
  EXPECT_EQ(customers.rows[1].back(), "Prefers delivery before noon.\r\nCall ahead.");
}

}  // namespace
}  // namespace veltrane::foxpro
