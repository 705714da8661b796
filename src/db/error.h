#ifndef VELTRANE_DB_ERROR_H_
#define VELTRANE_DB_ERROR_H_

#include <stdexcept>
#include <string>

namespace veltrane::db {

// The one failure type of the access layer. what() is the description a user
// reads in the error report: which table, field or value failed and why.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_ERROR_H_
