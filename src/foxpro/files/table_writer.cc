#include "foxpro/files/table_writer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>

#include "foxpro/codepages/codepage.h"
#include "foxpro/record/coding.h"
#include "foxpro/record/dbf_header.h"
#include "foxpro/error.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/file_names.h"
#include "foxpro/files/memo_file.h"
#include "foxpro/record/record_encoder.h"

namespace veltrane::foxpro {

namespace {

namespace fs = std::filesystem;

// Visual FoxPro's limits.
constexpr size_t kMaxFields = 254;  // plus the hidden _NullFlags field
constexpr size_t kMaxRecordLength = 65500;
constexpr int kMaxCharWidth = 254;
constexpr int kMaxNumericWidth = 20;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string TableName(const std::string& path) { return fs::path(path).stem().string(); }

// The memo file's name for a table file: same stem, ".fpt" (".FPT" beside
// an upper-case extension, ".dct" for a container).
std::string MemoPathFor(const std::string& table_path) {
  fs::path p(table_path);
  std::string extension = p.extension().string();
  std::string lower = Lower(extension);
  std::string memo = lower == ".dbc" ? ".dct" : ".fpt";
  bool upper = !extension.empty() && std::all_of(extension.begin() + 1, extension.end(), [](char c) {
    return std::isupper(static_cast<unsigned char>(c));
  });
  if (upper)
    for (char& c : memo) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return (p.parent_path() / (p.stem().string() + memo)).string();
}

// The descriptor Visual FoxPro writes for a new field.
FieldDescriptor Describe(const NewField& in, const std::string& table) {
  auto fail = [&](const std::string& problem) {
    throw Error("Cannot create table \"" + table + "\": field \"" + in.name + "\" " + problem + ".");
  };
  FieldDescriptor f;
  f.name = in.name;
  f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(in.type)));
  switch (f.type) {
    case 'C': case 'V': case 'Q':
      if (in.length < 1 || in.length > kMaxCharWidth)
        fail("needs a width from 1 to " + std::to_string(kMaxCharWidth));
      f.length = static_cast<uint8_t>(in.length);
      break;
    case 'N': case 'F':
      if (in.length < 1 || in.length > kMaxNumericWidth)
        fail("needs a width from 1 to " + std::to_string(kMaxNumericWidth));
      if (in.decimals < 0 || (in.decimals > 0 && in.decimals >= in.length))
        fail("has more decimals than its width allows");
      f.length = static_cast<uint8_t>(in.length);
      f.decimals = static_cast<uint8_t>(in.decimals);
      break;
    case 'B':
      f.length = 8;
      f.decimals = static_cast<uint8_t>(std::clamp(in.decimals, 0, 18));
      break;
    case 'Y': f.length = 8; f.decimals = 4; break;
    case 'D': case 'T': f.length = 8; break;
    case 'I': case 'M': case 'G': case 'W': f.length = 4; break;
    case 'L': f.length = 1; break;
    default: fail("has the unknown type '" + std::string(1, in.type) + "'");
  }
  if (in.nullable) f.flags |= field_flag::kNullable;
  if (in.autoincrement) {
    if (f.type != 'I') fail("cannot autoincrement: only integer fields can");
    f.flags |= field_flag::kAutoIncrement;
    f.autoinc_next = 1;
    f.autoinc_step = 1;
  }
  bool binary_type = f.type == 'B' || f.type == 'I' || f.type == 'Y' || f.type == 'T' ||
                     f.type == 'W' || f.type == 'Q';
  bool binary_text = in.binary && (f.type == 'C' || f.type == 'V' || f.type == 'M');
  if (binary_type || binary_text) f.flags |= field_flag::kBinary;
  return f;
}

// A batch is written once its records and memo values reach this size, or
// once its first record has waited this long.
constexpr size_t kBatchBytes = size_t{1} << 20;
constexpr int64_t kMaxBatchAgeMs = 500;

// Milliseconds of a coarse monotonic clock: cheap enough to read on every
// append.
int64_t NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

class TableWriterImpl : public TableWriter {
 public:
  TableWriterImpl(const std::string& path, bool caller_rebuilds_index)
      : table_(File::Open(path, File::Mode::kReadWrite)), table_name_(TableName(path)) {
    uint64_t size = table_->Size();
    header_ = ParseTableHeader(
        [this](uint64_t offset, size_t length) { return table_->ReadAt(offset, length); }, size, path);
    if (!header_.visual_foxpro() && header_.version != dbf::kFoxBase &&
        header_.version != dbf::kFoxPro2Memo)
      throw Error("Cannot add records to \"" + path + "\": tables of this version are read only.");
    RefuseRecordsBeyondTheCount(path);
    if ((header_.table_flags & dbf::kHasStructuralIndex) != 0 && !caller_rebuilds_index)
      throw Error("Cannot add records to \"" + path +
                  "\": it has an index file (.cdx) that this engine cannot keep up to date. "
                  "Copy the table without its index, or add the records in FoxPro.");
    int code_page = CodePageOfMark(header_.code_page_mark);
    codec_ = &TextCodec::For(code_page == 0 ? kDefaultCodePage : code_page);
    if (header_.has_memo_fields()) {
      std::string expected = MemoPathFor(path);
      std::string extension = fs::path(expected).extension().string();
      std::optional<std::string> memo_path = FindSibling(path, extension);
      if (!memo_path)
        throw Error("Cannot add records to \"" + path + "\": its memo file \"" +
                    fs::path(expected).filename().string() + "\" is missing.");
      memo_.emplace(*memo_path);
    }
    encoder_.emplace(header_, *codec_, table_name_);
    TodayInto(header_.last_update);
    for (size_t i = 0; i < header_.fields.size(); ++i) {
      const FieldDescriptor& f = header_.fields[i];
      if (!f.autoincrement()) continue;
      // Only an integer field can count: the flag on any other is damage.
      if (f.type != 'I')
        throw Error("Cannot add records to \"" + path + "\": its field \"" + f.name +
                    "\" is marked as autoincrementing but is not an integer field; the "
                    "table's header is damaged.");
      autoinc_fields_.push_back(i);
    }
    // The header's counts change with every batch.
    table_->MapPrefix(header_.header_length);
  }

  ~TableWriterImpl() override {
    try {
      Flush();
    } catch (...) {
      // A caller that wants to know calls Flush first.
    }
  }

  const std::vector<FieldDescriptor>& fields() const override { return header_.fields; }

  void Append(const std::vector<InputValue>& values) override {
    const size_t length = header_.record_length;
    const uint64_t record_at = RecordOffset(header_.record_count + batch_records_);
    if (record_at + length + 1 > dbf::kMaxFileSize)
      throw Error("Table \"" + table_name_ + "\" is full: another record would make it larger than 2 GB.");
    const size_t at = batch_.size();
    batch_.resize(at + length);
    char* record = batch_.data() + at;
    try {
      encoder_->Encode(values, record, memos_, memo_bytes_,
                       header_.record_count + batch_records_ + 1);
      if (!memos_.empty() && memo_->SizeAfter(memo_bytes_.size(), memos_.size()) > dbf::kMaxFileSize)
        throw Error("The memo file of table \"" + table_name_ +
                    "\" is full: this record's memo values would make it larger than 2 GB.");
    } catch (...) {
      batch_.resize(at);
      throw;
    }
    for (const PendingMemo& m : memos_) {
      const std::string_view data(memo_bytes_.data() + m.offset, m.size);
      encoder_->SetMemoPointer(record, m.field, memo_->Write(m.type, data));
    }
    for (size_t i : autoinc_fields_) {
      FieldDescriptor& f = header_.fields[i];
      EncodeFixed32(record + f.offset, f.autoinc_next);
      f.autoinc_next += f.autoinc_step;
    }
    if (batch_records_++ == 0) batch_started_ms_ = NowMs();
    const size_t memo_pending = memo_ ? memo_->pending_bytes() : 0;
    if (batch_.size() + memo_pending >= kBatchBytes || FlushDue()) Flush();
  }

  void Flush() override {
    if (batch_records_ == 0) return;
    const uint64_t record_at = RecordOffset(header_.record_count);
    try {
      if (memo_) memo_->Commit();
      // The records go out behind the old end mark first and the first
      // one's delete flag last: a process killed half-way through the
      // larger write leaves the old end mark in place, so no reader sees a
      // partial record.
      batch_.push_back(static_cast<char>(dbf::kEndOfFile));
      table_->WriteAt(record_at + 1, batch_.data() + 1, batch_.size() - 1);
      table_->WriteAt(record_at, batch_.data(), 1);
    } catch (const Error& failure) {
      const size_t lost = batch_records_;
      DropBatch();
      throw Error("Table \"" + table_name_ + "\" lost its last " + std::to_string(lost) +
                  (lost == 1 ? " record: " : " records: ") + failure.what() +
                  " The table holds its first " + std::to_string(header_.record_count) +
                  " records.");
    }
    // Only now does the header count the records.
    header_.record_count += static_cast<uint32_t>(batch_records_);
    std::string prefix = SerializeHeaderPrefix(header_);
    table_->WriteAt(dbf::kLastUpdateOffset, prefix.data() + dbf::kLastUpdateOffset,
                    dbf::kHeaderLengthOffset - dbf::kLastUpdateOffset);
    for (size_t i : autoinc_fields_) StoreAutoIncrement(i);
    batch_records_ = 0;
    ClearBatch();
  }

  std::vector<Notice> TakeNotices() override { return encoder_->ReplacementNotices(); }

  bool FlushDue() const override {
    return batch_records_ > 0 && NowMs() - batch_started_ms_ >= kMaxBatchAgeMs;
  }

 private:
  uint64_t RecordOffset(uint64_t record) const {
    return header_.header_length + record * header_.record_length;
  }

  // A whole record right after the ones the header counts was left by a
  // writer that did not get to update the count; readers take it as a row,
  // and a record appended at the count would overwrite it.
  void RefuseRecordsBeyondTheCount(const std::string& path) const {
    if (header_.records_in_file <= header_.record_count) return;
    const std::string flag = table_->ReadAt(RecordOffset(header_.record_count), 1);
    if (flag.empty() || (flag[0] != dbf::kLiveRecord && flag[0] != dbf::kDeletedRecord)) return;
    throw Error("Cannot add records to \"" + path + "\": its header counts " +
                std::to_string(header_.record_count) +
                " records, but more follow them in the file, and a record added now would "
                "overwrite them. Copy the table with all its rows to a new one first.");
  }

  // Forgets the records gathered since the last batch.
  void DropBatch() {
    if (memo_) memo_->Rollback();
    for (size_t i : autoinc_fields_) {
      FieldDescriptor& f = header_.fields[i];
      f.autoinc_next -= f.autoinc_step * static_cast<uint32_t>(batch_records_);
    }
    batch_records_ = 0;
    ClearBatch();
  }

  // Empties the batch buffer, giving back the memory an unusually large
  // record made it take.
  void ClearBatch() {
    batch_.clear();
    if (batch_.capacity() > 2 * kBatchBytes) std::string().swap(batch_);
    if (memo_bytes_.capacity() > 2 * kBatchBytes) std::string().swap(memo_bytes_);
  }

  void StoreAutoIncrement(size_t index) {
    const FieldDescriptor& f = header_.fields[index];
    size_t descriptor = index;
    // The descriptor's position counts the hidden field when it precedes.
    if (header_.has_null_flags && header_.null_flags.offset < f.offset) ++descriptor;
    uint64_t at = dbf::kHeaderSize + descriptor * dbf::kFieldDescriptorSize +
                  dbf::kAutoIncrementNextOffset;
    char next[4];
    EncodeFixed32(next, f.autoinc_next);
    table_->WriteAt(at, next, sizeof next);
  }

  std::unique_ptr<File> table_;
  std::string table_name_;
  TableHeader header_;
  const TextCodec* codec_ = nullptr;
  std::optional<MemoWriter> memo_;
  std::optional<RecordEncoder> encoder_;
  std::vector<size_t> autoinc_fields_;
  std::string batch_;         // the records gathered, one after another
  size_t batch_records_ = 0;  // how many
  int64_t batch_started_ms_ = 0;
  std::vector<PendingMemo> memos_;
  std::string memo_bytes_;
};

}  // namespace

void TableWriter::Create(const std::string& path, const std::vector<NewField>& fields,
                         const std::string& backlink, int code_page) {
  const std::string table = TableName(path);
  if (FindPath(path))
    throw Error("Cannot create table \"" + path + "\": a file of that name already exists.");
  if (fields.empty()) throw Error("Cannot create table \"" + table + "\": it has no fields.");
  if (fields.size() > kMaxFields)
    throw Error("Cannot create table \"" + table + "\": it has " + std::to_string(fields.size()) +
                " fields; a table holds at most " + std::to_string(kMaxFields) + ".");
  if (backlink.size() > dbf::kBacklinkSize)
    throw Error("Cannot create table \"" + table + "\": the container path is too long.");

  TableHeader header;
  header.version = dbf::kVisualFoxPro;
  header.code_page_mark = MarkOfCodePage(code_page);
  if (header.code_page_mark == code_page_mark::kUnmarked)
    throw Error("Cannot create table \"" + table + "\": FoxPro tables cannot be marked with code page " +
                std::to_string(code_page) + "; choose a code page FoxPro knows, such as 1252 or 1251.");
  const TextCodec& codec = TextCodec::For(code_page);
  header.backlink = backlink;
  TodayInto(header.last_update);
  std::set<std::string> names;
  int null_bits = 0;
  uint32_t offset = 1;
  for (const NewField& in : fields) {
    std::string name_bytes, bad;
    if (!codec.Encode(in.name, name_bytes, bad))
      throw Error("Cannot create table \"" + table + "\": field name \"" + in.name + "\" holds " +
                  bad + ", which code page " + std::to_string(code_page) + " cannot hold.");
    if (name_bytes.empty() || name_bytes.size() > dbf::kFieldNameSize - 1)
      throw Error("Cannot create table \"" + table + "\": field name \"" + in.name +
                  "\" must have 1 to 10 characters.");
    if (!names.insert(Lower(in.name)).second)
      throw Error("Cannot create table \"" + table + "\": field name \"" + in.name +
                  "\" appears twice.");
    FieldDescriptor f = Describe(in, table);
    f.name = name_bytes;
    f.offset = offset;
    offset += f.length;
    if (f.type == 'V' || f.type == 'Q') {
      f.varlen_bit = null_bits++;
      header.version = dbf::kVisualFoxProVarchar;
    }
    if (f.nullable()) f.null_bit = null_bits++;
    if (f.autoincrement() && header.version == dbf::kVisualFoxPro)
      header.version = dbf::kVisualFoxProAutoIncrement;
    header.fields.push_back(f);
  }
  if (null_bits > 0) {
    header.has_null_flags = true;
    header.null_flags.name = dbf::kNullFlagsName;
    header.null_flags.type = dbf::kNullFlagsType;
    header.null_flags.offset = offset;
    header.null_flags.length = static_cast<uint8_t>((null_bits + 7) / 8);
    header.null_flags.flags = field_flag::kSystem | field_flag::kBinary;
    offset += header.null_flags.length;
  }
  if (offset > kMaxRecordLength)
    throw Error("Cannot create table \"" + table + "\": its records would be " +
                std::to_string(offset) + " bytes; at most " + std::to_string(kMaxRecordLength) +
                " are allowed.");
  header.record_length = static_cast<uint16_t>(offset);
  bool memo = header.has_memo_fields();
  if (memo) header.table_flags |= dbf::kHasMemo;

  std::string bytes = SerializeTableHeader(header);
  bytes.push_back(static_cast<char>(dbf::kEndOfFile));

  // A stale memo file of the same name (any case) is replaced, never doubled.
  std::string memo_path = MemoPathFor(path);
  if (auto existing = FindPath(memo_path)) memo_path = *existing;
  if (memo) MemoWriter::Create(memo_path, memo::kDefaultBlockSize);
  try {
    File::Open(path, File::Mode::kCreate)->WriteAt(0, bytes);
  } catch (...) {
    std::error_code ignored;
    FileSystem::Current().Remove(path, ignored);
    if (memo) FileSystem::Current().Remove(memo_path, ignored);
    throw;
  }
}

std::unique_ptr<TableWriter> TableWriter::OpenForAppend(const std::string& path,
                                                       bool caller_rebuilds_index) {
  return std::make_unique<TableWriterImpl>(path, caller_rebuilds_index);
}

}  // namespace veltrane::foxpro
