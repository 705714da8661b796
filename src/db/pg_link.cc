#include "db/pg_link.h"

#include "db/server_wait.h"

namespace veltrane::db {
namespace {

std::string TrimmedMessage(const char* text) {
  std::string message = text ? text : "";
  size_t end = message.find_last_not_of(" \t\r\n");
  message.erase(end == std::string::npos ? 0 : end + 1);
  size_t begin = message.find_first_not_of(" \t\r\n");
  return begin == std::string::npos ? "" : message.substr(begin);
}

}  // namespace

std::string PgErrorDescription(PGconn* conn, const PGresult* result) {
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  if (!primary) {
    std::string message = TrimmedMessage(result ? PQresultErrorMessage(result) : nullptr);
    if (message.empty()) message = TrimmedMessage(PQerrorMessage(conn));
    return message.empty() ? "The PostgreSQL server did not answer." : message;
  }
  const char* severity = PQresultErrorField(result, PG_DIAG_SEVERITY);
  std::string description = std::string(severity ? severity : "ERROR") + ":  " + primary;
  if (const char* detail = PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL))
    description += std::string("\nDETAIL:  ") + detail;
  if (const char* hint = PQresultErrorField(result, PG_DIAG_MESSAGE_HINT))
    description += std::string("\nHINT:  ") + hint;
  if (const char* context = PQresultErrorField(result, PG_DIAG_CONTEXT))
    description += std::string("\nCONTEXT:  ") + context;
  return description;
}

void ThrowPgError(PGconn* conn, const PGresult* result) {
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  throw PgStatementError(PgErrorDescription(conn, result), state ? state : "");
}

PgResultPtr PgLink::Run(const std::string& sql) {
  PgResultPtr result(ExecWaiting(conn.get(), sql.c_str()));
  ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    ThrowPgError(conn.get(), result.get());
  return result;
}

void PgLink::EndTransaction() {
  if (!in_transaction) return;
  PgResultPtr ignored(ExecWaiting(conn.get(), "ROLLBACK"));
  in_transaction = false;
  open_cursors = 0;
  ++transaction;
}

}  // namespace veltrane::db
