#ifndef VELTRANE_TRANSFER_TABLE_JOBS_H_
#define VELTRANE_TRANSFER_TABLE_JOBS_H_

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/prompter.h"
#include "app/window_hooks.h"
#include "transfer/table_commands.h"

namespace veltrane::transfer {

// A table a job sends: its name, the target it goes to, and on how many
// connections its rows are loaded.
struct JobTable {
  std::string table;
  std::string target;
  int streams = 1;
};

// One job of a send: sends a table on a thread of its own, with
// connections of its own. It is made and opened on the caller's thread,
// then used on its job's thread only.
class TableJob {
 public:
  virtual ~TableJob() = default;
  // Opens the job's connections, reporting a failure; false when they do
  // not open.
  virtual bool Open() = 0;
  // Sends `table` (it has been checked, and a listed target replaced),
  // telling what it has to say through the hooks the job was made with.
  // Its result's `done` says that it is complete and is to be listed.
  virtual TableResult Send(const JobTable& table) = 0;
};

// Sends the tables of one command several at a time, each on a job of its
// own (TransferOptions::jobs), while the caller's thread does all that the
// caller sees: it asks the questions, keeps the listing, and passes on
// every report, message, row count and progress value, so that the hooks
// are called from the caller's thread only, as when the tables go one by
// one. What a table reports reaches the caller whole and in table order:
// the tables' reports follow each other as they would one by one, each
// table's right after what was said before it was handed to its job (a
// question, a dropped table), though a question may come while tables
// before it are still being sent. A table whose target is that of a table
// still being sent or not yet listed (the same name given twice, say)
// waits until that one is listed.
//
// The progress bar counts the rows read over all tables (RowsOfAllTables),
// out of their live rows counted before the first is sent, and is reset
// once at the end; each table's time is in its result.
//
// A table of at least `split_rows` rows that is handed to a job while more
// jobs would stand idle than tables wait is loaded on as many connections
// (JobTable::streams), which stay reserved for it until it is sent.
//
// A stop request (StopRequested) ends the handing out; the tables being
// sent stop as they do one by one, and their results and reports come
// all the same.
class TableJobs {
 public:
  // What the command does on the caller's thread.
  struct Steps {
    // Counts the live rows of a table to be sent; -1 when it cannot.
    std::function<int64_t(const std::string& table)> count;
    // Checks a table's name and replaces its listed target (asking, and
    // dropping it) before the table is handed to a job; false skips the
    // table. `target` starts as the table's name.
    std::function<bool(const std::string& table, std::string& target)> prepare;
    // Completes a table a job has sent under `target` (adds it to the
    // listing, tells the caller), in table order.
    std::function<void(const std::string& target, TableResult& table)> complete;
    // Makes a job that reports through `hooks`.
    std::function<std::unique_ptr<TableJob>(CommandHooks& hooks)> make_job;
  };

  // `hooks` are the caller's; `jobs` is at least 2.
  TableJobs(CommandHooks& hooks, int jobs, int64_t split_rows);
  ~TableJobs();
  TableJobs(const TableJobs&) = delete;
  TableJobs& operator=(const TableJobs&) = delete;

  // The hooks the command's own steps report through: the caller's, with a
  // reporter that puts what `prepare` says in its table's place.
  CommandHooks& hooks() { return own_hooks_; }

  // Sends `tables` (positions as in CommandHooks::still_wanted) on the jobs
  // that open (at least one must, else the caller sends them itself; false
  // then). Appends a result per table handed out, in table order, to
  // `results`; `failures` gets the failures of the jobs' statements (a job
  // whose connections did not open among them).
  bool Run(const std::vector<std::string>& tables, const Steps& steps,
           std::vector<TableResult>& results, int& failures);

 private:
  struct Said;
  struct Entry;
  struct Job;
  class Router;
  class JobReporter;
  class JobProgress;
  class JobPump;

  void Work(Job& job);
  void Dispatch(const Steps& steps, size_t position, const std::string& table,
                std::vector<int64_t>& counts, size_t remaining);
  // Passes on what the oldest table said; true when it is finished.
  bool Deliver(const Steps& steps, Entry& entry, std::unique_lock<std::mutex>& lock);
  void ShowProgress(std::unique_lock<std::mutex>& lock);

  CommandHooks& hooks_;
  const int jobs_;
  const int64_t split_rows_;
  std::unique_ptr<Router> router_;
  CommandHooks own_hooks_;
  std::vector<std::unique_ptr<Job>> pool_;
  std::deque<std::unique_ptr<Entry>> entries_;  // handed out, not yet delivered
  int reserved_ = 0;                            // jobs busy or kept for a table's streams
  int64_t rows_total_ = 0;
  int64_t rows_delivered_ = 0;                  // rows read of the tables delivered
  int64_t shown_done_ = -1;                     // as the bar last showed them
  int64_t shown_total_ = -1;
  int job_failures_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ending_ = false;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_TABLE_JOBS_H_
