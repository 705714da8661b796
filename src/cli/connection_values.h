#ifndef VELTRANE_CLI_CONNECTION_VALUES_H_
#define VELTRANE_CLI_CONNECTION_VALUES_H_

#include "app/settings_store.h"
#include "cli/options.h"
#include "db/connection_settings.h"

namespace veltrane::cli {

// The environment variable the password is taken from.
inline constexpr char kPasswordVariable[] = "VELTRANE_PASSWORD";

// The connection settings of this run: the remembered values (with the
// connection window's defaults), overridden by the options, and the password
// from `environment_password` when it is given (the variable is set, even to
// the empty text). FoxPro paths given as options are made absolute, so that
// the folder of a container file is never empty. Reads the store, never
// writes it.
db::ConnectionSettings ConnectionValues(const Options& options, const app::SettingsStore& store,
                                        const char* environment_password);

}  // namespace veltrane::cli

#endif  // VELTRANE_CLI_CONNECTION_VALUES_H_
