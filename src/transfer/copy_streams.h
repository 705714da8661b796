#ifndef VELTRANE_TRANSFER_COPY_STREAMS_H_
#define VELTRANE_TRANSFER_COPY_STREAMS_H_

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "db/connection.h"
#include "transfer/copy_load.h"

namespace veltrane::transfer {

// Loads the rows of one table with COPY on threads of their own, so that
// the caller reads and encodes the next rows while the server stores the
// last ones: on the caller's own connection, or on several connections
// opened for the table, so that the server also parses and stores on
// several cores. Each connection has a thread that sends the loads it is
// handed, each load in a transaction of its own: a load is stored whole, or
// rejected whole (the caller then sends its rows again in parts, see
// CopyRowSender), or, on connections opened for the table, failed when its
// connection is lost or its statement was cancelled on a stop request:
// then the table cannot be completed.
//
// Loads are handed in with Submit and collected with Collect in the same
// order. The threads run no hooks.
class CopyStreams {
 public:
  enum class Outcome { kStored, kRejected, kFailed };

  // Loads on `connection` itself, one load at a time, into `quoted_table`
  // (a table name as SQL text); count() is 0 when its thread cannot start.
  // The caller must leave the connection alone while a load is handed in
  // and not collected (busy()). A load that fails for any reason counts as
  // rejected. Throws Error when the connection is not an open PostgreSQL
  // connection.
  CopyStreams(db::Connection& connection, std::string quoted_table);
  // Opens up to `count` connections with `connection_string` for loads
  // into `quoted_table`. A connection that does not open is left out (the
  // table is then loaded on fewer): count() tells how many opened.
  CopyStreams(const std::string& connection_string, int count, std::string quoted_table);
  // Ends the threads, once the loads they run are done.
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

  // Waits for the outcome of the oldest load not yet collected, running
  // `while_waiting` about every kWaitSliceMs milliseconds (server_wait.h).
  // The load stays readable through collected() until the next Collect or
  // Submit. Requires busy().
  Outcome Collect(const std::function<void()>& while_waiting);
  const CopyLoad& collected() const;
  // Why the collected load failed (kFailed): the server's or libpq's
  // message, or that the command was stopped.
  const std::string& failure() const;

 private:
  struct Slot;
  void Start();
  void Work(Slot& slot);

  std::string quoted_table_;
  std::vector<std::unique_ptr<db::Connection>> owned_;  // opened for the table
  std::vector<std::unique_ptr<Slot>> slots_;
  std::deque<size_t> order_;  // the slots with loads not yet collected, oldest first
  Slot* collected_ = nullptr;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ending_ = false;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_COPY_STREAMS_H_
