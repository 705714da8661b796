#include "transfer/column_types.h"

#include <string_view>

#include "db/type_names.h"

namespace veltrane::transfer {
namespace {

struct TypeWord {
  std::string_view word;
  const char* column_text;
};

// In the order they are tested; the first word the type name contains wins.
constexpr TypeWord kPostgreSqlColumns[] = {
    {"char", " text,"},     {"single", " FLOAT,"}, {"int", " INT,"},
    {"date", " text,"},     {"currency", " text,"}, {"bool", " text,"},
    {"double", " FLOAT,"},  {"adlongvarbinary", " BYTEA,"},
};
constexpr const char* kPostgreSqlDefaultColumn = " text,";

// The binary COPY type of each column text above.
struct ColumnBinaryType {
  std::string_view column_text;
  db::PgBinaryType type;
};
constexpr ColumnBinaryType kPostgreSqlBinaryTypes[] = {
    {" FLOAT,", db::PgBinaryType::kDouble},
    {" INT,", db::PgBinaryType::kInteger},
    {" BYTEA,", db::PgBinaryType::kBytea},
};

constexpr const char* kFoxProMemo = " M,";
constexpr const char* kFoxProBlob = " BLOB,";
constexpr TypeWord kFoxProColumns[] = {
    {"char", kFoxProMemo},     {"single", kFoxProMemo}, {"int", kFoxProMemo},
    {"date", kFoxProMemo},     {"currency", kFoxProMemo}, {"bool", kFoxProMemo},
    {"double", kFoxProMemo},   {"adlongvarbinary", kFoxProBlob},
};

template <size_t N>
const char* ColumnText(const TypeWord (&words)[N], const char* fallback, int16_t type_code) {
  const std::string name = LowerTypeName(type_code);
  for (const TypeWord& entry : words)
    if (name.find(entry.word) != std::string::npos) return entry.column_text;
  return fallback;
}

}  // namespace

std::string LowerTypeName(int16_t type_code) {
  std::string name = db::AdoTypeName(type_code).value_or("");
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

const char* PostgreSqlColumnText(int16_t type_code) {
  return ColumnText(kPostgreSqlColumns, kPostgreSqlDefaultColumn, type_code);
}

db::PgBinaryType PostgreSqlColumnBinaryType(int16_t type_code) {
  const std::string_view column_text = PostgreSqlColumnText(type_code);
  for (const ColumnBinaryType& entry : kPostgreSqlBinaryTypes)
    if (entry.column_text == column_text) return entry.type;
  return db::PgBinaryType::kText;
}

const char* FoxProColumnText(int16_t type_code) {
  return ColumnText(kFoxProColumns, kFoxProMemo, type_code);
}

}  // namespace veltrane::transfer
