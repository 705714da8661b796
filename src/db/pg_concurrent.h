#ifndef VELTRANE_DB_PG_CONCURRENT_H_
#define VELTRANE_DB_PG_CONCURRENT_H_

#include <string>
#include <vector>

#include "db/connection.h"

namespace veltrane::db {

// Runs statements at the same time, statements[i] on connections[i] (open
// PostgreSQL connections, idle, one statement each), so that the server
// works on them side by side, as on building several indexes of a table.
// Waits in slices as every statement does (the wait hook runs, a cancel
// request ends them). Returns, per statement, the server's description of
// its failure, empty when it succeeded.
std::vector<std::string> ExecuteConcurrently(const std::vector<Connection*>& connections,
                                             const std::vector<std::string>& statements);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_CONCURRENT_H_
