// Listing both sides into the tables window's lists.

#include "command_fixture.h"
#include "foxpro_tables.h"
#include "transfer/commands.h"
#include "transfer/table_order.h"

namespace veltrane::transfer::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LoadTablesTest : public CommandFixture {
 protected:
  void WriteTable(const std::string& file_name) {
    foxpro::NewField field;
    field.name = "id";
    field.type = 'I';
    WriteFoxProTable(dir_.File(file_name), {field}, {});
  }
  int Count(const app::TableList& list, const std::string& name) {
    int count = 0;
    for (const std::string& item : Items(list)) count += item == name;
    return count;
  }
};

TEST_F(LoadTablesTest, ListsBothSidesAfresh) {
  WriteTable("b.dbf");
  WriteTable("A.DBF");
  db_.Exec("CREATE TABLE orders(id int); CREATE SCHEMA sales; CREATE TABLE sales.orders(id int)");
  Fill(*list1_, {"stale"});
  Fill(*list2_, {"stale"});

  for (int run = 0; run < 2; ++run) {
    EXPECT_TRUE(LoadTables(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
    EXPECT_THAT(Items(*list1_), ElementsAre("a", "b"));
    EXPECT_EQ(Count(*list2_, "orders"), 1);  // the one its bare name reaches
    EXPECT_EQ(Count(*list2_, "sales.orders"), 1);
    EXPECT_EQ(Count(*list2_, "stale"), 0);
    EXPECT_THAT(Items(*list2_), Contains("pg_class"));
  }
  EXPECT_GT(events_.yields, 0);
}

TEST_F(LoadTablesTest, AFailingSideIsReportedOnceAndTheOtherSideIsListed) {
  WriteTable("a.dbf");
  db_.Exec("CREATE TABLE t(id int)");
  settings_.password = "wrong";

  EXPECT_EQ(LoadTables(ctx()).failures, 1);
  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_NE(prompter_.Reports()[0].find("in Veltrane2021/08/31.Form2.Form_Load at line 118"),
            std::string::npos)
      << prompter_.Reports()[0];
  EXPECT_EQ(SqlLine(prompter_.Reports()[0]), std::nullopt);
  EXPECT_THAT(Items(*list1_), ElementsAre("a"));
  EXPECT_THAT(Items(*list2_), IsEmpty());

  prompter_.shown.clear();
  settings_ = db_.Settings();
  UseFreeTables(dir_.File("missing"));
  EXPECT_EQ(LoadTables(ctx()).failures, 1);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 116);
  EXPECT_THAT(Items(*list1_), IsEmpty());
  EXPECT_THAT(Items(*list2_), Contains("t"));
}

TEST(ParentsFirstTest, EachTableComesAfterTheTablesItRefersTo) {
  const struct {
    size_t count;
    std::vector<std::pair<size_t, size_t>> references;  // (referencing, referenced)
    std::vector<size_t> order;
  } cases[] = {
      {0, {}, {}},
      {3, {}, {0, 1, 2}},
      {3, {{0, 1}, {1, 2}}, {2, 1, 0}},
      {4, {{0, 3}, {1, 3}, {2, 0}, {2, 1}}, {3, 0, 1, 2}},
      // A cycle is broken at its first table in list order.
      {3, {{0, 1}, {1, 0}, {2, 0}}, {0, 1, 2}},
      {4, {{1, 2}, {2, 1}, {0, 3}}, {3, 0, 1, 2}},
      // A table referring to itself, and pairs outside the range.
      {2, {{0, 0}, {1, 5}, {7, 0}}, {0, 1}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParentsFirst(c.count, c.references), c.order)
        << ::testing::PrintToString(c.references);
}

// Every table of the PostgreSQL side: the user's own tables without
// partitions, parents first, a cycle last; of the FoxPro side: every entry
// in list order.
TEST_F(LoadTablesTest, EveryTableIsTheUsersTablesParentsFirst) {
  WriteTable("b.dbf");
  WriteTable("a.dbf");
  db_.Exec(R"sql(
    CREATE TABLE a(id int PRIMARY KEY, b int);
    CREATE TABLE b(id int PRIMARY KEY, a int REFERENCES a);
    ALTER TABLE a ADD FOREIGN KEY (b) REFERENCES b;
    CREATE SCHEMA shop;
    CREATE TABLE shop.customer(id int PRIMARY KEY);
    CREATE TABLE shop.orders(id int PRIMARY KEY, customer int REFERENCES shop.customer);
    CREATE TABLE shop."Order Lines"(order_id int REFERENCES shop.orders);
    CREATE TABLE staff(id int PRIMARY KEY, boss int REFERENCES staff);
    CREATE TABLE visit(at date, customer int REFERENCES shop.customer) PARTITION BY RANGE (at);
    CREATE TABLE visit_2024 PARTITION OF visit FOR VALUES FROM ('2024-01-01') TO ('2025-01-01');
  )sql");
  ASSERT_TRUE(LoadTables(ctx()).ok());
  EXPECT_THAT(Items(*list2_), ::testing::IsSupersetOf({"visit_2024", "pg_class"}));
  CommandHooks hooks{prompter_, progress_, events_, nullptr, nullptr};
  std::vector<std::string> tables{"stale"};

  EXPECT_TRUE(EveryTable(Side::kPostgreSql, Settings(), *list2_, tables, hooks).ok());
  EXPECT_THAT(tables, ElementsAre("shop.customer", "shop.orders", "shop.\"Order Lines\"", "staff",
                                  "visit", "a", "b"));
  EXPECT_TRUE(EveryTable(Side::kFoxPro, Settings(), *list1_, tables, hooks).ok());
  EXPECT_THAT(tables, ElementsAre("a", "b"));

  settings_.password = "wrong";
  EXPECT_EQ(EveryTable(Side::kPostgreSql, Settings(), *list2_, tables, hooks).failures, 1);
  EXPECT_EQ(ReportedLine(prompter_.Reports().at(0)), 118);
  EXPECT_THAT(tables, IsEmpty());
}

}  // namespace
}  // namespace veltrane::transfer::testing
