#include "foxpro/files/container.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "database_test_util.h"
#include "engine_test_util.h"
#include "foxpro/record/coding.h"
#include "foxpro/files/compound_index.h"
#include "foxpro/files/long_names.h"
#include "foxpro/error.h"
#include "foxpro/files/memory_file_system.h"
#include "foxpro/files/table_reader.h"
#include "foxpro/files/table_writer.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

using testing::CopyTestFile;
using testing::ReadBytes;

const std::vector<std::string> kTable1Fields = {
    "blob",     "character", "characterbin", "currency",       "date",    "datetime",
    "double",   "float",     "general",      "integer",        "integerautoinc", "logical",
    "memo",     "memobin",   "numeric",      "varbin",         "varchar", "varcharbin"};

// A copy of the fixture container (data1.dbc with table1) in a temporary
// folder, with file names in the case they have there.
struct ContainerCopy {
  veltrane::testing::TempDir dir;
  std::string dbc;
  ContainerCopy() {
    for (const char* name : {"data1.dbc", "data1.DCT", "data1.DCX", "table1.dbf", "table1.FPT"})
      CopyTestFile(std::string("container/") + name, dir.path());
    dbc = dir.File("data1.dbc");
  }
};

// The records of the container file, raw, from its header's lengths.
std::vector<std::string> RawRecords(const std::string& dbc) {
  std::string bytes = ReadBytes(dbc);
  const size_t header = DecodeFixed16(bytes.data() + 8);
  const size_t length = DecodeFixed16(bytes.data() + 10);
  const uint32_t count = DecodeFixed32(bytes.data() + 4);
  std::vector<std::string> records;
  for (size_t i = 0; i < count; ++i) records.push_back(bytes.substr(header + i * length, length));
  return records;
}

TEST(ContainerTest, ListsTheFixtureTableWithItsLongFieldNames) {
  ContainerCopy copy;
  auto container = Container::Open(copy.dir.File("DATA1.DBC"));  // any case
  std::vector<ContainerTable> tables = container->Tables();
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].name, "table1");
  EXPECT_EQ(tables[0].path, copy.dir.File("table1.dbf"));
  EXPECT_EQ(tables[0].field_names, kTable1Fields);
  EXPECT_TRUE(container->Views().empty());
}

TEST(ContainerTest, AddsATableAsVisualFoxProRecordsIt) {
  ContainerCopy copy;
  const std::string long_name(128, 'x');
  {
    auto container = Container::Open(copy.dbc);
    TableWriter::Create(copy.dir.File("Orders.dbf"), {{"ID", 'I'}, {"X", 'C', 1}}, "data1.dbc");
    container->AddTable("Orders", copy.dir.File("Orders.dbf"), {"order_id", long_name});
    EXPECT_THROW(container->AddTable("ORDERS", copy.dir.File("Orders.dbf"), {"a"}), Error);
  }
  auto container = Container::Open(copy.dbc);
  std::vector<ContainerTable> tables = container->Tables();
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[1].name, "Orders");
  EXPECT_EQ(tables[1].path, copy.dir.File("Orders.dbf"));
  EXPECT_EQ(tables[1].field_names, (std::vector<std::string>{"order_id", long_name}));

  // The new table object is laid out like the fixture's: same columns, ids
  // following the last one, the database as parent, blank RIINFO, no code.
  std::vector<std::string> records = RawRecords(copy.dbc);
  ASSERT_EQ(records.size(), 27u);
  const std::string& fixture_table = records[5];
  const std::string& added = records[24];
  EXPECT_EQ(DecodeFixed32(added.data() + 1), 25u);  // id
  EXPECT_EQ(DecodeFixed32(added.data() + 5), 1u);   // parent
  EXPECT_EQ(added.substr(9, 10), fixture_table.substr(9, 10));        // "Table     "
  EXPECT_EQ(added.substr(151, 14), fixture_table.substr(151, 14));    // CODE, RIINFO, USER
  EXPECT_EQ(DecodeFixed32(records[25].data() + 5), 25u);
  EXPECT_EQ(records[25].substr(147, 18), records[6].substr(147, 18));  // field: no properties

  // Its property block holds the object class and the relative path, as the
  // fixture's does.
  std::string dct = ReadBytes(copy.dir.File("data1.DCT"));
  const uint32_t block = DecodeFixed32(added.data() + 147);
  std::string expected_properties("\x08\0\0\0\x01\0\x02\x01\x12\0\0\0\x01\0\x01orders.dbf\0", 26);
  std::string stored = dct.substr(block * 64 + 8, 26);
  EXPECT_EQ(stored, expected_properties);
  EXPECT_EQ(dct.substr(block * 64, 8), std::string("\0\0\0\x01\0\0\0\x1a", 8));
}

TEST(ContainerTest, TablePathsAreInTheContainersCodePage) {
  ContainerCopy copy;
  {
    // The container as a Chinese Visual FoxPro marks it: code page 936.
    std::string bytes = ReadBytes(copy.dbc);
    bytes[29] = '\x7A';
    testing::WriteBytes(copy.dbc, bytes);
  }
  const std::string gbk_name("\xBF\xCD\xBB\xA7.dbf", 8);  // 客户.dbf
  {
    auto container = Container::Open(copy.dbc);
    TableWriter::Create(copy.dir.File("客户.dbf"), {{"ID", 'I'}}, "data1.dbc");
    container->AddTable("客户", copy.dir.File("客户.dbf"), {"id"});
  }
  // Stored as FoxPro stores it, and found under the name it decodes to.
  EXPECT_NE(ReadBytes(copy.dir.File("data1.DCT")).find(gbk_name), std::string::npos);
  std::vector<ContainerTable> tables = Container::Open(copy.dbc)->Tables();
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[1].name, "客户");
  EXPECT_EQ(tables[1].path, copy.dir.File("客户.dbf"));
  EXPECT_EQ(tables[1].problem, "");
  // A copy that kept the stored bytes as the file's name is found too.
  std::filesystem::rename(copy.dir.File("客户.dbf"), copy.dir.File(gbk_name));
  EXPECT_EQ(Container::Open(copy.dbc)->Tables()[1].path, copy.dir.File(gbk_name));
}

TEST(ContainerTest, RemovesATableWithItsFieldObjects) {
  ContainerCopy copy;
  auto container = Container::Open(copy.dbc);
  EXPECT_THROW(container->RemoveTable("nosuch"), Error);
  container->RemoveTable("TABLE1");
  EXPECT_TRUE(container->Tables().empty());
  auto reader = TableReader::Open(copy.dbc);
  EXPECT_EQ(reader->live_record_count(), 5);  // the database's own objects stay
  std::vector<std::string> records = RawRecords(copy.dbc);
  ASSERT_EQ(records.size(), 24u);
  for (size_t i = 5; i < records.size(); ++i) EXPECT_EQ(records[i][0], '*') << i;
}

// The number of keys in each tag of a container index whose tags fit one
// node each (as the fixture's do): tag name -> key count.
std::map<std::string, int> TagKeyCounts(const std::string& dcx_path) {
  std::string dcx = ReadBytes(dcx_path);
  std::map<std::string, int> counts;
  const uint32_t directory = DecodeFixed32(dcx.data());
  int tags = static_cast<uint8_t>(dcx[directory + 2]);
  // Tag header offsets are the directory leaf's record numbers (3-byte
  // entries, 16-bit record numbers, in the fixture's layout).
  for (int t = 0; t < tags; ++t) {
    const uint32_t header = DecodeFixed16(dcx.data() + directory + 24 + 3 * t);
    const uint32_t root = DecodeFixed32(dcx.data() + header);
    std::string expression = dcx.substr(header + 512, 64);
    counts[expression.c_str()] = DecodeFixed16(dcx.data() + root + 2);
  }
  return counts;
}

TEST(ContainerTest, RebuildsTheIndexVisualFoxProWrote) {
  ContainerCopy copy;
  const std::string original = ReadBytes(copy.dir.File("data1.DCX"));
  RebuildContainerIndex(copy.dbc);
  std::string rebuilt = ReadBytes(copy.dir.File("data1.DCX"));
  ASSERT_EQ(rebuilt.size(), original.size());
  for (size_t header : {0x000, 0x600, 0xC00}) {
    EXPECT_EQ(DecodeFixed32(rebuilt.data() + header + 8),
              DecodeFixed32(original.data() + header + 8) + 1)
        << "update counter";
    rebuilt.replace(header + 8, 4, original.substr(header + 8, 4));
  }
  // The fixture marks one root leaf 7 where Visual FoxPro itself writes 3
  // for the others (root and leaf).
  EXPECT_EQ(rebuilt[0x1000], 3);
  rebuilt[0x1000] = original[0x1000];
  EXPECT_TRUE(rebuilt == original);
}

TEST(ContainerTest, KeepsTheIndexInStepWithAddedAndRemovedTables) {
  ContainerCopy copy;
  auto container = Container::Open(copy.dbc);
  TableWriter::Create(copy.dir.File("t2.dbf"), {{"A", 'C', 1}}, "data1.dbc");
  container->AddTable("t2", copy.dir.File("t2.dbf"), {"a"});
  const std::string name_key = "str(parentid)+objecttype+lower(objectname)";
  const std::string type_key = "str(parentid)+objecttype";
  std::map<std::string, int> counts = TagKeyCounts(copy.dir.File("data1.DCX"));
  EXPECT_EQ(counts[name_key], 26);
  EXPECT_EQ(counts[type_key], 26);
  EXPECT_NE(ReadBytes(copy.dir.File("data1.DCX")).find("Table     t2"), std::string::npos);
  container->RemoveTable("table1");
  counts = TagKeyCounts(copy.dir.File("data1.DCX"));
  EXPECT_EQ(counts[name_key], 7);  // the database's 5 objects, t2 and its field
  EXPECT_EQ(counts[type_key], 7);
}

// Every key of the tag whose header is at `header`, walking its tree from
// the root: leaves decoded from their bit-packed entries, branches followed
// through their big-endian child pointers.
void CollectKeys(const std::string& dcx, uint32_t node, size_t key_length,
                 std::vector<std::string>& keys, int depth = 0) {
  ASSERT_LT(depth, 10);
  ASSERT_LE(node + 512, dcx.size());
  const unsigned char* n = reinterpret_cast<const unsigned char*>(dcx.data() + node);
  int count = n[2] | (n[3] << 8);
  if (n[0] & 2) {
    int record_bits = n[20], dup_bits = n[21], bytes = n[23];
    std::string previous;
    size_t end = 512;
    for (int i = 0; i < count; ++i) {
      uint64_t v = 0;
      for (int b = 0; b < bytes; ++b) v |= static_cast<uint64_t>(n[24 + i * bytes + b]) << (8 * b);
      size_t dup = (v >> record_bits) & ((1u << dup_bits) - 1);
      size_t trail = v >> (record_bits + dup_bits) & ((1u << dup_bits) - 1);
      size_t stored = key_length - dup - trail;
      end -= stored;
      std::string key = previous.substr(0, dup) + dcx.substr(node + end, stored) + std::string(trail, ' ');
      keys.push_back(key);
      previous = key;
    }
    return;
  }
  for (int i = 0; i < count; ++i) {
    size_t at = node + 12 + i * (key_length + 8) + key_length + 4;
    CollectKeys(dcx, DecodeBigEndian32(dcx.data() + at), key_length, keys, depth + 1);
  }
}

TEST(ContainerTest, AnIndexOfManyObjectsSpansSeveralNodes) {
  ContainerCopy copy;
  auto container = Container::Open(copy.dbc);
  std::vector<std::string> fields;
  for (int i = 0; i < 60; ++i) fields.push_back("a_rather_long_field_name_number_" + std::to_string(i));
  container->AddTable("wide", copy.dir.File("wide.dbf"), fields);
  std::string dcx = ReadBytes(copy.dir.File("data1.DCX"));
  uint32_t header = 0x600;  // OBJECTNAME, the first tag
  ASSERT_EQ(dcx.substr(header + 512, 12), "str(parentid");
  std::vector<std::string> keys;
  CollectKeys(dcx, DecodeFixed32(dcx.data() + header), 148, keys);
  ASSERT_EQ(keys.size(), 24u + 61u);
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(keys.back().substr(0, 10), "        25");  // the new table's fields
  EXPECT_GT(dcx.size(), 4608u + 512u);
}

// An index whose keys cannot be rebuilt as it states them refuses a change
// before the container changes, not after: also when the container has no
// live object, whose key would show it.
TEST(ContainerTest, AnIndexThatCannotBeRebuiltLeavesTheContainerAsItWas) {
  using Change = std::function<void(Container&, const std::string&)>;
  const Change add = [](Container& c, const std::string& dir) { c.AddTable("t2", dir + "/t2.dbf", {"a"}); };
  const Change remove = [](Container& c, const std::string&) { c.RemoveTable("table1"); };
  struct Case {
    const char* name;
    bool objects_deleted;
    Change change;
  };
  const Case cases[] = {{"add", false, add}, {"remove", false, remove}, {"add to no live object", true, add}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Change& change = c.change;
    ContainerCopy copy;
    std::string dcx = ReadBytes(copy.dir.File("data1.DCX"));
    dcx[0x600 + 12] = static_cast<char>(147);  // OBJECTNAME's keys are 148 bytes long
    testing::WriteBytes(copy.dir.File("data1.DCX"), dcx);
    if (c.objects_deleted) {
      std::string bytes = ReadBytes(copy.dbc);
      const size_t header = DecodeFixed16(bytes.data() + 8), length = DecodeFixed16(bytes.data() + 10);
      for (size_t r = 0; r < RawRecords(copy.dbc).size(); ++r) bytes[header + r * length] = '*';
      testing::WriteBytes(copy.dbc, bytes);
    }
    const std::string dbc = ReadBytes(copy.dbc);
    auto container = Container::Open(copy.dbc);
    try {
      change(*container, copy.dir.path());
      ADD_FAILURE() << "changed";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("do not have the length it states"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(ReadBytes(copy.dbc) == dbc);
    EXPECT_TRUE(ReadBytes(copy.dir.File("data1.DCX")) == dcx);
  }
}

// A parent's number STR() cannot show in its 10 characters (here the
// database object's) is keyed as 10 asterisks: every key keeps the length
// of its tag, and a table added under it is in the index.
TEST(ContainerTest, ANumberTooLongForStrIsKeyedAsAsterisks) {
  ContainerCopy copy;
  std::string bytes = ReadBytes(copy.dbc);
  const size_t header = DecodeFixed16(bytes.data() + 8);
  EncodeFixed32(bytes.data() + header + 1, static_cast<uint32_t>(-1358954495));  // the database's id
  testing::WriteBytes(copy.dbc, bytes);
  Container::Open(copy.dbc)->AddTable("t2", copy.dir.File("t2.dbf"), {"a"});
  EXPECT_EQ(Container::Open(copy.dbc)->Tables().size(), 2u);
  std::string dcx = ReadBytes(copy.dir.File("data1.DCX"));
  std::vector<std::string> keys;
  CollectKeys(dcx, DecodeFixed32(dcx.data() + 0x600), 148, keys);  // OBJECTNAME
  ASSERT_EQ(keys.size(), 24u + 2u);
  const std::string added = "**********Table     t2" + std::string(148 - 22, ' ');
  EXPECT_NE(std::find(keys.begin(), keys.end(), added), keys.end());
}

TEST(ContainerTest, ATableTheContainerCannotBeWrittenForIsRefusedAndLeavesItAsItWas) {
  veltrane::testing::TempDir dir;
  MemoryFileSystem files(4608);  // the container file cannot grow by a record
  for (const char* name : {"data1.dbc", "data1.DCT", "data1.DCX"})
    files.AddFile(dir.File(name), ReadBytes(CopyTestFile(std::string("container/") + name, dir.path())));
  ScopedFileSystem installed(files);
  const std::optional<std::string> dbc = files.Contents(dir.File("data1.dbc"));
  const std::optional<std::string> dcx = files.Contents(dir.File("data1.DCX"));
  try {
    Container::Open(dir.File("data1.dbc"))->AddTable("t2", dir.File("t2.dbf"), {"a"});
    ADD_FAILURE() << "added";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("File too large"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(files.Contents(dir.File("data1.dbc")) == dbc);
  EXPECT_TRUE(files.Contents(dir.File("data1.DCX")) == dcx);
}

// A new container holds what Visual FoxPro 9 puts into an empty one: the
// fixture's first five objects (the database's own), with the same
// columns and properties; every reader opens it, and tables join it.
TEST(ContainerTest, CreatesAnEmptyContainerThatEveryReaderOpens) {
  veltrane::testing::TempDir dir;
  ContainerCopy fixture;
  Container::Create(dir.File("Shop.DBC"));
  EXPECT_EQ(testing::FilesIn(dir.path()), (std::vector<std::string>{"Shop.DBC", "Shop.DCT", "Shop.DCX"}));

  const std::string created = ReadBytes(dir.File("Shop.DBC"));
  const std::string original = ReadBytes(fixture.dbc);
  EXPECT_EQ(created[0], original[0]);                      // Visual FoxPro
  EXPECT_EQ(created.substr(8, 4), original.substr(8, 4));  // header and record lengths
  EXPECT_EQ(created.substr(28, 2), original.substr(28, 2)); // flags, code page 1252
  EXPECT_EQ(created.substr(32, 552 - 32), original.substr(32, 552 - 32));  // columns
  const std::vector<std::string> records = RawRecords(dir.File("Shop.DBC"));
  const std::vector<std::string> fixture_records = RawRecords(fixture.dbc);
  ASSERT_EQ(records.size(), 5u);
  for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i], fixture_records[i]) << i;
  EXPECT_EQ(created.back(), '\x1A');
  // The database's properties stand in the same block as the fixture's.
  const std::string dct = ReadBytes(dir.File("Shop.DCT"));
  const std::string fixture_dct = ReadBytes(fixture.dir.File("data1.DCT"));
  EXPECT_EQ(dct.substr(0, 4), std::string("\0\0\0\x09", 4));  // the next free block
  EXPECT_EQ(dct.substr(4, 508), fixture_dct.substr(4, 508));
  EXPECT_EQ(dct.substr(512, 64), fixture_dct.substr(512, 64));
  EXPECT_EQ(dct.size(), 576u);
  // Its index has the fixture's two tags over the five objects.
  const std::map<std::string, int> counts = TagKeyCounts(dir.File("Shop.DCX"));
  EXPECT_EQ(counts, (std::map<std::string, int>{{"str(parentid)+objecttype+lower(objectname)", 5},
                                               {"str(parentid)+objecttype", 5}}));

  // Read as a table by the independent readers (which take memo files as
  // .fpt beside a .dbf).
  veltrane::testing::TempDir as_table;
  std::filesystem::copy_file(dir.File("Shop.DBC"), as_table.File("shop.dbf"));
  std::filesystem::copy_file(dir.File("Shop.DCT"), as_table.File("shop.fpt"));
  for (const char* reader : {"dbfread", "dbf"}) {
    std::vector<testing::Record> objects = testing::ReadWithPython(reader, as_table.File("shop.dbf"));
    ASSERT_EQ(objects.size(), 5u) << reader;
    EXPECT_EQ(objects[0][0], "1") << reader;
    EXPECT_EQ(objects[4][1], "1") << reader;
    EXPECT_EQ(objects[4][3].value_or("").substr(0, 28), "StoredProceduresDependencies") << reader;
  }

  auto container = Container::Open(dir.File("shop.dbc"));
  EXPECT_EQ(container->code_page(), 1252);
  EXPECT_TRUE(container->Tables().empty());
  EXPECT_TRUE(container->Views().empty());
  TableWriter::Create(dir.File("orders.dbf"), {{"ID", 'I'}}, "shop.dbc");
  container->AddTable("orders", dir.File("orders.dbf"), {"order_id"});
  std::vector<ContainerTable> tables = Container::Open(dir.File("shop.dbc"))->Tables();
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].field_names, std::vector<std::string>{"order_id"});
  EXPECT_EQ(TagKeyCounts(dir.File("Shop.DCX")).at("str(parentid)+objecttype"), 7);
}

TEST(ContainerTest, ANewContainerKeepsItsCodePageAndTakesFoxProPaths) {
  veltrane::testing::TempDir dir;
  Container::Create(dir.File("склад.dbc"), 1251);
  EXPECT_EQ(ReadBytes(dir.File("склад.dbc"))[29], '\xC9');
  EXPECT_EQ(Container::Open(dir.File("склад.dbc"))->code_page(), 1251);
  // A backslash separates folders, as in every FoxPro path.
  Container::Create(dir.path() + "\\shop.dbc");
  EXPECT_EQ(testing::FilesIn(dir.path()), (std::vector<std::string>{"shop.dbc", "shop.dct", "shop.dcx",
                                                                     "склад.dbc", "склад.dct",
                                                                     "склад.dcx"}));
}

// A container is only made where none of its three files is: anything in
// the way, or a name that cannot be one, changes nothing on disk.
TEST(ContainerTest, CreateRefusesAndLeavesTheFolderAsItWas) {
  const struct {
    const char* name;
    const char* existing;  // a file already in the folder, or null
    const char* says;
  } cases[] = {
      {"shop.dbc", "SHOP.DBC", "/SHOP.DBC\" is there already"},
      {"shop.dbc", "shop.DCT", "/shop.DCT\" is there already"},
      {"shop.dbc", "Shop.dcx", "/Shop.dcx\" is there already"},
      {"shop.dat", nullptr, "must end in \".dbc\""},
      {"missing/shop.dbc", nullptr, "the folder"},
      {"cp.dbc", nullptr, "code page 65001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    veltrane::testing::TempDir dir;
    if (c.existing) testing::WriteBytes(dir.File(c.existing), "keep");
    const std::vector<std::string> before = testing::FilesIn(dir.path());
    const int code_page = std::string(c.name) == "cp.dbc" ? 65001 : kDefaultCodePage;
    try {
      Container::Create(dir.File(c.name), code_page);
      ADD_FAILURE() << "created";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("Cannot create the database container"), std::string::npos);
    }
    EXPECT_EQ(testing::FilesIn(dir.path()), before);
    if (c.existing) {
      EXPECT_EQ(ReadBytes(dir.File(c.existing)), "keep");
    }
  }
}

TEST(ContainerTest, ACreateThatCannotWriteEveryFileLeavesNone) {
  veltrane::testing::TempDir dir;
  MemoryFileSystem files(2048);  // room for the memo and container, not the index
  files.AddFolder(dir.path());
  ScopedFileSystem installed(files);
  try {
    Container::Create(dir.File("shop.dbc"));
    ADD_FAILURE() << "created";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("File too large"), std::string::npos) << e.what();
  }
  std::error_code error;
  EXPECT_TRUE(files.List(dir.path(), error).empty());
}

// The file name a table of a container gets: its own while that is short
// and safe on Windows, else one made from it that no table, memo or index
// file of the folder has (compared without regard to case).
TEST(ContainerTest, ShortFileNamesAreTheTablesOwnOrMadeUniqueInTheFolder) {
  veltrane::testing::TempDir dir;
  for (const char* existing : {"CUSTOMER_C.DBF", "customer_1.fpt", "payment_p2.cdx", "con_.dbf"})
    testing::WriteBytes(dir.File(existing), "");
  const struct {
    const char* table;
    const char* file;
  } cases[] = {
      {"orders", "orders"},                  // today's names stay
      {"Every Type", "Every Type"},
      {"customer_c", "customer_c"},          // its own file: the caller asks about it
      {"клиенты", "клиенты"},
      {"order_details", "order_deta"},
      {"customer_customer_demo", "customer_2"},
      {"payment_p2022_01", "payment__1"},
      {"Mixed Case Name", "Mixed_Case"},
      {"a:b", "a_b"},
      {"report.", "report_"},
      {"prn", "prn_"},
      {"CON", "CON_1"},                      // con_.dbf is there
      {"lpt1.x", "lpt1_x"},
      {"склад_и_остатки", "склад_и_ос"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ShortTableFileName(c.table, dir.path()), c.file) << c.table;
}

TEST(ContainerTest, RefusesWhatIsNotAContainer) {
  veltrane::testing::TempDir dir;
  EXPECT_THROW(Container::Open(dir.File("none.dbc")), Error);
  EXPECT_THROW(Container::Open(dir.path()), Error);
  CopyTestFile("container/table1.dbf", dir.path());
  try {
    Container::Open(dir.File("table1.dbf"));
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("not a database container"), std::string::npos) << e.what();
  }
  testing::WriteBytes(dir.File("junk.dbc"), "hello");
  EXPECT_THROW(Container::Open(dir.File("junk.dbc")), Error);
}

}  // namespace
}  // namespace veltrane::foxpro
