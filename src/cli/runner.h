#ifndef VELTRANE_CLI_RUNNER_H_
#define VELTRANE_CLI_RUNNER_H_

#include <cstdio>

#include "cli/options.h"
#include "cli/status_line.h"
#include "db/connection_settings.h"

namespace veltrane::cli {

// Runs one command of a checked command line with the connection settings
// of this run, through the tables window's own commands, and returns the
// exit status. Standard output gets what `check` and `list` print; standard
// error gets the messages, reports and progress. The overwrite question is
// answered as `overwrite` says, reading `answers` when it asks. The
// transfers use options.column_types (the classic mapping when absent) and
// options.copy_keys (when absent, as the mapping's default), and
// send-to-postgresql sends options.jobs tables at once (one when absent).
int RunCommand(const Options& options, const db::ConnectionSettings& settings, StatusLine& status,
               OverwriteAnswer overwrite, std::FILE* answers);

// Asks the running command to stop (safe to call from a signal handler): the
// PostgreSQL statement in flight is cancelled, and the command ends with
// every table complete.
void InterruptCommand();

}  // namespace veltrane::cli

#endif  // VELTRANE_CLI_RUNNER_H_
