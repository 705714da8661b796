#ifndef VELTRANE_TESTS_TRANSFER_FOXPRO_TABLES_H_
#define VELTRANE_TESTS_TRANSFER_FOXPRO_TABLES_H_

#include <optional>
#include <string>
#include <vector>

#include "foxpro/files/table_writer.h"
#include "support/test_database.h"

namespace veltrane::transfer::testing {

using ::veltrane::testing::Row;

// A table read back: field names and rows, each value as text or nullopt.
struct TableContents {
  std::vector<std::string> fields;
  std::vector<Row> rows;
};

// Creates a free table at `path` and appends `rows` (text values, nullopt
// for null) through the engine's writer.
void WriteFoxProTable(const std::string& path, const std::vector<foxpro::NewField>& fields,
                      const std::vector<Row>& rows);

// The table at `path` as the engine's reader gives it (values in their text
// forms, binary values as "\x" hex).
TableContents ReadWithEngine(const std::string& path);

// The table at `path` as python3-dbfread reads it: text exactly as stored,
// memo and blob fields whole, binary values as "\x" hex. Fails the test when
// dbfread cannot read the file.
TableContents ReadWithDbfRead(const std::string& path);

// The path of a file of this program's own test data.
std::string TransferTestData(const std::string& relative);

// The bytes of a file.
std::string FileBytes(const std::string& path);

}  // namespace veltrane::transfer::testing

#endif  // VELTRANE_TESTS_TRANSFER_FOXPRO_TABLES_H_
