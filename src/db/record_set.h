#ifndef VELTRANE_DB_RECORD_SET_H_
#define VELTRANE_DB_RECORD_SET_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/backend.h"
#include "db/value.h"

namespace veltrane::db {

class Connection;

// One field of the current row: its name, type code and value.
class Field {
 public:
  Field(const ColumnInfo* info, const Value* value) : info_(info), value_(value) {}
  const std::string& Name() const { return info_->name; }
  int16_t Type() const { return info_->type; }
  const ColumnDetails& Details() const { return info_->details; }
  // The current row's value; null at end-of-file.
  const db::Value& Value() const { return *value_; }

 private:
  const ColumnInfo* info_;
  const db::Value* value_;
};

// The fields of a record set: by index from 0, or by name (exact match first,
// then without regard to case). An unknown name or index throws Error.
class Fields {
 public:
  Fields(const std::vector<ColumnInfo>* columns, const std::vector<db::Value>* row)
      : columns_(columns), row_(row) {}
  int Count() const { return static_cast<int>(columns_->size()); }
  Field operator[](int index) const;
  Field operator[](const std::string& name) const;

 private:
  const std::vector<ColumnInfo>* columns_;
  const std::vector<db::Value>* row_;
};

// A forward-only record set over a query's rows, positioned on the first row
// once opened. RecordCount is the exact row count of the query. Rows stream
// from the backend: only the current row is held.
class RecordSet {
 public:
  RecordSet();
  RecordSet(RecordSet&&) noexcept;
  RecordSet& operator=(RecordSet&&) noexcept;
  ~RecordSet();

  // Runs `source` on the open connection and positions on the first row.
  // Rows are read forward only. Throws Error on failure.
  void Open(const std::string& source, Connection& connection);
  // Wraps an already running backend cursor (used by Connection); a null
  // cursor (a statement without rows) leaves the record set closed.
  void Attach(std::unique_ptr<Cursor> cursor);

  bool IsOpen() const { return cursor_ != nullptr; }
  // The fields of the current row. The object stays valid across MoveNext
  // (it always shows the current row) until the record set is closed,
  // reopened, moved or destroyed, so a reading loop can take it once.
  Fields GetFields() const { return Fields(&columns(), &row_); }
  // End-of-file ("EOF" itself is a C library macro, hence the spelling).
  bool Eof() const { return eof_; }
  int64_t RecordCount();
  // Makes the fields' details tell which columns cannot hold null also where
  // that takes a question to the server (see Cursor::DescribeNullability).
  void DescribeNullability();
  // What the backend has to tell about the rows read so far (see Notice);
  // nothing for a closed record set.
  std::vector<Notice> Notices() const;
  // Moves to the next row. A failure to fetch it leaves the record set at
  // end-of-file and throws. Throws at end-of-file and on a closed set.
  void MoveNext();
  void Close();

 private:
  const std::vector<ColumnInfo>& columns() const;
  void Fetch();

  std::unique_ptr<Cursor> cursor_;
  std::vector<db::Value> row_;
  bool eof_ = true;
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_RECORD_SET_H_
