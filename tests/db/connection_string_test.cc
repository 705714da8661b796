#include "db/connection_string.h"

#include <gtest/gtest.h>

#include "db/connection_strings.h"
#include "db/error.h"

namespace veltrane::db {
namespace {

TEST(ConnectionStringTest, KeysIgnoreCaseAndBlanksValuesStayExact) {
  auto parsed = ConnectionString::Parse(" DRIVER = {PostgreSQL Unicode};server=h; Pwd= a b ;;");
  EXPECT_EQ(parsed.GetOr("Driver"), "PostgreSQL Unicode");
  EXPECT_EQ(parsed.GetOr("Server"), "h");
  EXPECT_EQ(parsed.GetOr("pwd"), " a b ");
  EXPECT_FALSE(parsed.Get("Database").has_value());
  EXPECT_EQ(ConnectionString::Parse("Uid=;Pwd=x").Get("uid"), std::string());
}

TEST(ConnectionStringTest, BracedValuesHoldSemicolonsAndDoubledBraces) {
  auto parsed = ConnectionString::Parse("Pwd={a;b}}c{d} ;Uid={}}};Database={}");
  EXPECT_EQ(parsed.GetOr("Pwd"), "a;b}c{d");
  EXPECT_EQ(parsed.GetOr("Uid"), "}");
  EXPECT_EQ(parsed.GetOr("Database"), "");
}

TEST(ConnectionStringTest, FirstOccurrenceOfAKeyCounts) {
  EXPECT_EQ(ConnectionString::Parse("Port=1;PORT=2").GetOr("Port"), "1");
}

TEST(ConnectionStringTest, MalformedTextsAreRejectedWithAReason) {
  for (const char* text : {"Server", "=x", "Pwd={abc", "Pwd={a}b;Uid=u"}) {
    try {
      ConnectionString::Parse(text);
      ADD_FAILURE() << text;
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find("malformed"), std::string::npos) << text;
    }
  }
}

TEST(ConnectionStringTest, QuotingOnlyWhereTheStructureNeedsIt) {
  EXPECT_EQ(QuoteConnectionValue("plain-value_1.2"), "plain-value_1.2");
  EXPECT_EQ(QuoteConnectionValue(""), "");
  EXPECT_EQ(QuoteConnectionValue("a b"), "a b");
  EXPECT_EQ(QuoteConnectionValue("a;b"), "{a;b}");
  EXPECT_EQ(QuoteConnectionValue("a}b{"), "{a}}b{}");
  EXPECT_EQ(QuoteConnectionValue(" lead"), "{ lead}");
  EXPECT_EQ(QuoteConnectionValue("trail "), "{trail }");
  for (std::string value : {"x;y}}z", " {;} ", "}", "{"}) {
    auto parsed = ConnectionString::Parse("Pwd=" + QuoteConnectionValue(value) + ";Uid=u");
    EXPECT_EQ(parsed.GetOr("Pwd"), value);
    EXPECT_EQ(parsed.GetOr("Uid"), "u");
  }
}

ConnectionSettings SampleSettings() {
  ConnectionSettings s;
  s.server = "db.example.com";
  s.port = "5433";
  s.user = "alice";
  s.password = "secret";
  s.database = "sales";
  s.dbc_file = "/data/shop.dbc";
  s.free_table_folder = "/data/free";
  return s;
}

TEST(ConnectionStringsTest, ExactText) {
  ConnectionSettings s = SampleSettings();
  EXPECT_EQ(PostgreSqlConnectionString(s),
            "Driver={PostgreSQL Unicode};Server=db.example.com;Port=5433;Uid=alice;Pwd=secret;"
            "Database=sales");
  EXPECT_EQ(PostgreSqlConnectionString(ConnectionSettings{}),
            "Driver={PostgreSQL Unicode};Server=;Port=;Uid=;Pwd=;Database=");
}

TEST(ConnectionStringsTest, ValuesThatWouldBreakTheStringAreBraced) {
  ConnectionSettings s = SampleSettings();
  s.password = "p;w}d";
  s.user = " bob";
  s.container_mode = false;
  s.free_table_folder = "/data/a;b";
  std::string pg = PostgreSqlConnectionString(s);
  EXPECT_EQ(pg, "Driver={PostgreSQL Unicode};Server=db.example.com;Port=5433;Uid={ bob};"
                "Pwd={p;w}}d};Database=sales");
  auto parsed = ConnectionString::Parse(pg);
  EXPECT_EQ(parsed.GetOr("Pwd"), "p;w}d");
  EXPECT_EQ(parsed.GetOr("Uid"), " bob");
  EXPECT_EQ(parsed.GetOr("Database"), "sales");
}

}  // namespace
}  // namespace veltrane::db
