#ifndef VELTRANE_CLI_OPTIONS_H_
#define VELTRANE_CLI_OPTIONS_H_

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/column_types_setting.h"
#include "app/copy_keys_setting.h"
#include "app/postgresql_schema_setting.h"
#include "foxpro/files/table_reader.h"
#include "transfer/table_commands.h"

namespace veltrane::cli {

// Exit statuses of the program.
inline constexpr int kExitSuccess = 0;   // every statement succeeded
inline constexpr int kExitFailures = 1;  // some statement or name failed; the rest ran
inline constexpr int kExitUsage = 2;     // bad command line, or a side that does not open

// How the overwrite question is answered.
enum class OverwriteAnswer { kAsk, kYes, kNo };

// The commands of the program.
enum class Command {
  kCheck,
  kList,
  kSendToPostgreSql,
  kSendToFoxPro,
  kDrop,
  kRename,
  kCreateContainer,
};

// Which database a command names with "foxpro" or "postgresql".
using Side = transfer::Side;

// A command line, checked: the command with its operands and the connection
// values that override the remembered ones for this run.
struct Options {
  bool help = false;
  bool version = false;
  Command command = Command::kCheck;
  std::optional<Side> side;         // list, drop
  std::vector<std::string> tables;  // send-to-*, drop: TABLE...; rename: OLD NEW
  bool all = false;                 // send-to-*, drop: --all in place of the tables
  std::string container_file;       // create-container: FILE

  std::optional<std::string> server, port, user, database;
  std::optional<std::string> dbc_file;           // --dbc: container mode
  std::optional<std::string> free_table_folder;  // --free-tables: free-table mode
  std::optional<OverwriteAnswer> overwrite;      // absent: ask on a terminal, else no
  std::optional<app::ColumnTypes> column_types;  // absent: the remembered choice
  std::optional<app::CopyKeys> copy_keys;  // absent: the remembered choice, else by the mapping
  std::optional<foxpro::CodePageChoice> code_page;  // absent: the remembered choice
  std::optional<app::PostgreSqlSchema> postgresql_schema;  // absent: the remembered choice
  // --jobs: how many tables send-to-postgresql sends at once; absent: the
  // remembered Jobs setting.
  std::optional<int> jobs;
};

// What was wrong with a command line, in words for the user.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& what) : std::runtime_error(what) {}
};

// Parses the arguments after the program name. Options may stand before or
// after the command, as "--name VALUE" or "--name=VALUE"; "--" ends the
// options. With --help or --version (the first of them given) nothing else
// is checked. Throws UsageError.
Options ParseOptions(const std::vector<std::string>& arguments);

// "foxpro" or "postgresql".
const char* SideWord(Side side);
// "FoxPro" or "PostgreSQL".
const char* SideName(Side side);

}  // namespace veltrane::cli

#endif  // VELTRANE_CLI_OPTIONS_H_
