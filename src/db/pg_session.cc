#include "db/pg_session.h"

#include <cctype>
#include <chrono>
#include <string_view>

#include "db/error.h"
#include "db/pg_copy_out.h"
#include "db/pg_cursors.h"
#include "db/pg_link.h"
#include "db/server_wait.h"

namespace veltrane::db {
namespace {

// Session settings sent with the login: ISO dates, hex bytea, money in the
// C locale's form (decoded to a plain decimal), shortest exact floats.
constexpr const char* kSessionOptions =
    "-c DateStyle=ISO -c IntervalStyle=postgres -c bytea_output=hex -c lc_monetary=C "
    "-c extra_float_digits=1";
constexpr int kConnectTimeoutSeconds = 10;
constexpr const char* kConnectTimeoutText = "10";
// TCP keepalives: a peer that has gone away (a dead server or network) is
// noticed after about a minute of silence, also in the middle of a
// statement, instead of never.
constexpr const char* kKeepaliveIdleSeconds = "30";
constexpr const char* kKeepaliveIntervalSeconds = "10";
constexpr const char* kKeepaliveProbes = "3";

// SQLSTATEs of a query that cannot run inside a read-only cursor: it changes
// data (nextval(), FOR UPDATE), is not a plain query (SELECT ... INTO), or
// holds several statements.
bool NeedsAutocommit(const std::string& sql_state) {
  return sql_state == "25006" || sql_state == "42601" || sql_state == "0A000";
}

size_t SkipBlanksAndComments(const std::string& text, size_t pos) {
  while (pos < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[pos]);
    if (std::isspace(c) || c == '(') {
      ++pos;
    } else if (text.compare(pos, 2, "--") == 0) {
      pos = text.find('\n', pos);
      if (pos == std::string::npos) return text.size();
    } else if (text.compare(pos, 2, "/*") == 0) {
      pos = text.find("*/", pos + 2);
      if (pos == std::string::npos) return text.size();
      pos += 2;
    } else {
      break;
    }
  }
  return pos;
}

// Whether the statement is a query that yields rows: it starts with SELECT,
// WITH, VALUES or TABLE.
bool IsQuery(const std::string& statement) {
  size_t pos = SkipBlanksAndComments(statement, 0);
  size_t end = pos;
  while (end < statement.size() && std::isalpha(static_cast<unsigned char>(statement[end])))
    ++end;
  std::string word;
  for (size_t i = pos; i < end; ++i)
    word += static_cast<char>(std::tolower(static_cast<unsigned char>(statement[i])));
  return word == "select" || word == "with" || word == "values" || word == "table";
}

// The statement without the blanks and semicolons at its end, so that it can
// stand inside DECLARE and a counting subquery.
std::string WithoutTerminator(const std::string& statement) {
  size_t end = statement.size();
  while (end > 0 && (statement[end - 1] == ';' ||
                     std::isspace(static_cast<unsigned char>(statement[end - 1]))))
    --end;
  return statement.substr(0, end);
}

// Ends a COPY the statement started; this connection does not feed or read
// COPY data through statements.
void AbandonCopy(PGconn* conn, ExecStatusType status) {
  if (status == PGRES_COPY_IN) {
    PQputCopyEnd(conn, "COPY data cannot be sent through a statement");
    FlushWaiting(conn);
  } else if (status == PGRES_COPY_OUT) {
    char* buffer = nullptr;
    int got;
    while ((got = PQgetCopyData(conn, &buffer, /*async=*/1)) >= 0) {
      if (got > 0) PQfreemem(buffer);
      else if (!PQconsumeInput(conn)) break;
      else WaitForServer(conn, /*for_writing=*/false);
    }
  }
  while (PGresult* rest = NextResult(conn)) PQclear(rest);
}

constexpr const char* kTablesSchemaQuery =
    "SELECT current_database()::text AS \"TABLE_CATALOG\", n.nspname::text AS \"TABLE_SCHEMA\", "
    "c.relname::text AS \"TABLE_NAME\", "
    "CASE WHEN n.nspname IN ('pg_catalog', 'information_schema') OR n.nspname LIKE 'pg\\_toast%' "
    "THEN 'SYSTEM ' ELSE '' END || "
    "CASE WHEN c.relkind IN ('v', 'm') THEN 'VIEW' ELSE 'TABLE' END AS \"TABLE_TYPE\" "
    "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
    "WHERE c.relkind IN ('r', 'p', 'f', 'v', 'm') ORDER BY 4, 2, 3";

}  // namespace

std::unique_ptr<PgSession> PgSession::Open(const PgLogin& login) {
  const char* keys[] = {"host",   "port",          "user",            "password",
                        "dbname", "client_encoding", "connect_timeout", "options",
                        "application_name", "keepalives", "keepalives_idle",
                        "keepalives_interval", "keepalives_count", nullptr};
  const char* values[] = {login.host.c_str(),     login.port.c_str(), login.user.c_str(),
                          login.password.c_str(), login.database.c_str(), "UTF8",
                          kConnectTimeoutText, kSessionOptions, "Veltrane", "1",
                          kKeepaliveIdleSeconds, kKeepaliveIntervalSeconds, kKeepaliveProbes,
                          nullptr};
  auto link = std::make_shared<PgLink>();
  // The connection is made without blocking, so that the window is served
  // while the server answers (server_wait.h); libpq leaves the time limit
  // of such a connection to its caller.
  link->conn.reset(PQconnectStartParams(keys, values, /*expand_dbname=*/0));
  PGconn* conn = link->conn.get();
  if (!conn) throw Error("Out of memory while connecting to PostgreSQL.");
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(kConnectTimeoutSeconds);
  PostgresPollingStatusType state = PGRES_POLLING_WRITING;
  while (PQstatus(conn) != CONNECTION_BAD && state != PGRES_POLLING_OK &&
         state != PGRES_POLLING_FAILED) {
    if (std::chrono::steady_clock::now() >= deadline) {
      throw Error("connection to server at \"" + login.host + "\", port " + login.port +
                  " failed: timeout expired (no answer within " +
                  std::to_string(kConnectTimeoutSeconds) + " seconds)");
    }
    if (WaitForServer(conn, state == PGRES_POLLING_WRITING)) state = PQconnectPoll(conn);
  }
  if (PQstatus(conn) != CONNECTION_OK) throw Error(PgErrorDescription(conn, nullptr));
  return std::unique_ptr<PgSession>(new PgSession(std::move(link)));
}

PgSession::~PgSession() = default;

std::unique_ptr<Cursor> PgSession::Execute(const std::string& statement) {
  if (link_->copying) {
    throw Error("A record set of this connection is still being read; close it before running: " +
                statement);
  }
  if (IsQuery(statement)) {
    try {
      return std::make_unique<PgStreamCursor>(link_, WithoutTerminator(statement));
    } catch (const PgStatementError& error) {
      if (!NeedsAutocommit(error.sql_state())) throw;
    }
  }
  if (link_->in_transaction) {
    throw Error("A record set of this connection is still being read; close it before running: " +
                statement);
  }
  PGconn* conn = link_->conn.get();
  PgResultPtr result(ExecWaiting(conn, statement.c_str()));
  ExecStatusType status = PQresultStatus(result.get());
  switch (status) {
    case PGRES_COMMAND_OK:
    case PGRES_EMPTY_QUERY:
      return nullptr;
    case PGRES_TUPLES_OK:
      return std::make_unique<PgResultCursor>(std::move(result));
    case PGRES_COPY_IN:
    case PGRES_COPY_OUT:
    case PGRES_COPY_BOTH:
      AbandonCopy(conn, status);
      throw Error("COPY cannot run as a statement of this connection: " + statement);
    default:
      ThrowPgError(conn, result.get());
  }
}

std::unique_ptr<Cursor> PgSession::ExecuteOnce(const std::string& statement) {
  if (IsQuery(statement) && !link_->in_transaction) {
    try {
      return std::make_unique<PgCopyCursor>(link_, WithoutTerminator(statement));
    } catch (const PgStatementError&) {
      // Execute gives the same rows another way, or the same failure.
    }
  }
  return Execute(statement);
}

std::unique_ptr<Cursor> PgSession::OpenSchema(int query_type) {
  constexpr int kSchemaTables = 20;
  if (query_type != kSchemaTables)
    throw Error("The PostgreSQL connection does not offer the schema record set of type " +
                std::to_string(query_type) + ".");
  return Execute(kTablesSchemaQuery);
}

PGconn* PgSession::native() { return link_->conn.get(); }

bool PgSession::reading() const { return link_->in_transaction; }

PgSession* AsPostgreSql(Session& session) { return dynamic_cast<PgSession*>(&session); }

}  // namespace veltrane::db
