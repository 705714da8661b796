// Connection strings: parsed, and a value quoted back must read the same.
#include <cstdlib>
#include <string>

#include "db/connection_string.h"
#include "db/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using veltrane::db::ConnectionString;
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    ConnectionString parsed = ConnectionString::Parse(text);
    parsed.Get("Data Source");
    parsed.GetOr("Pwd");
  } catch (const veltrane::db::Error&) {
  }
  // Any text as a value survives the round trip.
  const ConnectionString round =
      ConnectionString::Parse("Pwd=" + veltrane::db::QuoteConnectionValue(text) + ";Uid=u");
  if (round.GetOr("Pwd") != text || round.GetOr("Uid") != "u") std::abort();
  return 0;
}
