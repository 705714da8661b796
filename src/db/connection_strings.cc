#include "db/connection_strings.h"

#include "db/connection.h"
#include "db/connection_string.h"

namespace veltrane::db {

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
    connection.OpenFoxPro(s);
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
