#ifndef VELTRANE_FOXPRO_ERROR_H_
#define VELTRANE_FOXPRO_ERROR_H_

#include <stdexcept>
#include <string>

namespace veltrane::foxpro {

// Every failure of the engine: what() says which file, table, row, field or
// value and why.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_ERROR_H_
