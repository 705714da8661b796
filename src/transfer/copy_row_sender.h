#ifndef VELTRANE_TRANSFER_COPY_ROW_SENDER_H_
#define VELTRANE_TRANSFER_COPY_ROW_SENDER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/window_hooks.h"
#include "db/connection.h"
#include "db/copy_binary.h"
#include "db/pg_copy_in.h"
#include "db/record_set.h"

namespace veltrane::transfer {

// Sends the rows of one table to PostgreSQL in large COPY loads, with the
// outcome of one INSERT statement per row: exactly the rows that their own
// INSERT would store are stored, and every row the server rejects is handed
// back to be sent (and reported) as its own INSERT.
//
// Values are rendered by the INSERT rules: a null and the empty text are
// both sent as null, every other value as its text (so a binary value's
// "\x" hex form reaches a bytea column as its bytes).
//
// Rows go in COPY's text format, or, after UseBinaryRows, in its binary
// format, which the server stores without parsing numbers and dates; the
// rows it stores and rejects are the same either way.
//
// Rows stream to the server while they are added. When a load is rejected
// it is rolled back and its rows are sent again in halves, and so on down
// to a few rows, whose rows are then replayed one by one in table order;
// the rows of halves the server accepts are stored by COPY. Rows still
// pending when the sender is destroyed are not stored, nor are the rows of
// a load that fails once the command has been asked to stop (its statement
// was cancelled): they are neither halved nor replayed.
class CopyRowSender {
 public:
  // A row's values as sent: nullopt for a value sent as null.
  using Row = std::vector<std::optional<std::string>>;
  // Sends one rejected row as its own INSERT statement (and reports it).
  using Replay = std::function<void(const Row& row)>;

  // `postgresql` is an open PostgreSQL connection; `quoted_table` the table
  // as it stands in the INSERT statements (its name in double quotes);
  // `events` runs while the server is waited for and between the loads of
  // a rejected load's halves. `replay`
  // must not throw: it reports its own failures.
  CopyRowSender(db::Connection& postgresql, std::string quoted_table, app::EventPump& events,
                Replay replay);

  // Adds the current row of `fields` in the text format (not after
  // UseBinaryRows). Returns false, adding nothing, when one of its values
  // cannot be read.
  bool TryAdd(const db::Fields& fields);

  // Sends the rows added with Add from now on in the binary format, the
  // values of each column in the binary form of its type in `types`, when
  // the server takes binary rows and every column has a binary type
  // (otherwise in the text format). Stores the pending rows first.
  void UseBinaryRows(const std::vector<std::optional<db::PgBinaryType>>& types);

  // Adds a row whose values are in the text form they are sent in: nullopt
  // for null. Unlike TryAdd, the empty text is sent as the empty text.
  // Returns false, adding nothing, when rows go in the binary format and a
  // value has no binary form of its column's type (a text the server would
  // read its own way): that row must be sent as its own INSERT.
  bool Add(const std::vector<std::optional<std::string_view>>& values);

  // True when enough rows are pending that they should be sent now.
  bool Full() const;

  // Sends every pending row, replaying the rejected ones. Afterwards no load
  // is running and the connection is free for statements.
  void Flush();

  // The last row added (also when it has been sent since), or nullopt when
  // none was added since the last ForgetLastRow.
  std::optional<Row> LastRow() const;
  // Forgets the last row (a later row went another way).
  void ForgetLastRow() { has_last_row_ = false; }

  // The rows COPY loads have stored so far (replayed rows not counted).
  int64_t copied_rows() const { return copied_rows_; }

 private:
  void EndRow();
  void StreamPending();
  // Stores the pending rows [first, last): one load, or its halves when the
  // server rejects it, or the rows one by one when there are only a few.
  void Store(size_t first, size_t last);
  void StoreHalves(size_t first, size_t last);
  bool Load(size_t first, size_t last);
  std::string_view Lines(size_t first, size_t last) const;
  // The pending rows [first, last) as sent: text lines or binary rows.
  std::string_view Sent(size_t first, size_t last) const;
  const std::string& sent() const { return binary_ ? rows_ : lines_; }
  db::CopyFormat format() const { return binary_ ? db::CopyFormat::kBinary : db::CopyFormat::kText; }

  db::PgCopyIn copy_;
  std::string quoted_table_;
  Replay replay_;
  std::string lines_;             // the pending rows, COPY text format
  std::vector<size_t> ends_;      // where each pending row's line ends
  // With binary rows: the types of the columns, and the pending rows in
  // the binary format, as sent (lines_ keeps them for replays).
  bool binary_ = false;
  std::vector<db::PgBinaryType> types_;
  std::string rows_;
  std::vector<size_t> row_ends_;
  size_t streamed_ = 0;           // bytes of sent() already sent to the open load
  bool rejected_ = false;         // the open load was rejected by the server
  app::EventPump& events_;
  bool has_last_row_ = false;
  std::string last_line_;         // the last row's line once it has been sent
  int64_t copied_rows_ = 0;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_COPY_ROW_SENDER_H_
