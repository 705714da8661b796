#include "foxpro/record/dbf_header.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>

#include "foxpro/record/coding.h"
#include "foxpro/error.h"

namespace veltrane::foxpro {

namespace {

// The versions a strict reading accepts: those this engine writes to.
bool WritableVersion(uint8_t version) {
  switch (version) {
    case dbf::kFoxBase:
    case dbf::kDBase3Memo:
    case dbf::kFoxPro2Memo:
    case dbf::kVisualFoxPro:
    case dbf::kVisualFoxProAutoIncrement:
    case dbf::kVisualFoxProVarchar:
      return true;
    default:
      return false;
  }
}

// The versions of the xBase family that a lenient reading takes as they are.
bool FamilyVersion(uint8_t version) {
  switch (version) {
    case dbf::kFoxBaseOld: case dbf::kFoxBase: case dbf::kDBase7: case dbf::kDBase4Sql:
    case dbf::kDBase4SqlSystem: case dbf::kDBase4Memo: case dbf::kDBase3Memo:
    case dbf::kDBase4MemoAlt: case dbf::kDBase7Memo: case dbf::kDBase4SqlMemo:
    case dbf::kClipperSmt: case dbf::kFoxPro2Memo: case dbf::kFoxPro2MemoAlt:
    case dbf::kVisualFoxPro: case dbf::kVisualFoxProAutoIncrement:
    case dbf::kVisualFoxProVarchar:
      return true;
    default:
      return false;
  }
}

std::string Hex(uint8_t byte) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", byte);
  return hex;
}

bool IsRecordFlag(const std::string& byte) {
  return byte.size() == 1 && (byte[0] == dbf::kLiveRecord || byte[0] == dbf::kDeletedRecord);
}

// Checks a field's width against what its type allows; empty when fine.
std::string WidthProblem(const FieldDescriptor& f) {
  auto fixed = [&](int width) -> std::string {
    if (f.length == width) return "";
    return "has width " + std::to_string(f.length) + " but type " + std::string(1, f.type) +
           " needs " + std::to_string(width);
  };
  switch (f.type) {
    case 'C': case 'V': case 'Q': case 'N': case 'F':
      return f.length == 0 ? "has width 0" : "";
    case 'I': return fixed(4);
    case 'B': case 'Y': case 'T': return fixed(8);
    case 'D': return fixed(8);
    case 'L': return fixed(1);
    case 'M': case 'G': case 'W':
      return f.length == 4 || f.length == 10 ? "" : "has memo pointer width " +
                                                        std::to_string(f.length);
    default:
      return "has the unknown type '" + std::string(1, f.type) + "'";
  }
}

// The name bytes of a descriptor: up to the first NUL, without trailing
// blanks (some writers pad names with blanks).
std::string DescriptorName(const std::string& head, size_t at, size_t size) {
  size_t length = 0;
  while (length < size && head[at + length] != '\0') ++length;
  while (length > 0 && head[at + length - 1] == ' ') --length;
  return head.substr(at, length);
}

FieldDescriptor ReadDescriptor(const std::string& head, size_t at, const TableHeader& h) {
  FieldDescriptor f;
  size_t type_at = dbf::kFieldTypeOffset;
  if (h.dbase7()) {
    f.name = DescriptorName(head, at, dbf::kDBase7FieldNameSize);
    type_at = dbf::kDBase7FieldTypeOffset;
  } else {
    f.name = DescriptorName(head, at, dbf::kFieldNameSize);
  }
  f.type = static_cast<char>(head[at + type_at]);
  if (f.type >= 'a' && f.type <= 'z') f.type = static_cast<char>(f.type - 'a' + 'A');
  // dBase 7 keeps width and decimal count right after the type; the others
  // at fixed offsets after the displacement.
  const size_t length_at = h.dbase7() ? type_at + 1 : dbf::kFieldLengthOffset;
  f.length = static_cast<uint8_t>(head[at + length_at]);
  f.decimals = static_cast<uint8_t>(head[at + length_at + 1]);
  if (f.type == field_type::kUnicodeChar || f.type == field_type::kUnicodeVarChar) {
    f.length = static_cast<uint16_t>(f.length + dbf::kWideCharacterStep * f.decimals);
    f.decimals = 0;
  }
  if (h.dbase7()) {
    if (f.type == '+')
      f.autoinc_next = DecodeFixed32(head.data() + at + dbf::kDBase7AutoIncrementNextOffset);
  } else {
    // Other tables keep the byte as they found it until SplitNullFlags
    // decides whether it holds flags.
    f.flags = static_cast<uint8_t>(head[at + dbf::kFieldFlagsOffset]);
    if (h.visual_foxpro() && f.autoincrement()) {
      f.autoinc_next = DecodeFixed32(head.data() + at + dbf::kAutoIncrementNextOffset);
      f.autoinc_step = static_cast<uint8_t>(head[at + dbf::kAutoIncrementStepOffset]);
    }
  }
  return f;
}

// True for the hidden field that holds the null and length bits: type '0',
// in Visual FoxPro tables, and in other tables (Harbour's) when its flags
// mark it hidden.
bool IsNullFlagsField(const FieldDescriptor& f, const TableHeader& h) {
  if (f.type != dbf::kNullFlagsType || h.dbase7()) return false;
  return h.visual_foxpro() || (f.flags & field_flag::kSystem) != 0;
}

uint64_t WidthSum(const std::vector<FieldDescriptor>& fields) {
  uint64_t sum = 1;  // the deletion flag
  for (const FieldDescriptor& f : fields) sum += f.length;
  return sum;
}

// The extra bytes the character fields take when their decimal counts hold
// the high bytes of their widths.
uint64_t WideExtra(const std::vector<FieldDescriptor>& fields) {
  uint64_t extra = 0;
  for (const FieldDescriptor& f : fields)
    if (f.type == 'C') extra += dbf::kWideCharacterStep * f.decimals;
  return extra;
}

// Room made for field descriptors before they are read: as many as the
// header has room for, up to the 255 fields FoxPro allows.
constexpr size_t kFieldsReserved = 256;

// Reads one table header; see ParseTableHeader.
class HeaderParser {
 public:
  HeaderParser(const ReadAt& read_at, uint64_t file_size, const std::string& path,
               HeaderReading reading, const std::string& table)
      : read_at_(read_at),
        file_size_(file_size),
        lenient_(reading == HeaderReading::kLenient),
        path_(path),
        table_(table) {}

  // Reads the header and hands it over: call once.
  TableHeader Parse();

 private:
  // Throws Error naming the file, then `parts` (see ThrowError).
  template <typename... Parts>
  [[noreturn, gnu::cold, gnu::noinline]] void Refuse(const Parts&... parts) const {
    ThrowError("Table file \"", path_, "\" ", parts...);
  }
  // What notices begin with: the table.
  std::string Table() const {
    return "Table \"" + (table_.empty() ? std::filesystem::path(path_).stem().string() : table_) +
           "\" ";
  }
  void Note(bool problem, const std::string& text) {
    h_.notices.push_back(Notice{problem, Table() + text});
  }
  // The steps of Parse, each kept a function of its own: a refusal unwinds
  // through the step that refused, whose table of calls is short, rather
  // than through the whole parser's (see ThrowError).
  [[gnu::noinline]] void ReadPrefix();
  [[gnu::noinline]] void ReadFields(const std::string& head);
  [[gnu::noinline]] void ReadBacklink(const std::string& head);
  [[gnu::noinline]] void FitRecordLength();
  [[gnu::noinline]] void SplitNullFlags();
  [[gnu::noinline]] void FindRecords();
  [[gnu::noinline]] void CountRecords();

  const ReadAt& read_at_;
  const uint64_t file_size_;
  const bool lenient_;
  const std::string& path_;
  const std::string& table_;
  TableHeader h_;
  std::vector<FieldDescriptor> all_;  // every descriptor, _NullFlags included
  size_t fields_end_ = 0;             // where the descriptors end
  bool terminated_ = false;
};

TableHeader HeaderParser::Parse() {
  ReadPrefix();
  const std::string head = read_at_(0, h_.header_length);
  if (head.size() < h_.header_length)
    Refuse("is truncated: its header is ", h_.header_length, " bytes but the file has ",
           file_size_, ".");
  if (h_.dbase7())
    h_.language_driver = DescriptorName(head, dbf::kLanguageDriverOffset, dbf::kLanguageDriverSize);
  ReadFields(head);
  ReadBacklink(head);
  FitRecordLength();
  SplitNullFlags();
  FindRecords();
  CountRecords();
  if (lenient_ && !FamilyVersion(h_.version)) {
    for (const Notice& notice : h_.notices)
      if (notice.problem)
        Refuse("is not a table this program can read (version byte ", Hex(h_.version),
               ", and its header does not agree with the file).");
    Note(false, "has the version byte " + Hex(h_.version) +
                    ", which no xBase program is known to write; its header is coherent, so it "
                    "was read like a dBase III table.");
  }
  return std::move(h_);
}

void HeaderParser::ReadPrefix() {
  if (file_size_ == 0) Refuse("is empty.");
  const std::string head = read_at_(0, dbf::kHeaderSize);
  if (head.size() < dbf::kHeaderSize)
    Refuse("is not a table: it is shorter than a table header (", file_size_, " bytes).");
  h_.version = static_cast<uint8_t>(head[dbf::kVersionOffset]);
  if (!lenient_ && !WritableVersion(h_.version))
    Refuse("is not a FoxPro table (version byte ", Hex(h_.version), ").");
  std::memcpy(h_.last_update, head.data() + dbf::kLastUpdateOffset, 3);
  h_.record_count = DecodeFixed32(head.data() + dbf::kRecordCountOffset);
  h_.header_length = DecodeFixed16(head.data() + dbf::kHeaderLengthOffset);
  h_.record_length = DecodeFixed16(head.data() + dbf::kRecordLengthOffset);
  h_.table_flags = static_cast<uint8_t>(head[dbf::kTableFlagsOffset]);
  h_.code_page_mark = static_cast<uint8_t>(head[dbf::kCodePageOffset]);
  const size_t first = h_.dbase7() ? dbf::kDBase7FirstDescriptor : dbf::kHeaderSize;
  if (h_.header_length < first + 1) {
    if (!FamilyVersion(h_.version))
      Refuse("is not a table this program can read (version byte ", Hex(h_.version),
             ", header length ", h_.header_length, ").");
    Refuse("is corrupt: its header length ", h_.header_length, " is too small.");
  }
  if (h_.header_length > file_size_)
    Refuse("is truncated: its header is ", h_.header_length, " bytes but the file has ",
           file_size_, ".");
  if (h_.record_length == 0) Refuse("is corrupt: its record length is 0.");
}

void HeaderParser::ReadFields(const std::string& head) {
  const size_t size = h_.dbase7() ? dbf::kDBase7DescriptorSize : dbf::kFieldDescriptorSize;
  size_t at = h_.dbase7() ? dbf::kDBase7FirstDescriptor : dbf::kHeaderSize;
  if (at < h_.header_length)
    all_.reserve(std::min<size_t>((h_.header_length - at) / size, kFieldsReserved));
  while (at < h_.header_length) {
    if (static_cast<uint8_t>(head[at]) == dbf::kHeaderTerminator) {
      terminated_ = true;
      break;
    }
    if (at + size > h_.header_length) {
      if (!lenient_)
        Refuse("is corrupt: a field descriptor runs past the end of the header.");
      break;
    }
    FieldDescriptor f = ReadDescriptor(head, at, h_);
    // Zero bytes where the terminator belongs end the descriptors too.
    if (lenient_ && f.name.empty() && f.type == '\0') break;
    if (!lenient_) {
      if (f.type == dbf::kNullFlagsType && h_.visual_foxpro()) {
        if (f.length == 0) Refuse("is corrupt: its _NullFlags field has width 0.");
      } else if (std::string problem = WidthProblem(f); !problem.empty()) {
        Refuse("is corrupt or not supported: field \"", f.name, "\" ", problem, ".");
      }
    }
    all_.push_back(std::move(f));
    at += size;
  }
  fields_end_ = at;
  if (all_.empty()) {
    if (!lenient_ || h_.record_length != 1)
      Refuse("is corrupt: its header describes no fields.");
    Note(false, "has no fields; it arrives as a table without columns.");
  } else if (lenient_ && !terminated_) {
    Note(false, "has no terminator after its field descriptors; its " +
                    std::to_string(all_.size()) + " fields were read up to its header length.");
  }
}

void HeaderParser::ReadBacklink(const std::string& head) {
  if (!terminated_ || !h_.visual_foxpro()) return;
  const size_t start = std::min<size_t>(fields_end_ + 1, head.size());
  const size_t end = std::min<size_t>(start + dbf::kBacklinkSize, head.size());
  size_t stop = start;
  while (stop < end && head[stop] != '\0') ++stop;
  h_.backlink.assign(head, start, stop - start);
}

// Chooses the field widths under which the fields fill the record exactly:
// as stored, or (character fields) with the high width byte in the decimal
// count. A record a few bytes short of the fields cuts the last field.
void HeaderParser::FitRecordLength() {
  const uint64_t narrow = WidthSum(all_);
  const uint64_t extra = WideExtra(all_);
  const std::string record_length = std::to_string(h_.record_length);
  if (narrow == h_.record_length) return;
  if (extra > 0 && narrow + extra == h_.record_length) {
    if (!lenient_)
      Refuse("is not supported for writing: it has character fields wider than 255 bytes.");
    for (FieldDescriptor& f : all_) {
      if (f.type != 'C') continue;
      f.length = static_cast<uint16_t>(f.length + dbf::kWideCharacterStep * f.decimals);
      f.decimals = 0;
    }
    return;
  }
  const bool known = FamilyVersion(h_.version);
  if (narrow < h_.record_length) {
    if (!lenient_) return;
    if (!known)
      Refuse("is not a table this program can read (version byte ", Hex(h_.version),
             "; its record length ", record_length, " does not match its fields).");
    Note(false, "has records of " + record_length + " bytes, " +
                    std::to_string(h_.record_length - narrow) +
                    " more than its fields take; the extra bytes were not read.");
    return;
  }
  const uint64_t missing = narrow - h_.record_length;
  FieldDescriptor* last = all_.empty() ? nullptr : &all_.back();
  if (!lenient_ || !known || last == nullptr || missing > last->length ||
      last->type == dbf::kNullFlagsType)
    Refuse("is corrupt: its record length ", record_length, " is shorter than its fields (", narrow,
           " bytes).");
  last->length = static_cast<uint16_t>(last->length - missing);
  Note(true, "has records of " + record_length + " bytes, " + std::to_string(missing) +
                 " fewer than its fields take: its last field \"" + last->name +
                 "\" was read with " + std::to_string(last->length) + " of its " +
                 std::to_string(last->length + missing) + " bytes.");
}

void HeaderParser::SplitNullFlags() {
  h_.fields.reserve(all_.size());
  uint32_t displacement = 1;  // after the deletion flag
  for (FieldDescriptor& f : all_) {
    f.offset = displacement;
    displacement += f.length;
  }
  for (FieldDescriptor& f : all_) {
    if (IsNullFlagsField(f, h_)) {
      h_.has_null_flags = true;
      h_.null_flags = f;
      continue;
    }
    h_.fields.push_back(f);
  }
  // Other writers than Visual FoxPro leave random bytes where it keeps its
  // field flags; Harbour writes the flags, and the _NullFlags field with
  // them. Without that field the bytes are no flags.
  if (!h_.visual_foxpro()) {
    const uint8_t kept = h_.has_null_flags ? field_flag::kSystem | field_flag::kNullable |
                                                 field_flag::kBinary
                                           : 0;
    for (FieldDescriptor& f : h_.fields) f.flags &= kept;
  }
  if (h_.has_null_flags) {
    // Bits in field order; a variable-length field's "shorter than full"
    // bit comes before its null bit. Harbour gives its Unicode varchar a
    // length bit too, though the field holds its own length; V is a
    // varchar only in Visual FoxPro tables.
    int next_bit = 0;
    for (FieldDescriptor& f : h_.fields) {
      if ((f.type == 'V' && h_.visual_foxpro()) || f.type == 'Q' ||
          f.type == field_type::kUnicodeVarChar)
        f.varlen_bit = next_bit++;
      if (f.nullable()) f.null_bit = next_bit++;
    }
    if (next_bit > 8 * h_.null_flags.length)
      Refuse("is corrupt: its _NullFlags field is too short for its fields.");
  } else {
    for (FieldDescriptor& f : h_.fields) f.flags &= static_cast<uint8_t>(~field_flag::kNullable);
  }
  // dBase 7 leaves the bytes of a binary number it never wrote zero: such a
  // field may hold null.
  if (h_.dbase7())
    for (FieldDescriptor& f : h_.fields)
      if (f.type == 'I' || f.type == '+' || f.type == 'O' || f.type == '@')
        f.flags |= field_flag::kNullable;
}

// Where the records start: at the header length, unless that contradicts
// the descriptors (it lies inside them, or before a Visual FoxPro back-link
// area) and no record starts there; then, in a lenient reading, where the
// records, counted back from the end of the file, start. A strict reading
// refuses such a header: a write would go where readers do not look.
void HeaderParser::FindRecords() {
  h_.data_start = h_.header_length;
  if (h_.record_count == 0) return;
  size_t expected = fields_end_ + (terminated_ ? 1 : 0);
  if (terminated_ && h_.visual_foxpro()) expected += dbf::kBacklinkSize;
  if (h_.header_length >= expected || IsRecordFlag(read_at_(h_.header_length, 1))) return;
  if (!lenient_)
    Refuse("is corrupt: its header length ", h_.header_length,
           " ends before its header does, and no record starts there.");
  const uint64_t records = static_cast<uint64_t>(h_.record_count) * h_.record_length;
  std::vector<uint64_t> candidates;
  if (records < file_size_) {
    const uint64_t end = file_size_ - records;
    if (read_at_(file_size_ - 1, 1) == std::string(1, static_cast<char>(dbf::kEndOfFile)))
      candidates.push_back(end - 1);
    candidates.push_back(end);
  }
  candidates.push_back(expected);
  for (uint64_t start : candidates) {
    if (start < fields_end_ || start > UINT32_MAX || start + h_.record_length > file_size_) continue;
    if (!IsRecordFlag(read_at_(start, 1))) continue;
    h_.data_start = static_cast<uint32_t>(start);
    Note(true, "says its records start at byte " + std::to_string(h_.header_length) +
                   ", before the end of its header; they were found at byte " +
                   std::to_string(start) + " and read from there.");
    return;
  }
  Refuse("is corrupt: its header length ", h_.header_length,
         " ends before its header does and its records cannot be found.");
}

void HeaderParser::CountRecords() {
  const uint64_t available = file_size_ > h_.data_start ? file_size_ - h_.data_start : 0;
  const uint64_t whole = available / h_.record_length;
  h_.records_present = static_cast<uint32_t>(std::min<uint64_t>(whole, h_.record_count));
  h_.records_in_file = static_cast<uint32_t>(std::min<uint64_t>(whole, UINT32_MAX));
  if (h_.records_present == h_.record_count) return;
  if (!lenient_)
    Refuse("is truncated: its header counts ", h_.record_count, " records but the file holds ",
           whole, ".");
  Note(true, "counts " + std::to_string(h_.record_count) +
                 " records in its header, but the file holds only " +
                 std::to_string(h_.records_present) + " whole records; those were read.");
}

// The header of a dBase II table, when the file is one: its descriptors end
// with a terminator, its fields fill its records and its records fit the
// file. nullopt otherwise.
std::optional<TableHeader> ParseDBase2Header(const ReadAt& read_at, uint64_t file_size) {
  // The version byte first: most tables are no dBase II tables.
  if (read_at(dbf::kVersionOffset, 1) != std::string(1, static_cast<char>(dbf::kFoxBaseOld)))
    return std::nullopt;
  const std::string head = read_at(0, dbf::kDBase2HeaderLength);
  if (head.size() < dbf::kDBase2HeaderLength) return std::nullopt;
  TableHeader h;
  h.version = dbf::kFoxBaseOld;
  h.record_count = DecodeFixed16(head.data() + dbf::kDBase2RecordCountOffset);
  uint32_t width = 1;
  bool terminated = false;
  for (size_t slot = 0; slot < dbf::kDBase2Descriptors; ++slot) {
    const size_t at = dbf::kDBase2FirstDescriptor + slot * dbf::kDBase2DescriptorSize;
    if (static_cast<uint8_t>(head[at]) == dbf::kHeaderTerminator) {
      terminated = true;
      break;
    }
    FieldDescriptor f;
    f.name = DescriptorName(head, at, dbf::kFieldNameSize);
    f.type = static_cast<char>(head[at + 11]);
    f.length = static_cast<uint8_t>(head[at + 12]);
    f.decimals = static_cast<uint8_t>(head[at + 15]);
    f.offset = width;
    if (f.name.empty() || (f.type != 'C' && f.type != 'N' && f.type != 'L')) return std::nullopt;
    width += f.length;
    h.fields.push_back(std::move(f));
  }
  terminated = terminated || static_cast<uint8_t>(head[dbf::kDBase2HeaderLength - 1]) ==
                                 dbf::kHeaderTerminator;
  const uint32_t stored_length = DecodeFixed16(head.data() + dbf::kDBase2RecordLengthOffset);
  // The stored length counts the deletion flag or not, as writers differ.
  if (!terminated || h.fields.empty() || (stored_length != width && stored_length + 1 != width))
    return std::nullopt;
  h.header_length = static_cast<uint16_t>(dbf::kDBase2HeaderLength);
  h.record_length = static_cast<uint16_t>(width);
  h.data_start = static_cast<uint32_t>(dbf::kDBase2HeaderLength);
  if (dbf::kDBase2HeaderLength + static_cast<uint64_t>(h.record_count) * width > file_size)
    return std::nullopt;
  h.records_present = h.record_count;
  h.records_in_file = h.record_count;
  return h;
}

}  // namespace

bool TableHeader::visual_foxpro() const {
  return version == dbf::kVisualFoxPro || version == dbf::kVisualFoxProAutoIncrement ||
         version == dbf::kVisualFoxProVarchar;
}

bool TableHeader::dbase7() const { return version == dbf::kDBase7 || version == dbf::kDBase7Memo; }

bool TableHeader::has_memo_fields() const {
  for (const FieldDescriptor& f : fields)
    if (IsMemoField(f)) return true;
  return false;
}

bool IsMemoType(char type) { return type == 'M' || type == 'G' || type == 'W'; }

bool IsMemoField(const FieldDescriptor& f) {
  return IsMemoType(f.type) || f.type == 'P' || (f.type == 'B' && f.length != 8);
}

TableHeader ParseTableHeader(const ReadAt& read_at, uint64_t file_size, const std::string& path,
                             HeaderReading reading, const std::string& table) {
  if (reading == HeaderReading::kLenient)
    if (std::optional<TableHeader> old = ParseDBase2Header(read_at, file_size)) return *old;
  return HeaderParser(read_at, file_size, path, reading, table).Parse();
}

std::string SerializeHeaderPrefix(const TableHeader& h) {
  std::string out(dbf::kHeaderSize, '\0');
  out[dbf::kVersionOffset] = static_cast<char>(h.version);
  std::memcpy(out.data() + dbf::kLastUpdateOffset, h.last_update, 3);
  EncodeFixed32(out.data() + dbf::kRecordCountOffset, h.record_count);
  EncodeFixed16(out.data() + dbf::kHeaderLengthOffset, h.header_length);
  EncodeFixed16(out.data() + dbf::kRecordLengthOffset, h.record_length);
  out[dbf::kTableFlagsOffset] = static_cast<char>(h.table_flags);
  out[dbf::kCodePageOffset] = static_cast<char>(h.code_page_mark);
  return out;
}

void TodayInto(uint8_t (&date)[3]) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  date[0] = static_cast<uint8_t>(local.tm_year % 100);
  date[1] = static_cast<uint8_t>(local.tm_mon + 1);
  date[2] = static_cast<uint8_t>(local.tm_mday);
}

std::string SerializeTableHeader(const TableHeader& header) {
  TableHeader h = header;
  std::vector<FieldDescriptor> all = h.fields;
  if (h.has_null_flags) all.push_back(h.null_flags);
  size_t length = dbf::kHeaderSize + dbf::kFieldDescriptorSize * all.size() + 1 +
                  (h.visual_foxpro() ? dbf::kBacklinkSize : 0);
  h.header_length = static_cast<uint16_t>(length);
  uint32_t displacement = 1;
  std::string out = SerializeHeaderPrefix(h);
  for (const FieldDescriptor& f : all) {
    std::string d(dbf::kFieldDescriptorSize, '\0');
    std::memcpy(d.data(), f.name.data(), std::min(f.name.size(), dbf::kFieldNameSize - 1));
    d[dbf::kFieldTypeOffset] = f.type;
    EncodeFixed32(d.data() + dbf::kFieldDisplacementOffset, displacement);
    d[dbf::kFieldLengthOffset] = static_cast<char>(f.length);
    d[dbf::kFieldDecimalsOffset] = static_cast<char>(f.decimals);
    d[dbf::kFieldFlagsOffset] = static_cast<char>(f.flags);
    if (f.autoincrement()) {
      EncodeFixed32(d.data() + dbf::kAutoIncrementNextOffset, f.autoinc_next);
      d[dbf::kAutoIncrementStepOffset] = static_cast<char>(f.autoinc_step);
    }
    out += d;
    displacement += f.length;
  }
  out.push_back(static_cast<char>(dbf::kHeaderTerminator));
  if (h.visual_foxpro()) {
    std::string backlink(dbf::kBacklinkSize, '\0');
    std::memcpy(backlink.data(), h.backlink.data(), std::min(h.backlink.size(), dbf::kBacklinkSize));
    out += backlink;
  }
  EncodeFixed16(out.data() + dbf::kHeaderLengthOffset, static_cast<uint16_t>(out.size()));
  EncodeFixed16(out.data() + dbf::kRecordLengthOffset, static_cast<uint16_t>(displacement));
  return out;
}

}  // namespace veltrane::foxpro
