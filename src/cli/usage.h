#ifndef VELTRANE_CLI_USAGE_H_
#define VELTRANE_CLI_USAGE_H_

#include <string>

namespace veltrane::cli {

// The --help text: commands, options, the password rule, exit statuses and
// an example.
std::string UsageText();

// The one line shown under a usage error: where to find the help.
std::string UsageHint();

}  // namespace veltrane::cli

#endif  // VELTRANE_CLI_USAGE_H_
