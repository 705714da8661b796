#include "cli/usage.h"

namespace veltrane::cli {

std::string UsageText() {
  return R"(Usage: veltrane-cli [options] COMMAND [ARGUMENTS]

Runs the commands of Veltrane's tables window without the windows, with the
connection values the program remembers.

Commands:
  check                              open both databases and say which opened
  list foxpro|postgresql             print the tables of one side, one a line
  send-to-postgresql TABLE...        copy FoxPro tables to PostgreSQL
  send-to-foxpro TABLE...            copy PostgreSQL tables to FoxPro
  drop foxpro|postgresql TABLE...    drop tables of one side
  rename OLD NEW                     rename a PostgreSQL table

TABLE names a table exactly as `list` shows it.

Options (they override the remembered values for this run only):
  --server HOST          PostgreSQL server
  --port PORT            PostgreSQL port
  --user NAME            PostgreSQL user name
  --database NAME        PostgreSQL database
  --dbc FILE             FoxPro database container (.dbc file)
  --free-tables DIR      FoxPro free-table folder
  --overwrite ask|yes|no answer to "Would you like to overwrite ...?";
                         ask reads y or n from standard input (default:
                         ask when standard input is a terminal, else no)
  --code-page N[!]       code page of FoxPro tables without a code-page mark
                         (N! also for tables marked otherwise), and of the
                         tables send-to-foxpro creates; default: the
                         FoxProCodePage setting, else guessed from the text
                         of unmarked tables, and 1252
  -h, --help             show this text

The password comes from the environment variable VELTRANE_PASSWORD when it is
set, otherwise from the remembered settings; never from the command line.

Exit status: 0 when every statement succeeded, 1 when any failed (the others
still ran), 2 for a usage error or a database that does not open.

Example:
  VELTRANE_PASSWORD=secret veltrane-cli --free-tables ~/data --database shop \
      --overwrite yes send-to-postgresql customers orders
)";
}

std::string UsageHint() { return "Try 'veltrane-cli --help' for the commands and options."; }

}  // namespace veltrane::cli
