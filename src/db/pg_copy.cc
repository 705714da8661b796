#include "db/pg_copy.h"

#include <cstdlib>

#include "db/error.h"
#include "db/pg_handles.h"
#include "db/pg_link.h"

namespace veltrane::db {
namespace {

constexpr size_t kChunkBytes = size_t{1} << 18;

// Reads the results that end a COPY; throws for a failed one.
int64_t ConsumeResults(PGconn* conn) {
  int64_t rows = 0;
  PgResultPtr failure;
  while (PGresult* raw = PQgetResult(conn)) {
    PgResultPtr result(raw);
    if (PQresultStatus(result.get()) == PGRES_COMMAND_OK) {
      rows = std::strtoll(PQcmdTuples(result.get()), nullptr, 10);
    } else if (!failure) {
      failure = std::move(result);
    }
  }
  if (failure) ThrowPgError(conn, failure.get());
  return rows;
}

}  // namespace

PgCopyIn::PgCopyIn(PgSession& session, const std::string& copy_statement)
    : conn_(session.native()) {
  if (session.reading())
    throw Error("A record set of this connection is still being read; close it before copying.");
  PgResultPtr result(PQexec(conn_, copy_statement.c_str()));
  if (PQresultStatus(result.get()) != PGRES_COPY_IN) {
    if (PQresultStatus(result.get()) == PGRES_COMMAND_OK ||
        PQresultStatus(result.get()) == PGRES_TUPLES_OK)
      throw Error("The statement does not copy from standard input: " + copy_statement);
    ThrowPgError(conn_, result.get());
  }
  active_ = true;
  buffer_.reserve(kChunkBytes + kChunkBytes / 4);
}

PgCopyIn::~PgCopyIn() { Abandon(); }

void PgCopyIn::Put(std::string_view data) {
  if (!active_) throw Error("The copy has already ended.");
  buffer_.append(data);
  if (buffer_.size() >= kChunkBytes) Flush();
}

void PgCopyIn::Flush() {
  if (buffer_.empty()) return;
  if (PQputCopyData(conn_, buffer_.data(), static_cast<int>(buffer_.size())) != 1) {
    std::string message = PgErrorDescription(conn_, nullptr);
    Abandon();
    throw Error(message);
  }
  buffer_.clear();
}

int64_t PgCopyIn::Finish() {
  if (!active_) throw Error("The copy has already ended.");
  Flush();
  active_ = false;
  if (PQputCopyEnd(conn_, nullptr) != 1) {
    std::string message = PgErrorDescription(conn_, nullptr);
    ConsumeResults(conn_);
    throw Error(message);
  }
  return ConsumeResults(conn_);
}

void PgCopyIn::Abandon() {
  if (!active_) return;
  active_ = false;
  buffer_.clear();
  PQputCopyEnd(conn_, "the copy was abandoned");
  try {
    ConsumeResults(conn_);
  } catch (const Error&) {
    // The server's report of the abandoned copy is expected.
  }
}

void AppendCopyValue(std::string& line, std::string_view value) {
  for (char c : value) {
    switch (c) {
      case '\\': line += "\\\\"; break;
      case '\t': line += "\\t"; break;
      case '\n': line += "\\n"; break;
      case '\r': line += "\\r"; break;
      default: line += c;
    }
  }
}

}  // namespace veltrane::db
