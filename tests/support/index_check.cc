#include "support/index_check.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

#include "foxpro/files/cdx_file.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/index_keys.h"
#include "foxpro/files/structural_index.h"
#include "foxpro/record/dbf_header.h"

namespace veltrane::testing {

std::string IndexDisagreement(const std::string& table_path, const std::vector<std::string>& long_names) {
  using namespace foxpro;
  const std::optional<std::string> index_path = StructuralIndexPath(table_path);
  if (!index_path) return "";
  const std::unique_ptr<File> table = File::Open(table_path, File::Mode::kRead);
  const TableHeader header = ParseTableHeader(
      [&table](uint64_t offset, size_t length) { return table->ReadAt(offset, length); }, table->Size(), table_path);
  const std::unique_ptr<File> index = File::Open(*index_path, File::Mode::kRead);
  for (const cdx::Tag& tag : cdx::ReadTags(*index, *index_path)) {
    const KeyMaker maker(header, long_names, tag.key_expression, tag.filter_expression);
    std::vector<std::pair<std::string, uint32_t>> expected, found;
    std::string record(header.record_length, '\0'), key;
    for (uint32_t r = 0; r < header.record_count; ++r) {
      table->ReadAt(header.header_length + uint64_t{r} * header.record_length, record.data(), record.size());
      if (!maker.Includes(record.data())) continue;
      maker.Make(record.data(), key);
      expected.emplace_back(key, r + 1);
    }
    std::sort(expected.begin(), expected.end());
    cdx::ReadKeys(*index, tag, maker.filler(), [&](const cdx::Key& k) { found.emplace_back(k.bytes, k.record); },
                  *index_path);
    if ((tag.options & cdx::option::kUniqueKeys) != 0) {
      expected.erase(std::unique(expected.begin(), expected.end(),
                                 [](const auto& a, const auto& b) { return a.first == b.first; }),
                     expected.end());
    }
    if (found != expected)
      return "tag " + tag.name + " holds " + std::to_string(found.size()) + " keys where the table's " +
             std::to_string(header.record_count) + " records make " + std::to_string(expected.size()) +
             (found.size() == expected.size() ? ", not the same ones" : "");
  }
  return "";
}

std::vector<std::string> KeysReadByPerl(const std::string& cdx_path, const std::string& tag, char type) {
  const std::string command = "/usr/bin/perl '" + std::string(VELTRANE_READ_CDX) + "' '" + cdx_path + "' '" +
                              tag + "' " + std::string(1, type);
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::string> lines;
  if (!pipe) return lines;
  std::string line;
  for (int c; (c = std::fgetc(pipe.get())) != EOF;) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  return lines;
}

}  // namespace veltrane::testing
