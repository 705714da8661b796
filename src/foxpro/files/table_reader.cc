#include "foxpro/files/table_reader.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "foxpro/busy_hook.h"
#include "foxpro/codepages/codepage.h"
#include "foxpro/codepages/codepage_detect.h"
#include "foxpro/record/coding.h"
#include "foxpro/record/dbf_header.h"
#include "foxpro/error.h"
#include "foxpro/record/field_value.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/file_names.h"
#include "foxpro/files/memo_file.h"
#include "foxpro/record/value_format.h"
#include "foxpro/record/value_issues.h"

namespace veltrane::foxpro {

namespace {

// Records are read in chunks of about this many bytes.
constexpr size_t kChunkBytes = 256 * 1024;
// The records whose text the code page of an unmarked table is guessed
// from: at most this many bytes of them, and of text.
constexpr size_t kSampleRecordBytes = 1024 * 1024;
constexpr size_t kSampleTextBytes = 256 * 1024;
// A .cpg file holds one short name.
constexpr size_t kLongestCpgFile = 64;
// A binary memo value arrives in hex form, two characters a byte.
constexpr uint64_t kLargestBinaryValue = (memo::kLargestValue - 2) / 2;
// An example value in a notice is cut to this many bytes.
constexpr size_t kExampleBytes = 40;

// A .cpg file's content as a notice quotes it: control characters dropped.
std::string PrintableName(const std::string& text) {
  std::string name;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) name.push_back(c);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::string_view StripTrailing(std::string_view bytes, std::string_view chars) {
  size_t end = bytes.size();
  while (end > 0 && chars.find(bytes[end - 1]) != std::string_view::npos) --end;
  return bytes.substr(0, end);
}

std::string_view StripTrailingNuls(std::string_view bytes) {
  return StripTrailing(bytes, std::string_view("\0", 1));
}

std::string_view TrimBlanks(std::string_view bytes) {
  const std::string_view blanks(" \0", 2);
  const size_t begin = bytes.find_first_not_of(blanks);
  if (begin == std::string_view::npos) return {};
  return bytes.substr(begin, bytes.find_last_not_of(blanks) - begin + 1);
}

// True for bytes that are binary data rather than text: control bytes
// other than tab and line breaks.
bool LooksBinary(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return b < 0x20 && b != '\t' && b != '\r' && b != '\n';
  });
}

// What a field of a type that can hold an invalid value holds, for notices.
const char* WhatFieldHolds(char type) {
  switch (type) {
    case 'D': return "date";
    case 'T': case '@': case '=': return "timestamp";
    case 'L': return "logical value";
    default: return "number";
  }
}

// A field's type byte for a notice: 'C' when printable, else 0x1A.
std::string TypeName(char type) {
  const unsigned char byte = static_cast<unsigned char>(type);
  if (byte > 0x20 && byte < 0x7F) return "'" + std::string(1, type) + "'";
  const char* digits = "0123456789ABCDEF";
  return std::string("0x") + digits[byte >> 4] + digits[byte & 0x0F];
}

// The memo file a table of `version` keeps its memo values in.
struct MemoPlace {
  MemoReader::Kind kind;
  const char* extension;
};

std::vector<MemoPlace> MemoPlaces(const TableHeader& header, const std::string& table_path) {
  std::string extension = std::filesystem::path(table_path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".dbc") return {{MemoReader::Kind::kFpt, ".dct"}};
  switch (header.version) {
    case dbf::kVisualFoxPro:
    case dbf::kVisualFoxProAutoIncrement:
    case dbf::kVisualFoxProVarchar:
    case dbf::kFoxPro2Memo:
    case dbf::kFoxPro2MemoAlt:
      return {{MemoReader::Kind::kFpt, ".fpt"}};
    case dbf::kDBase3Memo:
      return {{MemoReader::Kind::kDbt, ".dbt"}};
    case dbf::kDBase4Memo:
    case dbf::kDBase4MemoAlt:
    case dbf::kDBase4SqlMemo:
    case dbf::kDBase7:
    case dbf::kDBase7Memo:
    case dbf::kDBase4Sql:
    case dbf::kDBase4SqlSystem:
      return {{MemoReader::Kind::kDbt4, ".dbt"}};
    default:
      // FoxBASE+, Clipper and unknown writers: either kind.
      return {{MemoReader::Kind::kDbt4, ".dbt"}, {MemoReader::Kind::kFpt, ".fpt"}};
  }
}

class TableReaderImpl : public TableReader {
 public:
  TableReaderImpl(const std::string& path, const CodePageChoice& choice, const std::string& name)
      : file_(File::Open(path, File::Mode::kRead)),
        table_name_(name.empty() ? std::filesystem::path(path).stem().string() : name) {
    const uint64_t size = file_->Size();
    header_ = ParseTableHeader(
        [this](uint64_t offset, size_t length) { return file_->ReadAt(offset, length); }, size,
        path, HeaderReading::kLenient, table_name_);
    notices_ = std::move(header_.notices);
    dbase7_ = header_.dbase7();
    records_per_chunk_ = std::max<size_t>(1, kChunkBytes / header_.record_length);
    CountRecordsBeyondTheCount();
    ChooseCodePage(choice, path);
    field_names_.reserve(header_.fields.size());
    for (const FieldDescriptor& f : header_.fields) {
      std::string name;
      codec_->Decode(f.name, name);
      field_names_.push_back(std::move(name));
    }
    NoteUnknownFields();
    if (header_.has_memo_fields()) OpenMemo(path);
  }

  const std::string& name() const override { return table_name_; }
  uint8_t version() const override { return header_.version; }
  int code_page() const override { return code_page_; }
  const std::vector<FieldDescriptor>& fields() const override { return header_.fields; }
  const std::vector<std::string>& field_names() const override { return field_names_; }
  void NameColumns(std::vector<std::string> names) override { columns_ = std::move(names); }

  int64_t live_record_count() override {
    if (live_count_ >= 0) return live_count_;
    int64_t live = 0;
    std::string buffer;
    const size_t length = header_.record_length;
    for (uint64_t first = 0; first < records_; first += records_per_chunk_) {
      const size_t count = static_cast<size_t>(std::min<uint64_t>(records_per_chunk_, records_ - first));
      buffer.resize(count * length);
      const size_t got = file_->ReadAt(header_.data_start + first * length, buffer.data(), buffer.size());
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
      for (size_t i = 0; i < header_.fields.size(); ++i) Format(i, record, cells[i]);
      return true;
    }
    return false;
  }

  std::vector<Notice> Notices() const override {
    std::vector<Notice> notices = notices_;
    for (Notice& notice : issues_.Summaries(table_name_, columns_.empty() ? field_names_ : columns_))
      notices.push_back(std::move(notice));
    return notices;
  }

 private:
  // Whole records that follow the ones the header counts and start like
  // records (a live or deleted flag) were written by a program that did not
  // get to update the count: they are read too, up to the first that does
  // not start like a record (the end-of-file mark, say).
  void CountRecordsBeyondTheCount() {
    records_ = header_.records_present;
    if (header_.records_in_file <= header_.records_present) return;
    const size_t length = header_.record_length;
    std::string buffer;
    while (records_ < header_.records_in_file) {
      const size_t count = static_cast<size_t>(
          std::min<uint64_t>(records_per_chunk_, header_.records_in_file - records_));
      buffer.resize(count * length);
      buffer.resize(file_->ReadAt(header_.data_start + records_ * length, buffer.data(), buffer.size()));
      size_t i = 0;
      while (i < count && (i + 1) * length <= buffer.size() &&
             (buffer[i * length] == dbf::kLiveRecord || buffer[i * length] == dbf::kDeletedRecord))
        ++i;
      records_ += i;
      if (i < count) break;
    }
    if (records_ > header_.records_present)
      notices_.push_back(Notice{true, "Table \"" + table_name_ + "\" counts " +
                                          std::to_string(header_.record_count) +
                                          " records in its header, but " +
                                          std::to_string(records_ - header_.records_present) +
                                          " more follow them in the file; they were read too."});
  }

  // The mark's code page; for a table without one, the user's choice, else
  // a guess from its text, else 1252. A forced choice overrides the mark.
  void ChooseCodePage(const CodePageChoice& choice, const std::string& path) {
    int marked = header_.code_page_mark == code_page_mark::kUnmarked
                     ? 0
                     : CodePageOfMark(header_.code_page_mark);
    if (marked == 0 && dbase7_) marked = CodePageOfLanguageDriver(header_.language_driver);
    // Shapefile tables declare their code page in a .cpg file beside them.
    if (marked == 0 && !choice.force) {
      if (std::optional<std::string> cpg = FindSibling(path, ".cpg")) {
        std::string declared;
        try {
          declared = File::Open(*cpg, File::Mode::kRead)->ReadAt(0, kLongestCpgFile);
        } catch (const Error&) {
          // An unreadable .cpg file declares nothing.
        }
        marked = CodePageOfName(declared);
        if (marked != 0)
          notices_.push_back(Notice{false, "Table \"" + table_name_ +
                                               "\" has no code-page mark; its text was read as "
                                               "code page " + std::to_string(marked) +
                                               ", as its .cpg file says."});
        else if (declared.find_first_not_of(" \t\r\n") != std::string::npos)
          notices_.push_back(Notice{false, "Table \"" + table_name_ + "\" has a .cpg file naming \"" +
                                               PrintableName(declared) +
                                               "\", a code page this program cannot read; the "
                                               "file was ignored. Name the table's code page with "
                                               "--code-page N."});
      }
    }
    if (choice.code_page != 0 && (choice.force || marked == 0)) {
      code_page_ = choice.code_page;
    } else if (marked != 0) {
      code_page_ = marked;
    } else {
      GuessFromText();
    }
    codec_ = &TextCodec::For(code_page_);
  }

  // The code page of an unmarked table that the user named none for: the
  // one its text reads best in; when that is unclear, 1252 (or, where 1252
  // would read undefined bytes, the best reading) with a note that says why.
  void GuessFromText() {
    using Verdict = CodePageGuess::Verdict;
    const CodePageGuess guess = GuessCodePage(TextSample());
    if (guess.verdict == Verdict::kNothingToGo) return;
    if (guess.code_page != 0 && (guess.verdict == Verdict::kGuessed || !guess.default_clean))
      code_page_ = guess.code_page;
    if (guess.verdict == Verdict::kGuessed) {
      if (guess.code_page != kDefaultCodePage)
        notices_.push_back(Notice{false, "Table \"" + table_name_ +
                                             "\" has no code-page mark; its text was read as "
                                             "code page " + std::to_string(guess.code_page) +
                                             ", which its text looks like."});
      return;
    }
    std::string why;
    if (guess.verdict == Verdict::kTooLittle) {
      if (guess.code_page == kDefaultCodePage) return;
      why = "too little of its text goes beyond ASCII to tell its code page (it reads best as "
            "code page " + std::to_string(guess.code_page) + ")";
    } else if (guess.verdict == Verdict::kAmbiguous) {
      why = "its text reads as well in code page " + std::to_string(guess.code_page) + " as in " +
            std::to_string(guess.rival);
    } else {
      why = "its text reads cleanly in no code page this program knows (every reading holds "
            "control characters or undefined bytes)";
    }
    notices_.push_back(Notice{false, "Table \"" + table_name_ + "\" has no code-page mark, and " +
                                         why + "; it was read as code page " +
                                         std::to_string(code_page_) +
                                         ". Name its code page with --code-page N."});
  }

  // The field names and the text of the first records.
  std::string TextSample() {
    std::string sample;
    for (const FieldDescriptor& f : header_.fields) sample += f.name + "\n";
    const uint64_t records =
        std::min<uint64_t>(records_, kSampleRecordBytes / header_.record_length);
    std::string buffer(static_cast<size_t>(records * header_.record_length), '\0');
    buffer.resize(file_->ReadAt(header_.data_start, buffer.data(), buffer.size()));
    for (size_t at = 0; at + header_.record_length <= buffer.size() && sample.size() < kSampleTextBytes;
         at += header_.record_length) {
      for (const FieldDescriptor& f : header_.fields) {
        if ((f.type != 'C' && f.type != 'V') || f.binary()) continue;
        sample += StripTrailing(std::string_view(buffer).substr(at + f.offset, f.length),
                                std::string_view(" \0", 2));
        sample += '\n';
      }
    }
    return sample;
  }

  void NoteUnknownFields() {
    std::string unknown;
    for (size_t i = 0; i < header_.fields.size(); ++i) {
      const FieldDescriptor& f = header_.fields[i];
      if (KnowsField(f)) continue;
      if (!unknown.empty()) unknown += ", ";
      unknown += "\"" + field_names_[i] + "\" (type " + TypeName(f.type) + ", width " +
                 std::to_string(f.length) + ")";
    }
    if (unknown.empty()) return;
    notices_.push_back(Notice{true, "Table \"" + table_name_ + "\" has fields of a type this "
                                    "program does not know: " + unknown +
                                    ". Their values arrived as their stored bytes: as text, or in "
                                    "hex form (\\x...) where they are binary."});
  }

  // A table with memo fields needs its memo file: without it the table is
  // refused, as FoxPro refuses it.
  void OpenMemo(const std::string& path) {
    const std::vector<MemoPlace> places = MemoPlaces(header_, path);
    for (const MemoPlace& place : places) {
      if (std::optional<std::string> found = FindSibling(path, place.extension)) {
        memo_.emplace(found, place.kind, *found);
        break;
      }
    }
    if (!memo_ && header_.version == dbf::kClipperSmt && FindSibling(path, ".smt"))
      throw Error("Table \"" + table_name_ + "\" cannot be read: its memo file \"" + table_name_ +
                  ".smt\" is in the form of Clipper's SIx driver, which this program does not "
                  "read.");
    const std::string expected = table_name_ + places.front().extension;
    if (!memo_) memo_.emplace(std::nullopt, places.front().kind, expected);
    if (!memo_->problem().empty())
      throw Error("Table \"" + table_name_ + "\" cannot be read: it has memo fields, and " +
                  memo_->problem() + ". Put the memo file beside the table and try again.");
  }

  // The next record of the file (live or deleted), or nullptr at the end.
  const char* NextRecord() {
    if (chunk_index_ >= chunk_count_) {
      if (next_record_ >= records_) return nullptr;
      chunk_count_ = static_cast<size_t>(std::min<uint64_t>(records_per_chunk_, records_ - next_record_));
      chunk_.resize(chunk_count_ * header_.record_length);
      const size_t got = file_->ReadAt(header_.data_start + next_record_ * header_.record_length,
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
    const size_t byte = header_.null_flags.offset + static_cast<size_t>(bit) / 8;
    return (static_cast<uint8_t>(record[byte]) >> (bit % 8)) & 1;
  }

  static std::string Example(std::string_view bytes) {
    std::string example(bytes.substr(0, kExampleBytes));
    if (bytes.size() > kExampleBytes) example += "...";
    return example;
  }

  // Text into the cell: decoded from the code page, or, when it holds a NUL
  // byte or bytes that are no text in the code page, in hex form.
  void SetText(size_t field, std::string_view bytes, Cell& cell) {
    const size_t nul = bytes.find('\0');
    if (nul == std::string_view::npos && codec_->Decode(bytes, cell.text)) return;
    issues_.Add(field, ValueIssues::Kind::kNotText, current_row_, [&] {
      return nul != std::string_view::npos
                 ? "a NUL byte at position " + std::to_string(nul + 1)
                 : "bytes that are no text in code page " + std::to_string(code_page_);
    });
    cell.text.clear();
    AppendHex(bytes, cell.text);
  }

  // Text of a Unicode field (UTF-16LE) into the cell, without trailing NUL
  // characters as for C; in hex form when it holds a NUL character or is
  // no UTF-16.
  void SetUnicodeText(size_t field, std::string_view bytes, Cell& cell) {
    const std::string_view nul_character("\0\0", 2);
    while (bytes.size() >= nul_character.size() && bytes.size() % nul_character.size() == 0 &&
           bytes.substr(bytes.size() - nul_character.size()) == nul_character)
      bytes.remove_suffix(nul_character.size());
    cell.text.clear();
    const bool utf16 = AppendUtf16LeAsUtf8(bytes, cell.text);
    const size_t nul = cell.text.find('\0');
    if (utf16 && nul == std::string::npos) return;
    const auto characters_before = std::count_if(
        cell.text.begin(), cell.text.begin() + (utf16 ? nul : 0),
        [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    issues_.Add(field, ValueIssues::Kind::kNotText, current_row_, [&] {
      return utf16 ? "a NUL character at position " + std::to_string(characters_before + 1)
                   : std::string("bytes that are no UTF-16 text");
    });
    cell.text.clear();
    AppendHex(bytes, cell.text);
  }

  // Stored bytes as they stand: text, or hex form when they look binary.
  void SetRaw(size_t field, std::string_view bytes, Cell& cell) {
    cell.text.clear();
    if (LooksBinary(bytes)) AppendHex(bytes, cell.text);
    else SetText(field, bytes, cell);
  }

  void Format(size_t index, const char* record, Cell& cell) {
    const FieldDescriptor& f = header_.fields[index];
    cell.null = false;
    cell.text.clear();
    cell.error.clear();
    if (f.null_bit >= 0 && NullFlag(record, f.null_bit)) {
      cell.null = true;
      return;
    }
    const std::string_view raw(record + f.offset, f.length);
    if (IsMemoField(f)) {
      FormatMemo(index, raw, cell);
      return;
    }
    switch (f.type) {
      case 'C':
        if (f.binary()) AppendHex(raw, cell.text);
        else SetText(index, StripTrailingNuls(raw), cell);
        return;
      case 'V':
      case 'Q': {
        std::string_view value = raw;
        if (f.varlen_bit >= 0 && NullFlag(record, f.varlen_bit) && !raw.empty()) {
          // The last byte holds the length of a value shorter than the field.
          const size_t length = std::min<size_t>(static_cast<uint8_t>(raw.back()), raw.size() - 1);
          value = raw.substr(0, length);
        }
        if (f.type == 'Q' || f.binary()) AppendHex(value, cell.text);
        else SetText(index, StripTrailingNuls(value), cell);
        return;
      }
      case field_type::kUnicodeChar:
      case field_type::kUnicodeVarChar:
        if (KnowsField(f)) {
          SetUnicodeText(index, UnicodeFieldValue(f, raw), cell);
          return;
        }
        break;
      default:
        break;
    }
    switch (ReadFixedField(f, dbase7_, raw, cell.text)) {
      case FieldReading::kValue:
        return;
      case FieldReading::kNull:
        cell.text.clear();
        cell.null = true;
        return;
      case FieldReading::kInvalid: {
        const std::string_view text = TrimBlanks(raw);
        issues_.Add(index, ValueIssues::Kind::kInvalid, current_row_, [&] { return Example(text); },
                    WhatFieldHolds(f.type));
        SetRaw(index, text, cell);
        return;
      }
      case FieldReading::kUnknown:
        SetRaw(index, StripTrailingNuls(raw), cell);
        return;
    }
  }

  void FormatMemo(size_t index, std::string_view raw, Cell& cell) {
    const FieldDescriptor& f = header_.fields[index];
    uint64_t block = 0;
    if (raw.size() == 4) {
      block = DecodeFixed32(raw.data());
    } else {
      const std::string_view digits = TrimBlanks(raw);
      if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
          digits.size() > 10) {
        issues_.Add(index, ValueIssues::Kind::kMemoLost, current_row_, [&] {
          return "the memo pointer \"" + Example(digits) + "\" is not a number";
        });
        cell.null = true;
        return;
      }
      for (char c : digits) block = block * 10 + static_cast<uint64_t>(c - '0');
    }
    const bool binary = f.type != 'M' || f.binary();
    if (block == 0) {
      if (binary) AppendHex("", cell.text);
      return;
    }
    const MemoRead read =
        memo_->ReadValue(block, memo_value_, binary ? kLargestBinaryValue : memo::kLargestValue);
    if (read.status != MemoRead::Status::kOk) {
      issues_.Add(index,
                  read.status == MemoRead::Status::kTooLarge ? ValueIssues::Kind::kTooLarge
                                                             : ValueIssues::Kind::kMemoLost,
                  current_row_, [&] { return read.problem; });
      cell.null = true;
      return;
    }
    if (binary) {
      AppendHex(memo_value_, cell.text);
      return;
    }
    SetText(index, StripTrailingNuls(memo_value_), cell);
    if (cell.text.size() > memo::kLargestValue) {
      issues_.Add(index, ValueIssues::Kind::kTooLarge, current_row_, [&] {
        return "memo block " + std::to_string(block) + " holds more than 1 GB of text";
      });
      cell.text.clear();
      cell.text.shrink_to_fit();
      cell.null = true;
    }
  }

  std::unique_ptr<File> file_;
  std::string table_name_;
  TableHeader header_;
  bool dbase7_ = false;
  int code_page_ = kDefaultCodePage;
  const TextCodec* codec_ = nullptr;
  std::vector<std::string> field_names_;
  std::vector<std::string> columns_;  // as NameColumns gave them; empty for field_names_
  std::vector<Notice> notices_;
  ValueIssues issues_;
  std::optional<MemoReader> memo_;
  uint64_t records_ = 0;  // the records read: counted, and any beyond the count
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

std::unique_ptr<TableReader> TableReader::Open(const std::string& path, const CodePageChoice& choice,
                                               const std::string& name) {
  return std::make_unique<TableReaderImpl>(path, choice, name);
}

}  // namespace veltrane::foxpro
