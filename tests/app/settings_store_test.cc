#include "app/settings_store.h"
#include "app/column_types_setting.h"
#include "app/copy_keys_setting.h"
#include "app/jobs_setting.h"
#include "app/postgresql_schema_setting.h"

#include <sys/stat.h>


#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace veltrane::app {
namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  SettingsStore store_{dir_.File("Marvoll/Veltrane.ini")};
};

TEST_F(SettingsStoreTest, AbsentValueReadsAsDefaultButEmptyValueStaysEmpty) {
  EXPECT_EQ(store_.Read(kPortSetting, kDefaultPort), "5432");
  EXPECT_EQ(store_.Read(kUserSetting), "");
  store_.Write(kPortSetting, "");
  EXPECT_EQ(store_.Read(kPortSetting, kDefaultPort), "");
  store_.Write(kPortSetting, "6543");
  EXPECT_EQ(store_.Read(kPortSetting, kDefaultPort), "6543");
}

TEST_F(SettingsStoreTest, ColumnTypesAreTypedOnlyWhenTheStoreSaysSo) {
  EXPECT_EQ(ReadColumnTypes(store_), ColumnTypes::kText);
  for (const char* text : {"", "text", "types", "1"}) {
    store_.Write(kColumnTypesSetting, text);
    EXPECT_EQ(ReadColumnTypes(store_), ColumnTypes::kText) << text;
  }
  store_.Write(kColumnTypesSetting, " Typed ");
  EXPECT_EQ(ReadColumnTypes(store_), ColumnTypes::kTyped);
  WriteColumnTypes(store_, ColumnTypes::kText);
  EXPECT_EQ(store_.Read(kColumnTypesSetting), "text");
  WriteColumnTypes(store_, ColumnTypes::kTyped);
  EXPECT_EQ(store_.Read(kColumnTypesSetting), "typed");
}

TEST_F(SettingsStoreTest, ASchemaIsTakenAsWrittenUnlessPostgreSqlWouldNotKeepIt) {
  EXPECT_FALSE(ReadPostgreSqlSchema(store_).chosen());
  const struct {
    std::string text;
    const char* refusal;  // part of it; "" when taken
  } cases[] = {
      {"", ""},
      {"staging", ""},
      {"Legacy Data", ""},
      {"a.b \"c\"", ""},
      {"PG_upper", ""},
      {std::string(63, 's'), ""},
      {std::string(64, 's'), "64 bytes long"},
      {" staging", "begins or ends with a blank"},
      {"staging\t", "begins or ends with a blank"},
      {"stag\ning", "control character"},
      {"pg_catalog", "for itself"},
      {"pg_mine", "for itself"},
      {"information_schema", "for itself"},
  };
  for (const auto& c : cases) {
    store_.Write(kPostgreSqlSchemaSetting, c.text);
    const PostgreSqlSchema schema = ReadPostgreSqlSchema(store_);
    EXPECT_EQ(schema.name, c.text);
    EXPECT_EQ(schema.chosen(), !c.text.empty());
    if (*c.refusal) {
      EXPECT_NE(schema.refusal.find(c.refusal), std::string::npos) << schema.refusal;
      EXPECT_NE(schema.refusal.find(c.text), std::string::npos) << schema.refusal;
    } else {
      EXPECT_EQ(schema.refusal, "") << c.text;
    }
  }
}

TEST_F(SettingsStoreTest, CopyKeysFollowsTheColumnTypesUnlessTheStoreSaysOtherwise) {
  EXPECT_EQ(ReadCopyKeys(store_), std::nullopt);
  EXPECT_EQ(DefaultCopyKeys(ColumnTypes::kTyped), CopyKeys::kYes);
  EXPECT_EQ(DefaultCopyKeys(ColumnTypes::kText), CopyKeys::kNo);
  const std::pair<const char*, std::optional<CopyKeys>> stored[] = {
      {"yes", CopyKeys::kYes}, {" No ", CopyKeys::kNo}, {"YES", CopyKeys::kYes}, {"", std::nullopt},
      {"maybe", std::nullopt}};
  for (const auto& [text, choice] : stored) {
    store_.Write(kCopyKeysSetting, text);
    EXPECT_EQ(ReadCopyKeys(store_), choice) << text;
  }
}

TEST_F(SettingsStoreTest, JobsAreAWholeNumberFromOneToTheMostElseOne) {
  EXPECT_EQ(ReadJobs(store_), 1);
  const struct {
    const char* stored;
    int jobs;
  } cases[] = {{"4", 4}, {" 2 ", 2}, {"64", 64}, {"1", 1}, {"0", 1},   {"65", 1},
               {"-2", 1}, {"2.5", 1}, {"two", 1}, {"", 1},   {"99999999999999999999", 1}};
  for (const auto& c : cases) {
    store_.Write(kJobsSetting, c.stored);
    EXPECT_EQ(ReadJobs(store_), c.jobs) << c.stored;
  }
}

TEST_F(SettingsStoreTest, KeepsTextsAsTypedInPlainText) {
  const std::string awkward[] = {"p;w}d{=x", " leading and trailing ", "a, b, c", "@String(x)",
                                 "Grüße \"quoted\" back\\slash", "#not a comment", "100"};
  for (const std::string& text : awkward) {
    store_.Write(kPasswordSetting, text);
    EXPECT_EQ(SettingsStore(store_.file_path()).Read(kPasswordSetting), text);
  }
  store_.Write(kPasswordSetting, "secret123");
  const std::string file = testing::FileContents(store_.file_path());
  EXPECT_NE(file.find("[Veltrane]"), std::string::npos) << file;
  EXPECT_NE(file.find("Password=secret123"), std::string::npos) << file;
}

TEST_F(SettingsStoreTest, FileIsPrivateToItsOwner) {
  store_.Write(kServerSetting, "db.example.com");
  store_.Write(kUserSetting, "me");  // a rewrite keeps the permissions
  struct stat info {};
  ASSERT_EQ(::stat(store_.file_path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(store_.Read(kServerSetting), "db.example.com");
}

TEST_F(SettingsStoreTest, AWriteReplacesOneValueAndKeepsTheOthers) {
  store_.Write(kDatabaseSetting, "shop");
  store_.Write(kDbcFileSetting, "/data/shop.dbc");
  store_.Write(kDatabaseSetting, "shop2");
  EXPECT_EQ(store_.Read(kDatabaseSetting), "shop2");
  EXPECT_EQ(store_.Read(kDbcFileSetting), "/data/shop.dbc");
  EXPECT_EQ(store_.Read(kFreeTableFolderSetting, "none"), "none");
}

TEST(SettingsStoreLocation, LivesInTheUsersConfigurationFolder) {
  testing::TempDir config;
  ASSERT_EQ(::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1), 0);
  SettingsStore store;
  EXPECT_EQ(store.file_path(), config.path() + "/Marvoll/Veltrane.ini");
  store.Write(kFoxproOptionSetting, "2");
  EXPECT_EQ(testing::FileContents(config.File("Marvoll/Veltrane.ini")), "[Veltrane]\nFoxproOption=2\n");
}

TEST(FoxproOption, OnlyExactlyTwoSelectsFreeTables) {
  EXPECT_TRUE(IsFreeTableOption("2"));
  for (const char* other : {"", "1", " 2", "2 ", "02", "3", "two"}) EXPECT_FALSE(IsFreeTableOption(other)) << other;
}

}  // namespace
}  // namespace veltrane::app
