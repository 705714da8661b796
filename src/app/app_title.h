#ifndef VELTRANE_APP_APP_TITLE_H_
#define VELTRANE_APP_APP_TITLE_H_

#include <string>

namespace veltrane::app {

// The product name: the connection window's caption and the source of the
// application title.
inline constexpr char kProductName[] = "Veltrane";

// The longest application title.
inline constexpr std::size_t kMaxAppTitleLength = 40;

// The application title made from a product name: drops the last
// blank-separated word, and keeps dropping words until the text is at most
// 40 characters long ("Alpha Beta Gamma" -> "Alpha Beta"). A name without a
// blank keeps its one word.
std::string ShortenedAppTitle(const std::string& product_name);

// Sets the application title from kProductName.
void ApplyAppTitle();

// The title of message boxes that have none of their own; the product name
// until ApplyAppTitle runs.
const std::string& AppTitle();

}  // namespace veltrane::app

#endif  // VELTRANE_APP_APP_TITLE_H_
