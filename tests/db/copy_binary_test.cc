// Binary COPY rows store exactly what the server stores for the same texts
// in the text format, for every column type the binary form is written for;
// texts in other spellings are left to the server's own reading.

#include "db/copy_binary.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/copy_text.h"
#include "db/pg_copy_in.h"
#include "foxpro/record/value_format.h"
#include "support/test_database.h"

namespace veltrane::db {
namespace {

using testing::Row;
using testing::TestDatabase;

class CopyBinaryTest : public ::testing::Test {
 protected:
  void SetUp() override { connection_.Open(PostgreSqlConnectionString(db_.Settings())); }

  // Loads `texts` into two tables of column type `sql_type`, once as COPY
  // text lines and once as binary rows, and expects the same values in
  // both. Every text in `plain` must have a binary form; every text in
  // `other` must have none (the server reads it its own way).
  void ExpectSameAsText(const std::string& sql_type, const std::vector<std::string>& plain,
                        const std::vector<std::string>& other = {}) {
    SCOPED_TRACE(sql_type);
    const std::optional<PgBinaryType> type = PgBinaryTypeOf(sql_type);
    ASSERT_TRUE(type);
    db_.Exec("DROP TABLE IF EXISTS by_text, by_binary");
    db_.Exec("CREATE TABLE by_text (id int, v " + sql_type + ")");
    db_.Exec("CREATE TABLE by_binary (id int, v " + sql_type + ")");
    std::string lines, rows;
    for (size_t i = 0; i < plain.size(); ++i) {
      lines += std::to_string(i) + kCopyFieldSeparator;
      AppendCopyField(lines, plain[i]);
      lines += kCopyRowEnd;
      AppendCopyBinaryRowStart(rows, 2);
      ASSERT_TRUE(AppendCopyBinaryValue(rows, PgBinaryType::kInteger, std::to_string(i)));
      EXPECT_TRUE(AppendCopyBinaryValue(rows, *type, plain[i])) << plain[i];
    }
    AppendCopyBinaryRowStart(rows, 2);
    ASSERT_TRUE(AppendCopyBinaryValue(rows, PgBinaryType::kInteger, "-1"));
    AppendCopyBinaryNull(rows);
    lines += "-1\t\\N\n";
    for (const std::string& text : other) {
      const size_t size = rows.size();
      EXPECT_FALSE(AppendCopyBinaryValue(rows, *type, text)) << text;
      EXPECT_EQ(rows.size(), size);
    }
    Load("by_text", CopyFormat::kText, lines);
    Load("by_binary", CopyFormat::kBinary, rows);
    const std::string select = "SELECT id, v::text, pg_column_size(v) FROM ";
    const std::vector<Row> by_text = db_.Query(select + "by_text ORDER BY id");
    ASSERT_EQ(by_text.size(), plain.size() + 1);
    EXPECT_EQ(db_.Query(select + "by_binary ORDER BY id"), by_text);
  }

  void Load(const std::string& table, CopyFormat format, const std::string& data) {
    PgCopyIn copy(connection_);
    copy.Begin(table, format);
    EXPECT_TRUE(copy.Send(data));
    copy.Finish();
  }

  TestDatabase db_;
  Connection connection_;
};

TEST_F(CopyBinaryTest, IntegersBooleansTextsAndBytes) {
  ExpectSameAsText("integer", {"0", "-2147483648", "2147483647", "+17", "0042"},
                   {"2147483648", " 5", "1.0", "", "+-1", "1e3"});
  ExpectSameAsText("smallint", {"-32768", "32767", "-0"}, {"32768", "-32769"});
  ExpectSameAsText("bigint", {"-9223372036854775808", "9223372036854775807", "+1"},
                   {"9223372036854775808", "0x10"});
  ExpectSameAsText("boolean", {"true", "false"}, {"t", "yes", "TRUE", " true"});
  ExpectSameAsText("text", {"", "tab\there\nline\r", "back\\slash \\N", "äöü € 漢字", "\\."});
  ExpectSameAsText("varchar(5)", {"abcde", "äöüß€", "ab   "});
  ExpectSameAsText("bytea", {"\\x", "\\x00ff5c0a", "\\xABcd"}, {"abc", "\\x0", "\\xzz", "\\X00"});
}

TEST_F(CopyBinaryTest, DatesTimestampsAndTimesOfTheWholeCalendar) {
  ExpectSameAsText("date",
                   {"2000-01-01", "0001-01-01", "9999-12-31", "2024-02-29", "1999-12-31",
                    "1899-12-30", "1582-10-10", "2000-03-01"},
                   {"2023-02-29", "20000101", "0000-01-01", "2000-1-01", "2000-01-01 BC",
                    "10000-01-01", "2000-01-01 "});
  ExpectSameAsText("timestamp",
                   {"2000-01-01 00:00:00", "0001-01-01 00:00:00", "9999-12-31 23:59:59.999999",
                    "1999-12-31 23:59:59.5", "2024-02-29 12:34:56.789", "1970-01-01 00:00:01"},
                   {"2000-01-01T00:00:00", "2000-01-01 24:00:00", "2000-01-01 00:00:60",
                    "2000-01-01 00:00:00.1234567", "2000-01-01 00:00:00.", "2000-01-01"});
  ExpectSameAsText("time", {"00:00:00", "23:59:59.999999", "12:00:00.5", "07:08:09.010"},
                   {"24:00:00", "1:00:00", "12:00", "12:00:00+01"});
}

TEST_F(CopyBinaryTest, NumbersKeepEveryDigitAndTheirScale) {
  std::vector<std::string> numbers = {
      "0", "-0.00", "123.45", "-123.45", "0.001", "10000", "99999999999999999999", "1e5",
      "1.50E-3", "-.5", "5.", "0.0000", "+7.25", "12345678.9012", "1e-20", "1234.5678e2",
      "0.00010000", "100000000.00000001", "-9999.9999", "1E+3", "000123.4500"};
  // Random decimals of every length and point position, and with exponents.
  std::mt19937 random(12);
  for (int i = 0; i < 3000; ++i) {
    std::string text = random() % 2 ? "-" : "";
    const int length = 1 + static_cast<int>(random() % 30);
    const int point = static_cast<int>(random() % (length + 1));
    for (int d = 0; d < length; ++d) {
      if (d == point && d > 0) text += '.';
      text += static_cast<char>('0' + (random() % 3 == 0 ? 0 : random() % 10));
    }
    if (i % 5 == 0) text += "e" + std::to_string(static_cast<int>(random() % 61) - 30);
    numbers.push_back(text);
  }
  ExpectSameAsText("numeric", numbers,
                   {"NaN", "Infinity", "1e1001", " 1", "1,5", "", "-", ".", "1e", "1.2.3", "1.5E+-1"});
  ExpectSameAsText("numeric(12,2)", {"1.5", "-0.5", "1234567890.12", "0", "-7", "3.14159"});
  ExpectSameAsText("numeric(19,4)", {"922337203685477.5807", "-922337203685477.5808", "0.0001"});
}

TEST_F(CopyBinaryTest, DoublesArriveBitForBit) {
  std::vector<std::string> doubles = {"0", "-0", "1.5", "0.1", "1e300", "5e-324", "NaN",
                                      "Infinity", "-Infinity", "1.7976931348623157e+308",
                                      "-2.2250738585072014e-308", "123456789012345680000"};
  // The shortest texts of random bit patterns, as the table engine writes them.
  std::mt19937_64 random(7);
  for (int i = 0; i < 2000; ++i) {
    std::string text;
    foxpro::AppendDouble(std::bit_cast<double>(random()), text);
    doubles.push_back(text);
  }
  ExpectSameAsText("double precision", doubles, {"inf", " 1", "+1", "1e400", "0x10", "1,5"});
}

TEST(CopyBinaryTypeTest, NamesTheTypesItWrites) {
  EXPECT_EQ(PgBinaryTypeOf("varchar(30)"), PgBinaryType::kText);
  EXPECT_EQ(PgBinaryTypeOf("numeric(12,2)"), PgBinaryType::kNumeric);
  EXPECT_EQ(PgBinaryTypeOf("double precision"), PgBinaryType::kDouble);
  EXPECT_EQ(PgBinaryTypeOf("timestamp"), PgBinaryType::kTimestamp);
  EXPECT_EQ(PgBinaryTypeOf("uuid"), std::nullopt);
  EXPECT_EQ(PgBinaryTypeOf("timestamptz"), std::nullopt);
}

}  // namespace
}  // namespace veltrane::db
