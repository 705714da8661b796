#include "db/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/error.h"
#include "db/postgresql_tables.h"
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
  // The second "orders" is listed with its schema: its bare name reaches
  // the first.
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "orders"), 1);
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "sales.orders"), 1);
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "Mixed Case"), 1);
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "pg_class"), 1);
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "order_view"), 0);
  EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "stale"), 0);
  EXPECT_EQ(yields, static_cast<int>(list.entries.size()));
  auto expected = db.Query("select count(*) from pg_tables");
  EXPECT_EQ(std::to_string(list.entries.size()), *expected[0][0]);
}

// Each table is listed under one name that stands for it alone: its bare
// name where that reaches it, else schema.table quoted as needed.
TEST(CatalogueTest, PostgreSqlTablesAreListedUnderNamesThatStandForThemAlone) {
  testing::TestDatabase db;
  db.Exec(R"sql(
    CREATE TABLE city(a int);
    CREATE TABLE "Mixed Case"(a int);
    CREATE SCHEMA staging;
    CREATE TABLE staging.city(a int);
    CREATE TABLE staging.only_here(a int);
    CREATE TABLE staging."City"(a int);
    CREATE TABLE staging."select"(a int);
    CREATE SCHEMA "My Schema";
    CREATE TABLE "My Schema"."a.b"(a int);
    CREATE TABLE public."staging.only_here"(a int);
    CREATE TABLE public."""staging"".""only_here"""(a int);
    CREATE TABLE public.pg_class(a int);
  )sql");
  const struct {
    const char* schema;
    const char* name;
    const char* listed;
  } cases[] = {
      {"public", "city", "city"},
      {"public", "Mixed Case", "Mixed Case"},
      {"staging", "city", "staging.city"},  // shadowed by public.city
      {"staging", "only_here", "\"staging\".\"only_here\""},  // staging.only_here is taken
      {"staging", "City", "staging.\"City\""},
      {"staging", "select", "staging.\"select\""},
      {"My Schema", "a.b", "\"My Schema\".\"a.b\""},
      {"public", "staging.only_here", "staging.only_here"},
      // Its bare name is the quoted one of staging.only_here.
      {"public", "\"staging\".\"only_here\"", "public.\"\"\"staging\"\".\"\"only_here\"\"\""},
      {"pg_catalog", "pg_class", "pg_class"},
      {"public", "pg_class", "public.pg_class"},  // pg_catalog comes first
      {"information_schema", "sql_features", "information_schema.sql_features"},
  };
  Connection connection;
  connection.Open(PostgreSqlConnectionString(db.Settings()));
  const std::vector<PostgreSqlTable> tables = ReadPostgreSqlTables(connection);
  std::set<std::string> listed;
  for (const PostgreSqlTable& table : tables) listed.insert(table.listed);
  EXPECT_EQ(listed.size(), tables.size());
  EXPECT_EQ(std::to_string(tables.size()), *db.Query("select count(*) from pg_tables")[0][0]);
  for (const auto& c : cases) {
    const auto found = std::find_if(tables.begin(), tables.end(), [&](const PostgreSqlTable& t) {
      return t.schema == c.schema && t.name == c.name;
    });
    ASSERT_NE(found, tables.end()) << c.schema << "." << c.name;
    EXPECT_EQ(found->listed, c.listed);
    EXPECT_EQ(found->bare, found->listed == found->name) << c.listed;
  }
}

// Every-table operations leave out the system's tables and partitions, and
// see foreign keys between the tables they take.
TEST(CatalogueTest, PostgreSqlRelationsNameSystemTablesPartitionsAndForeignKeys) {
  testing::TestDatabase db;
  db.Exec(R"sql(
    CREATE TABLE customer(id int PRIMARY KEY);
    CREATE TABLE orders(id int PRIMARY KEY, customer int REFERENCES customer);
    CREATE TABLE staff(id int PRIMARY KEY, boss int REFERENCES staff);
    CREATE TABLE visit(at date, customer int REFERENCES customer) PARTITION BY RANGE (at);
    CREATE TABLE visit_2024 PARTITION OF visit FOR VALUES FROM ('2024-01-01') TO ('2025-01-01')
      PARTITION BY LIST (customer);
    CREATE TABLE visit_2024_a PARTITION OF visit_2024 FOR VALUES IN (1);
    CREATE TABLE note(id int);
    ALTER TABLE visit_2024_a ADD CONSTRAINT own FOREIGN KEY (customer) REFERENCES orders;
  )sql");
  const auto oid = [&](const std::string& table) {
    const auto rows = db.Query("SELECT '" + table + "'::regclass::oid");
    return static_cast<uint32_t>(std::stoul(*rows[0][0]));
  };
  Connection connection;
  connection.Open(PostgreSqlConnectionString(db.Settings()));
  const PostgreSqlTableRelations relations = ReadPostgreSqlTableRelations(connection);

  for (const char* table :
       {"visit_2024", "visit_2024_a", "pg_class", "information_schema.sql_parts"})
    EXPECT_EQ(relations.left_out.count(oid(table)), 1u) << table;
  for (const char* table : {"customer", "orders", "staff", "visit", "note"})
    EXPECT_EQ(relations.left_out.count(oid(table)), 0u) << table;
  std::set<std::pair<uint32_t, uint32_t>> references(relations.references.begin(),
                                                     relations.references.end());
  EXPECT_EQ(references, (std::set<std::pair<uint32_t, uint32_t>>{
                            {oid("orders"), oid("customer")},
                            {oid("visit"), oid("customer")},
                            {oid("visit"), oid("orders")}}));
  EXPECT_EQ(relations.references.size(), references.size());  // each once
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
