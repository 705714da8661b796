// Sending to FoxPro stores and reports exactly what one INSERT statement per
// row gives, for values whose INSERT text is awkward to write.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command_fixture.h"
#include "foxpro/database.h"
#include "foxpro_tables.h"
#include "transfer/commands.h"
#include "transfer/value_rendering.h"

namespace veltrane::transfer::testing {
namespace {

using ::testing::SizeIs;

class SendToFoxProValuesTest : public CommandFixture {
 protected:
  // The INSERT of one row into the table file at `path`, null as "".
  static std::string InsertOf(const std::string& path,
                              const std::vector<std::optional<std::string>>& row) {
    std::string statement = "INSERT INTO `" + path + "`";
    statement += kOpenValues;
    for (const std::optional<std::string>& value : row)
      AppendFoxProValue(statement, value.value_or(""));
    FinishValues(statement);
    return statement;
  }
};

TEST_F(SendToFoxProValuesTest, AwkwardValuesAndARejectedRowMatchOneInsertPerRow) {
  const std::string a199(199, 'a');
  const std::string b200(200, 'b');
  // A quote and line breaks around the 200-character joints.
  const std::string c450 = std::string(199, 'c') + "'\r\n" + std::string(200, 'd') + "+'" +
                           std::string(47, 'e');
  const std::vector<std::vector<std::optional<std::string>>> rows = {
      {"1", "it's", "q''"},        {"2", "a'+b", "+'"},         {"3", "c+'d", "'+"},
      {"4", "x\ry", "\r"},         {"5", "x\ny", "\n"},         {"6", "x\r\ny", "\r\n"},
      {"7", "\r\n\r\n", "''"},     {"8", a199, std::nullopt},   {"9", b200, ""},
      {"10", c450, "ä'ö"},         {"11", std::nullopt, "n"},   {"12", "", std::nullopt},
      {"13", "日本", "x"},         {"14", "ok", "last"}};
  db_.Exec("CREATE TABLE t(id int, memo text, word varchar(20));"
           "CREATE TABLE ref(LIKE t)");
  for (const auto& row : rows) {
    std::string sql = "INSERT INTO t VALUES (";
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) sql += ", ";
      if (!row[i]) {
        sql += "NULL";
        continue;
      }
      sql += "'";
      for (char c : *row[i]) sql += c == '\'' ? std::string("''") : std::string(1, c);
      sql += "'";
    }
    db_.Exec(sql + ")");
  }
  // Sent from the last entry up: t, then a name that cannot be a file
  // (its report shows the statement last built), then the empty copy.
  Fill(*list2_, {"ref", "s/x", "t"}, {"ref", "s/x", "t"});

  EXPECT_EQ(SendToFoxPro(ctx()).failures, 2);

  // The reference: the empty copy fed the INSERT texts. Row 13's Japanese
  // text is stored as "?" both ways, with the same report.
  const std::string path = dir_.File("t.DBF");
  const std::string ref_path = dir_.File("ref.DBF");
  std::string replaced;
  {
    std::unique_ptr<foxpro::Database> engine = foxpro::Database::Open(dir_.path());
    for (const auto& row : rows) engine->Execute(InsertOf(ref_path, row));
    engine->Flush();
    const std::vector<foxpro::Notice> notices = engine->TakeNotices();
    ASSERT_FALSE(notices.empty());
    replaced = notices[0].text;
    replaced.replace(replaced.find("\"ref\""), 5, "\"t\"");
  }

  const std::vector<std::string> reports = prompter_.Reports();
  ASSERT_THAT(reports, SizeIs(2));
  EXPECT_EQ(Description(reports[0]), replaced);
  EXPECT_EQ(ReportedLine(reports[0]), 162);
  EXPECT_EQ(SqlLine(reports[1]), InsertOf(path, rows[13]));

  const TableContents sent = ReadWithEngine(path);
  EXPECT_THAT(sent.rows, SizeIs(14));
  EXPECT_EQ(sent.rows, ReadWithEngine(ref_path).rows);
  EXPECT_EQ(ReadWithDbfRead(path).rows, ReadWithDbfRead(ref_path).rows);
  EXPECT_EQ(FileBytes(path), FileBytes(ref_path));
  EXPECT_EQ(FileBytes(dir_.File("t.FPT")), FileBytes(dir_.File("ref.FPT")));
}

}  // namespace
}  // namespace veltrane::transfer::testing
