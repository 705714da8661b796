#include "db/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "db/error.h"
#include "support/test_database.h"

namespace veltrane::db {
namespace {

struct RecordingList {
  std::vector<std::string> entries{"stale"};
  int clears = 0;
  ListSink Sink() {
    return {[this] {
              entries.clear();
              ++clears;
            },
            [this](const std::string& name) { entries.push_back(name); }};
  }
};

TEST(CatalogueTest, PostgreSqlListsEveryTableOfEverySchema) {
  testing::TestDatabase db;
  db.Exec("CREATE TABLE orders (a int); CREATE SCHEMA sales; CREATE TABLE sales.orders (a int); "
          "CREATE TABLE \"Mixed Case\" (a int); CREATE VIEW order_view AS SELECT 1 AS a");
  RecordingList list;
  int yields = 0;
  ListPostgreSQLTables(list.Sink(), db.Settings(), [&] { ++yields; });
  EXPECT_EQ(list.clears, 1);
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "orders"), 2);
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "Mixed Case"), 1);
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "pg_class"), 1);
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "order_view"), 0);
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "stale"), 0);
  EXPECT_EQ(yields, static_cast<int>(list.entries.size()));
  auto expected = db.Query("select count(*) from pg_tables");
  EXPECT_EQ(std::to_string(list.entries.size()), *expected[0][0]);
}

TEST(CatalogueTest, PostgreSqlFailureLeavesTheListAndThrows) {
  testing::TestDatabase db;
  ConnectionSettings s = db.Settings();
  s.password += "-wrong";
  RecordingList list;
  EXPECT_THROW(ListPostgreSQLTables(list.Sink(), s, [] {}), Error);
  EXPECT_EQ(list.clears, 0);
}

TEST(CatalogueTest, FoxProFailureThrowsWithADescription) {
  RecordingList list;
  try {
    ConnectionSettings settings;
    settings.container_mode = false;
    settings.free_table_folder = "/nonexistent/x";
    ListFoxProTables(list.Sink(), settings, [] {});
    ADD_FAILURE();
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()), "");
  }
  EXPECT_EQ(list.clears, 0);
}

}  // namespace
}  // namespace veltrane::db
