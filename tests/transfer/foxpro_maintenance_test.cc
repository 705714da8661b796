// Dropping FoxPro tables, and the FoxPro rename that is switched off.

#include <filesystem>

#include "command_fixture.h"
#include "foxpro_tables.h"
#include "transfer/commands.h"

namespace veltrane::transfer::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A list that records the names it loses, in order.
class RemovalRecordingList : public app::MemoryTableList {
 public:
  void RemoveItem(int index) override {
    removed.push_back(Item(index));
    MemoryTableList::RemoveItem(index);
  }
  std::vector<std::string> removed;
};

class FoxProMaintenanceTest : public CommandFixture {
 protected:
  FoxProMaintenanceTest() {
    list1_ = std::make_unique<RemovalRecordingList>();
    removed_ = &static_cast<RemovalRecordingList&>(*list1_).removed;
  }
  void WriteTable(const std::string& file_name) {
    foxpro::NewField field;
    field.name = "id";
    field.type = 'I';
    WriteFoxProTable(dir_.File(file_name), {field}, {{"1"}});
  }
  std::vector<std::string>* removed_;
};

TEST_F(FoxProMaintenanceTest, DropsSelectedTablesFromTheLastEntryUp) {
  for (const char* name : {"a.dbf", "B.DBF", "c.dbf", "d.dbf"}) WriteTable(name);
  Fill(*list1_, {"a", "B", "c", "d"}, {"a", "B", "d"});

  EXPECT_TRUE(DropFoxProTables(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());

  EXPECT_THAT(*removed_, ElementsAre("d", "B", "a"));
  EXPECT_THAT(Items(*list1_), ElementsAre("c"));
  EXPECT_THAT(prompter_.shown, IsEmpty());
  EXPECT_FALSE(fs::exists(dir_.File("B.DBF")));
  EXPECT_TRUE(fs::exists(dir_.File("c.dbf")));
  EXPECT_THAT(pointer_.codes, ElementsAre(app::kPointerHourglass, app::kPointerDefault));
}

TEST_F(FoxProMaintenanceTest, DropsATableOfAContainer) {
  fs::copy(TransferTestData("container"), dir_.path());
  UseContainer(dir_.File("data1.dbc"));
  Fill(*list1_, {"table1"}, {"table1"});

  EXPECT_TRUE(DropFoxProTables(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
  EXPECT_THAT(Items(*list1_), IsEmpty());

  EXPECT_TRUE(LoadTables(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
  EXPECT_THAT(Items(*list1_), IsEmpty());
}

TEST_F(FoxProMaintenanceTest, ARejectedDropKeepsItsEntry) {
  WriteTable("a.dbf");
  WriteTable("we`ird.dbf");
  Fill(*list1_, {"a", "ghost", "we`ird"}, {"a", "ghost", "we`ird"});

  EXPECT_EQ(DropFoxProTables(ctx()).failures, 1);

  EXPECT_THAT(Items(*list1_), ElementsAre("ghost"));
  ASSERT_EQ(prompter_.Reports().size(), 1u);
  const std::string report = prompter_.Reports()[0];
  EXPECT_NE(report.find("in Veltrane2021/08/31.Form2.PushButton1_Click at line 120"),
            std::string::npos)
      << report;
  EXPECT_EQ(SqlLine(report), std::nullopt);
  EXPECT_FALSE(fs::exists(dir_.File("we`ird.dbf")));
}

TEST_F(FoxProMaintenanceTest, SelectionChecksAndConnectionFailures) {
  WriteTable("a.dbf");
  Fill(*list1_, {"a"});

  EXPECT_TRUE(DropFoxProTables(ctx()).ok());
  EXPECT_THAT(prompter_.Messages(), ElementsAre("Please select a table"));

  prompter_.shown.clear();
  list1_->SetCurrentIndex(0);  // current, but not selected
  EXPECT_TRUE(DropFoxProTables(ctx()).ok());
  EXPECT_THAT(prompter_.shown, IsEmpty());
  EXPECT_TRUE(fs::exists(dir_.File("a.dbf")));

  list1_->SetSelected(0, true);
  UseFreeTables(dir_.File("missing"));
  EXPECT_EQ(DropFoxProTables(ctx()).failures, 1);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(ReportedLine(prompter_.Reports()[0]), 106);
  EXPECT_THAT(Items(*list1_), ElementsAre("a"));
  EXPECT_EQ(pointer_.Get(), app::kPointerDefault);
}

TEST_F(FoxProMaintenanceTest, RenameOnlySaysItIsSwitchedOff) {
  UseFreeTables(dir_.File("missing"));  // nothing is opened
  Fill(*list1_, {"a"}, {"a"});

  EXPECT_TRUE(RenameFoxProTable(ctx()).ok());

  EXPECT_THAT(prompter_.Messages(), ElementsAre("This feature is disabled."));
  EXPECT_EQ(prompter_.shown[0].title, "");
  EXPECT_THAT(pointer_.codes, IsEmpty());
}

}  // namespace
}  // namespace veltrane::transfer::testing
