// Reads a generated table through a record set and prints the rows per second
// and the resident memory. Needs the test server of VELTRANE_TEST_PG*:
//   build/pg_read_bench [rows]   (default 1000000)

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "db/connection.h"
#include "db/connection_strings.h"
#include "support/test_database.h"

namespace {

long ResidentMegabytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE) >> 20;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace veltrane;
  const long rows = argc > 1 ? std::stol(argv[1]) : 1000000;
  testing::TestDatabase db;
  db.Exec("CREATE TABLE bench AS SELECT g AS id, 'customer ' || g AS name, "
          "(g % 1000) * 1.25 AS amount, DATE '2020-01-01' + (g % 3650) AS day, g % 2 = 0 AS flag "
          "FROM generate_series(1, " + std::to_string(rows) + ") g");
  db.Exec("VACUUM ANALYZE bench");

  db::Connection connection;
  connection.Open(db::PostgreSqlConnectionString(db.Settings()));
  auto start = std::chrono::steady_clock::now();
  db::RecordSet records = connection.Execute("SELECT * FROM bench");
  int64_t count = records.RecordCount();
  auto counted = std::chrono::steady_clock::now();
  size_t bytes = 0;
  int64_t read = 0;
  db::Fields fields = records.GetFields();
  for (; !records.Eof(); records.MoveNext()) {
    for (int i = 0; i < fields.Count(); ++i) bytes += fields[i].Value().Text().size();
    ++read;
  }
  auto end = std::chrono::steady_clock::now();
  double total = std::chrono::duration<double>(end - start).count();
  double count_time = std::chrono::duration<double>(counted - start).count();
  std::printf("rows %lld (RecordCount %lld), %.0f rows/s overall, count %.3f s, "
              "%zu text bytes, resident %ld MB\n",
              static_cast<long long>(read), static_cast<long long>(count), read / total,
              count_time, bytes, ResidentMegabytes());
  return read == count ? 0 : 1;
}
