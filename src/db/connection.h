#ifndef VELTRANE_DB_CONNECTION_H_
#define VELTRANE_DB_CONNECTION_H_

#include <memory>
#include <string>

#include "db/backend.h"
#include "db/connection_settings.h"
#include "db/record_set.h"

namespace veltrane::db {

// Schema query type of the table catalogue.
inline constexpr int kSchemaTables = 20;

// A connection of the access layer: to PostgreSQL through libpq, opened with
// a connection string "Driver={PostgreSQL Unicode};...", or to the FoxPro
// table engine, opened from the connection settings. Any failure throws
// Error with a description a user can act on. Destroying an open connection
// closes it.
class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Open(const std::string& connection_string);
  // Opens the FoxPro table engine on the database `settings` choose (the
  // container file, or the folder of free tables) with their code page.
  void OpenFoxPro(const ConnectionSettings& settings);
  bool IsOpen() const { return session_ != nullptr; }

  // Runs one statement. A query's rows come back as an open record set
  // positioned on its first row; other statements give a closed record set.
  RecordSet Execute(const std::string& statement);
  // Runs a query whose rows the caller reads once, in order, to the end
  // (or closes early): the same fields, rows and count as Execute, fetched
  // the cheapest way the backend has. The connection may run no other
  // statement until the record set is read to its end or closed.
  RecordSet ExecuteOnce(const std::string& query);
  RecordSet OpenSchema(int query_type);
  // Closes the connection. Throws Error when what the session still held
  // could not be written (the connection is closed all the same).
  void Close();

  // The open backend session. Requires IsOpen().
  Session& session();

 private:
  std::unique_ptr<Session> session_;
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_CONNECTION_H_
