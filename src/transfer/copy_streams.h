#ifndef VELTRANE_TRANSFER_COPY_STREAMS_H_
#define VELTRANE_TRANSFER_COPY_STREAMS_H_

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "db/connection.h"
#include "transfer/copy_load.h"

namespace veltrane::transfer {

// Loads the rows of one table on several PostgreSQL connections at once,
// so that the server parses and stores on several cores while the caller
// reads the next rows. Each connection has a thread of its own that sends
// the loads it is handed with COPY, each load in a transaction of its own:
// a load is stored whole, or rejected whole (the caller then sends its rows
// again in parts, see CopyRowSender), or, when its connection is lost or
// its statement was cancelled on a stop request, failed: then the table
// cannot be completed.
//
// Loads are handed in with Submit and collected with Collect in the same
// order. Waiting for an idle connection or for an outcome runs nothing
// else: the threads need no hooks, and the caller must not be the
// window's thread.
class CopyStreams {
 public:
  enum class Outcome { kStored, kRejected, kFailed };

  // Opens up to `count` connections with `connection_string` for loads
  // into `quoted_table` (a table name as SQL text). A connection that does
  // not open is left out (the table is then loaded on fewer): count()
  // tells how many opened.
  CopyStreams(const std::string& connection_string, int count, std::string quoted_table);
  // Ends the threads; a load still running is rolled back.
  ~CopyStreams();
  CopyStreams(const CopyStreams&) = delete;
  CopyStreams& operator=(const CopyStreams&) = delete;

  int count() const { return static_cast<int>(slots_.size()); }
  // Whether a load handed in has not been collected yet.
  bool busy() const { return !order_.empty(); }
  // Whether every connection has a load not yet collected: Submit would
  // wait.
  bool full() const { return order_.size() == slots_.size(); }

  // Hands the rows of `load` to an idle connection (one is idle once the
  // outcome of its last load was collected). `load` gets an emptied load
  // of the same form in exchange, whose buffers are reused. Requires
  // count() > 0 and !full().
  void Submit(CopyLoad& load);

  // Waits for the outcome of the oldest load not yet collected. The load
  // stays readable through collected() until the next Collect or Submit.
  // Requires busy().
  Outcome Collect();
  const CopyLoad& collected() const;
  // Why the collected load failed (kFailed): the server's or libpq's
  // message, or that the command was stopped.
  const std::string& failure() const;

 private:
  struct Slot;
  void Work(Slot& slot);

  std::string quoted_table_;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::deque<size_t> order_;  // the slots with loads not yet collected, oldest first
  Slot* collected_ = nullptr;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ending_ = false;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_COPY_STREAMS_H_
