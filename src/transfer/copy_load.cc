#include "transfer/copy_load.h"

#include <utility>

#include "db/copy_text.h"
#include "foxpro/record/coding.h"

namespace veltrane::transfer {
namespace {

// A binary row: a 16-bit field count, then per field a 32-bit length (-1
// for null) and the bytes; the texts beside the rows: a 32-bit length and
// the bytes each.
constexpr size_t kFieldCountBytes = 2;
constexpr size_t kLengthBytes = 4;
constexpr uint32_t kNullLength = 0xFFFFFFFF;

}  // namespace

void CopyLoad::Start(db::CopyFormat format, const std::vector<db::PgBinaryType>& types) {
  format_ = format;
  types_ = types;
  data_.clear();
  ends_.clear();
  texts_.clear();
  text_ends_.clear();
}

void CopyLoad::AppendText(std::string_view text) {
  foxpro::PutBigEndian32(texts_, static_cast<uint32_t>(text.size()));
  texts_.append(text);
}

void CopyLoad::EndRow() {
  ends_.push_back(data_.size());
  if (format_ == db::CopyFormat::kBinary) text_ends_.push_back(texts_.size());
}

void CopyLoad::DropRow() {
  data_.resize(ends_.empty() ? 0 : ends_.back());
  texts_.resize(text_ends_.empty() ? 0 : text_ends_.back());
}

std::string_view CopyLoad::Rows(size_t first, size_t last) const {
  const size_t begin = first == 0 ? 0 : ends_[first - 1];
  return std::string_view(data_).substr(begin, ends_[last - 1] - begin);
}

CopyRow CopyLoad::Row(size_t row) const {
  std::string_view bytes = Rows(row, row + 1);
  if (format_ == db::CopyFormat::kText) {
    bytes.remove_suffix(1);  // the line feed
    return db::ParseCopyLine(bytes);
  }
  const size_t texts_begin = row == 0 ? 0 : text_ends_[row - 1];
  std::string_view texts =
      std::string_view(texts_).substr(texts_begin, text_ends_[row] - texts_begin);
  CopyRow values;
  values.reserve(types_.size());
  bytes.remove_prefix(kFieldCountBytes);
  for (db::PgBinaryType type : types_) {
    const uint32_t length = foxpro::DecodeBigEndian32(bytes.data());
    bytes.remove_prefix(kLengthBytes);
    if (length == kNullLength) {
      values.emplace_back(std::nullopt);
      continue;
    }
    if (type == db::PgBinaryType::kText) {
      values.emplace_back(std::string(bytes.substr(0, length)));
    } else {
      const uint32_t text_length = foxpro::DecodeBigEndian32(texts.data());
      values.emplace_back(std::string(texts.substr(kLengthBytes, text_length)));
      texts.remove_prefix(kLengthBytes + text_length);
    }
    bytes.remove_prefix(length);
  }
  return values;
}

void CopyLoad::KeepLastRowOf(const CopyLoad& other) {
  Start(other.format_, other.types_);
  if (other.empty()) return;
  const size_t last = other.rows() - 1;
  data_.assign(other.Rows(last, last + 1));
  if (format_ == db::CopyFormat::kBinary) {
    const size_t begin = last == 0 ? 0 : other.text_ends_[last - 1];
    texts_.assign(other.texts_, begin, other.text_ends_[last] - begin);
  }
  EndRow();
}

void CopyLoad::Swap(CopyLoad& other) noexcept {
  std::swap(format_, other.format_);
  types_.swap(other.types_);
  data_.swap(other.data_);
  ends_.swap(other.ends_);
  texts_.swap(other.texts_);
  text_ends_.swap(other.text_ends_);
}

}  // namespace veltrane::transfer
