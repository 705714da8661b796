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
#include "transfer/copy_load.h"
#include "transfer/copy_streams.h"

namespace veltrane::transfer {

// Sends the rows of one table to PostgreSQL in large COPY loads, with the
// outcome of one INSERT statement per row: exactly the rows that their own
// INSERT would store are stored, and every row the server rejects is handed
// back to be sent (and reported) as its own INSERT.
//
// Rows go in COPY's text format, or, after UseBinaryRows, in its binary
// format, which the server stores without parsing numbers and dates; the
// rows it stores and rejects are the same either way, and so are the
// values stored.
//
// A full load goes to the server on a thread of its own (CopyStreams), on
// the sender's connection, while the caller adds the rows of the next one;
// or, after UseStreams, on one of several connections of its own. When a
// load is rejected it is rolled back and its rows are sent again in
// halves, on this sender's connection, and so on down to a few rows, whose
// rows are then replayed one by one in table order; the rows of halves the
// server accepts are stored by COPY. Rows still pending when the sender is
// destroyed are not stored, nor are the rows of a load that fails once the
// command has been asked to stop (its statement was cancelled): they are
// neither halved nor replayed.
class CopyRowSender {
 public:
  // A row's values as sent: nullopt for a value sent as null.
  using Row = CopyRow;
  // Sends one rejected row as its own INSERT statement (and reports it).
  using Replay = std::function<void(const Row& row)>;

  // `postgresql` is an open PostgreSQL connection, which the caller leaves
  // to the sender while loads are on their way (Flush and any call that
  // fails to add a row end them); `quoted_table` the table as it stands in
  // the INSERT statements (its name in double quotes); `events` runs while
  // the server is waited for and between the loads of a rejected load's
  // halves. `replay` must not throw: it reports its own failures.
  CopyRowSender(db::Connection& postgresql, std::string quoted_table, app::EventPump& events,
                Replay replay);

  // Adds the current row of `fields`, each value by the INSERT rules: a
  // null and the empty text both as null, every other value as its text
  // (so a binary value's "\x" hex form reaches a bytea column as its
  // bytes). Returns false, adding nothing, when one of its
  // values cannot be read, or when rows go in the binary format and a
  // value has no binary form of its column's type (a text the server would
  // read its own way, a number beyond its column's range): that row must
  // be sent as its own INSERT.
  bool TryAdd(const db::Fields& fields);

  // Sends the rows added from now on in the binary format, the values of
  // each column in the binary form of its type in `types`, when the server
  // takes binary rows and every column has a binary type (otherwise in the
  // text format). Stores the pending rows first.
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

  // Sends the pending rows as one load, for when Full says so: hands them
  // to the thread that loads them, once the load before is done (its
  // rejected rows replayed), and returns while they are loaded.
  void SendLoad();

  // Sends the loads from now on on `streams` (connections of their own,
  // each loading one load at a time), when it has any: several loads are
  // then on their way at once. Rows the server rejects are still replayed
  // in table order, on this sender's connection. Stores the pending rows
  // first. `streams` must outlive the sender. Once one of them has failed
  // or a stop was asked, the table cannot be completed, and the rows added
  // later are dropped rather than loaded.
  void UseStreams(CopyStreams& streams);

  // Why a stream of UseStreams failed as a whole (see CopyStreams), empty
  // while none has: the rows of its load are not stored, nor replayed, and
  // the table cannot be completed.
  const std::string& stream_failure() const { return stream_failure_; }

  // The last row added (also when it has been sent since), or nullopt when
  // none was added since the last ForgetLastRow.
  std::optional<Row> LastRow() const;
  // Forgets the last row (a later row went another way).
  void ForgetLastRow() { has_last_row_ = false; }

  // The rows COPY loads have stored so far (replayed rows not counted).
  int64_t copied_rows() const { return copied_rows_; }

 private:
  // Appends one value of column `f` to the pending binary row; false when
  // it has no binary form of the column's type.
  bool AppendBinaryValue(size_t f, std::string_view text);
  void EndRow();
  // Stores the rows [first, last) of `load`: one load, or its halves when
  // the server rejects it, or the rows one by one when there are only a
  // few.
  void Store(const CopyLoad& load, size_t first, size_t last);
  void StoreHalves(const CopyLoad& load, size_t first, size_t last);
  bool Load(const CopyLoad& load, size_t first, size_t last);
  // Takes the outcome of the oldest load a stream was handed.
  void CollectStream();

  db::PgCopyIn copy_;
  std::string quoted_table_;
  Replay replay_;
  // The binary type of each column, with binary rows.
  bool binary_ = false;
  std::vector<db::PgBinaryType> types_;
  CopyLoad pending_;              // the rows not yet handed on
  app::EventPump& events_;
  bool has_last_row_ = false;
  CopyLoad last_;                 // the last row once it has been handed on
  int64_t copied_rows_ = 0;
  // The thread that loads on the sender's connection, and the streams the
  // loads go to: that one, or those of UseStreams.
  CopyStreams own_stream_;
  CopyStreams* streams_ = &own_stream_;
  std::string stream_failure_;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_COPY_ROW_SENDER_H_
