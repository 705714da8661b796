#include "foxpro/table_reader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>

#include "foxpro/busy_hook.h"
#include "foxpro/codepage.h"
#include "foxpro/dbf_header.h"
#include "foxpro/error.h"
#include "foxpro/file_io.h"
#include "foxpro/file_names.h"
#include "foxpro/memo_file.h"
#include "foxpro/value_format.h"

namespace veltrane::foxpro {

namespace {

// Records are read in chunks of about this many bytes.
constexpr size_t kChunkBytes = 256 * 1024;

uint32_t Le32(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

bool IsBlankOrZero(std::string_view bytes) {
  for (char c : bytes)
    if (c != ' ' && c != '0' && c != '\0') return false;
  return true;
}

bool AllDigits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return !s.empty();
}

int Digits(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

// A numeric field's text: optional sign, digits with at most one point,
// optional exponent.
bool ValidNumber(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  bool digits = false, point = false;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') digits = true;
    else if (s[i] == '.' && !point) point = true;
    else break;
  }
  if (!digits) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
      if (s[i] < '0' || s[i] > '9') return false;
  }
  return i == s.size();
}

std::string_view Trim(std::string_view s, std::string_view chars) {
  size_t begin = s.find_first_not_of(chars);
  if (begin == std::string_view::npos) return {};
  size_t end = s.find_last_not_of(chars);
  return s.substr(begin, end - begin + 1);
}

// The smallest and largest Julian day numbers of years 1 to 9999.
constexpr int64_t kFirstJulianDay = 1721426;
constexpr int64_t kLastJulianDay = 5373484;

class TableReaderImpl : public TableReader {
 public:
  TableReaderImpl(const std::string& path)
      : file_(path, File::Mode::kRead),
        table_name_(std::filesystem::path(path).stem().string()) {
    uint64_t size = file_.Size();
    header_ = ParseTableHeader(
        [this](uint64_t offset, size_t length) { return file_.ReadAt(offset, length); }, size, path);
    int code_page = CodePageOfMark(header_.code_page_mark);
    code_page_ = code_page == 0 ? kDefaultCodePage : code_page;
    codec_ = &TextCodec::For(code_page_);
    if (header_.has_memo_fields()) OpenMemo(path);
    records_per_chunk_ = std::max<size_t>(1, kChunkBytes / header_.record_length);
  }

  uint8_t version() const override { return header_.version; }
  int code_page() const override { return code_page_; }
  const std::vector<FieldDescriptor>& fields() const override { return header_.fields; }

  int64_t live_record_count() override {
    if (live_count_ >= 0) return live_count_;
    int64_t live = 0;
    std::string buffer;
    const size_t length = header_.record_length;
    for (uint64_t first = 0; first < header_.record_count; first += records_per_chunk_) {
      size_t count = static_cast<size_t>(
          std::min<uint64_t>(records_per_chunk_, header_.record_count - first));
      buffer.resize(count * length);
      size_t got = file_.ReadAt(header_.header_length + first * length, buffer.data(), buffer.size());
      if (got != buffer.size()) throw Error("Table \"" + table_name_ + "\" is truncated.");
      for (size_t i = 0; i < count; ++i)
        if (buffer[i * length] != dbf::kDeletedRecord) ++live;
      WhileBusy();
    }
    live_count_ = live;
    return live;
  }

  bool Next(std::vector<Cell>& cells) override {
    const char* record;
    while ((record = NextRecord()) != nullptr) {
      if (record[0] == dbf::kDeletedRecord) continue;
      cells.resize(header_.fields.size());
      for (size_t i = 0; i < header_.fields.size(); ++i) Format(header_.fields[i], record, cells[i]);
      return true;
    }
    return false;
  }

 private:
  void OpenMemo(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    MemoReader::Kind kind = header_.version == dbf::kDBase3Memo ? MemoReader::Kind::kDbt
                                                                : MemoReader::Kind::kFpt;
    std::string memo_extension = kind == MemoReader::Kind::kDbt ? ".dbt" : ".fpt";
    if (extension == ".dbc") memo_extension = ".dct";
    std::optional<std::string> memo_path = FindSibling(path, memo_extension);
    if (!memo_path && header_.version == dbf::kFoxBase) {
      // A FoxBASE+ table with memo fields may still have either kind.
      memo_path = FindSibling(path, ".dbt");
      if (memo_path) kind = MemoReader::Kind::kDbt;
      else memo_path = FindSibling(path, ".fpt");
    }
    std::string expected = std::filesystem::path(path).stem().string() + memo_extension;
    memo_.emplace(memo_path, kind, expected);
  }

  // The next record of the file (live or deleted), or nullptr at the end.
  const char* NextRecord() {
    if (chunk_index_ >= chunk_count_) {
      if (next_record_ >= header_.record_count) return nullptr;
      chunk_count_ = static_cast<size_t>(
          std::min<uint64_t>(records_per_chunk_, header_.record_count - next_record_));
      chunk_.resize(chunk_count_ * header_.record_length);
      size_t got = file_.ReadAt(header_.header_length + next_record_ * header_.record_length,
                                chunk_.data(), chunk_.size());
      if (got != chunk_.size())
        throw Error("Table \"" + table_name_ + "\" is truncated: record " +
                    std::to_string(next_record_ + got / header_.record_length + 1) +
                    " is missing.");
      chunk_first_ = next_record_;
      next_record_ += chunk_count_;
      chunk_index_ = 0;
    }
    current_row_ = chunk_first_ + chunk_index_ + 1;
    return chunk_.data() + header_.record_length * chunk_index_++;
  }

  bool NullFlag(const char* record, int bit) const {
    size_t byte = header_.null_flags.offset + static_cast<size_t>(bit) / 8;
    return (static_cast<uint8_t>(record[byte]) >> (bit % 8)) & 1;
  }

  void Fail(const FieldDescriptor& f, Cell& cell, const std::string& problem) const {
    cell.null = true;
    cell.text.clear();
    cell.error = "Table \"" + table_name_ + "\", row " + std::to_string(current_row_) + ", field \"" +
                 f.name + "\": " + problem + ".";
  }

  // Decodes text into the cell; a NUL inside text fails the value.
  void SetText(const FieldDescriptor& f, std::string_view bytes, Cell& cell) const {
    if (bytes.find('\0') != std::string_view::npos) {
      Fail(f, cell, "the text holds a NUL character, which text values cannot hold");
      return;
    }
    if (!codec_->Decode(bytes, cell.text))
      Fail(f, cell, "the text is not valid in code page " + std::to_string(code_page_));
  }

  static std::string_view StripTrailingNuls(std::string_view bytes) {
    size_t end = bytes.size();
    while (end > 0 && bytes[end - 1] == '\0') --end;
    return bytes.substr(0, end);
  }

  void Format(const FieldDescriptor& f, const char* record, Cell& cell) {
    cell.null = false;
    cell.text.clear();
    cell.error.clear();
    if (f.null_bit >= 0 && NullFlag(record, f.null_bit)) {
      cell.null = true;
      return;
    }
    std::string_view raw(record + f.offset, f.length);
    switch (f.type) {
      case 'C':
        if (f.binary()) AppendHex(raw, cell.text);
        else SetText(f, StripTrailingNuls(raw), cell);
        return;
      case 'V':
      case 'Q': {
        std::string_view value = raw;
        if (f.varlen_bit >= 0 && NullFlag(record, f.varlen_bit)) {
          size_t length = static_cast<uint8_t>(raw.back());
          if (length >= raw.size()) {
            Fail(f, cell, "its stored length " + std::to_string(length) + " exceeds the field width");
            return;
          }
          value = raw.substr(0, length);
        }
        if (f.type == 'Q' || f.binary()) AppendHex(value, cell.text);
        else SetText(f, value, cell);
        return;
      }
      case 'M':
      case 'G':
      case 'W':
        FormatMemo(f, raw, cell);
        return;
      case 'N':
      case 'F': {
        std::string_view text = Trim(raw, std::string_view(" \0*", 3));
        if (text.empty() || text.find_first_not_of('?') == std::string_view::npos) {
          cell.null = true;
          return;
        }
        cell.text.assign(text);
        std::replace(cell.text.begin(), cell.text.end(), ',', '.');
        if (!ValidNumber(cell.text)) Fail(f, cell, "\"" + std::string(text) + "\" is not a number");
        return;
      }
      case 'I': {
        int32_t value = static_cast<int32_t>(Le32(raw.data()));
        cell.text = std::to_string(value);
        return;
      }
      case 'B': {
        double value;
        std::memcpy(&value, raw.data(), sizeof value);
        AppendDouble(value, cell.text);
        return;
      }
      case 'Y': {
        int64_t value;
        std::memcpy(&value, raw.data(), sizeof value);
        AppendCurrency(value, cell.text);
        return;
      }
      case 'D': {
        if (IsBlankOrZero(raw) || raw.find('?') != std::string_view::npos) {
          cell.null = true;
          return;
        }
        int year = AllDigits(raw.substr(0, 4)) ? Digits(raw.substr(0, 4)) : -1;
        int month = AllDigits(raw.substr(4, 2)) ? Digits(raw.substr(4, 2)) : -1;
        int day = AllDigits(raw.substr(6, 2)) ? Digits(raw.substr(6, 2)) : -1;
        if (!ValidDate(year, month, day)) {
          Fail(f, cell, "\"" + std::string(raw) + "\" is not a date");
          return;
        }
        AppendDate(year, month, day, cell.text);
        return;
      }
      case 'T': {
        if (Trim(raw, std::string_view(" \0", 2)).empty()) {
          cell.null = true;
          return;
        }
        int64_t day = Le32(raw.data());
        int64_t milliseconds = Le32(raw.data() + 4);
        if (day == 0) {
          cell.null = true;
          return;
        }
        if (day < kFirstJulianDay || day + milliseconds / 86400000 > kLastJulianDay) {
          Fail(f, cell, "day number " + std::to_string(day) + " is not a date");
          return;
        }
        AppendDateTime(day, milliseconds, cell.text);
        return;
      }
      case 'L': {
        char c = raw[0];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y') cell.text = "true";
        else if (c == 'F' || c == 'f' || c == 'N' || c == 'n') cell.text = "false";
        else if (c == ' ' || c == '?' || c == '\0') cell.null = true;
        else Fail(f, cell, "'" + std::string(1, c) + "' is not a logical value");
        return;
      }
      default:
        Fail(f, cell, "its type is not supported");
        return;
    }
  }

  void FormatMemo(const FieldDescriptor& f, std::string_view raw, Cell& cell) {
    uint64_t block = 0;
    if (raw.size() == 4) {
      block = Le32(raw.data());
    } else {
      std::string_view digits = Trim(raw, std::string_view(" \0", 2));
      if (!digits.empty() && !AllDigits(digits)) {
        Fail(f, cell, "its memo pointer \"" + std::string(digits) + "\" is not a number");
        return;
      }
      for (char c : digits) block = block * 10 + static_cast<uint64_t>(c - '0');
    }
    bool binary = f.type != 'M' || f.binary();
    if (block == 0) {
      if (binary) AppendHex("", cell.text);
      return;
    }
    std::string problem = memo_->Read(block, memo_value_);
    if (!problem.empty()) {
      Fail(f, cell, problem);
      return;
    }
    if (binary) AppendHex(memo_value_, cell.text);
    else SetText(f, StripTrailingNuls(memo_value_), cell);
  }

  File file_;
  std::string table_name_;
  TableHeader header_;
  int code_page_ = kDefaultCodePage;
  const TextCodec* codec_ = nullptr;
  std::optional<MemoReader> memo_;
  size_t records_per_chunk_ = 1;
  std::string chunk_;
  size_t chunk_count_ = 0;
  size_t chunk_index_ = 0;
  uint64_t chunk_first_ = 0;
  uint64_t next_record_ = 0;
  uint64_t current_row_ = 0;
  int64_t live_count_ = -1;
  std::string memo_value_;
};

}  // namespace

std::unique_ptr<TableReader> TableReader::Open(const std::string& path) {
  return std::make_unique<TableReaderImpl>(path);
}

}  // namespace veltrane::foxpro
