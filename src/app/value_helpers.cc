#include "app/value_helpers.h"

namespace veltrane::app {
namespace {

// A value that could not be read is not null: its failure must reach the
// caller rather than turn into the default.
bool IsDatabaseNull(const db::Value& value) { return value.IsNull() && !value.IsFailed(); }

}  // namespace

db::Value NullToValue(const db::Value& value, const db::Value& default_value) {
  return IsDatabaseNull(value) ? default_value : value;
}

std::string NullToValue(const db::Value& value, const std::string& default_text) {
  return IsDatabaseNull(value) ? default_text : value.Text();
}

}  // namespace veltrane::app
