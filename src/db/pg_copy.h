#ifndef VELTRANE_DB_PG_COPY_H_
#define VELTRANE_DB_PG_COPY_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "db/pg_session.h"

namespace veltrane::db {

// Sends rows to PostgreSQL through "COPY ... FROM STDIN" (text format), much
// faster than one INSERT per row. Data is buffered and sent in large chunks.
//
//   PgCopyIn copy(session, "COPY \"t\" (\"a\", \"b\") FROM STDIN");
//   std::string line;
//   AppendCopyValue(line, "x"); line += '\t'; AppendCopyNull(line); line += '\n';
//   copy.Put(line);
//   int64_t rows = copy.Finish();
//
// Destroying an unfinished copy abandons it: the server rolls the statement
// back (no row of it stays) and the session is usable again.
class PgCopyIn {
 public:
  // Starts the COPY. Requires that no record set of the session is being
  // read. Throws Error with the server's message.
  PgCopyIn(PgSession& session, const std::string& copy_statement);
  ~PgCopyIn();
  PgCopyIn(const PgCopyIn&) = delete;
  PgCopyIn& operator=(const PgCopyIn&) = delete;

  // Queues COPY text (whole or partial lines). Throws Error when the
  // connection fails.
  void Put(std::string_view data);
  // Sends the rest and ends the COPY. Returns the number of rows the server
  // stored. Throws Error with the server's message (which names the failing
  // line and column) when it rejects the data; then no row is stored.
  int64_t Finish();

 private:
  void Flush();
  void Abandon();

  PGconn* conn_;
  std::string buffer_;
  bool active_ = false;
};

// Appends `value` to a COPY text line, escaping '\\', tab, line feed and
// carriage return.
void AppendCopyValue(std::string& line, std::string_view value);
// Appends the COPY text form of null ("\N").
inline void AppendCopyNull(std::string& line) { line += "\\N"; }

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_COPY_H_
