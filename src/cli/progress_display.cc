#include "cli/progress_display.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace veltrane::cli {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr auto kRateSettling = std::chrono::milliseconds(300);
constexpr int kBarWidth = 24;

double Seconds(ProgressDisplay::Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

std::string Duration(double seconds) {
  const long total = std::lround(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

std::string RowsText(int64_t rows) {
  return std::to_string(rows) + (rows == 1 ? " row" : " rows");
}

}  // namespace

std::string TableSummary(int64_t rows, double seconds, int64_t stored) {
  char text[96];
  if (seconds > 0 && rows > 0) {
    std::snprintf(text, sizeof text, " in %.2f s (%.0f rows/s)", seconds, rows / seconds);
  } else {
    std::snprintf(text, sizeof text, " in %.2f s", seconds);
  }
  if (stored >= 0 && stored != rows)
    return RowsText(rows) + " read, " + std::to_string(stored) + " stored" + text;
  return RowsText(rows) + text;
}

void ProgressDisplay::TableRows(int64_t read, int64_t stored) {
  rows_read_ = read;
  rows_stored_ = stored;
}

ProgressDisplay::ProgressDisplay(StatusLine& status)
    : status_(status), table_start_(Clock::now()), last_draw_(table_start_) {}

void ProgressDisplay::Begin() {
  table_start_ = last_draw_ = Clock::now();
  percent_ = 0;
  rows_total_ = 0;
}

void ProgressDisplay::SetValue(double percent) {
  const Clock::time_point now = Clock::now();
  if (percent <= 0) {
    // The table ended (or none started yet): keep its figures for its name.
    finished_rows_ = rows_total_ > 0 ? std::llround(percent_ / 100.0 * rows_total_) : 0;
    finished_seconds_ = Seconds(now - table_start_);
    status_.Clear();
    table_start_ = now;
    percent_ = 0;
    rows_total_ = 0;
    return;
  }
  if (rows_total_ == 0) {
    rows_total_ = std::max<int64_t>(1, std::llround(100.0 / percent));
    first_row_ = now;
  }
  percent_ = percent;
  if (status_.terminal() && (now - last_draw_ >= kRedrawInterval || percent >= 100)) Draw(now);
}

void ProgressDisplay::RowsOfAllTables(int64_t done, int64_t total) {
  const Clock::time_point now = Clock::now();
  if (rows_total_ == 0) first_row_ = now;
  rows_total_ = std::max<int64_t>(1, total);
  percent_ = std::min(100.0, static_cast<double>(done) / static_cast<double>(rows_total_) * 100.0);
  if (status_.terminal() && (now - last_draw_ >= kRedrawInterval || done >= total)) Draw(now);
}

void ProgressDisplay::Draw(Clock::time_point now) {
  last_draw_ = now;
  const int64_t rows = std::llround(percent_ / 100.0 * rows_total_);
  const int filled = static_cast<int>(percent_ / 100.0 * kBarWidth);
  std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
  char figures[128];
  std::snprintf(figures, sizeof figures, "%3.0f%%  %lld/%lld rows", percent_,
                static_cast<long long>(rows), static_cast<long long>(rows_total_));
  line += figures;
  // The rate counts from the first row, once it has had time to settle.
  if (now - first_row_ >= kRateSettling && rows > 1) {
    const double rate = (rows - 1) / Seconds(now - first_row_);
    std::snprintf(figures, sizeof figures, "  %.0f rows/s  %s left", rate,
                  Duration((rows_total_ - rows) / rate).c_str());
    line += figures;
  }
  status_.Show(line);
}

void ProgressDisplay::TableDone(const std::string& name, double seconds) {
  const int64_t rows = rows_read_ >= 0 ? rows_read_ : finished_rows_;
  status_.Print(name + ": " +
                TableSummary(rows, seconds > 0 ? seconds : finished_seconds_, rows_stored_));
  finished_rows_ = 0;
  finished_seconds_ = 0;
  rows_read_ = rows_stored_ = -1;
}

}  // namespace veltrane::cli
