// Listing both sides into the tables window's lists.

#include "command_fixture.h"
#include "foxpro_tables.h"
#include "transfer/commands.h"

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

}  // namespace
}  // namespace veltrane::transfer::testing
