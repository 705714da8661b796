#include "foxpro/table_cursor.h"

namespace veltrane::foxpro {

TableCursor::TableCursor(std::unique_ptr<TableReader> reader,
                         const std::vector<std::string>& long_names)
    : reader_(std::move(reader)) {
  const std::vector<FieldDescriptor>& fields = reader_->fields();
  columns_.reserve(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    bool has_long_name = i < long_names.size() && !long_names[i].empty();
    columns_.push_back(
        Column{has_long_name ? long_names[i] : fields[i].name, fields[i].type_code(), fields[i]});
  }
}

}  // namespace veltrane::foxpro
