// The statements the FoxPro engine parses.
#include <string_view>

#include "foxpro/error.h"
#include "foxpro/statements/statement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    veltrane::foxpro::ParseStatement(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const veltrane::foxpro::Error&) {
  }
  return 0;
}
