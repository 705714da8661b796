#ifndef VELTRANE_APP_VALUE_HELPERS_H_
#define VELTRANE_APP_VALUE_HELPERS_H_

#include <string>

#include "db/value.h"

namespace veltrane::app {

// `value` unchanged, or `default_value` when `value` is a database NULL. An
// empty text or zero is not null.
db::Value NullToValue(const db::Value& value, const db::Value& default_value);

// The text of `value`, or `default_text` when it is a database NULL. Throws
// db::Error for a value that could not be read.
std::string NullToValue(const db::Value& value, const std::string& default_text);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_VALUE_HELPERS_H_
