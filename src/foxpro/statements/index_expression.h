#ifndef VELTRANE_FOXPRO_STATEMENTS_INDEX_EXPRESSION_H_
#define VELTRANE_FOXPRO_STATEMENTS_INDEX_EXPRESSION_H_

#include <string>
#include <vector>

namespace veltrane::foxpro {

// The expression of an index tag's key or FOR filter, or of a field's
// default value, read into a tree. It knows the shapes such expressions
// take; what a tree means (a key the engine can make, an SQL expression) is
// decided by its readers (index_keys.h, the transfer to PostgreSQL).
struct IndexExpression {
  enum class Kind {
    kField,    // text: the field's name in lower case (an alias before it dropped)
    kCall,     // text: the function's name in upper case; arguments in `operands`
    kString,   // text: the characters between the delimiters
    kNumber,   // text: the number as written
    kLogical,  // text: "T" or "F"
    kDate,     // text: YYYY-MM-DD, empty for the blank date {}
    kNull,
    kBinary,   // text: + - = == <> < > <= >= AND OR; two operands
    kNot,      // one operand
  };
  Kind kind = Kind::kNull;
  std::string text;
  std::vector<IndexExpression> operands;
};

// Reads `text`. Operators bind as in FoxPro: OR, then AND, then NOT, then
// comparisons, then + and -. Keywords are taken in either spelling (.AND.
// or AND, .NOT., NOT or !), string literals between '', "" or [], dates as
// {^YYYY-MM-DD} or {}, and != and # as <>. Throws Error for anything else.
IndexExpression ParseIndexExpression(const std::string& text);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_STATEMENTS_INDEX_EXPRESSION_H_
