#ifndef VELTRANE_CLI_PROGRESS_DISPLAY_H_
#define VELTRANE_CLI_PROGRESS_DISPLAY_H_

#include <chrono>
#include <cstdint>
#include <string>

#include "app/window_hooks.h"
#include "cli/status_line.h"

namespace veltrane::cli {

// The progress bar of the transfers on standard error. A transfer sets the
// value after each row ((row + 1) / rows × 100) and resets it to 0 after each
// table; the table's row count is taken from the first value of a table. On
// a terminal a bar shows rows done, rows per second and time left; when the
// target list gains a table (TableDone), one line says how many rows it took
// and how fast, on a terminal or not: the rows read and the rows stored
// when some were not. With several tables sent at once, the bar counts the
// rows of all tables (RowsOfAllTables), and each table's line its own time.
class ProgressDisplay : public app::ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ProgressDisplay(StatusLine& status);

  // Starts the clock of the first table: call when the command starts.
  void Begin();

  void SetValue(double percent) override;
  void SetText(const std::string&) override {}
  void TableRows(int64_t read, int64_t stored) override;
  void RowsOfAllTables(int64_t done, int64_t total) override;

  // The transfer added `name` to its target list: the table is complete.
  // `seconds` is the time the table took when the transfer measured it
  // (several tables sent at once), else 0: the time since the last table.
  void TableDone(const std::string& name, double seconds = 0);

 private:
  void Draw(Clock::time_point now);

  StatusLine& status_;
  Clock::time_point table_start_;
  Clock::time_point first_row_;  // when the table's first value came
  Clock::time_point last_draw_;
  double percent_ = 0;
  int64_t rows_total_ = 0;  // 0 until the first value of a table
  // The figures of the table whose progress was last reset, until its name
  // arrives.
  int64_t finished_rows_ = 0;
  double finished_seconds_ = 0;
  // The counts the transfer gave for the table, until its name arrives.
  int64_t rows_read_ = -1;
  int64_t rows_stored_ = -1;
};

// "1234 rows in 0.52 s (2373 rows/s)"; with fewer rows stored than read,
// "1234 rows read, 1230 stored in 0.52 s (2373 rows/s)".
std::string TableSummary(int64_t rows, double seconds, int64_t stored = -1);

}  // namespace veltrane::cli

#endif  // VELTRANE_CLI_PROGRESS_DISPLAY_H_
