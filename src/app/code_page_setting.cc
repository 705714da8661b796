#include "app/code_page_setting.h"

#include "foxpro/codepages/codepage.h"

namespace veltrane::app {

std::optional<foxpro::CodePageChoice> ParseCodePageWord(const std::string& word) {
  if (word.empty()) return foxpro::CodePageChoice{};
  const std::string number = word.back() == '!' ? word.substr(0, word.size() - 1) : word;
  if (number.empty() || number.size() > 5 ||
      number.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const int code_page = std::stoi(number);
  if (!foxpro::IsSupportedCodePage(code_page)) return std::nullopt;
  return foxpro::CodePageChoice{code_page, word.back() == '!'};
}

std::string CodePageRefusal(const std::string& word) {
  std::string accepted;
  for (int code_page = 1; code_page <= 99999; ++code_page)  // every number of five digits
    if (foxpro::IsSupportedCodePage(code_page))
      accepted += (accepted.empty() ? "" : ", ") + std::to_string(code_page);
  return "The code page \"" + word + "\" is not one the FoxPro engine reads: give one of " +
         accepted + " (with \"!\" after it to take it also for tables marked with another code "
         "page).";
}

void ReadCodePage(const SettingsStore& store, db::ConnectionSettings& settings) {
  const std::string word = store.Read(kFoxProCodePageSetting);
  const std::optional<foxpro::CodePageChoice> choice = ParseCodePageWord(word);
  settings.foxpro_code_page = choice.value_or(foxpro::CodePageChoice{});
  settings.foxpro_code_page_refusal = choice ? "" : CodePageRefusal(word);
}

}  // namespace veltrane::app
