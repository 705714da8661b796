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
constexpr size_t kLoadBytes = size_t{4} << 20;
// Room held beyond a full load for the row that fills it.
constexpr size_t kLastRowRoom = size_t{256} << 10;
// A rejected load of at most this many rows is replayed row by row instead
// of being halved again.
constexpr size_t kReplayRows = 16;

}  // namespace

CopyRowSender::CopyRowSender(db::Connection& postgresql, std::string quoted_table,
                             app::EventPump& events, Replay replay)
    : copy_(postgresql),
      quoted_table_(std::move(quoted_table)),
      replay_(std::move(replay)),
      events_(events),
      own_stream_(postgresql, quoted_table_) {
  // A load is held once, at its full size, instead of growing.
  pending_.data().reserve(kLoadBytes + kLastRowRoom);
}

bool CopyRowSender::TryAdd(const db::Fields& fields) {
  std::string& out = pending_.data();
  try {
    if (binary_) db::AppendCopyBinaryRowStart(out, static_cast<int16_t>(fields.Count()));
    for (int f = 0; f < fields.Count(); ++f) {
      const std::string& text = fields[f].Value().Text();
      if (binary_) {
        if (text.empty()) {
          db::AppendCopyBinaryNull(out);
        } else if (!AppendBinaryValue(f, text)) {
          pending_.DropRow();
          return false;
        }
        continue;
      }
      if (f > 0) out += db::kCopyFieldSeparator;
      if (text.empty()) {
        out += db::kCopyNull;
      } else {
        db::AppendCopyField(out, text);
      }
    }
  } catch (const db::Error&) {
    pending_.DropRow();
    return false;
  }
  if (!binary_) out += db::kCopyRowEnd;
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
  if (!binary_) types_.clear();
  pending_.Start(binary_ ? db::CopyFormat::kBinary : db::CopyFormat::kText, types_);
}

bool CopyRowSender::AppendBinaryValue(size_t f, std::string_view text) {
  if (!db::AppendCopyBinaryValue(pending_.data(), types_[f], text)) return false;
  // A text comes back from its bytes; any other value is kept as given.
  if (types_[f] != db::PgBinaryType::kText) pending_.AppendText(text);
  return true;
}

bool CopyRowSender::Add(const std::vector<std::optional<std::string_view>>& values) {
  std::string& out = pending_.data();
  if (binary_) {
    db::AppendCopyBinaryRowStart(out, static_cast<int16_t>(values.size()));
    for (size_t f = 0; f < values.size(); ++f) {
      if (!values[f]) {
        db::AppendCopyBinaryNull(out);
      } else if (!AppendBinaryValue(f, *values[f])) {
        pending_.DropRow();
        return false;
      }
    }
  } else {
    for (size_t f = 0; f < values.size(); ++f) {
      if (f > 0) out += db::kCopyFieldSeparator;
      if (values[f]) {
        db::AppendCopyField(out, *values[f]);
      } else {
        out += db::kCopyNull;
      }
    }
    out += db::kCopyRowEnd;
  }
  EndRow();
  return true;
}

void CopyRowSender::EndRow() {
  pending_.EndRow();
  has_last_row_ = true;
}

bool CopyRowSender::Full() const {
  return pending_.rows() >= kLoadRows || pending_.bytes() >= kLoadBytes;
}

std::optional<CopyRowSender::Row> CopyRowSender::LastRow() const {
  if (!has_last_row_) return std::nullopt;
  return pending_.empty() ? last_.Row(0) : pending_.Row(pending_.rows() - 1);
}

void CopyRowSender::UseStreams(CopyStreams& streams) {
  Flush();
  if (streams.count() > 0) streams_ = &streams;
}

void CopyRowSender::SendLoad() {
  if (pending_.empty()) return;
  if (streams_->count() == 0) {  // no thread could start: loaded here
    db::ServerWaitHook serve_window([this] { events_.Yield(); });
    last_.KeepLastRowOf(pending_);
    if (!Load(pending_, 0, pending_.rows())) StoreHalves(pending_, 0, pending_.rows());
    pending_.Start(pending_.format(), types_);
    return;
  }
  while (streams_->full()) CollectStream();
  last_.KeepLastRowOf(pending_);
  // A table loaded on streams of its own cannot be completed any more: its
  // rows need not be loaded.
  if (streams_ != &own_stream_ && (!stream_failure_.empty() || StopRequested())) {
    pending_.Start(pending_.format(), types_);
    return;
  }
  streams_->Submit(pending_);
}

void CopyRowSender::CollectStream() {
  const CopyStreams::Outcome outcome = streams_->Collect([this] { events_.Yield(); });
  const CopyLoad& load = streams_->collected();
  if (!stream_failure_.empty()) return;
  switch (outcome) {
    case CopyStreams::Outcome::kStored:
      copied_rows_ += static_cast<int64_t>(load.rows());
      break;
    case CopyStreams::Outcome::kRejected: {
      // The window is served while the halves wait for the server.
      db::ServerWaitHook serve_window([this] { events_.Yield(); });
      StoreHalves(load, 0, load.rows());
      break;
    }
    case CopyStreams::Outcome::kFailed:
      stream_failure_ = streams_->failure();
      break;
  }
}

void CopyRowSender::Flush() {
  SendLoad();
  while (streams_->busy()) CollectStream();
}

void CopyRowSender::Store(const CopyLoad& load, size_t first, size_t last) {
  if (last - first > kReplayRows && Load(load, first, last)) return;
  StoreHalves(load, first, last);
}

void CopyRowSender::StoreHalves(const CopyLoad& load, size_t first, size_t last) {
  if (StopRequested()) return;
  if (last - first <= kReplayRows) {
    for (size_t row = first; row < last; ++row) replay_(load.Row(row));
    return;
  }
  const size_t middle = first + (last - first) / 2;
  Store(load, first, middle);
  Store(load, middle, last);
}

bool CopyRowSender::Load(const CopyLoad& load, size_t first, size_t last) {
  events_.Yield();
  try {
    copy_.Begin(quoted_table_, load.format());
    if (copy_.Send(load.Rows(first, last))) {
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
