// veltrane-cli: the commands of the tables window from a shell.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/column_types_setting.h"
#include "app/copy_keys_setting.h"
#include "app/postgresql_schema_setting.h"
#include "app/jobs_setting.h"
#include "app/settings_store.h"
#include "app/version.h"
#include "cli/connection_values.h"
#include "cli/options.h"
#include "cli/runner.h"
#include "cli/status_line.h"
#include "cli/usage.h"

namespace {

using namespace veltrane;

// A first Ctrl-C cancels the statement in flight and ends the command with
// every table complete; a second one ends the program at once.
void OnInterrupt(int) { cli::InterruptCommand(); }

void CatchInterrupts() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  cli::Options options;
  try {
    options = cli::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const cli::UsageError& e) {
    std::fprintf(stderr, "veltrane-cli: %s\n%s\n", e.what(), cli::UsageHint().c_str());
    return cli::kExitUsage;
  }
  if (options.help) {
    std::fputs(cli::UsageText().c_str(), stdout);
    return cli::kExitSuccess;
  }
  if (options.version) {
    std::printf("veltrane-cli %s\n", app::kVersion);
    return cli::kExitSuccess;
  }
  const bool answers_from_terminal = isatty(STDIN_FILENO);
  const cli::OverwriteAnswer overwrite = options.overwrite.value_or(
      answers_from_terminal ? cli::OverwriteAnswer::kAsk : cli::OverwriteAnswer::kNo);

  const app::SettingsStore store;
  const db::ConnectionSettings settings =
      cli::ConnectionValues(options, store, std::getenv(cli::kPasswordVariable));
  if (!options.column_types) options.column_types = app::ReadColumnTypes(store);
  if (!options.postgresql_schema) options.postgresql_schema = app::ReadPostgreSqlSchema(store);
  if (!options.copy_keys)
    options.copy_keys = app::ReadCopyKeys(store).value_or(app::DefaultCopyKeys(*options.column_types));
  if (!options.jobs) options.jobs = app::ReadJobs(store);

  CatchInterrupts();
  cli::StatusLine status(isatty(STDERR_FILENO));
  const int exit_status = cli::RunCommand(options, settings, status, overwrite, stdin);
  status.Clear();
  std::fflush(stdout);
  return exit_status;
}
