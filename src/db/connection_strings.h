#ifndef VELTRANE_DB_CONNECTION_STRINGS_H_
#define VELTRANE_DB_CONNECTION_STRINGS_H_

#include <string>

#include "db/connection_settings.h"

namespace veltrane::db {

// The program's Boolean convention.
inline constexpr int kTrue = -1;
inline constexpr int kFalse = 0;

// "Driver={PostgreSQL Unicode};Server=..;Port=..;Uid=..;Pwd=..;Database=.."
// (no closing ';').
//
// A value holding ';', '{' or '}', or starting or ending
// with a blank, is enclosed in braces with '}' doubled, so that it reaches
// the server intact; plain values are inserted exactly as they stand.
std::string PostgreSqlConnectionString(const ConnectionSettings& s);

// Whether a FoxPro connection opens with the settings: kTrue or kFalse. Shows nothing, keeps nothing, never throws.
int CheckFoxProConnection(const ConnectionSettings& s);
// Whether a PostgreSQL connection opens with the settings: kTrue or kFalse.
// Shows nothing, keeps nothing, never throws.
int CheckPostgreSQLConnection(const ConnectionSettings& s);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_CONNECTION_STRINGS_H_
