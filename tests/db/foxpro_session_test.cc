#include "db/foxpro_session.h"
#include "db/connection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db/error.h"
#include "foxpro/database.h"
#include "foxpro/error.h"
#include "support/temp_dir.h"

namespace veltrane::db {
namespace {

namespace fs = std::filesystem;

// A copy of the free table dbase_30 (34 rows, with memo fields) in a folder
// of its own.
class FoxProSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"dbase_30.dbf", "dbase_30.fpt"}) {
      fs::path copy = fs::path(dir_.path()) / name;
      fs::copy_file(testing::TestDataPath(std::string("free-tables/") + name), copy);
      fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
    }
  }
  ConnectionSettings Settings(const std::string& folder) const {
    ConnectionSettings settings;
    settings.container_mode = false;
    settings.free_table_folder = folder;
    return settings;
  }

  veltrane::testing::TempDir dir_;
};

TEST_F(FoxProSessionTest, ListsAndReadsTablesThroughTheAccessLayer) {
  Connection connection;
  connection.OpenFoxPro(Settings(dir_.path()));
  RecordSet schema = connection.OpenSchema(kSchemaTables);
  ASSERT_FALSE(schema.Eof());
  EXPECT_EQ(schema.GetFields()["TABLE_NAME"].Value().Text(), "dbase_30");
  EXPECT_EQ(schema.GetFields()["TABLE_TYPE"].Value().Text(), "TABLE");
  schema.MoveNext();
  EXPECT_TRUE(schema.Eof());

  RecordSet rows = connection.Execute("SELECT * FROM `DBASE_30`");
  EXPECT_EQ(rows.RecordCount(), 34);
  std::unique_ptr<foxpro::RowCursor> engine =
      foxpro::Database::Open(dir_.path())->Execute("SELECT * FROM `dbase_30`");
  ASSERT_EQ(rows.GetFields().Count(), static_cast<int>(engine->Columns().size()));
  for (int i = 0; i < rows.GetFields().Count(); ++i) {
    EXPECT_EQ(rows.GetFields()[i].Name(), engine->Columns()[i].name);
    EXPECT_EQ(rows.GetFields()[i].Type(), engine->Columns()[i].type);
  }
  std::vector<foxpro::Cell> cells;
  int count = 0;
  for (; !rows.Eof(); rows.MoveNext(), ++count) {
    ASSERT_TRUE(engine->Next(cells));
    for (int i = 0; i < rows.GetFields().Count(); ++i) {
      const Value& value = rows.GetFields()[i].Value();
      EXPECT_EQ(value.IsNull(), cells[i].null);
      if (!value.IsNull()) {
        EXPECT_EQ(value.Text(), cells[i].text);
      }
    }
  }
  EXPECT_EQ(count, 34);

  // Statements without rows give a closed record set.
  EXPECT_FALSE(connection.Execute("CREATE TABLE '" + dir_.File("new.dbf") + "'([a] M)").IsOpen());
  EXPECT_FALSE(connection.Execute("INSERT INTO `" + dir_.File("new.dbf") + "` VALUES('x')").IsOpen());
  EXPECT_EQ(connection.Execute("SELECT * FROM `new`").RecordCount(), 1);
}

TEST_F(FoxProSessionTest, FieldsCarryTheirTypeLetterWidthDecimalsAndFlags) {
  Connection connection;
  connection.OpenFoxPro(Settings(dir_.path()));
  connection.Execute("CREATE TABLE '" + dir_.File("shape.dbf") +
                     "'([c] C(12) NOT NULL, [n] N(13,2) NULL, [m] M NOCPTRANS, [i] I)");
  RecordSet rows = connection.Execute("SELECT * FROM `shape`");
  const Fields fields = rows.GetFields();
  const ColumnDetails c = fields["c"].Details(), n = fields["n"].Details(),
                      m = fields["m"].Details(), i = fields["i"].Details();
  EXPECT_EQ(std::string() + c.foxpro_type + n.foxpro_type + m.foxpro_type + i.foxpro_type, "CNMI");
  EXPECT_EQ(c.width, 12);
  EXPECT_FALSE(c.nullable);
  EXPECT_FALSE(c.binary);
  EXPECT_EQ(n.width, 13);
  EXPECT_EQ(n.decimals, 2);
  EXPECT_TRUE(n.nullable);
  EXPECT_TRUE(m.binary);
  EXPECT_EQ(i.pg_type, 0u);
}

TEST_F(FoxProSessionTest, LostMemoValuesArriveAsNullAndTheRecordSetCountsThem) {
  fs::resize_file(dir_.File("dbase_30.fpt"), 512);  // the memo blocks are gone
  Connection connection;
  connection.OpenFoxPro(Settings(dir_.path()));
  RecordSet rows = connection.Execute("SELECT * FROM `dbase_30`");
  int rows_read = 0;
  for (; !rows.Eof(); rows.MoveNext()) {
    ++rows_read;
    for (int i = 0; i < rows.GetFields().Count(); ++i)
      EXPECT_FALSE(rows.GetFields()[i].Value().IsFailed());
  }
  EXPECT_EQ(rows_read, 34);
  const std::vector<Notice> notices = rows.Notices();
  ASSERT_FALSE(notices.empty());
  for (const Notice& notice : notices) {
    EXPECT_TRUE(notice.problem);
    EXPECT_NE(notice.text.find("Table \"dbase_30\", column"), std::string::npos) << notice.text;
    EXPECT_NE(notice.text.find("arrived as NULL"), std::string::npos) << notice.text;
  }
}

TEST_F(FoxProSessionTest, EngineFailuresArriveWithTheEnginesDescription) {
  std::string engine_failure;
  try {
    foxpro::Database::Open(dir_.path())->Execute("DROP TABLE `missing`");
  } catch (const foxpro::Error& error) {
    engine_failure = error.what();
  }
  ASSERT_FALSE(engine_failure.empty());
  Connection connection;
  connection.OpenFoxPro(Settings(dir_.path()));
  try {
    connection.Execute("DROP TABLE `missing`");
    ADD_FAILURE() << "dropped a missing table";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), engine_failure);
  }
  EXPECT_THROW(connection.OpenSchema(4), Error);

  Connection missing;
  try {
    missing.OpenFoxPro(Settings(dir_.File("nowhere")));
    ADD_FAILURE() << "opened a missing data source";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("does not exist"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(missing.IsOpen());
}

}  // namespace
}  // namespace veltrane::db
