#ifndef VELTRANE_FOXPRO_STATEMENTS_EXPRESSION_H_
#define VELTRANE_FOXPRO_STATEMENTS_EXPRESSION_H_

#include <vector>

#include "foxpro/files/table_writer.h"
#include "foxpro/statements/text_scanner.h"

namespace veltrane::foxpro {

// Reads a parenthesised, comma-separated list of value expressions, as
// INSERT's VALUES clause holds them, and evaluates each:
//   'text'      a string literal ('' stands for one quote; "text" also works)
//   CHR(n)      the character n (0-255) of code page 1252
//   NULL        null
//   12, -3.5    a number, kept as written
//   .T. .F.     a logical (.Y. and .N. too)
//   a + b + ... text joined; null when any part is null
// Long chains are joined in one pass, in time linear in their length.
// Throws Error for anything else, saying where.
std::vector<InputValue> ParseValueList(TextScanner& scanner);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_STATEMENTS_EXPRESSION_H_
