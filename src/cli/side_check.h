#ifndef VELTRANE_CLI_SIDE_CHECK_H_
#define VELTRANE_CLI_SIDE_CHECK_H_

#include <optional>
#include <string>

#include "cli/options.h"
#include "db/connection_settings.h"

namespace veltrane::cli {

// Opens one side the way the connection window's test does and lets it go.
// Returns nothing when it opened, else the access layer's description of why
// not. A folder given as the database container is refused (the engine would
// open it as a folder of free tables). Never throws.
std::optional<std::string> WhyNotOpen(Side side, const db::ConnectionSettings& settings);

// What a side is, for the user: "database shop on localhost:5432 as joe",
// "database container /data/shop.dbc", "free tables in /data".
std::string SideDescription(Side side, const db::ConnectionSettings& settings);

}  // namespace veltrane::cli

#endif  // VELTRANE_CLI_SIDE_CHECK_H_
