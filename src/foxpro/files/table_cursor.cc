#include "foxpro/files/table_cursor.h"

#include <set>

#include "foxpro/record/header_names.h"

namespace veltrane::foxpro {

TableCursor::TableCursor(std::unique_ptr<TableReader> reader,
                         const std::vector<std::string>& long_names, std::string names_note)
    : reader_(std::move(reader)), names_note_(std::move(names_note)) {
  const std::vector<FieldDescriptor>& fields = reader_->fields();
  const std::vector<std::string>& header_names = reader_->field_names();
  std::vector<std::string> names;
  for (size_t i = 0; i < fields.size(); ++i) {
    const bool has_long_name = i < long_names.size() && !long_names[i].empty();
    names.push_back(has_long_name ? long_names[i] : LowerCaseName(header_names[i]));
  }
  std::set<std::string> taken;  // lower case
  for (const std::string& name : names) taken.insert(LowerCaseName(name));
  std::set<std::string> used;
  for (size_t i = 0; i < names.size(); ++i) {
    std::string name = names[i];
    if (name.empty() || !used.insert(LowerCaseName(name)).second) {
      const std::string stem = name.empty() ? "field_" + std::to_string(i + 1) : name;
      name = stem;
      for (int number = 2; taken.count(LowerCaseName(name)) != 0; ++number)
        name = stem + "_" + std::to_string(number);
      taken.insert(LowerCaseName(name));
      used.insert(LowerCaseName(name));
      if (!renamed_.empty()) renamed_ += ", ";
      renamed_ += "\"" + names[i] + "\" as " + name;
    }
    columns_.push_back(Column{name, fields[i].type_code(), fields[i]});
  }
  std::vector<std::string> column_names;
  for (const Column& column : columns_) column_names.push_back(column.name);
  reader_->NameColumns(std::move(column_names));
}

std::vector<Notice> TableCursor::Notices() const {
  std::vector<Notice> notices = reader_->Notices();
  if (!renamed_.empty())
    notices.insert(notices.begin(),
                   Notice{false, "Table \"" + reader_->name() +
                                     "\" has fields without a name of their own; they arrived "
                                     "as " + renamed_ + "."});
  if (!names_note_.empty()) notices.insert(notices.begin(), Notice{false, names_note_});
  return notices;
}

}  // namespace veltrane::foxpro
