#include "app/app_title.h"

namespace veltrane::app {
namespace {

std::string& StoredTitle() {
  static std::string title = kProductName;
  return title;
}

}  // namespace

std::string ShortenedAppTitle(const std::string& product_name) {
  std::string title = product_name;
  do {
    const std::size_t blank = title.rfind(' ');
    if (blank == std::string::npos) break;
    title.erase(blank);
  } while (title.size() > kMaxAppTitleLength);
  return title;
}

void ApplyAppTitle() { StoredTitle() = ShortenedAppTitle(kProductName); }

const std::string& AppTitle() { return StoredTitle(); }

}  // namespace veltrane::app
