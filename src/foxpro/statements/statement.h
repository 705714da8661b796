#ifndef VELTRANE_FOXPRO_STATEMENTS_STATEMENT_H_
#define VELTRANE_FOXPRO_STATEMENTS_STATEMENT_H_

#include <string>
#include <string_view>
#include <vector>

#include "foxpro/files/table_writer.h"

namespace veltrane::foxpro {

// One statement the engine runs, as parsed from its text:
//   SELECT * FROM `name`
//   DROP TABLE `name`
//   CREATE TABLE '<path>' [NAME `long name`]([field] type [NULL|NOT NULL] [NOCPTRANS], ...);
//   INSERT INTO `<path>` VALUES(expr, ...)
// Keywords are case-insensitive and blanks and line breaks between the parts
// are free; a closing semicolon is optional. Inside backticks a doubled
// backtick stands for one, inside quotes a doubled quote; a name or path
// may also stand bare (no blanks) or in brackets.
struct Statement {
  enum class Kind { kSelect, kDropTable, kCreateTable, kInsert };
  Kind kind = Kind::kSelect;
  // SELECT, DROP TABLE: the table's name; CREATE TABLE, INSERT: the path of
  // the table file as written.
  std::string target;
  // CREATE TABLE: the name the table takes in a database container, as
  // NAME gives it; empty without NAME (the table is named by its file).
  std::string long_name;
  // CREATE TABLE: the fields, each named as written between the brackets.
  std::vector<NewField> fields;
  // INSERT: the evaluated values (see expression.h).
  std::vector<InputValue> values;
};

// Parses a statement of any length in one pass. Throws Error with a
// description of what is wrong and where, for anything but the four forms.
Statement ParseStatement(std::string_view text);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_STATEMENTS_STATEMENT_H_
