#ifndef VELTRANE_APP_COPY_KEYS_SETTING_H_
#define VELTRANE_APP_COPY_KEYS_SETTING_H_

#include <optional>
#include <string>

#include "app/column_types_setting.h"
#include "app/settings_store.h"

namespace veltrane::app {

// Whether the transfers carry a table's keys, indexes and relations across
// with its rows (primary and unique keys, indexes, foreign keys, defaults
// and comments one way; index tags and relations the other).
enum class CopyKeys { kNo, kYes };

// The remembered choice: "yes" or "no"; absent, the column mapping decides
// (see DefaultCopyKeys).
inline constexpr char kCopyKeysSetting[] = "CopyKeys";
inline constexpr char kCopyKeysYesWord[] = "yes";
inline constexpr char kCopyKeysNoWord[] = "no";

const char* CopyKeysWord(CopyKeys choice);

// The choice `word` names, exactly "yes" or "no"; nullopt for anything else.
std::optional<CopyKeys> ParseCopyKeysWord(const std::string& word);

// The choice when none is made: keys with the typed column mapping, which
// keeps the columns they are made of; none with the classic one.
CopyKeys DefaultCopyKeys(ColumnTypes column_types);

// The remembered choice, the word taken without regard to case and
// surrounding blanks; nullopt when the setting is absent or neither word.
std::optional<CopyKeys> ReadCopyKeys(const SettingsStore& store);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_COPY_KEYS_SETTING_H_
