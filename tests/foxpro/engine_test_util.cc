#include "engine_test_util.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "foxpro/files/table_reader.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro::testing {

std::vector<Record> ReadWithEngine(const std::string& path) { return ReadTable(path).rows; }

EngineReading ReadTable(const std::string& path, const CodePageChoice& choice) {
  auto reader = TableReader::Open(path, choice);
  EngineReading reading;
  reading.names = reader->field_names();
  reading.code_page = reader->code_page();
  std::vector<Cell> cells;
  while (reader->Next(cells)) {
    Record record;
    for (const Cell& cell : cells) {
      if (!cell.error.empty()) record.push_back("ERROR: " + cell.error);
      else if (cell.null) record.push_back(std::nullopt);
      else record.push_back(cell.text);
    }
    reading.rows.push_back(std::move(record));
  }
  reading.notices = reader->Notices();
  return reading;
}

std::string NoticeText(const std::vector<Notice>& notices) {
  std::string text;
  for (const Notice& notice : notices) text += notice.text + "\n";
  return text;
}

std::vector<Record> ReadWithPython(const std::string& reader, const std::string& path,
                                   const std::string& encoding) {
  std::string command = "/usr/bin/python3 '" + std::string(VELTRANE_PYTHON_READER) + "' " + reader +
                        " '" + path + "'" + (encoding.empty() ? "" : " " + encoding) + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run python3");
  std::string output;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  int status = pclose(pipe);
  if (status != 0) throw std::runtime_error(reader + " failed on " + path + ":\n" + output);
  std::vector<Record> records;
  Record record;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (line == "R") {
      records.push_back(std::move(record));
      record.clear();
    } else if (line == "N") {
      record.push_back(std::nullopt);
    } else if (!line.empty() && line[0] == 'V') {
      std::string value;
      for (size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
          char next = line[++i];
          value.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next);
        } else {
          value.push_back(line[i]);
        }
      }
      record.push_back(value);
    } else {
      throw std::runtime_error(reader + " printed: " + output.substr(0, 2000));
    }
  }
  return records;
}

std::string CopyTestFile(const std::string& relative, const std::string& folder) {
  std::filesystem::path source = veltrane::testing::TestDataPath(relative);
  std::filesystem::path target = std::filesystem::path(folder) / source.filename();
  std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  return target.string();
}

std::string ReadBytes(const std::string& path) { return veltrane::testing::FileContents(path); }

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace veltrane::foxpro::testing
