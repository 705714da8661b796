#include "transfer/table_jobs.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "app/list_helpers.h"
#include "transfer/commands.h"
#include "transfer/progress.h"

namespace veltrane::transfer {
namespace {

using Clock = std::chrono::steady_clock;

// How often the caller's thread passes on what the jobs said, shows the
// progress and lets the window's events run, at the least.
constexpr auto kServeInterval = std::chrono::milliseconds(10);
// A job whose table has this many things to say that are not passed on
// yet (its table waits for the tables before it) waits until they are, so
// that memory does not grow with what a table reports.
constexpr size_t kMostUnsaid = 256;

}  // namespace

// One thing a table said: a message, an error report, or its row counts.
struct TableJobs::Said {
  enum class Kind { kMessage, kReport, kRows };
  Kind kind;
  std::string text;
  std::string title;
  int64_t read = 0;
  int64_t stored = 0;
};

// A table handed out: what it said and what became of it.
struct TableJobs::Entry {
  JobTable job_table;
  TableResult result;
  std::deque<Said> said;
  Job* job = nullptr;  // sending it; null once sent, or when it was skipped
  bool sent = false;
};

// Puts what the command's own steps say about a table in the table's
// place while it is being prepared; passes it on otherwise, counting the
// failures of a table being completed.
class TableJobs::Router : public app::Reporter {
 public:
  explicit Router(TableJobs& jobs) : jobs_(jobs) {}
  // Until the next call: what is said goes into `entry`'s place (queue),
  // or is passed on and counted as its failures (not queue).
  void Into(Entry* entry, bool queue) {
    entry_ = entry;
    queue_ = queue;
  }

  void Message(const std::string& text, const std::string& title) override {
    if (entry_ && queue_) {
      std::lock_guard<std::mutex> lock(jobs_.mutex_);
      entry_->said.push_back({Said::Kind::kMessage, text, title});
      return;
    }
    jobs_.hooks_.reporter.Message(text, title);
  }
  void ErrorReport(const std::string& text) override {
    if (entry_) ++entry_->result.failures;
    if (entry_ && queue_) {
      std::lock_guard<std::mutex> lock(jobs_.mutex_);
      entry_->said.push_back({Said::Kind::kReport, text, ""});
      return;
    }
    jobs_.hooks_.reporter.ErrorReport(text);
  }

 private:
  TableJobs& jobs_;
  Entry* entry_ = nullptr;
  bool queue_ = false;
};

// A job's reporter: what its table says goes into the table's place. While
// the job opens (on the caller's thread) it is passed on at once.
class TableJobs::JobReporter : public app::Reporter {
 public:
  JobReporter(TableJobs& jobs, Job& job) : jobs_(jobs), job_(job) {}
  void Message(const std::string& text, const std::string& title) override {
    Say({Said::Kind::kMessage, text, title}, [&] { jobs_.hooks_.reporter.Message(text, title); });
  }
  void ErrorReport(const std::string& text) override {
    Say({Said::Kind::kReport, text, ""}, [&] { jobs_.hooks_.reporter.ErrorReport(text); });
  }
  void Say(Said said, const std::function<void()>& at_once);

 private:
  TableJobs& jobs_;
  Job& job_;
};

// A job's progress bar: the sends set its value once per row read, which
// is counted; the table's row counts are said in its place.
class TableJobs::JobProgress : public app::ProgressBar {
 public:
  JobProgress(JobReporter& reporter, std::atomic<int64_t>& rows)
      : reporter_(reporter), rows_(rows) {}
  void SetValue(double percent) override {
    if (percent > 0) rows_.fetch_add(1, std::memory_order_relaxed);
  }
  void SetText(const std::string&) override {}
  void TableRows(int64_t read, int64_t stored) override {
    reporter_.Say({Said::Kind::kRows, "", "", read, stored}, [] {});
  }

 private:
  JobReporter& reporter_;
  std::atomic<int64_t>& rows_;
};

// A job has no window to serve.
class TableJobs::JobPump : public app::EventPump {
 public:
  void Yield() override {}
};

struct TableJobs::Job {
  explicit Job(TableJobs& jobs)
      : reporter(jobs, *this),
        progress(reporter, rows),
        hooks{reporter, progress, pump, [](const std::string&) { return false; }, nullptr,
              nullptr} {}
  std::atomic<int64_t> rows{0};  // of its current table, read so far
  JobReporter reporter;
  JobProgress progress;
  JobPump pump;
  CommandHooks hooks;
  std::unique_ptr<TableJob> sender;
  Entry* entry = nullptr;  // the table it sends, handed in under the mutex
  std::thread thread;
};

void TableJobs::JobReporter::Say(Said said, const std::function<void()>& at_once) {
  std::unique_lock<std::mutex> lock(jobs_.mutex_);
  Entry* entry = job_.entry;
  if (!entry) {
    lock.unlock();
    at_once();
    return;
  }
  jobs_.changed_.wait(lock, [&] { return entry->said.size() < kMostUnsaid || jobs_.ending_; });
  entry->said.push_back(std::move(said));
  jobs_.changed_.notify_all();
}

TableJobs::TableJobs(CommandHooks& hooks, int jobs, int64_t split_rows)
    : hooks_(hooks),
      jobs_(jobs),
      split_rows_(split_rows),
      router_(std::make_unique<Router>(*this)),
      own_hooks_{*router_, hooks.progress, hooks.events, hooks.overwrite, hooks.table_done,
                 hooks.still_wanted} {}

TableJobs::~TableJobs() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  for (const std::unique_ptr<Job>& job : pool_)
    if (job->thread.joinable()) job->thread.join();
}

bool TableJobs::Run(const std::vector<std::string>& tables, const Steps& steps,
                    std::vector<TableResult>& results, int& failures) {
  for (int i = 0; i < jobs_; ++i) {
    auto job = std::make_unique<Job>(*this);
    job->sender = steps.make_job(job->hooks);
    if (!job->sender->Open()) {  // the server takes no more connections, say (reported)
      ++job_failures_;
      break;
    }
    pool_.push_back(std::move(job));
  }
  // A job whose thread cannot start (the system has no more) is left out.
  for (const std::unique_ptr<Job>& job : pool_) {
    try {
      job->thread = std::thread([this, &job = *job] { Work(job); });
    } catch (const std::system_error&) {
      break;
    }
  }
  std::erase_if(pool_, [](const std::unique_ptr<Job>& job) { return !job->thread.joinable(); });
  failures = job_failures_;
  if (pool_.empty()) return false;

  // The rows of every table to be sent, for the progress bar.
  std::vector<int64_t> counts(tables.size(), -1);
  for (size_t position = 0; position < tables.size() && !StopRequested(); ++position) {
    hooks_.events.Yield();
    if (hooks_.still_wanted && !hooks_.still_wanted(position)) continue;
    counts[position] = std::max<int64_t>(steps.count(tables[position]), 0);
    rows_total_ += counts[position];
  }

  size_t next = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    while (!entries_.empty() && Deliver(steps, *entries_.front(), lock)) {
      results.push_back(entries_.front()->result);
      entries_.pop_front();
    }
    const bool handing = next < tables.size() && !StopRequested();
    if (!handing && entries_.empty()) break;
    const bool target_busy =
        handing && std::any_of(entries_.begin(), entries_.end(), [&](const auto& entry) {
          app::MemoryTableList target;
          target.AddItem(entry->job_table.target);
          return app::ListHasItem(target, tables[next]);
        });
    if (handing && reserved_ < static_cast<int>(pool_.size()) && !target_busy) {
      lock.unlock();
      hooks_.events.Yield();
      const bool wanted = !hooks_.still_wanted || hooks_.still_wanted(next);
      if (wanted && !StopRequested())
        Dispatch(steps, next, tables[next], counts, tables.size() - next - 1);
      else if (!wanted)
        rows_total_ -= std::max<int64_t>(counts[next], 0);
      ++next;
      lock.lock();
      continue;
    }
    ShowProgress(lock);
    changed_.wait_for(lock, kServeInterval);
    lock.unlock();
    hooks_.events.Yield();
    lock.lock();
  }
  ShowProgress(lock);
  lock.unlock();
  failures = job_failures_;
  return true;
}

void TableJobs::Dispatch(const Steps& steps, size_t position, const std::string& table,
                         std::vector<int64_t>& counts, size_t remaining) {
  auto owned = std::make_unique<Entry>();
  Entry& entry = *owned;
  entry.result.table = table;
  entry.job_table.table = table;
  entry.job_table.target = table;
  router_->Into(&entry, true);
  const bool go = steps.prepare(table, entry.job_table.target);
  router_->Into(nullptr, false);
  if (go && counts[position] < 0) {  // wanted now, though not when counted
    counts[position] = std::max<int64_t>(steps.count(table), 0);
    rows_total_ += counts[position];
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (!go) {
    if (counts[position] > 0) rows_total_ -= counts[position];
    entry.sent = true;
    entries_.push_back(std::move(owned));
    return;
  }
  // A large table takes the jobs that would stand idle, as connections
  // that load its rows side by side.
  const int idle = static_cast<int>(pool_.size()) - reserved_;
  if (counts[position] >= split_rows_)
    entry.job_table.streams = std::max(1, idle - static_cast<int>(remaining));
  reserved_ += entry.job_table.streams;
  for (const std::unique_ptr<Job>& job : pool_) {
    if (job->entry) continue;
    job->rows = 0;
    job->entry = &entry;
    entry.job = job.get();
    break;
  }
  entries_.push_back(std::move(owned));
  changed_.notify_all();
}

bool TableJobs::Deliver(const Steps& steps, Entry& entry, std::unique_lock<std::mutex>& lock) {
  while (!entry.said.empty()) {
    const Said said = std::move(entry.said.front());
    entry.said.pop_front();
    changed_.notify_all();  // a job may wait for room
    lock.unlock();
    switch (said.kind) {
      case Said::Kind::kMessage:
        hooks_.reporter.Message(said.text, said.title);
        break;
      case Said::Kind::kReport:
        hooks_.reporter.ErrorReport(said.text);
        break;
      case Said::Kind::kRows:
        hooks_.progress.TableRows(said.read, said.stored);
        break;
    }
    lock.lock();
  }
  if (!entry.sent) return false;
  rows_delivered_ += entry.result.rows_read;
  if (entry.result.done) {
    entry.result.done = false;  // until it is listed
    lock.unlock();
    router_->Into(&entry, false);
    steps.complete(entry.job_table.target, entry.result);
    router_->Into(nullptr, false);
    lock.lock();
  }
  return true;
}

void TableJobs::ShowProgress(std::unique_lock<std::mutex>& lock) {
  int64_t done = rows_delivered_;
  for (const std::unique_ptr<Entry>& entry : entries_)
    done += entry->sent ? entry->result.rows_read
                        : entry->job ? entry->job->rows.load(std::memory_order_relaxed) : 0;
  if (done == shown_done_ && rows_total_ == shown_total_) return;
  shown_done_ = done;
  shown_total_ = rows_total_;
  lock.unlock();
  hooks_.progress.RowsOfAllTables(done, rows_total_);
  lock.lock();
}

void TableJobs::Work(Job& job) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    changed_.wait(lock, [&] { return ending_ || job.entry != nullptr; });
    if (!job.entry) return;
    Entry& entry = *job.entry;
    lock.unlock();
    const Clock::time_point start = Clock::now();
    const TableResult sent = job.sender->Send(entry.job_table);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    lock.lock();
    entry.result.done = sent.done;
    entry.result.failures += sent.failures;
    entry.result.rows_read = sent.rows_read;
    entry.result.rows_stored = sent.rows_stored;
    entry.result.seconds = seconds;
    job_failures_ += sent.failures;
    entry.sent = true;
    entry.job = nullptr;
    job.entry = nullptr;
    reserved_ -= entry.job_table.streams;
    changed_.notify_all();
  }
}

}  // namespace veltrane::transfer
