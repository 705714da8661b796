#include "app/column_types_setting.h"

#include <QString>

namespace veltrane::app {

const char* ColumnTypesWord(ColumnTypes choice) {
  return choice == ColumnTypes::kTyped ? kTypedColumnTypesWord : kTextColumnTypesWord;
}

std::optional<ColumnTypes> ParseColumnTypesWord(const std::string& word) {
  if (word == kTextColumnTypesWord) return ColumnTypes::kText;
  if (word == kTypedColumnTypesWord) return ColumnTypes::kTyped;
  return std::nullopt;
}

ColumnTypes ReadColumnTypes(const SettingsStore& store) {
  const QString stored = QString::fromStdString(store.Read(kColumnTypesSetting)).trimmed();
  return stored.compare(QLatin1String(kTypedColumnTypesWord), Qt::CaseInsensitive) == 0
             ? ColumnTypes::kTyped
             : ColumnTypes::kText;
}

void WriteColumnTypes(SettingsStore& store, ColumnTypes choice) {
  store.Write(kColumnTypesSetting, ColumnTypesWord(choice));
}

}  // namespace veltrane::app
