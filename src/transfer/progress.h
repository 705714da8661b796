#ifndef VELTRANE_TRANSFER_PROGRESS_H_
#define VELTRANE_TRANSFER_PROGRESS_H_

#include <cstdint>

#include "app/window_hooks.h"

namespace veltrane::transfer {

// The caption the progress bar shows between tables.
inline constexpr const char* kProgressCaption = "Progress Bar";

// The progress value after row `row` (from 0) of a table of `row_count`
// rows, in double precision: 100 after the last row.
inline double ProgressPercent(int64_t row, int64_t row_count) {
  return static_cast<double>(row + 1) / static_cast<double>(row_count) * 100.0;
}

// What a transfer shows after each table: value 0 and the caption.
inline void ResetProgress(app::ProgressBar& progress) {
  progress.SetValue(0);
  progress.SetText(kProgressCaption);
}

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_PROGRESS_H_
