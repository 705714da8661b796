#ifndef VELTRANE_TRANSFER_VALUE_RENDERING_H_
#define VELTRANE_TRANSFER_VALUE_RENDERING_H_

#include <string>
#include <string_view>

namespace veltrane::transfer {

// How the transfers write one row as "INSERT INTO <table> VALUES(...)".
// The statement is built in one buffer: it ends in kOpenValues, each value
// is appended after the quote that opens it, and FinishValues closes the
// list. The rules for one value are kept apart from the statement, so that
// other ways of sending rows can render values the same way.

// What follows the table in an INSERT: a blank, VALUES, the parenthesis and
// the quote that opens the first value.
inline constexpr std::string_view kOpenValues = " VALUES('";

// True when a value's text is sent to PostgreSQL as NULL: a database NULL
// reads as the empty text, and the empty text is sent as NULL too.
inline bool IsSentAsNull(std::string_view text) { return text.empty(); }

// Appends one value for PostgreSQL. `statement` ends with the quote that
// opens the value; afterwards it ends with ", '", the opening of the next
// value. A text sent as NULL replaces that quote with the bare keyword
// NULL; any other text is written as it is between the quotes, with every
// quote doubled (line breaks, backslashes and blanks unchanged).
void AppendPostgreSqlValue(std::string& statement, std::string_view text);

// The typed column mapping keeps null and the empty text apart: a null is
// written as the bare keyword NULL in place of the pending opening quote
// (to PostgreSQL and FoxPro alike), and a text to PostgreSQL between the
// quotes even when it is empty.
void AppendNullValue(std::string& statement);
void AppendQuotedPostgreSqlValue(std::string& statement, std::string_view text);

// Appends one value for FoxPro, the same way: a chain of literals of at most
// 200 characters each (see split_foxpro_literal.h) joined by plus signs, the
// quotes of each literal doubled; every carriage return and line feed leaves
// its literal and is written as a "+CHR(13)+" or "+CHR(10)+" joint, so that
// the statement stays on one line and the text arrives whole. The empty text
// is the empty literal.
void AppendFoxProValue(std::string& statement, std::string_view text);

// Removes what opened a next value after the last one and closes the list.
void FinishValues(std::string& statement);

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_VALUE_RENDERING_H_
