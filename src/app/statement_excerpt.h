#ifndef VELTRANE_APP_STATEMENT_EXCERPT_H_
#define VELTRANE_APP_STATEMENT_EXCERPT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrane::app {

// A quoted value of a statement a report shows is cut after this many
// characters, so that a row with a value of a megabyte does not make a
// report of a megabyte.
inline constexpr size_t kLongestReportedValue = 200;

// `statement` as a report shows it: every quoted value longer than
// kLongestReportedValue characters (UTF-8 code points) is cut after that
// many and followed by how many were left out, e.g. 'abc...'... (812345
// characters left out). A value is a literal between single quotes ('' in
// it stands for one quote), or a chain of such literals joined by + and by
// +CHR(13)+ or +CHR(10)+, as the statements to FoxPro write one value; each
// joint counts as one character. Names between double quotes or backticks
// are not values. Everything else is left as it stands.
std::string StatementExcerpt(std::string_view statement);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_STATEMENT_EXCERPT_H_
