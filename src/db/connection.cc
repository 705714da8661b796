#include "db/connection.h"

#include "db/connection_string.h"
#include "db/error.h"
#include "db/foxpro_session.h"
#include "db/pg_session.h"

namespace veltrane::db {
namespace {

constexpr const char* kPostgreSqlDriver = "PostgreSQL Unicode";

std::unique_ptr<Session> OpenSession(const std::string& connection_string) {
  ConnectionString attributes = ConnectionString::Parse(connection_string);
  const std::optional<std::string> driver = attributes.Get("Driver");
  if (!driver) throw Error("The connection string names no driver.");
  if (!SameText(*driver, kPostgreSqlDriver))
    throw Error("The driver \"" + *driver + "\" is not available; PostgreSQL is reached through "
                "the driver \"" + std::string(kPostgreSqlDriver) + "\".");
  PgLogin login{attributes.GetOr("Server"), attributes.GetOr("Port"), attributes.GetOr("Uid"),
                attributes.GetOr("Pwd"), attributes.GetOr("Database")};
  return PgSession::Open(login);
}

}  // namespace

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::Open(const std::string& connection_string) {
  if (session_) throw Error("The connection is already open; close it before opening it again.");
  session_ = OpenSession(connection_string);
}

void Connection::OpenFoxPro(const ConnectionSettings& settings) {
  if (session_) throw Error("The connection is already open; close it before opening it again.");
  if (!settings.foxpro_code_page_refusal.empty()) throw Error(settings.foxpro_code_page_refusal);
  session_ = OpenFoxProSession(settings.container_mode ? settings.dbc_file
                                                       : settings.free_table_folder,
                               settings.foxpro_code_page);
}

RecordSet Connection::Execute(const std::string& statement) {
  RecordSet records;
  records.Attach(session().Execute(statement));
  return records;
}

RecordSet Connection::ExecuteOnce(const std::string& query) {
  RecordSet records;
  records.Attach(session().ExecuteOnce(query));
  return records;
}

RecordSet Connection::OpenSchema(int query_type) {
  RecordSet records;
  records.Attach(session().OpenSchema(query_type));
  return records;
}

void Connection::Close() {
  // The session ends even when its last writes fail.
  std::unique_ptr<Session> session = std::move(session_);
  if (session) session->Finish();
}

Session& Connection::session() {
  if (!session_) throw Error("The connection is not open.");
  return *session_;
}

}  // namespace veltrane::db
