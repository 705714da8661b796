#ifndef VELTRANE_APP_CODE_PAGE_SETTING_H_
#define VELTRANE_APP_CODE_PAGE_SETTING_H_

#include <optional>
#include <string>

#include "app/settings_store.h"
#include "db/connection_settings.h"
#include "foxpro/files/table_reader.h"

namespace veltrane::app {

// The code page of FoxPro tables without a mark, and of the tables sent to
// FoxPro, as the setting FoxProCodePage and the command line spell it: a
// number ("866"), with "!" after it ("866!") to take it also for tables
// marked otherwise; the empty text for none.

// The choice `word` spells; nullopt unless it is empty or the number of a
// code page the engine reads (foxpro::IsSupportedCodePage).
std::optional<foxpro::CodePageChoice> ParseCodePageWord(const std::string& word);

// Why `word` is not taken, naming every code page the engine reads.
std::string CodePageRefusal(const std::string& word);

// Puts the remembered code page into `settings`: the choice, or, when the
// setting is not taken, its refusal, which keeps the FoxPro side from
// opening.
void ReadCodePage(const SettingsStore& store, db::ConnectionSettings& settings);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_CODE_PAGE_SETTING_H_
