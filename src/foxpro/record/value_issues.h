#ifndef VELTRANE_FOXPRO_RECORD_VALUE_ISSUES_H_
#define VELTRANE_FOXPRO_RECORD_VALUE_ISSUES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "foxpro/notice.h"

namespace veltrane::foxpro {

// Counts, per field and kind, the values of a table that did not arrive as
// stored, keeping the first of each for the user to find.
class ValueIssues {
 public:
  enum class Kind {
    kInvalid,    // not a value of the field's type: read as its raw text
    kNotText,    // text a text value cannot hold: arrived in hex form
    kMemoLost,   // a memo value past the end of its file, or damaged: NULL
    kTooLarge,   // a memo value larger than PostgreSQL takes: NULL
  };

  // Counts a value of `field` in `row` that did not arrive as stored.
  // `example` returns the text that shows the value; it is called for the
  // first value of each field and kind only, the one a summary quotes.
  // `what` names what the field holds, for kInvalid ("number", "date").
  template <typename Example>
  void Add(size_t field, Kind kind, uint64_t row, const Example& example,
           const char* what = "value") {
    if (!CountedAgain(field, kind)) entries_.push_back(Entry{field, kind, 1, row, example(), what});
  }

  // One problem notice per field and kind, in the order first met.
  // `table` and `columns` name the table and its fields.
  std::vector<Notice> Summaries(const std::string& table,
                                const std::vector<std::string>& columns) const;

 private:
  // Counts one more value of `field` and `kind` when one was counted
  // before; false for the first.
  bool CountedAgain(size_t field, Kind kind);

  struct Entry {
    size_t field;
    Kind kind;
    uint64_t count;
    uint64_t first_row;
    std::string example;
    const char* what;
  };
  std::vector<Entry> entries_;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_VALUE_ISSUES_H_
