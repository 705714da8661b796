#ifndef VELTRANE_DB_PG_HANDLES_H_
#define VELTRANE_DB_PG_HANDLES_H_

#include <libpq-fe.h>

#include <memory>

namespace veltrane::db {

// Owners of libpq's handles, so that no connection or result is leaked on a
// path that throws.
struct PgConnCloser {
  void operator()(PGconn* conn) const { PQfinish(conn); }
};
struct PgResultClearer {
  void operator()(PGresult* result) const { PQclear(result); }
};
using PgConnPtr = std::unique_ptr<PGconn, PgConnCloser>;
using PgResultPtr = std::unique_ptr<PGresult, PgResultClearer>;

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_HANDLES_H_
