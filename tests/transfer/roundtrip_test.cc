// Whole tables through both transfers: every value's text arrives unchanged.

#include <filesystem>

#include "command_fixture.h"
#include "foxpro_tables.h"
#include "transfer/commands.h"
#include "transfer/table_commands.h"

namespace veltrane::transfer::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

// A value as it arrives after a trip through PostgreSQL and back: a null and
// an empty text are both sent as NULL and come back as the empty text.
std::string Arrived(const std::optional<std::string>& value) { return value.value_or(""); }

// The text of a binary value without bytes.
constexpr const char* kNoBytes = "\\x";

class RoundTripTest : public CommandFixture {
 protected:
  // Sends table `name` of folder() to PostgreSQL and back into `back`.
  void SendThereAndBack(const std::string& name, const std::string& back) {
    Fill(*list1_, {name}, {name});
    ASSERT_TRUE(SendToPostgreSql(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
    list1_->Clear();
    UseFreeTables(back);
    for (int i = 0; i < list2_->Count(); ++i) {
      list2_->SetSelected(i, list2_->Item(i) == name);
      if (list2_->Item(i) == name) list2_->SetCurrentIndex(i);
    }
    ASSERT_TRUE(SendToFoxPro(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
  }

  // Every value of `after` (memo text, read by the engine and by dbfread)
  // equals the text of the same value of `before`.
  void ExpectSameTexts(const TableContents& before, const std::string& after_path) {
    const TableContents engine = ReadWithEngine(after_path);
    const TableContents dbfread = ReadWithDbfRead(after_path);
    ASSERT_EQ(engine.rows.size(), before.rows.size());
    ASSERT_EQ(dbfread.rows.size(), before.rows.size());
    for (size_t r = 0; r < before.rows.size(); ++r) {
      ASSERT_EQ(engine.rows[r].size(), before.rows[r].size());
      for (size_t f = 0; f < before.rows[r].size(); ++f) {
        std::string expected = Arrived(before.rows[r][f]);
        // A blob field takes the empty value for a null: no bytes.
        if (expected.empty() && Arrived(engine.rows[r][f]) == kNoBytes) expected = kNoBytes;
        EXPECT_TRUE(Arrived(engine.rows[r][f]) == expected)
            << "row " << r << " field " << before.fields[f] << ": " << expected.substr(0, 80);
        EXPECT_TRUE(Arrived(dbfread.rows[r][f]) == expected ||
                    (expected == kNoBytes && Arrived(dbfread.rows[r][f]).empty()))
            << "dbfread, row " << r << " field " << before.fields[f];
      }
    }
  }

  ::veltrane::testing::TempDir back_;
};

TEST_F(RoundTripTest, AWrittenTableComesBackWithEveryValueUnchanged) {
  auto field = [](const char* name, char type, int length = 0, int decimals = 0) {
    foxpro::NewField f;
    f.name = name;
    f.type = type;
    f.length = length;
    f.decimals = decimals;
    f.nullable = true;
    return f;
  };
  std::string big;
  while (big.size() < (1 << 20)) big += "Zeile mit Umlauten äöü, 'Quotes', \\ und +'Joints'+\r\n";
  std::string binary;
  for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
  std::string binary_hex = "\\x";
  for (unsigned char c : binary) {
    const char* digits = "0123456789abcdef";
    binary_hex += digits[c >> 4];
    binary_hex += digits[c & 15];
  }
  WriteFoxProTable(
      dir_.File("mixed.dbf"),
      {field("name", 'C', 12), field("memo", 'M'), field("blob", 'W'), field("i", 'I'),
       field("b", 'B', 0, 3), field("n", 'N', 12, 3), field("d", 'D'), field("t", 'T'),
       field("l", 'L'), field("y", 'Y')},
      {{"trailing  ", "It's a \"memo\"\r\nwith C:\\path\\", binary_hex, "-2147483648", "0.1",
        "-12345.678", "1999-12-31", "2000-01-01 00:00:01", "true", "-922337203685477.5808"},
       {"", "", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
        std::nullopt, std::nullopt, std::nullopt},
       {"é'+'x", big, "\\x00", "7", "1e+100", "0.001", "2024-02-29", "2024-02-29 23:59:59",
        "false", "0"}});
  const TableContents before = ReadWithEngine(dir_.File("mixed.dbf"));

  SendThereAndBack("mixed", back_.path());

  ExpectSameTexts(before, back_.File("mixed.DBF"));
}

TEST_F(RoundTripTest, ARealVisualFoxProTableComesBackWithEveryValueUnchanged) {
  for (const char* file : {"dbase_30.dbf", "dbase_30.fpt"})
    fs::copy_file(TransferTestData(std::string("free-tables/") + file), dir_.File(file));
  const TableContents before = ReadWithEngine(dir_.File("dbase_30.dbf"));
  ASSERT_EQ(before.rows.size(), 34u);

  SendThereAndBack("dbase_30", back_.path());

  ExpectSameTexts(before, back_.File("dbase_30.DBF"));
}

TEST_F(RoundTripTest, CyrillicTextComesBackThroughATableOfCodePage1251) {
  db_.Exec("CREATE TABLE original(\"город\" text, \"жители\" text);"
           "INSERT INTO original VALUES ('Москва', 'москвичи'), ('Санкт-Петербург', NULL)");
  settings_.foxpro_code_page = {1251};
  Fill(*list2_, {"original"}, {"original"});
  ASSERT_TRUE(SendToFoxPro(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());

  list1_->Clear();
  Fill(*list1_, {"original"}, {"original"});
  list2_->Clear();
  db_.Exec("ALTER TABLE original RENAME TO sent");
  ASSERT_TRUE(SendToPostgreSql(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());

  EXPECT_EQ(db_.Query("SELECT \"город\", \"жители\" FROM original ORDER BY 1"),
            db_.Query("SELECT \"город\", \"жители\" FROM sent ORDER BY 1"));
  EXPECT_EQ(db_.Query("SELECT count(*) FROM original"), (std::vector<Row>{{"2"}}));
}

// A PostgreSQL table with a column of every common type under awkward
// names, and the text form each value arrives in.
class EveryTypeTest : public CommandFixture {
 protected:
  void CreateEveryType() {
    db_.Exec(R"sql(
      CREATE TABLE "Every Type"(
        "small int" smallint, "Big/Int" bigint, "Numeric" numeric(20,5), "real" real,
        "double ""q""" double precision, "money" money, "Bool" boolean, "char" char(5),
        "varchar" varchar(10), "it's text" text, "date" date, "time" time,
        "timestamp" timestamp, "timestamptz" timestamptz, "bytea" bytea, "uuid" uuid,
        "json" json, "jsonb" jsonb, "int[]" int[], "text[]" text[],
        "a_sixty_character_column_name_that_goes_on_and_on_and_on_xyz" int,
        "naïve/Über" text);
      INSERT INTO "Every Type" VALUES (
        32767, -9223372036854775808, 12345.67890, 1.5, 0.1, 1234.5, true, 'ab', 'vé',
        E'line1\nline2 ''q'' \\', '2024-02-29', '13:45:07.25', '2024-02-29 13:45:07',
        '2024-02-29 13:45:07+00', '\x00ff', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11',
        '{"a": [1, "x"]}', '{"a": [1, "x"]}', '{1,2,3}', '{"a b",c}', 60, 'ça');
      INSERT INTO "Every Type" DEFAULT VALUES;
    )sql");
    timestamptz_ = *db_.Query("SELECT timestamptz::text FROM \"Every Type\" LIMIT 1")[0][0];
  }
  std::vector<std::string> ExpectedTexts() const {
    return {"32767", "-9223372036854775808", "12345.67890", "1.5", "0.1", "1234.50", "true",
            "ab   ", "vé", "line1\nline2 'q' \\", "2024-02-29", "13:45:07.25",
            "2024-02-29 13:45:07", timestamptz_, "\\x00ff",
            "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11", "{\"a\": [1, \"x\"]}",
            "{\"a\": [1, \"x\"]}", "{1,2,3}", "{\"a b\",c}", "60", "ça"};
  }
  void ExpectArrived(const std::string& path) {
    for (const TableContents& table : {ReadWithEngine(path), ReadWithDbfRead(path)}) {
      ASSERT_EQ(table.fields.size(), 22u);
      ASSERT_EQ(table.rows.size(), 2u);
      std::vector<std::string> texts;
      for (const auto& value : table.rows[0]) texts.push_back(Arrived(value));
      EXPECT_EQ(texts, ExpectedTexts());
      // The row of nulls: empty texts, and no bytes in the blob.
      for (size_t f = 0; f < table.rows[1].size(); ++f) {
        const std::string text = Arrived(table.rows[1][f]);
        EXPECT_TRUE(text.empty() || (f == kByteaField && text == kNoBytes)) << f << ": " << text;
      }
    }
  }
  static constexpr size_t kByteaField = 14;
  std::string timestamptz_;
};

TEST_F(EveryTypeTest, ArrivesAsFreeTable) {
  CreateEveryType();
  Fill(*list2_, {"Every Type"}, {"Every Type"});

  EXPECT_TRUE(SendToFoxPro(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());

  EXPECT_THAT(Items(*list1_), ElementsAre("every type"));
  ExpectArrived(dir_.File("Every Type.DBF"));
}

TEST_F(EveryTypeTest, ArrivesInADatabaseContainer) {
  CreateEveryType();
  fs::copy(TransferTestData("container"), dir_.path());
  UseContainer(dir_.File("data1.dbc"));
  Fill(*list2_, {"Every Type"}, {"Every Type"});

  EXPECT_TRUE(SendToFoxPro(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());

  EXPECT_THAT(Items(*list1_), ElementsAre("every type"));
  ExpectArrived(dir_.File("Every Type.DBF"));
  // The container now holds the table beside its own.
  EXPECT_TRUE(LoadTables(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
  const std::vector<std::string> listed = Items(*list1_);
  EXPECT_NE(std::find(listed.begin(), listed.end(), "table1"), listed.end());
  EXPECT_EQ(std::count_if(listed.begin(), listed.end(),
                          [](const std::string& name) {
                            return name == "Every Type" || name == "every type";
                          }),
            1);
}

// PostgreSQL -> a new database container -> PostgreSQL keeps every table
// and column name, with either column mapping, while the table's file gets
// a short name.
TEST_F(RoundTripTest, LongNamesComeBackThroughANewContainer) {
  const std::string table = "customer_demographics_of_the_year";
  const std::vector<std::string> columns = {"customer_type_identifier", "Mixed_Case_Description",
                                            "shipping_address_line", "shipping_address_city"};
  for (app::ColumnTypes types : {app::ColumnTypes::kText, app::ColumnTypes::kTyped}) {
    SCOPED_TRACE(types == app::ColumnTypes::kText ? "text" : "typed");
    db_.Exec("DROP TABLE IF EXISTS " + table + "; CREATE TABLE " + table +
             "(customer_type_identifier integer, \"Mixed_Case_Description\" text,"
             " shipping_address_line varchar(40), shipping_address_city varchar(20));"
             "INSERT INTO " + table + " VALUES (1, 'Über', 'Main St 1', 'Bern'),"
             " (2, NULL, 'x', NULL)");
    const auto rows = Rows("SELECT * FROM " + table + " ORDER BY 1");
    ::veltrane::testing::TempDir folder;
    ASSERT_TRUE(CreateContainer(folder.File("shop.dbc"), 0, prompter_).ok());
    UseContainer(folder.File("shop.dbc"));
    ctx().column_types = types;
    list1_->Clear();
    list2_->Clear();
    Fill(*list2_, {table}, {table});
    ASSERT_TRUE(SendToFoxPro(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
    EXPECT_THAT(prompter_.Messages(), ::testing::IsEmpty());
    const std::string file = folder.File("customer_d.DBF");
    EXPECT_EQ(ReadWithDbfRead(file).fields,
              (std::vector<std::string>{"customer_t", "Mixed_Case", "shipping_a", "shipping_1"}));
    EXPECT_EQ(ReadWithDbfRead(file).rows.size(), 2u);

    // Listed afresh on both sides, without the PostgreSQL table.
    db_.Exec("DROP TABLE " + table);
    ASSERT_TRUE(LoadTables(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
    EXPECT_THAT(Items(*list1_), ElementsAre(table));
    list1_->SetSelected(0, true);
    list1_->SetCurrentIndex(0);
    ASSERT_TRUE(SendToPostgreSql(ctx()).ok()) << ::testing::PrintToString(prompter_.Reports());
    std::vector<std::string> arrived;
    for (const auto& row : Rows("SELECT attname FROM pg_attribute WHERE attrelid = '" + table +
                                "'::regclass AND attnum > 0 ORDER BY attnum"))
      arrived.push_back(row[0]);
    EXPECT_EQ(arrived, columns);
    EXPECT_EQ(Rows("SELECT * FROM " + table + " ORDER BY 1"), rows);
  }
}

}  // namespace
}  // namespace veltrane::transfer::testing
