#include "transfer/copy_row_sender.h"

#include "db/copy_text.h"
#include "db/error.h"
#include "db/server_wait.h"
#include "transfer/commands.h"

namespace veltrane::transfer {
namespace {

// A load is sent once it holds this many rows or bytes; its rows are kept
// until it is stored, so that a rejected load can be sent again.
constexpr size_t kLoadRows = 50000;
constexpr size_t kLoadBytes = size_t{8} << 20;
// Rows go to the open load in pieces of about this size while they are
// added, so that the server works while the next rows are read.
constexpr size_t kStreamBytes = size_t{256} << 10;
// A rejected load of at most this many rows is replayed row by row instead
// of being halved again.
constexpr size_t kReplayRows = 16;

}  // namespace

CopyRowSender::CopyRowSender(db::Connection& postgresql, std::string quoted_table,
                             app::EventPump& events, Replay replay)
    : copy_(postgresql),
      quoted_table_(std::move(quoted_table)),
      replay_(std::move(replay)),
      events_(events) {
  // A load's text is held once, at its full size, instead of growing.
  lines_.reserve(kLoadBytes + kStreamBytes);
}

bool CopyRowSender::TryAdd(const db::Fields& fields) {
  const size_t row_start = lines_.size();
  try {
    for (int f = 0; f < fields.Count(); ++f) {
      if (f > 0) lines_ += db::kCopyFieldSeparator;
      const std::string& text = fields[f].Value().Text();
      if (text.empty()) {
        lines_ += db::kCopyNull;
      } else {
        db::AppendCopyField(lines_, text);
      }
    }
  } catch (const db::Error&) {
    lines_.resize(row_start);
    return false;
  }
  EndRow();
  return true;
}

void CopyRowSender::UseBinaryRows(const std::vector<std::optional<db::PgBinaryType>>& types) {
  Flush();
  types_.clear();
  binary_ = copy_.TakesBinaryRows();
  for (const std::optional<db::PgBinaryType>& type : types) {
    if (!type) binary_ = false;
    if (binary_) types_.push_back(*type);
  }
  if (binary_) rows_.reserve(kLoadBytes + kStreamBytes);
}

bool CopyRowSender::Add(const std::vector<std::optional<std::string_view>>& values) {
  if (binary_) {
    const size_t row_start = rows_.size();
    db::AppendCopyBinaryRowStart(rows_, static_cast<int16_t>(values.size()));
    for (size_t f = 0; f < values.size(); ++f) {
      if (!values[f]) {
        db::AppendCopyBinaryNull(rows_);
      } else if (!db::AppendCopyBinaryValue(rows_, types_[f], *values[f])) {
        rows_.resize(row_start);
        return false;
      }
    }
    row_ends_.push_back(rows_.size());
  }
  for (size_t f = 0; f < values.size(); ++f) {
    if (f > 0) lines_ += db::kCopyFieldSeparator;
    if (values[f]) {
      db::AppendCopyField(lines_, *values[f]);
    } else {
      lines_ += db::kCopyNull;
    }
  }
  EndRow();
  return true;
}

void CopyRowSender::EndRow() {
  lines_ += db::kCopyRowEnd;
  ends_.push_back(lines_.size());
  has_last_row_ = true;
  if (sent().size() - streamed_ >= kStreamBytes) StreamPending();
}

bool CopyRowSender::Full() const {
  return ends_.size() >= kLoadRows || lines_.size() >= kLoadBytes || rows_.size() >= kLoadBytes;
}

std::optional<CopyRowSender::Row> CopyRowSender::LastRow() const {
  if (!has_last_row_) return std::nullopt;
  std::string_view line = ends_.empty() ? std::string_view(last_line_)
                                        : Lines(ends_.size() - 1, ends_.size());
  line.remove_suffix(1);  // the line feed
  return db::ParseCopyLine(line);
}

std::string_view CopyRowSender::Lines(size_t first, size_t last) const {
  const size_t begin = first == 0 ? 0 : ends_[first - 1];
  return std::string_view(lines_).substr(begin, ends_[last - 1] - begin);
}

std::string_view CopyRowSender::Sent(size_t first, size_t last) const {
  if (!binary_) return Lines(first, last);
  const size_t begin = first == 0 ? 0 : row_ends_[first - 1];
  return std::string_view(rows_).substr(begin, row_ends_[last - 1] - begin);
}

void CopyRowSender::StreamPending() {
  if (rejected_) return;
  db::ServerWaitHook serve_window([this] { events_.Yield(); });
  try {
    if (!copy_.loading()) copy_.Begin(quoted_table_, format());
    if (!copy_.Send(std::string_view(sent()).substr(streamed_))) rejected_ = true;
  } catch (const db::Error&) {
    rejected_ = true;
  }
  streamed_ = sent().size();
}

void CopyRowSender::Flush() {
  if (ends_.empty()) return;
  db::ServerWaitHook serve_window([this] { events_.Yield(); });
  StreamPending();
  bool stored = false;
  if (!rejected_) {
    try {
      copy_.Finish();
      stored = true;
    } catch (const db::Error&) {
    }
  }
  copy_.Abort();
  rejected_ = false;
  streamed_ = 0;
  if (stored) copied_rows_ += static_cast<int64_t>(ends_.size());
  else StoreHalves(0, ends_.size());
  last_line_.assign(Lines(ends_.size() - 1, ends_.size()));
  lines_.clear();
  ends_.clear();
  rows_.clear();
  row_ends_.clear();
}

void CopyRowSender::Store(size_t first, size_t last) {
  if (last - first > kReplayRows && Load(first, last)) return;
  StoreHalves(first, last);
}

void CopyRowSender::StoreHalves(size_t first, size_t last) {
  if (StopRequested()) return;
  if (last - first <= kReplayRows) {
    for (size_t row = first; row < last; ++row) {
      std::string_view line = Lines(row, row + 1);
      line.remove_suffix(1);
      replay_(db::ParseCopyLine(line));
    }
    return;
  }
  const size_t middle = first + (last - first) / 2;
  Store(first, middle);
  Store(middle, last);
}

bool CopyRowSender::Load(size_t first, size_t last) {
  events_.Yield();
  try {
    copy_.Begin(quoted_table_, format());
    if (copy_.Send(Sent(first, last))) {
      copy_.Finish();
      copied_rows_ += static_cast<int64_t>(last - first);
      return true;
    }
  } catch (const db::Error&) {
  }
  copy_.Abort();
  return false;
}

}  // namespace veltrane::transfer
