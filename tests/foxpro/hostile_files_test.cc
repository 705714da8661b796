// Files that are not what a container or a folder says they are: special
// files where tables and memo files belong, and paths of a damaged container
// that lead to files that are not tables.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "database_test_util.h"
#include "engine_test_util.h"
#include "foxpro/record/coding.h"
#include "foxpro/files/container.h"
#include "foxpro/database.h"
#include "foxpro/files/table_writer.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

namespace fs = std::filesystem;
using testing::FailureOf;
using testing::SelectAll;
using Names = std::vector<std::string>;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Should an open() of `fifo` block, a peer opens it for writing after a
// while and closes it again, so that a regression fails the test instead
// of hanging it. The peer waits a grace period before its first try: the
// engine's own open of a pipe (non-blocking, closed at once) would
// otherwise meet a try of the peer's now and then on a loaded machine.
class FifoUnblocker {
 public:
  explicit FifoUnblocker(std::string fifo) : fifo_(std::move(fifo)) {
    thread_ = std::thread([this] {
      const auto start = std::chrono::steady_clock::now();
      while (!done_ && std::chrono::steady_clock::now() - start < kGrace)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      while (!done_) {
        int fd = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
          ::close(fd);
          unblocked_ = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    });
  }
  ~FifoUnblocker() {
    done_ = true;
    thread_.join();
  }
  bool unblocked() const { return unblocked_; }

 private:
  static constexpr std::chrono::seconds kGrace{2};

  std::string fifo_;
  std::atomic<bool> done_{false};
  std::atomic<bool> unblocked_{false};
  std::thread thread_;
};

Names TableNames(Database& database) {
  Names names;
  for (const CatalogEntry& entry : database.Catalog())
    if (entry.type == "TABLE") names.push_back(entry.name);
  return names;
}

TEST(HostileFilesTest, SpecialFilesWhereTablesAndMemosBelongAreReportedWithoutWaiting) {
  veltrane::testing::TempDir dir;
  TableWriter::Create(dir.File("notes.dbf"), {{"NOTE", 'M'}}, "");
  TableWriter::OpenForAppend(dir.File("notes.dbf"))->Append({{InputValue::Kind::kText, "x", false}});
  fs::remove(dir.File("notes.fpt"));
  ASSERT_EQ(::mkfifo(dir.File("notes.fpt").c_str(), 0600), 0);
  FifoUnblocker peer(dir.File("notes.fpt"));

  std::unique_ptr<Database> folder = Database::Open(dir.path());
  const std::string failure = FailureOf([&] { SelectAll(*folder, "`notes`"); });
  EXPECT_TRUE(Has(failure, "it is a named pipe, not a table, memo or container file. Put"))
      << failure;
  EXPECT_TRUE(Has(FailureOf([&] {
                    folder->Execute("INSERT INTO `notes` VALUES('y')");
                  }),
                  "named pipe"));

  // A table file that is a pipe, or a folder, is not read either.
  ASSERT_EQ(::mkfifo(dir.File("pipe.dbf").c_str(), 0600), 0);
  FifoUnblocker table_peer(dir.File("pipe.dbf"));
  fs::create_directory(dir.File("folder.dbf"));
  EXPECT_TRUE(Has(FailureOf([&] { folder->Execute("SELECT * FROM `pipe`"); }), "named pipe"));
  EXPECT_TRUE(Has(FailureOf([&] { folder->Execute("SELECT * FROM `folder`"); }), "a folder"));
  EXPECT_FALSE(peer.unblocked());
  EXPECT_FALSE(table_peer.unblocked());
}

// A container in db/ beside the folders outside/ and other/.
class DamagedContainerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.File("db"));
    fs::create_directories(dir_.File("outside"));
    fs::create_directories(dir_.File("other"));
    for (const char* name : {"data1.dbc", "data1.DCT", "data1.DCX", "table1.dbf", "table1.FPT"})
      testing::CopyTestFile(std::string("container/") + name, dir_.File("db"));
    dbc_ = dir_.File("db/data1.dbc");
  }
  // Adds a table entry to the container that names `path` as its file.
  void AddEntry(const std::string& name, const std::string& path) {
    Container::Open(dbc_)->AddTable(name, path, {"a"});
  }

  veltrane::testing::TempDir dir_;
  std::string dbc_;
};

TEST_F(DamagedContainerTest, DropDeletesOnlyFilesThatAreTables) {
  testing::WriteBytes(dir_.File("outside/notes.txt"), "not a table at all");
  testing::WriteBytes(dir_.File("outside/notes.fpt"), "nor this");
  AddEntry("readme", dir_.File("outside/notes.txt"));
  AddEntry("selfref", dbc_);
  // A table kept in another folder is the container's and goes with its files.
  TableWriter::Create(dir_.File("other/kept.dbf"), {{"NOTE", 'M'}}, "..\\db\\data1.dbc");
  AddEntry("kept", dir_.File("other/kept.dbf"));
  // An entry whose table file is gone: only the entry goes, not the memo
  // file of the same name beside where it was.
  testing::WriteBytes(dir_.File("outside/ghost.fpt"), "someone else's");
  AddEntry("ghost", dir_.File("outside/ghost.dbf"));

  std::unique_ptr<Database> database = Database::Open(dbc_);
  for (const char* refused : {"readme", "selfref"}) {
    std::string failure = FailureOf([&] { database->Execute(std::string("DROP TABLE `") + refused + "`"); });
    EXPECT_TRUE(Has(failure, "is not a table file")) << failure;
  }
  EXPECT_TRUE(fs::exists(dir_.File("outside/notes.txt")));
  EXPECT_TRUE(fs::exists(dir_.File("outside/notes.fpt")));
  EXPECT_TRUE(fs::exists(dbc_));

  database->Execute("DROP TABLE `kept`");
  database->Execute("DROP TABLE `ghost`");
  EXPECT_FALSE(fs::exists(dir_.File("other/kept.dbf")));
  EXPECT_FALSE(fs::exists(dir_.File("other/kept.fpt")));
  EXPECT_TRUE(fs::exists(dir_.File("outside/ghost.fpt")));
  EXPECT_EQ(TableNames(*Database::Open(dbc_)), (Names{"table1", "readme", "selfref"}));

  // Free tables: a .dbf file that holds no table stays where it is.
  testing::WriteBytes(dir_.File("outside/fake.dbf"), "plain text");
  std::string failure = FailureOf([&] { Database::Open(dir_.File("outside"))->Execute("DROP TABLE `fake`"); });
  EXPECT_TRUE(Has(failure, "is not a table file")) << failure;
  EXPECT_TRUE(fs::exists(dir_.File("outside/fake.dbf")));
}

// The 128-byte name area of the container object named `name`.
size_t NameArea(const std::string& dbc_bytes, const std::string& name) {
  const size_t at = dbc_bytes.find(name + std::string(128 - name.size(), ' '));
  EXPECT_NE(at, std::string::npos) << name;
  return at;
}

TEST_F(DamagedContainerTest, LongNamesGoToTheFieldsTheyAgreeWith) {
  std::unique_ptr<Database> database = Database::Open(dbc_);
  database->Execute("CREATE TABLE '" + dir_.File("db/orders.dbf") +
                    "'([order number] M,[customer name that is long] M,"
                    "[customer name that is longer] M,[photo] BLOB)");
  // The field objects in another order: the first and the last swap names.
  std::string bytes = testing::ReadBytes(dbc_);
  const size_t first = NameArea(bytes, "order number"), last = NameArea(bytes, "photo");
  const std::string first_area = bytes.substr(first, 128);
  bytes.replace(first, 128, bytes.substr(last, 128));
  bytes.replace(last, 128, first_area);
  testing::WriteBytes(dbc_, bytes);
  EXPECT_EQ(testing::ColumnNames(SelectAll(*Database::Open(dbc_), "`orders`")),
            (Names{"order number", "customer name that is long", "customer name that is longer",
                   "photo"}));

  // A long name that belongs to no field: its field keeps its header name.
  const std::string renamed = "invoice date";
  bytes.replace(NameArea(bytes, "customer name that is long"), 128,
                renamed + std::string(128 - renamed.size(), ' '));
  testing::WriteBytes(dbc_, bytes);
  EXPECT_EQ(testing::ColumnNames(SelectAll(*Database::Open(dbc_), "`orders`")),
            (Names{"order number", "customer n", "customer name that is longer", "photo"}));
}

// The bit counts of an index leaf say how its entries divide into record
// number, shared and trailing bytes; counts wider than an entry are damage.
TEST_F(DamagedContainerTest, AnIndexLeafWithImpossibleBitCountsRefusesTheWrite) {
  const std::string dcx_path = dir_.File("db/data1.DCX");
  std::string dcx = testing::ReadBytes(dcx_path);
  const uint32_t tag_list = DecodeFixed32(dcx.data());
  constexpr size_t kDuplicateBits = 21;
  dcx[tag_list + kDuplicateBits] = static_cast<char>(119);
  testing::WriteBytes(dcx_path, dcx);
  const std::string dbc = testing::ReadBytes(dbc_);

  const std::string failure = FailureOf([&] { AddEntry("t2", dir_.File("db/t2.dbf")); });
  EXPECT_TRUE(Has(failure, "a leaf node's layout is impossible")) << failure;
  EXPECT_EQ(testing::ReadBytes(dcx_path), dcx);
  EXPECT_EQ(testing::ReadBytes(dbc_), dbc);
}

// A damaged header must not lead an append to write where the header's
// other parts say nothing is.
TEST(HostileFilesTest, AppendsRefuseHeadersThatContradictThemselves) {
  veltrane::testing::TempDir dir;
  const std::string path = dir.File("t.dbf");
  TableWriter::Create(path, {{"ID", 'I'}, {"FLAG", 'L'}}, "");
  // The logical field, last in the record, marked as autoincrementing.
  std::string bytes = testing::ReadBytes(path);
  constexpr size_t kSecondFieldFlags = 32 + 32 + 18;
  bytes[kSecondFieldFlags] = 0x0C;
  testing::WriteBytes(path, bytes);

  std::string failure = FailureOf([&] { TableWriter::OpenForAppend(path); });
  EXPECT_TRUE(Has(failure, "\"FLAG\" is marked as autoincrementing")) << failure;
  EXPECT_EQ(testing::ReadBytes(path), bytes);

  // Records after the ones the header counts, which readers take as rows:
  // an append at the count would overwrite them.
  const std::string counted = dir.File("counted.dbf");
  TableWriter::Create(counted, {{"ID", 'I'}}, "");
  {
    std::unique_ptr<TableWriter> writer = TableWriter::OpenForAppend(counted);
    for (int i = 0; i < 3; ++i) writer->Append({{InputValue::Kind::kNumber, std::to_string(i), false}});
  }
  bytes = testing::ReadBytes(counted);
  constexpr size_t kRecordCount = 4;
  bytes[kRecordCount] = 1;
  testing::WriteBytes(counted, bytes);
  failure = FailureOf([&] { TableWriter::OpenForAppend(counted); });
  EXPECT_TRUE(Has(failure, "its header counts 1 records, but more follow them")) << failure;
  EXPECT_EQ(testing::ReadBytes(counted), bytes);
  EXPECT_EQ(testing::ReadTable(counted).rows.size(), 3u);

  // A header length two bytes short of the header, where readers look for
  // the records elsewhere: an append at the header length would land
  // between their rows.
  bytes = testing::ReadBytes(counted);
  bytes[kRecordCount] = 3;
  constexpr size_t kHeaderLength = 8;
  const uint16_t header_length = DecodeFixed16(bytes.data() + kHeaderLength);
  EncodeFixed16(bytes.data() + kHeaderLength, static_cast<uint16_t>(header_length - 2));
  testing::WriteBytes(counted, bytes);
  failure = FailureOf([&] { TableWriter::OpenForAppend(counted); });
  EXPECT_TRUE(Has(failure, "ends before its header does, and no record starts there")) << failure;
  EXPECT_EQ(testing::ReadBytes(counted), bytes);
  EXPECT_EQ(testing::ReadTable(counted).rows.size(), 3u);
}

}  // namespace
}  // namespace veltrane::foxpro
