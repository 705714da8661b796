#ifndef VELTRANE_DB_FOXPRO_SESSION_H_
#define VELTRANE_DB_FOXPRO_SESSION_H_

#include <memory>
#include <string>

#include "db/backend.h"

namespace veltrane::db {

// Opens the FoxPro table engine on a data source: a ".dbc" database
// container file, or a folder of free tables. `collating_sequence` is the
// connection string's "Collating Sequence" ("machine" or "general").
// Throws Error saying why the data source does not open.
std::unique_ptr<Session> OpenFoxProSession(const std::string& data_source,
                                           const std::string& collating_sequence);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_FOXPRO_SESSION_H_
