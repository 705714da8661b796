#ifndef VELTRANE_TRANSFER_TYPED_VALUES_H_
#define VELTRANE_TRANSFER_TYPED_VALUES_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/typed_columns.h"

namespace veltrane::transfer {

// The values of the typed column mapping (typed_columns.h), from the text
// forms the access layer gives (db/value.h) to the text forms the target
// takes. Null values never get here: they stay null.

// The text a FoxPro value (not null) is sent as to its PostgreSQL column:
// `text` itself, or its prefix without trailing blanks for kTrimmed; nullopt
// when the column cannot take it as it stands (a number, date or time that
// is not one; a number with more digits before or after the point than the
// column holds, which it would refuse or round; a text longer than its
// varchar).
std::optional<std::string_view> PostgreSqlValueOf(const PgColumnPlan& plan, std::string_view text);

// The column of the same kind without a limit, when `text` is a value that
// `plan` refuses only for its limit: numeric for a number wider than its
// numeric(p,s) or bigint, varchar for a text longer than its varchar(n).
// nullopt when no such column takes it (a number that is not one, say).
std::optional<PgColumnPlan> WiderColumn(const PgColumnPlan& plan, std::string_view text);

// A value as a report quotes it: cut to a few dozen bytes (at a character
// boundary), "..." after a cut.
std::string ReportExample(std::string_view text);

// Puts into `out` the text a PostgreSQL value (not null) is stored as in
// its FoxPro field: the text itself, or for kDateTimeUtc the time in UTC.
// Returns the empty text, or why FoxPro cannot hold the value (a date
// outside the years 1 to 9999 or infinity, NaN or an infinite double, a
// number wider than its field, money outside the currency range).
std::string FoxProValueOf(const FoxProFieldPlan& plan, std::string_view text, std::string& out);

// The values of one table sent as NULL because their column could not take
// them, counted per column for one report per column when the table is done.
class NulledValues {
 public:
  // Counts the value `text` of column `column` in row `row` (from 1).
  void Add(int column, int64_t row, std::string_view text);
  bool empty() const { return columns_.empty(); }
  // Whether values of `column` were counted.
  bool Has(int column) const { return columns_.count(column) != 0; }
  // One description per column, in column order, naming its count and the
  // first value, e.g. Table "t", column "n": 2 values are not numeric(5,2)
  // values (the first in row 3: "1,5"); they arrived as NULL.
  std::vector<std::string> Descriptions(const std::string& table,
                                        const std::vector<std::string>& names,
                                        const std::vector<PgColumnPlan>& plans) const;

 private:
  struct Count {
    int64_t count = 0;
    int64_t first_row = 0;
    std::string first_text;
  };
  std::map<int, Count> columns_;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_TYPED_VALUES_H_
