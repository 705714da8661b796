#include "db/record_set.h"

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/error.h"

namespace veltrane::db {
namespace {

const std::vector<ColumnInfo> kNoColumns;

}  // namespace

Field Fields::operator[](int index) const {
  if (index < 0 || index >= Count())
    throw Error("The record set has no field number " + std::to_string(index) + " (it has " +
                std::to_string(Count()) + ").");
  return Field(&(*columns_)[index], &(*row_)[index]);
}

Field Fields::operator[](const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if ((*columns_)[i].name == name) return (*this)[i];
  for (int i = 0; i < Count(); ++i)
    if (SameText((*columns_)[i].name, name)) return (*this)[i];
  throw Error("The record set has no field named \"" + name + "\".");
}

RecordSet::RecordSet() = default;
RecordSet::RecordSet(RecordSet&&) noexcept = default;
RecordSet& RecordSet::operator=(RecordSet&&) noexcept = default;
RecordSet::~RecordSet() = default;

void RecordSet::Open(const std::string& source, Connection& connection) {
  if (cursor_) throw Error("The record set is already open; close it before opening it again.");
  Attach(connection.session().Execute(source));
}

void RecordSet::Attach(std::unique_ptr<Cursor> cursor) {
  cursor_ = std::move(cursor);
  row_.clear();
  eof_ = true;
  if (!cursor_) return;
  row_.resize(cursor_->Columns().size());
  Fetch();
}

const std::vector<ColumnInfo>& RecordSet::columns() const {
  return cursor_ ? cursor_->Columns() : kNoColumns;
}

void RecordSet::Fetch() {
  // A failed fetch leaves the record set at its end, so that a loop reading
  // to end-of-file stops after reporting the failure instead of retrying.
  eof_ = true;
  try {
    eof_ = !cursor_->Next(row_);
  } catch (...) {
    for (db::Value& value : row_) value.SetNull();
    throw;
  }
  if (eof_)
    for (db::Value& value : row_) value.SetNull();
}

std::vector<Notice> RecordSet::Notices() const {
  return cursor_ ? cursor_->Notices() : std::vector<Notice>();
}

int64_t RecordSet::RecordCount() {
  if (!cursor_) throw Error("The record set is closed; it has no record count.");
  return cursor_->RowCount();
}

void RecordSet::DescribeNullability() {
  if (!cursor_) throw Error("The record set is closed; it has no columns to describe.");
  cursor_->DescribeNullability();
}

void RecordSet::MoveNext() {
  if (!cursor_) throw Error("The record set is closed; it cannot move to a next row.");
  if (eof_) throw Error("The record set is at its end; there is no next row.");
  Fetch();
}

void RecordSet::Close() {
  cursor_.reset();
  row_.clear();
  eof_ = true;
}

}  // namespace veltrane::db
