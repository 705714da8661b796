#include "app/error_trap.h"

#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "app/statement_excerpt.h"
#include "db/error.h"

namespace veltrane::app {
namespace {

struct ReportRecorder : Prompter {
  void Message(const std::string&, const std::string&) override {}
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  std::string Input(const std::string&, const std::string&, const std::string&) override { return ""; }
  void ErrorReport(const std::string& text) override { reports.push_back(text); }
  std::vector<std::string> reports;
};

TEST(ErrorTrap, ReportNamesTheFailingStatementAndGoesOn) {
  ReportRecorder prompter;
  ErrorTrap trap(prompter, "Form1.PushButton1_Click");
  std::vector<int> ran;
  EXPECT_TRUE(trap.Run(100, [&] { ran.push_back(100); }));
  EXPECT_FALSE(trap.Run(102, [&] { throw db::Error("Connection refused"); }));
  EXPECT_TRUE(trap.Run(104, [&] { ran.push_back(104); }));
  EXPECT_FALSE(trap.Run(106, [&] { throw std::runtime_error("second"); }));
  EXPECT_EQ(ran, (std::vector<int>{100, 104}));
  EXPECT_EQ(trap.failures(), 2);
  ASSERT_EQ(prompter.reports.size(), 2u);
  EXPECT_EQ(prompter.reports[0],
            "Connection refused\r\nin Veltrane2021/08/31.Form1.PushButton1_Click at line 102\r\r"
            "Please email screenshot of this message to support@veltrane.example.com");
  EXPECT_EQ(prompter.reports[1].substr(0, 8), "second\r\n");
}

TEST(ErrorTrap, TransfersAddTheirCurrentStatement) {
  ReportRecorder prompter;
  ErrorTrap trap(prompter, "Form2.PushButton3_Click");
  std::string statement;
  trap.ShowStatement(&statement);
  trap.Run(110, [] { throw db::Error("no table"); });
  statement = "INSERT INTO \"t\" VALUES ('a')";
  trap.Run(112, [] { throw 42; });
  ASSERT_EQ(prompter.reports.size(), 2u);
  EXPECT_EQ(prompter.reports[0],
            "no table\r\nin Veltrane2021/08/31.Form2.PushButton3_Click at line 110\r\r"
            "Please email screenshot of this message to support@veltrane.example.com\r\rsql: ");
  EXPECT_EQ(prompter.reports[1].substr(0, 18), "Unknown failure.\r\n");
  EXPECT_NE(prompter.reports[1].find("at line 112\r\r"), std::string::npos);
  EXPECT_EQ(prompter.reports[1].substr(prompter.reports[1].size() - 33),
            "sql: INSERT INTO \"t\" VALUES ('a')");
}

// A report quotes at most 200 characters of a value: the rest is counted.
TEST(ErrorTrap, ReportsCutLongValuesOfTheirStatement) {
  const std::string a200(200, 'a'), a300(300, 'a'), u250 = [] {
    std::string s;
    for (int i = 0; i < 250; ++i) s += "ł";
    return s;
  }();
  std::string u200;
  for (int i = 0; i < 200; ++i) u200 += "ł";
  const struct {
    std::string statement, excerpt;
  } kCases[] = {
      {"VALUES('" + a200 + "', 'b')", "VALUES('" + a200 + "', 'b')"},
      {"VALUES('" + a300 + "', 'b')", "VALUES('" + a200 + "'... (100 characters left out), 'b')"},
      {"VALUES('" + u250 + "')", "VALUES('" + u200 + "'... (50 characters left out))"},
      // A doubled quote counts once; a name in double quotes or backticks is
      // no value, whatever its quotes.
      {"INSERT INTO \"it's\" VALUES('" + std::string(150, '\'') + std::string(150, 'x') + "')",
       "INSERT INTO \"it's\" VALUES('" + std::string(150, '\'') + std::string(125, 'x') +
           "'... (25 characters left out))"},
      {"INSERT INTO `o'k` VALUES('x')", "INSERT INTO `o'k` VALUES('x')"},
      // A FoxPro value: literals of 200 characters joined, line breaks as
      // joints of one character each.
      {"VALUES('" + a200 + "'+'" + a200 + "'+CHR(13)+'z', '1')",
       "VALUES('" + a200 + "'... (202 characters left out), '1')"},
      {"VALUES('" + std::string(199, 'a') + "'+CHR(10)+'" + a200 + "')",
       "VALUES('" + std::string(199, 'a') + "'+CHR(10)+... (200 characters left out))"},
      // A statement cut off inside its last value.
      {"VALUES('" + a300, "VALUES('" + a200 + "'... (100 characters left out)"},
  };
  for (const auto& c : kCases) EXPECT_EQ(StatementExcerpt(c.statement), c.excerpt);
}

}  // namespace
}  // namespace veltrane::app
