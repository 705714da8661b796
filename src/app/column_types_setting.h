#ifndef VELTRANE_APP_COLUMN_TYPES_SETTING_H_
#define VELTRANE_APP_COLUMN_TYPES_SETTING_H_

#include <optional>
#include <string>

#include "app/settings_store.h"

namespace veltrane::app {

// How the transfers choose the column types of the tables they create.
enum class ColumnTypes {
  // Text columns (integers and doubles aside) in PostgreSQL, memo fields in
  // FoxPro: the classic mapping, and the default.
  kText,
  // The types kept both ways: dates stay dates, numbers stay numbers.
  kTyped,
};

// The remembered choice: "text" or "typed".
inline constexpr char kColumnTypesSetting[] = "ColumnTypes";
inline constexpr char kTextColumnTypesWord[] = "text";
inline constexpr char kTypedColumnTypesWord[] = "typed";

// The word a choice is stored and given on a command line as.
const char* ColumnTypesWord(ColumnTypes choice);

// The choice `word` names, exactly "text" or "typed"; nullopt for anything else.
std::optional<ColumnTypes> ParseColumnTypesWord(const std::string& word);

// The remembered choice. Absent, empty and unknown texts mean the classic
// mapping; the word is taken without regard to case and surrounding blanks.
ColumnTypes ReadColumnTypes(const SettingsStore& store);
void WriteColumnTypes(SettingsStore& store, ColumnTypes choice);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_COLUMN_TYPES_SETTING_H_
