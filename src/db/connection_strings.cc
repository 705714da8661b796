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

namespace {

// kTrue when `open` opens a connection (closed again at once), else kFalse.
template <typename Open>
int Opens(const Open& open) {
  try {
    Connection connection;
    open(connection);
    return kTrue;
  } catch (...) {
    return kFalse;
  }
}

}  // namespace

int CheckFoxProConnection(const ConnectionSettings& s) {
  return Opens([&](Connection& connection) { connection.OpenFoxPro(s); });
}

int CheckPostgreSQLConnection(const ConnectionSettings& s) {
  return Opens([&](Connection& connection) { connection.Open(PostgreSqlConnectionString(s)); });
}

}  // namespace veltrane::db
