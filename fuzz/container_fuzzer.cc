// A database container with its memo file and index: list it, then add a
// table and check that the container still opens and lists it.
#include <cstdlib>

#include "foxpro/container.h"
#include "foxpro/error.h"
#include "fuzz_files.h"

namespace {

using namespace veltrane;

// The number of tables listed; -1 when the container does not open.
int ListedTables(const std::string& dbc) {
  try {
    std::unique_ptr<foxpro::Container> container = foxpro::Container::Open(dbc);
    container->Views();
    return static_cast<int>(container->Tables().size());
  } catch (const foxpro::Error&) {
    return -1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> files = fuzz::SplitFiles(data, size, 3);
  fuzz::ResetFolder();
  const std::string dbc = fuzz::WriteScratchFile("c.dbc", files[0]);
  fuzz::WriteScratchFile("c.dct", files[1]);
  fuzz::WriteScratchFile("c.dcx", files[2]);

  const int tables = ListedTables(dbc);
  if (tables < 0) return 0;
  try {
    foxpro::Container::Open(dbc)->AddTable("fuzzed", fuzz::ScratchFolder() + "/fuzzed.dbf",
                                           {"first field", "second"});
  } catch (const foxpro::Error&) {
    return 0;  // refused: the container must be as it was
  }
  // A container that opened before a table was added opens after it.
  if (ListedTables(dbc) != tables + 1) std::abort();
  return 0;
}
