#ifndef VELTRANE_DB_CONNECTION_STRING_H_
#define VELTRANE_DB_CONNECTION_STRING_H_

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veltrane::db {

// The attributes of a connection string "Key=Value;Key=Value;...".
//
// Keys are matched without regard to case and surrounding blanks. A value
// is either the text up to the next ';' (exactly as it stands), or a text
// in braces "{...}" that may hold ';' and '{', with a '}' written as "}}".
// Empty attributes (";;" or a closing ';') are ignored. When a key occurs
// twice, the first occurrence counts.
class ConnectionString {
 public:
  // Throws Error describing the fault when the text is malformed (an
  // attribute without '=', an empty key, an unclosed brace, text after a
  // closing brace).
  static ConnectionString Parse(const std::string& text);

  // The value of `key`, or nullopt when the string does not have it.
  std::optional<std::string> Get(const std::string& key) const;
  // The value of `key`, or the empty text.
  std::string GetOr(const std::string& key) const { return Get(key).value_or(""); }

 private:
  std::vector<std::pair<std::string, std::string>> attributes_;  // key lower-cased
};

// `value` as it must stand after "Key=": unchanged when it is plain, in braces
// with every '}' doubled when it holds ';', '{' or '}', or starts or ends with
// a blank (which would otherwise change the string's structure or be lost).
std::string QuoteConnectionValue(const std::string& value);

// Whether `a` and `b` are the same text without regard to (ASCII) case, as
// keys, driver, provider and column names compare.
bool SameText(std::string_view a, std::string_view b);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_CONNECTION_STRING_H_
