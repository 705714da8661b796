// A table with its structural index (.cdx): the index's tags and keys are
// read or refused, then a record is inserted. A refused insert leaves table
// and index byte for byte; an accepted one leaves an index that reads
// back, marked, with one key per record in each tag without a filter.
#include <array>
#include <cstdlib>
#include <string_view>

#include "foxpro/database.h"
#include "foxpro/error.h"
#include "foxpro/files/cdx_file.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/structural_index.h"
#include "foxpro/record/dbf_header.h"
#include "fuzz_files.h"

namespace {

using namespace veltrane;

// Mutated headers easily claim thousands of records: tables claiming more
// are not inserted into, which would cost speed and find nothing new.
constexpr uint32_t kRecords = 64;

// Reads every tag and key of the index; the number of keys of each tag, or
// nothing when the index is refused.
std::optional<std::vector<uint64_t>> ReadIndex(const std::string& path) {
  try {
    const std::unique_ptr<foxpro::File> file = foxpro::File::Open(path, foxpro::File::Mode::kRead);
    std::vector<uint64_t> counts;
    for (const foxpro::cdx::Tag& tag : foxpro::cdx::ReadTags(*file, path)) {
      uint64_t keys = 0;
      foxpro::cdx::ReadKeys(*file, tag, ' ', [&](const foxpro::cdx::Key&) { ++keys; }, path);
      counts.push_back(tag.filter_expression.empty() ? keys : UINT64_MAX);
    }
    return counts;
  } catch (const foxpro::Error&) {
    return std::nullopt;
  }
}

uint32_t RecordCount(const std::string& path) {
  const std::unique_ptr<foxpro::File> file = foxpro::File::Open(path, foxpro::File::Mode::kRead);
  return foxpro::ParseTableHeader(
             [&file](uint64_t offset, size_t length) { return file->ReadAt(offset, length); }, file->Size(), path)
      .record_count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::array<std::string_view, 2> files = fuzz::SplitFiles<2>(data, size);
  fuzz::InputFiles input;
  const std::string table = input.Add("/fuzz/t.dbf", files[0]);
  const std::string index = input.Add("/fuzz/t.cdx", files[1]);
  ReadIndex(index);
  try {
    if (RecordCount(table) > kRecords) return 0;
  } catch (const foxpro::Error&) {
    return 0;
  }
  try {
    auto database = foxpro::Database::Open("/fuzz");
    std::vector<foxpro::InputValue> values;
    {
      auto rows = database->Execute("SELECT * FROM `t`");
      values.assign(rows->Columns().size(), foxpro::InputValue{foxpro::InputValue::Kind::kText, "1", false});
    }
    database->AppendRow("t.dbf", values);
    database->Flush();
    database->Execute("SELECT * FROM `t`");  // the appends end: the index is built
  } catch (const foxpro::Error&) {
    // Refused before anything was written: both files as they were. (A
    // refusal after the record went in, by the file size limit, is no
    // refusal of the index.)
    if (input.Contents(table) == files[0] && input.Contents(index) != files[1]) std::abort();
    return 0;
  }
  try {
    if (!foxpro::StructuralIndexPath(table)) return 0;
  } catch (const foxpro::Error&) {
    return 0;
  }
  const std::optional<std::vector<uint64_t>> counts = ReadIndex(index);
  if (!counts) std::abort();  // an index this engine wrote reads back
  const uint32_t records = RecordCount(table);
  for (uint64_t keys : *counts)
    if (keys != UINT64_MAX && keys != records) std::abort();
  return 0;
}
