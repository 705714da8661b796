#include "db/pg_concurrent.h"

#include <libpq-fe.h>

#include "db/error.h"
#include "db/pg_handles.h"
#include "db/pg_link.h"
#include "db/pg_session.h"
#include "db/server_wait.h"

namespace veltrane::db {

std::vector<std::string> ExecuteConcurrently(const std::vector<Connection*>& connections,
                                             const std::vector<std::string>& statements) {
  std::vector<std::string> failures(statements.size());
  std::vector<PGconn*> running(statements.size(), nullptr);
  for (size_t i = 0; i < statements.size(); ++i) {
    PgSession* session = i < connections.size() ? AsPostgreSql(connections[i]->session()) : nullptr;
    if (!session) {
      failures[i] = "The statement needs a PostgreSQL connection of its own.";
      continue;
    }
    PGconn* conn = session->native();
    PQsetnonblocking(conn, 1);
    if (!PQsendQuery(conn, statements[i].c_str()) || !FlushWaiting(conn)) {
      failures[i] = PgErrorDescription(conn, nullptr);
      PQsetnonblocking(conn, 0);
      continue;
    }
    running[i] = conn;
  }
  for (;;) {
    PGconn* waiting = nullptr;
    for (size_t i = 0; i < running.size(); ++i) {
      PGconn* conn = running[i];
      if (!conn) continue;
      // The results that have arrived, the first failure kept; the
      // statement is done at the null result (or a failed connection).
      bool done = !PQconsumeInput(conn);
      while (!done && !PQisBusy(conn)) {
        PGresult* result = PQgetResult(conn);
        if (!result) {
          done = true;
          break;
        }
        const PgResultPtr held(result);
        const ExecStatusType status = PQresultStatus(result);
        if (failures[i].empty() && status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
          failures[i] = PgErrorDescription(conn, result);
        done = PQstatus(conn) == CONNECTION_BAD;
      }
      if (!done) {
        if (!waiting) waiting = conn;
        continue;
      }
      if (failures[i].empty() && PQstatus(conn) == CONNECTION_BAD) failures[i] = PgErrorDescription(conn, nullptr);
      PQsetnonblocking(conn, 0);
      running[i] = nullptr;
    }
    if (!waiting) break;
    // One slice on the first statement still running, then all are looked at.
    WaitForServer(waiting, /*for_writing=*/false);
  }
  return failures;
}

}  // namespace veltrane::db
