// Dropping and renaming PostgreSQL tables.

#include "command_fixture.h"
#include "transfer/commands.h"

namespace veltrane::transfer::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PostgreSqlMaintenanceTest : public CommandFixture {};

TEST_F(PostgreSqlMaintenanceTest, DropsSelectedTablesFromTheLastEntryUp) {
  db_.Exec("CREATE TABLE a(id int); CREATE TABLE b(id int); CREATE TABLE c(id int);"
           "CREATE TABLE \"Unit Price\"(id int); CREATE TABLE keep(id int)");
  RecordDdl();
  Fill(*list2_, {"a", "b", "c", "Unit Price", "keep"}, {"a", "c", "Unit Price"});

  const CommandResult result = DropPostgreSqlTables(ctx());

  EXPECT_TRUE(result.ok());
  EXPECT_THAT(DdlLog(), ElementsAre("DROP TABLE public.\"Unit Price\"", "DROP TABLE public.c",
                                    "DROP TABLE public.a"));
  EXPECT_THAT(Items(*list2_), ElementsAre("b", "keep"));
  EXPECT_THAT(prompter_.shown, IsEmpty());
  EXPECT_THAT(pointer_.codes, ElementsAre(app::kPointerHourglass, app::kPointerDefault));
}

TEST_F(PostgreSqlMaintenanceTest, ARejectedDropKeepsItsEntryAndTheOthersGoOn) {
  db_.Exec("CREATE TABLE a(id int); CREATE TABLE c(id int)");
  Fill(*list2_, {"a", "ghost", "c"}, {"a", "ghost", "c"});

  const CommandResult result = DropPostgreSqlTables(ctx());

  EXPECT_EQ(result.failures, 1);
  EXPECT_THAT(Items(*list2_), ElementsAre("ghost"));
  ASSERT_EQ(prompter_.Reports().size(), 1u);
  const std::string report = prompter_.Reports()[0];
  EXPECT_NE(Description(report).find("ghost"), std::string::npos) << report;
  EXPECT_NE(report.find("in Veltrane2021/08/31.Form2.PushButton5_Click at line 118"),
            std::string::npos)
      << report;
  EXPECT_EQ(SqlLine(report), std::nullopt);
  EXPECT_FALSE(PgTableExists("a"));
  EXPECT_FALSE(PgTableExists("c"));
}

TEST_F(PostgreSqlMaintenanceTest, NamesWithQuotesAreDroppedExactly) {
  db_.Exec("CREATE TABLE \"say \"\"hi\"\"\"(id int); CREATE TABLE \"x\"\"; DROP TABLE victim; --\"(id int);"
           "CREATE TABLE victim(id int)");
  Fill(*list2_, {"say \"hi\"", "x\"; DROP TABLE victim; --", "victim"},
       {"say \"hi\"", "x\"; DROP TABLE victim; --"});

  EXPECT_TRUE(DropPostgreSqlTables(ctx()).ok());

  EXPECT_THAT(Items(*list2_), ElementsAre("victim"));
  EXPECT_TRUE(PgTableExists("victim"));
  EXPECT_FALSE(PgTableExists("say \"hi\""));
}

TEST_F(PostgreSqlMaintenanceTest, SelectionChecksComeAfterTheConnectionOpened) {
  db_.Exec("CREATE TABLE a(id int)");
  Fill(*list2_, {"a"});

  // No current entry: the message, nothing dropped.
  EXPECT_TRUE(DropPostgreSqlTables(ctx()).ok());
  EXPECT_THAT(prompter_.Messages(), ElementsAre("Please select a table"));
  EXPECT_EQ(prompter_.shown[0].title, "");

  // A current entry but nothing selected: nothing at all.
  prompter_.shown.clear();
  list2_->SetCurrentIndex(0);
  EXPECT_TRUE(DropPostgreSqlTables(ctx()).ok());
  EXPECT_THAT(prompter_.shown, IsEmpty());
  EXPECT_TRUE(PgTableExists("a"));
  EXPECT_THAT(Items(*list2_), ElementsAre("a"));
}

TEST_F(PostgreSqlMaintenanceTest, AConnectionThatDoesNotOpenIsReportedOnceAndEndsTheCommand) {
  settings_.password = "wrong password";
  Fill(*list2_, {"a", "b"}, {"a", "b"});

  EXPECT_EQ(DropPostgreSqlTables(ctx()).failures, 1);
  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 104);
  EXPECT_THAT(Items(*list2_), ElementsAre("a", "b"));
  EXPECT_EQ(pointer_.Get(), app::kPointerDefault);

  prompter_.shown.clear();
  EXPECT_EQ(RenamePostgreSqlTable(ctx()).failures, 1);
  EXPECT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(pointer_.Get(), app::kPointerDefault);
}

TEST_F(PostgreSqlMaintenanceTest, RenamesTheOneSelectedTable) {
  db_.Exec("CREATE TABLE a(id int); CREATE TABLE orders(id int)");
  RecordDdl();
  // This list selects the entry made current after the rename (the first
  // one, a): a command that walked on would offer a for renaming too.
  list2_ = std::make_unique<SelectingTableList>();
  Fill(*list2_, {"a", "orders"}, {"orders"});
  prompter_.inputs = {"orders_old"};

  EXPECT_TRUE(RenamePostgreSqlTable(ctx()).ok());

  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].kind, Shown::Kind::kInput);
  EXPECT_EQ(prompter_.shown[0].text, "Enter new name of orders:");
  EXPECT_EQ(prompter_.shown[0].title, "");
  EXPECT_EQ(prompter_.shown[0].default_text, "orders");
  EXPECT_THAT(DdlLog(), ElementsAre("ALTER TABLE public.orders_old"));
  EXPECT_THAT(Items(*list2_), ElementsAre("a", "orders_old"));
  EXPECT_EQ(list2_->CurrentIndex(), 0);
  EXPECT_TRUE(PgTableExists("a"));
  EXPECT_THAT(pointer_.codes, ElementsAre(app::kPointerHourglass, app::kPointerDefault));
}

TEST_F(PostgreSqlMaintenanceTest, RenameChangesNothingWithoutOneSelectedTableOrAName) {
  db_.Exec("CREATE TABLE a(id int); CREATE TABLE b(id int)");
  Fill(*list2_, {"a", "b"});

  EXPECT_TRUE(RenamePostgreSqlTable(ctx()).ok());
  list2_->SetCurrentIndex(0);
  EXPECT_TRUE(RenamePostgreSqlTable(ctx()).ok());  // current entry, none selected
  list2_->SetSelected(0, true);
  list2_->SetSelected(1, true);
  EXPECT_TRUE(RenamePostgreSqlTable(ctx()).ok());
  EXPECT_THAT(prompter_.Messages(),
              ElementsAre("Please select a table to rename.",
                          "Please select just one table to rename.",
                          "Please select just one table to rename."));

  // Cancel (the empty answer) leaves everything as it was.
  list2_->SetSelected(1, false);
  prompter_.inputs = {""};
  EXPECT_TRUE(RenamePostgreSqlTable(ctx()).ok());
  EXPECT_THAT(Items(*list2_), ElementsAre("a", "b"));
  EXPECT_TRUE(PgTableExists("a"));
}

TEST_F(PostgreSqlMaintenanceTest, ARejectedRenameKeepsTheOldEntry) {
  db_.Exec("CREATE TABLE a(id int); CREATE TABLE b(id int)");
  Fill(*list2_, {"a", "b"}, {"a"});
  prompter_.inputs = {"b"};

  EXPECT_EQ(RenamePostgreSqlTable(ctx()).failures, 1);

  ASSERT_EQ(prompter_.Reports().size(), 1u);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 132);
  EXPECT_NE(prompter_.Reports()[0].find("Form2.PushButton7_Click"), std::string::npos);
  EXPECT_THAT(Items(*list2_), ElementsAre("a", "b"));

  // A name PostgreSQL would cut is refused before the server sees it.
  prompter_.inputs = {std::string(64, 'n')};
  EXPECT_EQ(RenamePostgreSqlTable(ctx()).failures, 1);
  ASSERT_EQ(prompter_.Reports().size(), 2u);
  EXPECT_NE(Description(prompter_.Reports()[1]).find("keeps only the first 63 bytes"), std::string::npos);
  EXPECT_THAT(Items(*list2_), ElementsAre("a", "b"));
  EXPECT_TRUE(PgTableExists("a"));
}

TEST_F(PostgreSqlMaintenanceTest, ATypedNameIsOneNameNotAStatement) {
  db_.Exec("CREATE TABLE a(id int); CREATE TABLE victim(id int)");
  Fill(*list2_, {"a", "victim"}, {"a"});
  const std::string typed = "b\"; DROP TABLE victim; --";
  prompter_.inputs = {typed};

  EXPECT_TRUE(RenamePostgreSqlTable(ctx()).ok());

  EXPECT_TRUE(PgTableExists(typed));
  EXPECT_TRUE(PgTableExists("victim"));
  EXPECT_THAT(Items(*list2_), ElementsAre(typed, "victim"));
}

TEST_F(PostgreSqlMaintenanceTest, ACommandStartedWhileAnotherRunsDoesNothing) {
  db_.Exec("CREATE TABLE a(id int); CREATE TABLE b(id int)");
  Fill(*list2_, {"a", "b"}, {"a"});
  prompter_.inputs = {"a2"};
  CommandResult inner{-1};
  bool running_inside = false;
  prompter_.on_box = [&] {
    running_inside = IsCommandRunning();
    list2_->SetSelected(1, true);  // a click meanwhile
    inner = DropPostgreSqlTables(ctx());
    list2_->SetSelected(1, false);
  };

  EXPECT_TRUE(RenamePostgreSqlTable(ctx()).ok());

  EXPECT_TRUE(running_inside);
  EXPECT_EQ(inner.failures, 0);
  EXPECT_TRUE(PgTableExists("b"));
  EXPECT_THAT(Items(*list2_), ElementsAre("a2", "b"));
  EXPECT_FALSE(IsCommandRunning());
}

// Drop and rename act on exactly the table an entry stands for, also when
// the list was made before earlier drops changed how the catalogue lists
// the others; a renamed table stays in its schema.
TEST_F(PostgreSqlMaintenanceTest, DropAndRenameActOnExactlyTheListedTable) {
  db_.Exec(R"sql(
    CREATE TABLE city(id int);
    CREATE TABLE "staging.only_here"(id int);
    CREATE SCHEMA staging;
    CREATE TABLE staging.city(id int);
    CREATE TABLE staging.only_here(id int);
    CREATE TABLE staging."City"(id int);
    CREATE SCHEMA "My Schema";
    CREATE TABLE "My Schema"."a.b"(id int);
  )sql");
  const auto tables = [this] {
    std::vector<std::string> names;
    for (const auto& row : Rows("SELECT schemaname || '|' || tablename FROM pg_tables WHERE "
                                "schemaname IN ('public', 'staging', 'My Schema') ORDER BY 1"))
      names.push_back(row[0]);
    return names;
  };
  const auto select = [this](const std::string& entry) {
    for (int i = 0; i < list2_->Count(); ++i) list2_->SetSelected(i, list2_->Item(i) == entry);
    for (int i = 0; i < list2_->Count(); ++i)
      if (list2_->Item(i) == entry) list2_->SetCurrentIndex(i);
  };

  // Renames: the entry, the name typed, the table afterwards and its entry.
  const struct {
    const char* entry;
    const char* typed;
    const char* table;
    const char* new_entry;
  } renames[] = {
      {"staging.city", "staging.town", "staging|town", "staging.town"},
      {"staging.\"City\"", "Town", "staging|Town", "staging.\"Town\""},
      {"\"My Schema\".\"a.b\"", "\"My Schema\".c.d", "My Schema|c.d", "\"My Schema\".\"c.d\""},
  };
  ASSERT_TRUE(LoadTables(ctx()).ok());
  for (const auto& r : renames) {
    select(r.entry);
    prompter_.inputs = {r.typed};
    EXPECT_TRUE(RenamePostgreSqlTable(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
    EXPECT_THAT(tables(), ::testing::Contains(r.table)) << r.entry;
    EXPECT_THAT(Items(*list2_), ::testing::Contains(r.new_entry)) << r.entry;
    EXPECT_THAT(Items(*list2_), ::testing::Not(::testing::Contains(r.entry))) << r.entry;
  }

  // Drops, in an order in which the list made at the start goes stale:
  // once "staging.only_here" of public is gone, staging.only_here is listed
  // as staging.only_here, not as "staging"."only_here" any more.
  ASSERT_TRUE(LoadTables(ctx()).ok());
  EXPECT_THAT(Items(*list2_), ::testing::IsSupersetOf({"city", "staging.only_here",
                                                       "\"staging\".\"only_here\""}));
  const struct {
    const char* entry;
    const char* table;
  } drops[] = {
      {"staging.only_here", "public|staging.only_here"},
      {"\"staging\".\"only_here\"", "staging|only_here"},
      {"staging.town", "staging|town"},
      {"city", "public|city"},
      {"\"My Schema\".\"c.d\"", "My Schema|c.d"},
  };
  for (const auto& d : drops) {
    std::vector<std::string> expected = tables();
    std::erase(expected, d.table);
    select(d.entry);
    EXPECT_TRUE(DropPostgreSqlTables(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
    EXPECT_EQ(tables(), expected) << d.entry;
  }
}

}  // namespace
}  // namespace veltrane::transfer::testing
