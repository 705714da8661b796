#include "db/connection_strings.h"

#include "db/connection.h"
#include "db/connection_string.h"

namespace veltrane::db {

std::string FoxProConnectionString(const ConnectionSettings& s) {
  const std::string code_page =
      s.foxpro_code_page.empty() ? "" : "Code Page=" + QuoteConnectionValue(s.foxpro_code_page) + ";";
  if (s.container_mode)
    return "Provider=vfpoledb.1;Data Source=" + QuoteConnectionValue(s.dbc_file) +
           ";Collating Sequence=machine;" + code_page;
  return "Provider=vfpoledb.1;Data Source=" + QuoteConnectionValue(s.free_table_folder) +
         ";Collating Sequence=general;" + code_page;
}

std::string PostgreSqlConnectionString(const ConnectionSettings& s) {
  return "Driver={PostgreSQL Unicode};Server=" + QuoteConnectionValue(s.server) +
         ";Port=" + QuoteConnectionValue(s.port) + ";Uid=" + QuoteConnectionValue(s.user) +
         ";Pwd=" + QuoteConnectionValue(s.password) +
         ";Database=" + QuoteConnectionValue(s.database);
}

int CheckFoxProConnection(const ConnectionSettings& s) {
  int result = kFalse;
  try {
    Connection connection;
    connection.SetCursorLocation(kUseServer);
    connection.Open(FoxProConnectionString(s));
    result = kTrue;
  } catch (...) {
    result = kFalse;
  }
  return result;
}

int CheckPostgreSQLConnection(const ConnectionSettings& s) {
  int result = kFalse;
  try {
    Connection connection;
    connection.Open(PostgreSqlConnectionString(s));
    result = kTrue;
  } catch (...) {
    result = kFalse;
  }
  return result;
}

}  // namespace veltrane::db
