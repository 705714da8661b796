// A database container with its memo file and index: list it, then add a
// table and check that the container still opens and lists it.
#include <cstdlib>

#include "foxpro/files/container.h"
#include "foxpro/error.h"
#include "fuzz_files.h"

namespace {

using namespace veltrane;

// Opens the container into `container` and lists it: the number of tables
// listed; -1 when the container does not open.
int ListedTables(const std::string& dbc, std::unique_ptr<foxpro::Container>& container) {
  try {
    container = foxpro::Container::Open(dbc);
    container->Views();
    return static_cast<int>(container->Tables().size());
  } catch (const foxpro::Error&) {
    return -1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto files = fuzz::SplitFiles<3>(data, size);
  fuzz::InputFiles input;
  const std::string dbc = input.Add("/fuzz/c.dbc", files[0]);
  input.Add("/fuzz/c.dct", files[1]);
  const std::string index = input.Add("/fuzz/c.dcx", files[2]);

  std::unique_ptr<foxpro::Container> container;
  const int tables = ListedTables(dbc, container);
  if (tables < 0) return 0;
  try {
    container->AddTable("fuzzed", "/fuzz/fuzzed.dbf", {"first field", "second"});
  } catch (const foxpro::Error&) {
    // Refused: the container and its index must be as they were.
    if (input.Contents(dbc) != files[0] || input.Contents(index) != files[2]) std::abort();
    return 0;
  }
  // A container that opened before a table was added opens after it.
  if (ListedTables(dbc, container) != tables + 1) std::abort();
  return 0;
}
