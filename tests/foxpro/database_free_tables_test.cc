#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "database_test_util.h"
#include "engine_test_util.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using testing::FailureOf;
using testing::FilesIn;
using testing::SelectAll;

class FreeTableStatementsTest : public ::testing::Test {
 protected:
  void Run(const std::string& statement) { database_->Execute(statement); }
  std::string Path(const std::string& name) const { return dir_.File(name); }

  veltrane::testing::TempDir dir_;
  std::unique_ptr<Database> database_ = Database::Open(dir_.path());
};

TEST_F(FreeTableStatementsTest, CreatesEveryTypeThatIndependentReadersOpen) {
  Run("CREATE TABLE '" + Path("every.dbf") +
      "'([chars] C(12) NULL, [varchars] V(20) NULL, [numbers] N(10,3), [floats] F(12,2),"
      " [ints] I, [doubles] B, [money] Y, [day] D NULL, [moment] T, [flag] L, [memo] M,"
      " [general] G, [blob] W NULL, [varbin] Q(8), [a_very_long_field_name] M,"
      " [a_very_long_field_other] C(5) NOCPTRANS);");
  testing::SelectResult every = SelectAll(*database_, "`every`");
  EXPECT_EQ(testing::ColumnNames(every),
            (Names{"chars", "varchars", "numbers", "floats", "ints", "doubles", "money", "day",
                   "moment", "flag", "memo", "general", "blob", "varbin", "a_very_lon",
                   "a_very_l_1"}));
  std::vector<int16_t> types;
  for (const Column& column : every.columns) types.push_back(column.type);
  EXPECT_EQ(types, (std::vector<int16_t>{129, 200, 131, 131, 3, 5, 6, 133, 135, 11, 201, 205,
                                         205, 204, 201, 128}));
  EXPECT_EQ(every.row_count, 0);

  EXPECT_EQ(testing::PythonFieldList("dbfread", Path("every.dbf")),
            (Names{"chars C 12 0", "varchars V 20 0", "numbers N 10 3", "floats F 12 2",
                   "ints I 4 0", "doubles B 8 0", "money Y 8 4", "day D 8 0", "moment T 8 0",
                   "flag L 1 0", "memo M 4 0", "general G 4 0", "blob W 4 0", "varbin Q 8 0",
                   "a_very_lon M 4 0", "a_very_l_1 C 5 0", "rows 0"}));
  EXPECT_TRUE(fs::exists(Path("every.fpt")));

  // A table without memo or blob fields has no memo file.
  Run("CREATE TABLE '" + Path("plain.dbf") + "'([a] C(3), [b] N(4,1) NULL, [c] D)");
  EXPECT_EQ(testing::PythonFieldList("dbf", Path("plain.dbf")),
            (Names{"a C(3)", "b N(4,1) null", "c D", "rows 0"}));
  EXPECT_EQ(FilesIn(dir_.path()), (Names{"every.dbf", "every.fpt", "plain.dbf"}));
}

// A free table's header is all it has for names: those cut short are
// noted, with what would keep them.
TEST_F(FreeTableStatementsTest, FieldNamesCutShortAreNoted) {
  Run("CREATE TABLE '" + Path("short.dbf") + "'([id] I, [customer_name] M, [customer_note] M)");
  EXPECT_EQ(testing::NoticeText(database_->TakeNotices()),
            "Table \"short\": a free table keeps field names of at most 10 characters, so these "
            "fields were named shorter: [customer_name] as [customer_n], [customer_note] as "
            "[customer_1]. A database container would keep their whole names.\n");
  Run("CREATE TABLE '" + Path("fits.dbf") + "'([id] I, [abcdefghij] M)");
  EXPECT_TRUE(database_->TakeNotices().empty());
  // Only a container keeps a table's name apart from its file's.
  EXPECT_NE(FailureOf([&] { Run("CREATE TABLE '" + Path("t.dbf") + "' NAME `long name`([a] M)"); })
                .find("only a database container keeps a table's name"),
            std::string::npos);
  EXPECT_EQ(FilesIn(dir_.path()), (Names{"fits.dbf", "fits.fpt", "short.dbf", "short.fpt"}));
}

TEST_F(FreeTableStatementsTest, InsertConvertsValuesToTheColumnTypes) {
  Run("CREATE TABLE '" + Path("conv.dbf") +
      "'([name] C(6) NULL, [note] M NULL, [qty] N(8,2) NULL, [count] I NULL, [ratio] B NULL,"
      " [born] D NULL, [seen] T NULL, [ok] L NULL, [data] W NULL);");
  const std::string insert = "INSERT INTO `" + Path("conv.dbf") + "` VALUES";
  Run(insert + "('Zoë', 'two'+CHR(13)+CHR(10)+'lines', 12.5, 42, 0.25, '2024-02-29',"
               " '2024-02-29 13:45:10', .T., '\\x00ff10')");
  Run(insert + "(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  // The text forms PostgreSQL sends convert as well.
  Run(insert + "('It''s', '', '7', '-3', '2.5e3', '1999-12-31', '2000-01-01 00:00:00', 'false',"
               " 'plain')");
  testing::SelectResult rows = SelectAll(*database_, "`conv`");
  ASSERT_EQ(rows.rows.size(), 3u);
  using V = std::optional<std::string>;
  EXPECT_EQ(rows.rows[0], (std::vector<V>{"Zoë   ", "two\r\nlines", "12.50", "42", "0.25",
                                          "2024-02-29", "2024-02-29 13:45:10", "true",
                                          "\\x00ff10"}));
  EXPECT_EQ(rows.rows[1], std::vector<V>(9, std::nullopt));
  EXPECT_EQ(rows.rows[2], (std::vector<V>{"It's  ", "", "7.00", "-3", "2500", "1999-12-31",
                                          "2000-01-01 00:00:00", "false", "\\x706c61696e"}));

  std::vector<testing::Record> dbfread = testing::ReadWithPython("dbfread", Path("conv.dbf"));
  ASSERT_EQ(dbfread.size(), 3u);
  EXPECT_EQ(dbfread[0][0], "Zoë");
  EXPECT_EQ(dbfread[0][1], "two\r\nlines");
  EXPECT_EQ(dbfread[0][5], "2024-02-29");
  EXPECT_EQ(dbfread[0][7], "true");
  EXPECT_EQ(dbfread[0][8], "\\x00ff10");
  EXPECT_EQ(dbfread[1][2], std::nullopt);  // dbfread knows null only for empty numbers
  EXPECT_EQ(dbfread[2][8], "\\x706c61696e");
}

TEST_F(FreeTableStatementsTest, ACharacterOutsideTheCodePageIsStoredAsAQuestionMark) {
  Run("CREATE TABLE '" + Path("names.dbf") + "'([name] C(10), [remark] M)");
  const std::string insert = "INSERT INTO `" + Path("names.dbf") + "` VALUES";
  Run(insert + "('Ærø', 'fine')");
  Run(insert + "('ok', 'Жук')");
  Run(insert + "('after', 'x')");
  database_->Flush();
  const std::string notices = testing::NoticeText(database_->TakeNotices());
  EXPECT_NE(notices.find("field \"remark\": 3 characters"), std::string::npos) << notices;
  EXPECT_NE(notices.find("(the first in row 2: 'Ж' (U+0416)"), std::string::npos) << notices;
  EXPECT_NE(notices.find("No code page that FoxPro marks tables with holds every character of "
                         "table \"names\"."),
            std::string::npos)
      << notices;
  EXPECT_EQ(testing::ReadWithPython("dbfread", Path("names.dbf")).size(), 3u);
  EXPECT_EQ(SelectAll(*database_, "`names`").rows.size(), 3u);
}

TEST_F(FreeTableStatementsTest, LargeMemosAndBlobsArriveWhole) {
  Run("CREATE TABLE '" + Path("big.dbf") + "'([text] M, [bytes] BLOB)");
  std::string memo;
  std::string memo_literal = "'";
  for (int i = 0; memo.size() < 100 * 1024; ++i) {
    std::string chunk = "line " + std::to_string(i) + " of a long memo, with it's quote";
    memo += chunk + "\r\n";
    std::string doubled;
    for (char c : chunk) doubled += c == '\'' ? std::string("''") : std::string(1, c);
    memo_literal += doubled + "'+CHR(13)+CHR(10)+'";
  }
  memo_literal += "'";
  std::string blob_hex = "\\x";
  static const char kHex[] = "0123456789abcdef";
  for (int i = 0; i < 1024 * 1024; ++i) {
    unsigned char byte = static_cast<unsigned char>((static_cast<uint32_t>(i) * 2654435761u) >> 13);
    blob_hex += kHex[byte >> 4];
    blob_hex += kHex[byte & 15];
  }
  // The blob goes in as 200-character literals joined by '+', as transfers send it.
  std::string blob_literal = "'";
  for (size_t at = 0; at < blob_hex.size(); at += 200) {
    blob_literal += blob_hex.substr(at, 200) + (at + 200 < blob_hex.size() ? "'+'" : "");
  }
  blob_literal += "'";
  Run("INSERT INTO `" + Path("big.dbf") + "` VALUES(" + memo_literal + ", " + blob_literal + ")");

  testing::SelectResult rows = SelectAll(*database_, "`big`");
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_TRUE(rows.rows[0][0] == memo);
  EXPECT_TRUE(rows.rows[0][1] == blob_hex);
  std::vector<testing::Record> dbfread = testing::ReadWithPython("dbfread", Path("big.dbf"));
  ASSERT_EQ(dbfread.size(), 1u);
  EXPECT_TRUE(dbfread[0][0] == memo);
  EXPECT_TRUE(dbfread[0][1] == blob_hex);
}

// Rows of INSERTs reach the file in batches; other readers find complete
// files at every moment, and every row once the batch is written.
TEST_F(FreeTableStatementsTest, EveryStatementLeavesCompleteFilesForOtherReaders) {
  Run("CREATE TABLE '" + Path("log.dbf") + "'([line] M, [n] N(5))");
  for (int i = 1; i <= 3; ++i) {
    Run("INSERT INTO `" + Path("log.dbf") + "` VALUES('entry " + std::to_string(i) + "', " +
        std::to_string(i) + ")");
    EXPECT_LE(testing::ReadWithPython("dbf", Path("log.dbf")).size(), static_cast<size_t>(i));
    database_->Flush();
    EXPECT_EQ(testing::ReadWithPython("dbfread", Path("log.dbf")).size(), static_cast<size_t>(i));
    EXPECT_EQ(testing::ReadWithPython("dbf", Path("log.dbf")).size(), static_cast<size_t>(i));
  }
  // Another connection sees them too, and this one after other statements.
  EXPECT_EQ(SelectAll(*Database::Open(dir_.path()), "`log`").rows.size(), 3u);
  EXPECT_EQ(SelectAll(*database_, "`log`").rows.size(), 3u);
  Run("INSERT INTO `" + Path("log.dbf") + "` VALUES('entry 4', 4)");
  Run("DROP TABLE `log`");
  EXPECT_TRUE(FilesIn(dir_.path()).empty());
}

TEST_F(FreeTableStatementsTest, NamesAndPathsResolveWithoutRegardToCaseAndNeverMakeASecondFile) {
  Run("CREATE TABLE '" + Path("Mixed.DBF") + "'([memo] M)");
  Run("INSERT INTO `" + Path("mixed.dbf") + "` VALUES('one')");
  Run("INSERT INTO `" + Path("MIXED") + "` VALUES('two')");
  EXPECT_EQ(SelectAll(*database_, "`MIXED`").rows.size(), 2u);
  std::string failure = FailureOf([&] { Run("CREATE TABLE '" + Path("mixed.dbf") + "'([m] M)"); });
  EXPECT_NE(failure.find("already exists"), std::string::npos) << failure;
  EXPECT_EQ(FilesIn(dir_.path()), (Names{"Mixed.DBF", "Mixed.FPT"}));

  // Relative paths start in the folder; backslashes separate folders.
  fs::create_directory(Path("Sub"));
  Run("CREATE TABLE 'SUB\\Rel.dbf'([m] M)");
  Run("INSERT INTO `sub\\REL.DBF` VALUES('x')");
  EXPECT_EQ(FilesIn(Path("Sub")), (Names{"Rel.dbf", "Rel.fpt"}));

  // A memo file left without its table does not stand beside the new one.
  std::ofstream(Path("ORPHAN.FPT")) << "stale";
  Run("CREATE TABLE '" + Path("orphan.dbf") + "'([m] M)");
  EXPECT_EQ(FilesIn(dir_.path()), (Names{"Mixed.DBF", "Mixed.FPT", "Sub", "orphan.dbf", "orphan.fpt"}));
}

TEST_F(FreeTableStatementsTest, FailedStatementsSayWhatIsWrongAndChangeNothing) {
  Run("CREATE TABLE '" + Path("t.dbf") + "'([a] M, [b] M)");
  EXPECT_NE(FailureOf([&] { Run("INSERT INTO `" + Path("t.dbf") + "` VALUES('1')"); })
                .find("gives 1 values for 2 fields"),
            std::string::npos);
  EXPECT_NE(FailureOf([&] { Run("INSERT INTO `" + Path("none.dbf") + "` VALUES('1')"); })
                .find("does not exist"),
            std::string::npos);
  EXPECT_NE(FailureOf([&] { Run("SELECT * FROM `none`"); }).find("\"none\" is not in"),
            std::string::npos);
  EXPECT_NE(FailureOf([&] { Run("DROP TABLE `none`"); }).find("Cannot drop the table \"none\""),
            std::string::npos);
  EXPECT_NE(FailureOf([&] { Run("CREATE TABLE '" + Path("no/such/t.dbf") + "'([a] M)"); })
                .find("does not exist"),
            std::string::npos);
  EXPECT_NE(FailureOf([&] { Run("CREATE TABLE '" + Path("dup.dbf") + "'([Name] M, [NAME] M)"); })
                .find("[NAME] appears twice"),
            std::string::npos);
  EXPECT_NE(FailureOf([&] { Run("UPDATE t SET a = 1"); }).find("runs only"), std::string::npos);
  EXPECT_EQ(FilesIn(dir_.path()), (Names{"t.dbf", "t.fpt"}));
}

TEST_F(FreeTableStatementsTest, DropDeletesTheTableFilesWhateverTheirCase) {
  Run("CREATE TABLE '" + Path("Gone.dbf") + "'([m] M)");
  std::ofstream(Path("GONE.CDX")) << "index";
  std::ofstream(Path("kept.txt")) << "other";
  Run("DROP TABLE `gone`");
  EXPECT_EQ(FilesIn(dir_.path()), Names{"kept.txt"});
  EXPECT_TRUE(database_->Catalog().empty());
}

}  // namespace
}  // namespace veltrane::foxpro
