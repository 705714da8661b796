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

// What became of a PostgreSQL value on its way to its FoxPro field.
struct FoxProValueOutcome {
  // Why FoxPro cannot hold the value (a date outside the years 1 to 9999
  // or infinity, NaN or an infinite double, a number wider than its field,
  // money outside the currency range); empty when it can.
  std::string problem;
  // A time whose digits below the millisecond, which a FoxPro datetime
  // does not hold, were cut (never rounded into the next second).
  bool cut_below_millisecond = false;
};

// Puts into `out` the text a PostgreSQL value (not null) is stored as in
// its FoxPro field: the text itself, or for kDateTimeUtc the time in UTC;
// a time with at most three digits of fraction.
FoxProValueOutcome FoxProValueOf(const FoxProFieldPlan& plan, std::string_view text,
                                 std::string& out);

// The text of the blank value of a field without a null flag, stored in
// place of a value FoxPro cannot hold: 0 for numbers without a blank
// form (integer, double, currency), the empty text for the others.
std::string_view BlankFoxProValue(const FoxProFieldPlan& plan);

// The values of one table sent to FoxPro that did not arrive as they
// stand, counted per column for one report per column when the table is
// done: values FoxPro cannot hold (stored as NULL or blank), and times cut
// to the millisecond.
class ChangedFoxProValues {
 public:
  // Counts the value `text` of column `column` in row `row` (from 1) that
  // FoxPro cannot hold, for `why`.
  void AddReplaced(int column, int64_t row, std::string_view text, const std::string& why);
  // Counts the time `text` of column `column` whose digits below the
  // millisecond were cut.
  void AddCut(int column, int64_t row, std::string_view text);
  // One problem per column with replaced values, e.g. Table "t", column
  // "d": 2 values cannot be stored in FoxPro (the first in row 3:
  // "0044-03-15 BC": FoxPro holds dates of the years 1 to 9999 only); they
  // arrived as NULL. "as blank values" for a field without a null flag.
  std::vector<std::string> Problems(const std::string& table, const std::vector<std::string>& names,
                                    const std::vector<FoxProFieldPlan>& plans) const;
  // One note per column with cut times.
  std::vector<std::string> Notes(const std::string& table,
                                 const std::vector<std::string>& names) const;

 private:
  struct Count {
    int64_t count = 0;
    int64_t first_row = 0;
    std::string first_text;
    std::string why;
  };
  static void Add(Count& entry, int64_t row, std::string_view text);
  std::map<int, Count> replaced_;
  std::map<int, Count> cut_;
};

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
