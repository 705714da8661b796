#ifndef VELTRANE_DB_PG_SESSION_H_
#define VELTRANE_DB_PG_SESSION_H_

#include <libpq-fe.h>

#include <memory>
#include <string>

#include "db/backend.h"

namespace veltrane::db {

// What a PostgreSQL connection string names. Empty values are left to
// libpq's defaults (the local socket, port 5432, the login name, ...).
struct PgLogin {
  std::string host;      // Server
  std::string port;      // Port
  std::string user;      // Uid
  std::string password;  // Pwd
  std::string database;  // Database
};

struct PgLink;

// A PostgreSQL connection through libpq.
//
// The session speaks UTF-8, ISO dates and hex bytea, and gives up on a
// server that does not answer within 10 seconds. A statement that yields
// rows streams them through a server-side cursor fetched in batches inside
// a read-only repeatable-read transaction, so memory stays flat whatever the
// row count; the transaction ends as soon as the last batch has arrived or
// the cursor is destroyed. A query that cannot run read-only (it calls
// nextval(), locks rows, has several statements, ...) runs in autocommit
// with its rows held in memory. Every other statement runs in autocommit.
//
// While a streaming record set is being read, further queries on the same
// session share its snapshot; a statement that changes data is refused
// until that record set is read to its end or closed.
class PgSession : public Session {
 public:
  // Connects. Throws Error with libpq's or the server's message.
  static std::unique_ptr<PgSession> Open(const PgLogin& login);
  ~PgSession() override;

  std::unique_ptr<Cursor> Execute(const std::string& statement) override;
  // A plain query's rows come in one COPY stream (pg_copy_out.h), counted
  // up front in the same snapshot; until they are read or the record set
  // is closed, the session refuses other statements. A query that cannot
  // be copied (or a session with a record set still being read) runs as
  // Execute runs it, so it fails, if at all, as Execute fails.
  std::unique_ptr<Cursor> ExecuteOnce(const std::string& statement) override;
  // Query type 20: TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE
  // ("TABLE", "VIEW", "SYSTEM TABLE", "SYSTEM VIEW") of every table and view.
  std::unique_ptr<Cursor> OpenSchema(int query_type) override;

  // The libpq connection, for work the record-set seam does not cover (a
  // COPY fast path, say). Requires that no record set of this session is
  // being read; the caller must leave the connection idle (no result
  // pending, no transaction it opened itself left open). The session keeps
  // ownership.
  PGconn* native();
  // Whether a streaming record set of this session is still being read.
  bool reading() const;

 private:
  explicit PgSession(std::shared_ptr<PgLink> link) : link_(std::move(link)) {}
  std::shared_ptr<PgLink> link_;
};

// The PostgreSQL session behind `session`, or nullptr when it is another
// backend's.
PgSession* AsPostgreSql(Session& session);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_SESSION_H_
