#ifndef VELTRANE_DB_CONNECTION_STRINGS_H_
#define VELTRANE_DB_CONNECTION_STRINGS_H_

#include <string>

#include "db/connection_settings.h"

namespace veltrane::db {

// The program's Boolean convention.
inline constexpr int kTrue = -1;
inline constexpr int kFalse = 0;

// "Provider=vfpoledb.1;Data Source=<dbc_file>;Collating Sequence=machine;" in
// container mode, "Provider=vfpoledb.1;Data Source=<free_table_folder>;
// Collating Sequence=general;" in free-table mode, followed by
// "Code Page=<foxpro_code_page>;" when one is chosen. The other mode's path
// is not read.
std::string FoxProConnectionString(const ConnectionSettings& s);

// "Driver={PostgreSQL Unicode};Server=..;Port=..;Uid=..;Pwd=..;Database=.."
// (no closing ';').
//
// In both strings a value holding ';', '{' or '}', or starting or ending
// with a blank, is enclosed in braces with '}' doubled, so that it reaches
// the server intact; plain values are inserted exactly as they stand.
std::string PostgreSqlConnectionString(const ConnectionSettings& s);

// Whether a FoxPro connection opens with the settings (server-side cursor
// location): kTrue or kFalse. Shows nothing, keeps nothing, never throws.
int CheckFoxProConnection(const ConnectionSettings& s);
// Whether a PostgreSQL connection opens with the settings: kTrue or kFalse.
// Shows nothing, keeps nothing, never throws.
int CheckPostgreSQLConnection(const ConnectionSettings& s);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_CONNECTION_STRINGS_H_
