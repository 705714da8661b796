#include "cli/side_check.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "db/connection.h"
#include "db/connection_strings.h"

namespace veltrane::cli {
namespace {

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

}  // namespace

std::optional<std::string> WhyNotOpen(Side side, const db::ConnectionSettings& settings) {
  std::error_code error;
  if (side == Side::kFoxPro && settings.container_mode &&
      std::filesystem::is_directory(settings.dbc_file, error)) {
    return "\"" + settings.dbc_file +
           "\" is a folder, not a database container (.dbc) file; for a folder of free tables "
           "use --free-tables.";
  }
  try {
    db::Connection connection;
    if (side == Side::kFoxPro) {
      connection.OpenFoxPro(settings);
    } else {
      connection.Open(db::PostgreSqlConnectionString(settings));
    }
    return std::nullopt;
  } catch (const std::exception& e) {
    return Trimmed(e.what());
  } catch (...) {
    return "Unknown failure.";
  }
}

std::string SideDescription(Side side, const db::ConnectionSettings& s) {
  if (side == Side::kPostgreSql)
    return "database " + s.database + " on " + s.server + ":" + s.port + " as " + s.user;
  if (s.container_mode) return "database container " + s.dbc_file;
  return "free tables in " + s.free_table_folder;
}

}  // namespace veltrane::cli
