#ifndef VELTRANE_DB_BACKEND_H_
#define VELTRANE_DB_BACKEND_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/value.h"

namespace veltrane::db {

// Something a backend has to tell about a statement or a result besides its
// rows: values that did not arrive as stored (a problem), or a liberty that
// changed nothing that arrives, such as a renamed column (a note).
struct Notice {
  bool problem = false;
  std::string text;
  // For a FoxPro table's summary of a field's values that are not valid
  // for its type, which arrive as their raw text: the field's column. -1
  // for every other notice.
  int raw_text_field = -1;
  // A FoxPro free table's note of the field names it cut short (see
  // foxpro::Notice).
  bool shortened_names = false;
};

// What a backend knows of a column beyond its name and type code, for
// choosing a target column that keeps its type.
struct ColumnDetails {
  // A FoxPro field: its header's type letter (0 for another backend's
  // column), width, decimal count and flags.
  char foxpro_type = 0;
  int width = 0;
  int decimals = 0;
  bool binary = false;  // no code-page translation
  bool autoincrement = false;
  // A type, or a width of it, the engine does not read: its values arrive
  // as their stored bytes (text, or hex form where they are binary).
  bool raw = false;
  // A PostgreSQL column: its type's OID (0 for another backend's column)
  // and type modifier (-1 when it has none), as the server describes it.
  uint32_t pg_type = 0;
  int32_t pg_typmod = -1;
  // False when the column cannot hold null: a FoxPro field without the
  // null flag, a PostgreSQL table column declared NOT NULL. A column the
  // backend cannot tell about counts as nullable.
  bool nullable = true;
};

// The column description a backend gives for a result.
struct ColumnInfo {
  std::string name;
  int16_t type = 0;  // the access layer's type code (adInteger = 3, ...)
  ColumnDetails details = {};
};

// A forward-only stream of rows produced by a backend. Rows are fetched on
// demand; a cursor never holds a whole table in memory.
class Cursor {
 public:
  virtual ~Cursor() = default;
  virtual const std::vector<ColumnInfo>& Columns() const = 0;
  // The exact number of rows of the result (counted up front, not by fetching
  // the rows into memory).
  virtual int64_t RowCount() = 0;
  // Fills `row` with the next row's values, one per column, and returns
  // true; returns false at the end. Throws Error on a failure.
  virtual bool Next(std::vector<Value>& row) = 0;
  // Sets ColumnDetails::nullable of the columns where the backend tells it
  // only on request (it asks the server, so only callers that need it ask).
  // Throws Error on a failure.
  virtual void DescribeNullability() {}
  // What there is to tell about the rows fetched so far.
  virtual std::vector<Notice> Notices() const { return {}; }
};

// One open connection of a backend. Throws Error on every failure.
class Session {
 public:
  virtual ~Session() = default;
  // Runs one statement. Returns a cursor for a statement that yields rows,
  // nullptr for one that does not.
  virtual std::unique_ptr<Cursor> Execute(const std::string& statement) = 0;
  // Runs a query whose rows the caller reads once, in order, to the end or
  // until it destroys the cursor: the same columns, rows and count as
  // Execute, fetched the cheapest way the backend has. The session may run
  // nothing else while the rows are read.
  virtual std::unique_ptr<Cursor> ExecuteOnce(const std::string& statement) {
    return Execute(statement);
  }
  // The schema record set of the given query type (20: tables).
  virtual std::unique_ptr<Cursor> OpenSchema(int query_type) = 0;
  // What the statements run since the last call had to tell; then forgets
  // it.
  virtual std::vector<Notice> TakeNotices() { return {}; }
  // Writes what the session still holds in memory before it ends (rows
  // gathered for a table file, say). Throws Error when that fails.
  virtual void Finish() {}
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_BACKEND_H_
