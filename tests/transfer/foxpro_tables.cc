#include "foxpro_tables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "foxpro/files/table_reader.h"
#include "support/temp_dir.h"

namespace veltrane::transfer::testing {
namespace {

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// Runs a command and returns its standard output.
std::string Capture(const std::string& command, int& status) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  status = pclose(pipe.release());
  return out;
}

}  // namespace

void WriteFoxProTable(const std::string& path, const std::vector<foxpro::NewField>& fields,
                      const std::vector<Row>& rows) {
  foxpro::TableWriter::Create(path, fields, "");
  auto writer = foxpro::TableWriter::OpenForAppend(path);
  for (const Row& row : rows) {
    std::vector<foxpro::InputValue> values;
    for (const auto& value : row) {
      foxpro::InputValue input;
      if (value) {
        input.kind = foxpro::InputValue::Kind::kText;
        input.text = *value;
      }
      values.push_back(input);
    }
    writer->Append(values);
  }
}

TableContents ReadWithEngine(const std::string& path) {
  auto reader = foxpro::TableReader::Open(path);
  TableContents contents;
  for (const auto& field : reader->fields()) contents.fields.push_back(field.name);
  std::vector<foxpro::Cell> cells;
  while (reader->Next(cells)) {
    Row row;
    for (const foxpro::Cell& cell : cells) {
      EXPECT_EQ(cell.error, "");
      row.push_back(cell.null ? std::nullopt : std::optional<std::string>(cell.text));
    }
    contents.rows.push_back(std::move(row));
  }
  return contents;
}

TableContents ReadWithDbfRead(const std::string& path) {
  int status = 0;
  const std::string out =
      Capture("/usr/bin/python3 " + std::string(READ_WITH_DBFREAD) + " '" + path + "'",
              status);
  EXPECT_EQ(status, 0) << "python3-dbfread could not read " << path;
  TableContents contents;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream parts(line);
    std::string kind, hex;
    parts >> kind >> hex;
    if (hex == "-") hex.clear();
    if (kind == "field") {
      contents.fields.push_back(FromHex(hex));
    } else if (kind == "row") {
      contents.rows.emplace_back();
    } else if (kind == "null") {
      contents.rows.back().push_back(std::nullopt);
    } else if (kind == "text") {
      contents.rows.back().push_back(FromHex(hex));
    } else if (kind == "bytes") {
      contents.rows.back().push_back("\\x" + hex);
    }
  }
  return contents;
}

std::string TransferTestData(const std::string& relative) {
  return veltrane::testing::TestDataPath(relative);
}

std::string FileBytes(const std::string& path) { return veltrane::testing::FileContents(path); }

}  // namespace veltrane::transfer::testing
