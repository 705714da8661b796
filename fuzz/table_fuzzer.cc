// A table file with its memo file: read every row, then append one and
// check that the table still reads with one row more.
#include <cstdlib>

#include "foxpro/error.h"
#include "foxpro/files/table_reader.h"
#include "foxpro/files/table_writer.h"
#include "fuzz_files.h"

namespace {

using namespace veltrane;

// Mutated headers easily claim thousands of records: reading more than
// this many per input costs speed and finds nothing new.
constexpr int64_t kRowsRead = 64;

// Every live row; -1 when the table cannot be read to its end or has more
// than kRowsRead rows. `code_page` gets the code page the text was read in.
int64_t ReadAll(const std::string& path, const foxpro::CodePageChoice& choice, int& code_page) {
  try {
    std::unique_ptr<foxpro::TableReader> reader = foxpro::TableReader::Open(path, choice);
    code_page = reader->code_page();
    std::vector<foxpro::Cell> cells;
    int64_t rows = 0;
    while (rows <= kRowsRead && reader->Next(cells)) ++rows;
    if (rows > kRowsRead) return -1;
    if (rows != reader->live_record_count()) std::abort();  // the count and the rows disagree
    return rows;
  } catch (const foxpro::Error&) {
    return -1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto files = fuzz::SplitFiles<2>(data, size);
  fuzz::InputFiles input;
  const std::string table = input.Add("/fuzz/t.dbf", files[0]);
  input.Add("/fuzz/t.fpt", files[1]);
  input.Add("/fuzz/t.dbt", files[1]);

  // Guessing the code page of a table without a mark reads only the text,
  // and costs more than the rest of an input: one input in four has it
  // guessed, the others give the code page.
  const foxpro::CodePageChoice choice = size % 4 == 0 ? foxpro::CodePageChoice{}
                                                      : foxpro::CodePageChoice{1252, false};
  int code_page = 0;
  const int64_t rows = ReadAll(table, choice, code_page);
  if (rows < 0) return 0;
  try {
    std::unique_ptr<foxpro::TableWriter> writer = foxpro::TableWriter::OpenForAppend(table);
    std::vector<foxpro::InputValue> values(writer->fields().size());
    for (foxpro::InputValue& value : values) value = {foxpro::InputValue::Kind::kText, "1", false};
    writer->Append(values);
    writer->Flush();
  } catch (const foxpro::Error&) {
    if (input.Contents(table) != files[0]) std::abort();  // refused: the table must be as it was
    return 0;
  }
  // A table that read whole before an append reads whole after it, in the
  // code page it was read in before (without guessing it again).
  if (ReadAll(table, {code_page, true}, code_page) != rows + 1) std::abort();
  return 0;
}
