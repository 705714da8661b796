#ifndef VELTRANE_TRANSFER_COPY_LOAD_H_
#define VELTRANE_TRANSFER_COPY_LOAD_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/copy_binary.h"
#include "db/pg_copy_in.h"

namespace veltrane::transfer {

// A row's values as they were given to be sent: nullopt for a value sent as
// null.
using CopyRow = std::vector<std::optional<std::string>>;

// The rows of one COPY load, held as they are sent, until the server has
// stored them: COPY text lines, or binary rows. A load the server rejects
// is sent again in parts, and its rows one by one as statements, so each
// row's values can be had back as they were given.
//
// Binary rows hold a text value as its bytes, which give it back; a value
// of any other type (a number, a date, a hex form) is held a second time
// as the text it was given in, beside the rows, so that it comes back
// exactly as given (the binary form of 1.50 would read back as 1.5).
class CopyLoad {
 public:
  // Empties the load and sets the form of the rows added next; for binary
  // rows, `types` gives the binary type of each column.
  void Start(db::CopyFormat format, const std::vector<db::PgBinaryType>& types = {});

  db::CopyFormat format() const { return format_; }
  const std::vector<db::PgBinaryType>& types() const { return types_; }
  size_t rows() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  // The bytes held: the rows and the texts kept beside them.
  size_t bytes() const { return data_.size() + texts_.size(); }

  // The rows as sent, appended to by the caller: a text line, or a binary
  // row with AppendText for each of its values not of a text column; then
  // EndRow. DropRow takes back what was appended since the last EndRow.
  std::string& data() { return data_; }
  const std::string& data() const { return data_; }
  void AppendText(std::string_view text);
  void EndRow();
  void DropRow();

  // The rows [first, last) as sent.
  std::string_view Rows(size_t first, size_t last) const;
  // The values of row `row` as they were given.
  CopyRow Row(size_t row) const;

  // Makes this load hold only the last row of `other`.
  void KeepLastRowOf(const CopyLoad& other);

  // Trades contents with `other` (buffers included, so that neither has to
  // allocate again).
  void Swap(CopyLoad& other) noexcept;

 private:
  db::CopyFormat format_ = db::CopyFormat::kText;
  std::vector<db::PgBinaryType> types_;
  std::string data_;
  std::vector<size_t> ends_;          // where each row ends in data_
  std::string texts_;                 // binary rows: the texts kept beside them
  std::vector<size_t> text_ends_;     // where each row's texts end in texts_
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_COPY_LOAD_H_
