#include "app/copy_keys_setting.h"

#include <QString>

namespace veltrane::app {

const char* CopyKeysWord(CopyKeys choice) {
  return choice == CopyKeys::kYes ? kCopyKeysYesWord : kCopyKeysNoWord;
}

std::optional<CopyKeys> ParseCopyKeysWord(const std::string& word) {
  if (word == kCopyKeysYesWord) return CopyKeys::kYes;
  if (word == kCopyKeysNoWord) return CopyKeys::kNo;
  return std::nullopt;
}

CopyKeys DefaultCopyKeys(ColumnTypes column_types) {
  return column_types == ColumnTypes::kTyped ? CopyKeys::kYes : CopyKeys::kNo;
}

std::optional<CopyKeys> ReadCopyKeys(const SettingsStore& store) {
  const QString stored = QString::fromStdString(store.Read(kCopyKeysSetting)).trimmed().toLower();
  return ParseCopyKeysWord(stored.toStdString());
}

}  // namespace veltrane::app
