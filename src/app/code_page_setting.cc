#include "app/code_page_setting.h"

#include "foxpro/codepage.h"

namespace veltrane::app {
namespace {

// The highest number a code page has.
constexpr int kHighestCodePage = 99999;

std::string Number(const std::string& word) {
  return !word.empty() && word.back() == '!' ? word.substr(0, word.size() - 1) : word;
}

}  // namespace

bool IsCodePageNumber(const std::string& word) {
  const std::string number = Number(word);
  return !number.empty() && number.size() <= 5 &&
         number.find_first_not_of("0123456789") == std::string::npos;
}

std::optional<foxpro::CodePageChoice> ParseCodePageWord(const std::string& word) {
  if (word.empty()) return foxpro::CodePageChoice{};
  if (!IsCodePageNumber(word)) return std::nullopt;
  const int code_page = std::stoi(Number(word));
  if (!foxpro::IsSupportedCodePage(code_page)) return std::nullopt;
  return foxpro::CodePageChoice{code_page, word.back() == '!'};
}

std::string CodePageRefusal(const std::string& word) {
  std::string accepted;
  for (int code_page = 1; code_page <= kHighestCodePage; ++code_page)
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
