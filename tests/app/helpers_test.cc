#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "app/app_title.h"
#include "app/file_helpers.h"
#include "app/list_helpers.h"
#include "app/value_helpers.h"
#include "db/error.h"
#include "support/temp_dir.h"

namespace veltrane::app {
namespace {

namespace fs = std::filesystem;

MemoryTableList ListOf(std::initializer_list<const char*> names) {
  MemoryTableList list;
  for (const char* name : names) list.AddItem(name);
  return list;
}

std::vector<std::string> Items(const TableList& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

TEST(ListHasItem, IgnoresCaseButNotBlanks) {
  const MemoryTableList list = ListOf({"Orders", "Kunden", "Ärger"});
  EXPECT_TRUE(ListHasItem(list, "ORDERS"));
  EXPECT_TRUE(ListHasItem(list, "orders"));
  EXPECT_TRUE(ListHasItem(list, "äRGER"));  // beyond ASCII too
  EXPECT_FALSE(ListHasItem(list, "orders "));
  EXPECT_FALSE(ListHasItem(list, "order"));
  EXPECT_FALSE(ListHasItem(MemoryTableList(), ""));
}

TEST(ListRemoveItem, RemovesEveryExactMatchOnly) {
  MemoryTableList list = ListOf({"Orders"});
  ListRemoveItem(list, "orders");
  EXPECT_EQ(Items(list), std::vector<std::string>{"Orders"});

  list = ListOf({"a", "a", "b", "A"});
  ListRemoveItem(list, "a");
  EXPECT_EQ(Items(list), (std::vector<std::string>{"A", "b"}));
  ListRemoveItem(list, "zzz");
  EXPECT_EQ(list.Count(), 2);
}

TEST(SortedInsertion, LaterNamesLandInTheirPlaceWithoutRegardToCase) {
  const MemoryTableList list = ListOf({"beta", "Alpha", "delta", "Charlie", "alpha"});
  EXPECT_EQ(Items(list), (std::vector<std::string>{"Alpha", "alpha", "beta", "Charlie", "delta"}));
}

TEST(NullToValue, OnlyNullTakesTheDefault) {
  EXPECT_EQ(NullToValue(db::Value::Null(), std::string()), "");
  EXPECT_EQ(NullToValue(db::Value::Null(), std::string("n/a")), "n/a");
  EXPECT_EQ(NullToValue(db::Value::FromText("0"), std::string("n/a")), "0");
  EXPECT_EQ(NullToValue(db::Value::FromText(""), std::string("n/a")), "");
  EXPECT_EQ(NullToValue(db::Value::Null(), db::Value::FromText("x")), db::Value::FromText("x"));
  EXPECT_TRUE(NullToValue(db::Value::FromText(""), db::Value::Null()) == db::Value::FromText(""));
  EXPECT_THROW(NullToValue(db::Value::Failed("memo block past end"), std::string()), db::Error);
}

TEST(FolderOfPath, CutsAfterTheLastSeparator) {
  EXPECT_EQ(FolderOfPath("/data/shop.dbc"), "/data/");
  EXPECT_EQ(FolderOfPath("C:\\data\\shop.dbc"), "C:\\data\\");
  EXPECT_EQ(FolderOfPath("C:\\"), "C:\\");
  EXPECT_EQ(FolderOfPath("/data\\mixed/shop.dbc"), "/data\\mixed/");
  EXPECT_EQ(FolderOfPath("shop.dbc"), "");
  EXPECT_EQ(FolderOfPath(""), "");
}

TEST(FileExists, FalseForAnythingThatIsNotThere) {
  testing::TempDir dir;
  std::ofstream(dir.File("there.txt")) << "x";
  EXPECT_TRUE(FileExists(dir.File("there.txt")));
  EXPECT_TRUE(FileExists(dir.path()));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(dir.File("missing.txt")));
  EXPECT_FALSE(FileExists("/no/such/drive/file"));
  EXPECT_FALSE(FileExists(std::string("bad\0name", 8)));
}

class DeleteFilesTest : public ::testing::Test {
 protected:
  void Touch(const std::string& name) { std::ofstream(dir_.File(name)) << name; }
  bool Exists(const std::string& name) { return fs::exists(dir_.File(name)); }
  testing::TempDir dir_;
};

TEST_F(DeleteFilesTest, MatchesNamesWithoutRegardToCase) {
  Touch("ORDERS.DBF");
  Touch("orders.fpt");
  DeleteFileSafely(dir_.File("orders.dbf"));
  EXPECT_FALSE(Exists("ORDERS.DBF"));
  EXPECT_TRUE(Exists("orders.fpt"));
}

TEST_F(DeleteFilesTest, WildcardInTheLastPartDeletesEveryMatch) {
  for (const char* name : {"a.dbf", "A.FPT", "a.cdx", "ab.dbf", "b.dbf"}) Touch(name);
  fs::create_directory(dir_.File("a.dir"));
  DeleteFileSafely(dir_.File("a.*"));
  EXPECT_FALSE(Exists("a.dbf"));
  EXPECT_FALSE(Exists("A.FPT"));
  EXPECT_FALSE(Exists("a.cdx"));
  EXPECT_TRUE(Exists("ab.dbf"));
  EXPECT_TRUE(Exists("b.dbf"));
  EXPECT_TRUE(Exists("a.dir"));
  DeleteFileSafely(dir_.File("?b.DBF"));
  EXPECT_FALSE(Exists("ab.dbf"));
}

TEST_F(DeleteFilesTest, BracketsInNamesAreNotPatterns) {
  Touch("t[1].dbf");
  Touch("t1.dbf");
  DeleteFileSafely(dir_.File("t[1].dbf"));
  EXPECT_FALSE(Exists("t[1].dbf"));
  EXPECT_TRUE(Exists("t1.dbf"));
}

TEST_F(DeleteFilesTest, ReadOnlyFilesAreDeletedToo) {
  Touch("locked.dbf");
  fs::permissions(dir_.File("locked.dbf"), fs::perms::owner_read);
  DeleteFileSafely(dir_.File("locked.dbf"));
  EXPECT_FALSE(Exists("locked.dbf"));
}

TEST_F(DeleteFilesTest, SafeDeletionIsQuietAndYieldsOnce) {
  struct CountingPump : EventPump {
    void Yield() override { ++calls; }
    int calls = 0;
  } pump;
  DeleteFileSafely(dir_.File("missing.dbf"), &pump);
  DeleteFileSafely("/no/such/folder/x.dbf", &pump);
  DeleteFileSafely("", &pump);
  EXPECT_EQ(pump.calls, 3);
}

TEST_F(DeleteFilesTest, ForcedDeletionReportsWhatItCouldNotDo) {
  try {
    ForceDeleteFile(dir_.File("missing.dbf"));
    FAIL() << "no failure";
  } catch (const db::Error& e) {
    EXPECT_NE(std::string(e.what()).find("missing.dbf"), std::string::npos) << e.what();
  }
  if (::geteuid() != 0) {  // root may delete anything
    Touch("kept.dbf");
    fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(ForceDeleteFile(dir_.File("kept.dbf")), db::Error);
    fs::permissions(dir_.path(), fs::perms::owner_all);
    EXPECT_TRUE(Exists("kept.dbf"));
  }
}

TEST(AppTitle, DropsWordsUntilShortEnoughButKeepsOneWord) {
  EXPECT_EQ(ShortenedAppTitle("Alpha Beta Gamma"), "Alpha Beta");
  const std::string forty = "Alpha Beta Gamma Delta Epsilon Zeta Eta1";
  ASSERT_EQ(forty.size(), 40u);
  EXPECT_EQ(ShortenedAppTitle(forty), "Alpha Beta Gamma Delta Epsilon Zeta");
  EXPECT_EQ(ShortenedAppTitle("Aaaaaaaaaa Bbbbbbbbbb Cccccccccc Dddddddddd Eeeeeeeeee"),
            "Aaaaaaaaaa Bbbbbbbbbb Cccccccccc");
  EXPECT_EQ(ShortenedAppTitle("Veltrane"), "Veltrane");
  ApplyAppTitle();
  EXPECT_EQ(AppTitle(), "Veltrane");
}

}  // namespace
}  // namespace veltrane::app
