#include "support/test_database.h"

#include <libpq-fe.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace veltrane::testing {
namespace {

struct ConnCloser {
  void operator()(PGconn* c) const { PQfinish(c); }
};
struct ResultClearer {
  void operator()(PGresult* r) const { PQclear(r); }
};
using ConnPtr = std::unique_ptr<PGconn, ConnCloser>;
using ResultPtr = std::unique_ptr<PGresult, ResultClearer>;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

ConnPtr Connect(const PgServer& s, const std::string& database) {
  const char* keys[] = {"host", "port", "user", "password", "dbname", "connect_timeout", nullptr};
  const char* values[] = {s.host.c_str(), s.port.c_str(), s.user.c_str(), s.password.c_str(),
                          database.c_str(), "10", nullptr};
  ConnPtr conn(PQconnectdbParams(keys, values, 0));
  if (PQstatus(conn.get()) != CONNECTION_OK)
    throw std::runtime_error("test server: " + std::string(PQerrorMessage(conn.get())));
  return conn;
}

ResultPtr Run(PGconn* conn, const std::string& sql) {
  ResultPtr r(PQexec(conn, sql.c_str()));
  auto status = PQresultStatus(r.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    throw std::runtime_error("test server: " + std::string(PQerrorMessage(conn)) + " in: " + sql);
  return r;
}

}  // namespace

std::optional<PgServer> PgServer::FromEnvironment() {
  PgServer s{Env("VELTRANE_TEST_PGHOST"), Env("VELTRANE_TEST_PGPORT"), Env("VELTRANE_TEST_PGUSER"),
             Env("VELTRANE_TEST_PGPASSWORD")};
  if (s.host.empty() || s.port.empty() || s.user.empty()) return std::nullopt;
  return s;
}

TestDatabase::TestDatabase() {
  auto server = PgServer::FromEnvironment();
  if (!server)
    throw std::runtime_error(
        "no test PostgreSQL server: run the tests through scripts/test, which sets "
        "VELTRANE_TEST_PGHOST, VELTRANE_TEST_PGPORT, VELTRANE_TEST_PGUSER and "
        "VELTRANE_TEST_PGPASSWORD");
  server_ = *server;
  static std::atomic<int> counter{0};
  name_ = "vt_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
  auto conn = Connect(server_, "postgres");
  Run(conn.get(), "DROP DATABASE IF EXISTS " + name_);
  Run(conn.get(), "CREATE DATABASE " + name_);
}

TestDatabase::~TestDatabase() {
  try {
    auto conn = Connect(server_, "postgres");
    Run(conn.get(), "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
  } catch (...) {
  }
}

db::ConnectionSettings TestDatabase::Settings() const {
  db::ConnectionSettings s;
  s.server = server_.host;
  s.port = server_.port;
  s.user = server_.user;
  s.password = server_.password;
  s.database = name_;
  return s;
}

void TestDatabase::Exec(const std::string& sql) const {
  auto conn = Connect(server_, name_);
  Run(conn.get(), sql);
}

void TestDatabase::RefuseRowsNamedRefused() const {
  Exec(R"sql(
    CREATE FUNCTION add_check() RETURNS event_trigger LANGUAGE plpgsql AS $$
    DECLARE r record;
    BEGIN
      FOR r IN SELECT * FROM pg_event_trigger_ddl_commands() WHERE command_tag = 'CREATE TABLE'
      LOOP
        EXECUTE 'ALTER TABLE ' || r.object_identity ||
                ' ADD CONSTRAINT refused_name CHECK (name NOT LIKE ''%refused%'')';
      END LOOP;
    END $$;
    CREATE EVENT TRIGGER refuse_names ON ddl_command_end EXECUTE FUNCTION add_check();
  )sql");
}

std::vector<Row> TestDatabase::Query(const std::string& sql) const {
  auto conn = Connect(server_, name_);
  auto r = Run(conn.get(), sql);
  std::vector<Row> rows;
  for (int i = 0; i < PQntuples(r.get()); ++i) {
    Row row;
    for (int j = 0; j < PQnfields(r.get()); ++j) {
      if (PQgetisnull(r.get(), i, j))
        row.push_back(std::nullopt);
      else
        row.push_back(std::string(PQgetvalue(r.get(), i, j), PQgetlength(r.get(), i, j)));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace veltrane::testing
