#ifndef VELTRANE_TESTS_SUPPORT_TEST_DATABASE_H_
#define VELTRANE_TESTS_SUPPORT_TEST_DATABASE_H_

#include <optional>
#include <string>
#include <vector>

#include "db/connection_settings.h"

namespace veltrane::testing {

// The PostgreSQL server of the test run, from VELTRANE_TEST_PGHOST,
// VELTRANE_TEST_PGPORT, VELTRANE_TEST_PGUSER and VELTRANE_TEST_PGPASSWORD
// (scripts/test sets them). The user may create databases.
struct PgServer {
  std::string host, port, user, password;
  static std::optional<PgServer> FromEnvironment();
};

using Row = std::vector<std::optional<std::string>>;

// A database of its own for one test: created with a unique name on
// construction, dropped (with everything in it) on destruction. Throws
// std::runtime_error when no test server is configured or it cannot be
// reached.
class TestDatabase {
 public:
  TestDatabase();
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  const std::string& name() const { return name_; }
  const PgServer& server() const { return server_; }

  // Connection settings that open this database (container mode, no FoxPro
  // paths set).
  db::ConnectionSettings Settings() const;

  // Runs SQL directly through libpq (for setting up and checking tests);
  // throws std::runtime_error with the server's message on failure.
  void Exec(const std::string& sql) const;
  // Rows of a query, every value as text or nullopt for NULL.
  std::vector<Row> Query(const std::string& sql) const;

  // Makes every table created from now on refuse the rows whose column
  // `name` contains "refused" (a CHECK that an event trigger adds), so
  // that tests can have the server reject chosen rows.
  void RefuseRowsNamedRefused() const;

 private:
  PgServer server_;
  std::string name_;
};

}  // namespace veltrane::testing

#endif  // VELTRANE_TESTS_SUPPORT_TEST_DATABASE_H_
