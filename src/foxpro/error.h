#ifndef VELTRANE_FOXPRO_ERROR_H_
#define VELTRANE_FOXPRO_ERROR_H_

#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

namespace veltrane::foxpro {

// Every failure of the engine: what() says which file, table, row, field or
// value and why.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& description) : std::runtime_error(description) {}
};

namespace error_text {
inline void Append(std::string& text, std::string_view part) { text += part; }
template <typename Number, typename = std::enable_if_t<std::is_integral_v<Number>>>
void Append(std::string& text, Number number) {
  static_assert(!std::is_same_v<Number, char>, "a character is no number: pass it as text");
  text += std::to_string(number);
}
}  // namespace error_text

// Throws Error with the description made of `parts`: texts, and integers
// written in decimal. For code that refuses bad input at many places: each
// refusal is one call to this cold, out-of-line function rather than the
// text built in place, which keeps the refusing function's table of calls
// short. Throwing searches that table call by call, once to find the
// handler and once to unwind, so a long one made every refusal cost tens of
// microseconds.
template <typename... Parts>
[[noreturn, gnu::cold, gnu::noinline]] void ThrowError(const Parts&... parts) {
  std::string description;
  (error_text::Append(description, parts), ...);
  throw Error(description);
}

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_ERROR_H_
