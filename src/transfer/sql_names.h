#ifndef VELTRANE_TRANSFER_SQL_NAMES_H_
#define VELTRANE_TRANSFER_SQL_NAMES_H_

#include <string>
#include <string_view>

namespace veltrane::transfer {

// `name` between double quotes, each double quote inside it doubled: a
// PostgreSQL identifier that stands for exactly this name. A name without
// double quotes is only enclosed.
std::string QuotePostgreSqlName(std::string_view name);

// The table `name` of the schema `schema`, both names quoted: "schema"."name".
std::string QuotePostgreSqlTable(std::string_view schema, std::string_view name);

// `text` between single quotes, each quote inside it doubled: a PostgreSQL
// string constant that stands for exactly this text (standard_conforming_strings,
// on since PostgreSQL 9.1, takes backslashes as they are).
std::string QuotePostgreSqlText(std::string_view text);

// `name` between backticks, each backtick inside it doubled: a FoxPro name
// (table name or table path) that stands for exactly this name.
std::string QuoteFoxProName(std::string_view name);

// `path` between single quotes, each quote inside it doubled: the table file
// a FoxPro CREATE TABLE creates.
std::string QuoteFoxProPath(std::string_view path);

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_SQL_NAMES_H_
