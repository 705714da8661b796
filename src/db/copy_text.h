#ifndef VELTRANE_DB_COPY_TEXT_H_
#define VELTRANE_DB_COPY_TEXT_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrane::db {

// PostgreSQL's COPY text format: one line per row, fields separated by a
// tab, a null field written as \N, and backslash, tab, line feed and
// carriage return inside a field escaped with a backslash.
inline constexpr char kCopyFieldSeparator = '\t';
inline constexpr char kCopyRowEnd = '\n';
inline constexpr std::string_view kCopyNull = "\\N";

// Appends `text` as one field (no separator), escaped so that the server
// reads back exactly `text`.
void AppendCopyField(std::string& out, std::string_view text);

// Sets `out` to one field's text with its backslash escapes undone (\t,
// \n, \r, \b, \f, \v, and a backslash before any other character
// standing for that character).
void UnescapeCopyField(std::string_view field, std::string& out);

// Splits one line (without its line feed) into its fields, undoing the
// escapes AppendCopyField writes; nullopt stands for \N.
std::vector<std::optional<std::string>> ParseCopyLine(std::string_view line);

}  // namespace veltrane::db

#endif  // VELTRANE_DB_COPY_TEXT_H_
