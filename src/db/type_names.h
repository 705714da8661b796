#ifndef VELTRANE_DB_TYPE_NAMES_H_
#define VELTRANE_DB_TYPE_NAMES_H_

#include <cstdint>
#include <optional>
#include <string>

namespace veltrane::db {

// The access layer's name of a type code ("adInteger", ...), or nullopt for a
// code outside the table of 39 names. Code 0 has a name ("adEmpty").
std::optional<std::string> AdoTypeName(int16_t code);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_TYPE_NAMES_H_
