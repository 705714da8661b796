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
// when the column cannot take it (a number or date that is not one, a
// number with more digits before the point than the column holds).
std::optional<std::string_view> PostgreSqlValueOf(const PgColumnPlan& plan, std::string_view text);

// Puts into `out` the text a PostgreSQL value (not null) is stored as in
// its FoxPro field: the text itself, or for kDateTimeUtc the time in UTC.
// Returns the empty text, or why FoxPro cannot hold the value (a date
// outside the years 1 to 9999 or infinity, NaN or an infinite double, a
// number wider than its field, money outside the currency range).
std::string FoxProValueOf(const FoxProFieldPlan& plan, std::string_view text, std::string& out);

// The values of one table sent as NULL because their column could not take
// them, counted per column for one report when the table is done.
class NulledValues {
 public:
  // Counts the value `text` of column `column` in row `row` (from 1).
  void Add(int column, int64_t row, std::string_view text);
  bool empty() const { return columns_.empty(); }
  // One sentence per column, naming its count and the first value, e.g.
  // Table "t": 2 values of column "n" are not numeric(5,2) values and
  // arrived as NULL; the first, "1,5", in row 3.
  std::string Description(const std::string& table, const std::vector<std::string>& names,
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
