#include "db/pg_rows.h"

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "db/copy_text.h"
#include "db/pg_handles.h"
#include "db/pg_link.h"
#include "db/pg_type_oids.h"
#include "db/server_wait.h"

namespace veltrane::db {
namespace {

// The access layer's type codes used here.
constexpr int16_t kAdSmallInt = 2;
constexpr int16_t kAdInteger = 3;
constexpr int16_t kAdSingle = 4;
constexpr int16_t kAdDouble = 5;
constexpr int16_t kAdCurrency = 6;
constexpr int16_t kAdBoolean = 11;
constexpr int16_t kAdBigInt = 20;
constexpr int16_t kAdGuid = 72;
constexpr int16_t kAdWChar = 130;
constexpr int16_t kAdNumeric = 131;
constexpr int16_t kAdDbDate = 133;
constexpr int16_t kAdDbTime = 134;
constexpr int16_t kAdDbTimeStamp = 135;
constexpr int16_t kAdVarWChar = 202;
constexpr int16_t kAdLongVarWChar = 203;
constexpr int16_t kAdLongVarBinary = 205;

constexpr std::string_view kTrueText = "true";
constexpr std::string_view kFalseText = "false";

// Money arrives in the session's monetary locale C ("-$1,234.50"): keep the
// sign, the digits and the decimal point.
void AssignMoney(const char* text, int length, Value& value) {
  char plain[64];
  size_t size = 0;
  for (int i = 0; i < length && size < sizeof plain; ++i) {
    char c = text[i];
    if ((c >= '0' && c <= '9') || c == '.' || c == '-') plain[size++] = c;
  }
  value.Assign(plain, size);
}

}  // namespace

int16_t TypeCodeOfPgType(Oid type) {
  switch (type) {
    case kInt2Oid: return kAdSmallInt;
    case kInt4Oid: return kAdInteger;
    case kOidOid: return kAdInteger;
    case kInt8Oid: return kAdBigInt;
    case kFloat4Oid: return kAdSingle;
    case kFloat8Oid: return kAdDouble;
    case kNumericOid: return kAdNumeric;
    case kMoneyOid: return kAdCurrency;
    case kBoolOid: return kAdBoolean;
    case kCharOid: return kAdWChar;
    case kBpcharOid: return kAdWChar;
    case kVarcharOid: return kAdVarWChar;
    case kDateOid: return kAdDbDate;
    case kTimeOid: return kAdDbTime;
    case kTimestampOid: return kAdDbTimeStamp;
    case kTimestamptzOid: return kAdDbTimeStamp;
    case kByteaOid: return kAdLongVarBinary;
    case kUuidOid: return kAdGuid;
    default: return kAdLongVarWChar;
  }
}

std::vector<bool> NotNullColumns(PGconn* conn, const PGresult* result) {
  const int count = PQnfields(result);
  std::vector<bool> not_null(static_cast<size_t>(count), false);
  std::set<Oid> tables;
  for (int i = 0; i < count; ++i)
    if (PQftable(result, i) != InvalidOid) tables.insert(PQftable(result, i));
  if (tables.empty()) return not_null;
  std::string query =
      "SELECT attrelid, attnum FROM pg_catalog.pg_attribute WHERE attnotnull AND attrelid IN (";
  for (Oid table : tables) query += std::to_string(table) + ",";
  query.back() = ')';
  PgResultPtr declared(ExecWaiting(conn, query.c_str()));
  if (PQresultStatus(declared.get()) != PGRES_TUPLES_OK) ThrowPgError(conn, declared.get());
  std::set<std::pair<Oid, int>> declared_not_null;
  for (int row = 0; row < PQntuples(declared.get()); ++row)
    declared_not_null.emplace(static_cast<Oid>(std::strtoul(PQgetvalue(declared.get(), row, 0), nullptr, 10)),
                              std::atoi(PQgetvalue(declared.get(), row, 1)));
  for (int i = 0; i < count; ++i)
    not_null[static_cast<size_t>(i)] =
        declared_not_null.count({PQftable(result, i), PQftablecol(result, i)}) > 0;
  return not_null;
}

PgRowDecoder::PgRowDecoder(const PGresult* result) {
  int count = PQnfields(result);
  columns_.reserve(count);
  types_.reserve(count);
  forms_.reserve(count);
  for (int i = 0; i < count; ++i) {
    Oid type = PQftype(result, i);
    ColumnInfo column{PQfname(result, i), TypeCodeOfPgType(type)};
    column.details.pg_type = type;
    column.details.pg_typmod = PQfmod(result, i);
    columns_.push_back(std::move(column));
    types_.push_back({type, PQfmod(result, i)});
    forms_.push_back(type == kBoolOid    ? Form::kBoolean
                     : type == kMoneyOid ? Form::kMoney
                                         : Form::kText);
  }
}

void PgRowDecoder::MarkNotNull(const std::vector<bool>& not_null) {
  for (size_t i = 0; i < columns_.size() && i < not_null.size(); ++i)
    columns_[i].details.nullable = !not_null[i];
}

void PgRowDecoder::Assign(size_t column, const char* text, size_t length, Value& value) const {
  switch (forms_[column]) {
    case Form::kText:
      value.Assign(text, length);
      break;
    case Form::kBoolean: {
      std::string_view form = length > 0 && text[0] == 't' ? kTrueText : kFalseText;
      value.Assign(form.data(), form.size());
      break;
    }
    case Form::kMoney:
      AssignMoney(text, static_cast<int>(length), value);
      break;
  }
}

size_t PgRowDecoder::Decode(const PGresult* result, int index, std::vector<Value>& row) const {
  size_t count = columns_.size();
  if (row.size() != count) row.resize(count);
  size_t bytes = 0;
  for (size_t i = 0; i < count; ++i) {
    int column = static_cast<int>(i);
    Value& value = row[i];
    if (PQgetisnull(result, index, column)) {
      value.SetNull();
      continue;
    }
    const char* text = PQgetvalue(result, index, column);
    const size_t length = static_cast<size_t>(PQgetlength(result, index, column));
    bytes += length;
    Assign(i, text, length, value);
  }
  return bytes + count;
}

bool PgRowDecoder::DecodeCopyLine(std::string_view line, std::vector<Value>& row) const {
  const size_t count = columns_.size();
  if (row.size() != count) row.resize(count);
  const char* at = line.data();
  const char* const end = at + line.size();
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) {
      if (at == end || *at != kCopyFieldSeparator) return false;
      ++at;
    }
    const char* field_end =
        static_cast<const char*>(std::memchr(at, kCopyFieldSeparator, end - at));
    if (field_end == nullptr) field_end = end;
    const std::string_view field(at, field_end - at);
    at = field_end;
    if (field == kCopyNull) {
      row[i].SetNull();
    } else if (field.find('\\') == std::string_view::npos) {
      Assign(i, field.data(), field.size(), row[i]);
    } else {
      UnescapeCopyField(field, unescaped_);
      Assign(i, unescaped_.data(), unescaped_.size(), row[i]);
    }
  }
  return at == end;
}

}  // namespace veltrane::db
