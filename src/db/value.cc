#include "db/value.h"

#include "db/error.h"

namespace veltrane::db {

Value Value::Failed(std::string description) {
  Value value;
  value.error_ = std::move(description);
  return value;
}

const std::string& Value::Text() const {
  if (!error_.empty()) throw Error(error_);
  return text_;
}

}  // namespace veltrane::db
