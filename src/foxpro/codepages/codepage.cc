#include "foxpro/codepages/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>
#include <unordered_map>

#include "foxpro/error.h"

namespace veltrane::foxpro {

namespace {

struct MarkEntry {
  uint8_t mark;
  int code_page;
};

// Code page bytes written by FoxPro and dBase versions.
constexpr MarkEntry kMarks[] = {
    {0x01, 437},   {0x02, 850},   {0x03, 1252},  {0x04, 10000}, {0x08, 865},
    {0x09, 437},   {0x0A, 850},   {0x0B, 437},   {0x0D, 437},   {0x0E, 850},
    {0x0F, 437},   {0x10, 850},   {0x11, 437},   {0x12, 850},   {0x13, 932},
    {0x14, 850},   {0x15, 437},   {0x16, 850},   {0x17, 865},   {0x18, 437},
    {0x19, 437},   {0x1A, 850},   {0x1B, 437},   {0x1C, 863},   {0x1D, 850},
    {0x1F, 852},   {0x22, 852},   {0x23, 852},   {0x24, 860},   {0x25, 850},
    {0x26, 866},   {0x37, 850},   {0x40, 852},   {0x4D, 936},   {0x4E, 949},
    {0x4F, 950},   {0x50, 874},   {0x57, 1252},  {0x58, 1252},  {0x59, 1252},
    {0x64, 852},   {0x65, 866},   {0x66, 865},   {0x67, 861},   {0x6A, 737},
    {0x6B, 857},   {0x6C, 863},   {0x78, 950},   {0x79, 949},   {0x7A, 936},
    {0x7B, 932},   {0x7C, 874},   {0x7D, 1255},  {0x7E, 1256},  {0x86, 737},
    {0x87, 852},   {0x88, 857},   {0x96, 10007}, {0x97, 10029}, {0xC8, 1250},
    {0xC9, 1251},  {0xCA, 1254},  {0xCB, 1253},  {0xCC, 1257},
};

// iconv's name of each supported code page.
const char* IconvName(int code_page) {
  switch (code_page) {
    case 10000: return "MACINTOSH";
    case 10007: return "MAC-CYRILLIC";
    case 10029: return "MAC-CENTRALEUROPE";
    case kKoi8rCodePage: return "KOI8-R";
    case kKoi8uCodePage: return "KOI8-U";
    case kEucJpCodePage: case 20932: return "EUC-JP";
    case 51936: return "EUC-CN";
    case 51949: return "EUC-KR";
    case 54936: return "GB18030";
    case 1361: return "JOHAB";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28593: return "ISO-8859-3";
    case 28594: return "ISO-8859-4";
    case 28595: return "ISO-8859-5";
    case 28596: return "ISO-8859-6";
    case 28597: return "ISO-8859-7";
    case 28598: return "ISO-8859-8";
    case 28599: return "ISO-8859-9";
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    case 437: case 737: case 775: case 850: case 852: case 855: case 857: case 858: case 860:
    case 861: case 862: case 863: case 864: case 865: case 866: case 869: case 874: case 932:
    case 936: case 949: case 950: case 1125: case 1250: case 1251: case 1252: case 1253:
    case 1254: case 1255: case 1256: case 1257: case 1258:
      return nullptr;  // "CP" + number
    default: return "";
  }
}

std::string IconvCodeName(int code_page) {
  const char* name = IconvName(code_page);
  if (name == nullptr) return "CP" + std::to_string(code_page);
  return name;
}

// Code pages whose characters take more than one byte: read through iconv.
bool IsMultiByte(int code_page) {
  switch (code_page) {
    case 932: case 936: case 949: case 950: case 1361: case 20932: case kEucJpCodePage:
    case 51936: case 51949: case 54936:
      return true;
    default:
      return false;
  }
}

class IconvHandle {
 public:
  IconvHandle(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~IconvHandle() {
    if (ok()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Adds the characters beyond ASCII of the UTF-8 `text` to `seen`.
void AddCharacters(std::string_view text, CharacterSet& seen) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;
      continue;
    }
    uint32_t cp = 0;
    if (NextCodePoint(text, pos, cp)) seen.Add(cp);
    else ++pos;
  }
}

class SingleByteCodec : public TextCodec {
 public:
  explicit SingleByteCodec(int code_page) : TextCodec(code_page) {
    IconvHandle cd("UTF-8", IconvCodeName(code_page));
    if (!cd.ok()) throw Error("code page " + std::to_string(code_page) + " is not supported");
    for (int b = 0; b < 256; ++b) {
      char in = static_cast<char>(b);
      char out[8];
      char* in_ptr = &in;
      size_t in_left = 1;
      char* out_ptr = out;
      size_t out_left = sizeof out;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
      std::string utf8;
      if (iconv(cd.get(), &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1) &&
          in_left == 0) {
        utf8.assign(out, out_ptr);
      } else {
        AppendUtf8(static_cast<uint32_t>(b), utf8);  // undefined: same number
      }
      decode_[b] = utf8;
      size_t pos = 0;
      uint32_t cp = 0;
      if (!utf8.empty() && NextCodePoint(utf8, pos, cp) && pos == utf8.size())
        encode_.emplace(cp, static_cast<uint8_t>(b));  // first byte wins
    }
    ascii_identity_ = true;
    for (int b = 0; b < 0x80; ++b)
      if (decode_[b].size() != 1 || decode_[b][0] != static_cast<char>(b)) ascii_identity_ = false;
  }

  bool Decode(std::string_view bytes, std::string& out) const override {
    size_t pos = 0;
    while (pos < bytes.size()) {
      // A run of ASCII bytes is the same in UTF-8: copied in one piece.
      const size_t run = AsciiRun(bytes, pos);
      out.append(bytes.data() + pos, run);
      pos += run;
      if (pos < bytes.size()) out.append(decode_[static_cast<unsigned char>(bytes[pos++])]);
    }
    return true;
  }

  size_t EncodeReplacing(std::string_view text, std::string& out, std::string& first_replaced,
                         CharacterSet* seen) const override {
    size_t replaced = 0;
    size_t pos = 0;
    while (pos < text.size()) {
      const size_t run = AsciiRun(text, pos);
      out.append(text.data() + pos, run);
      pos += run;
      if (pos == text.size()) break;
      size_t start = pos;
      uint32_t cp = 0;
      if (!NextCodePoint(text, pos, cp)) {
        if (replaced++ == 0) first_replaced = "a byte that is not UTF-8 text";
        out.push_back(kReplacementCharacter);
        pos = start + 1;
        continue;
      }
      if (seen != nullptr && cp >= 0x80) seen->Add(cp);
      auto it = encode_.find(cp);
      if (it != encode_.end()) {
        out.push_back(static_cast<char>(it->second));
        continue;
      }
      if (replaced == 0) first_replaced = DescribeCharacter(text, start);
      ++replaced;
      out.push_back(kReplacementCharacter);
    }
    return replaced;
  }

 private:
  // The number of bytes from `pos` on that are ASCII and stand for
  // themselves in this code page.
  size_t AsciiRun(std::string_view text, size_t pos) const {
    if (!ascii_identity_) return 0;
    size_t end = pos;
    while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80) ++end;
    return end - pos;
  }

  std::array<std::string, 256> decode_;
  std::unordered_map<uint32_t, uint8_t> encode_;
  bool ascii_identity_ = false;
};

class DoubleByteCodec : public TextCodec {
 public:
  explicit DoubleByteCodec(int code_page)
      : TextCodec(code_page),
        to_utf8_("UTF-8", IconvCodeName(code_page)),
        from_utf8_(IconvCodeName(code_page), "UTF-8") {
    if (!to_utf8_.ok() || !from_utf8_.ok())
      throw Error("code page " + std::to_string(code_page) + " is not supported");
  }

  bool Decode(std::string_view bytes, std::string& out) const override {
    std::lock_guard<std::mutex> lock(mutex_);
    bool clean = true;
    std::string buffer(bytes.size() * 4 + 16, '\0');
    char* in_ptr = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    iconv(to_utf8_.get(), nullptr, nullptr, nullptr, nullptr);
    while (in_left > 0) {
      char* out_ptr = buffer.data();
      size_t out_left = buffer.size();
      size_t r = iconv(to_utf8_.get(), &in_ptr, &in_left, &out_ptr, &out_left);
      out.append(buffer.data(), out_ptr);
      if (r == static_cast<size_t>(-1) && errno != E2BIG) {
        clean = false;
        AppendUtf8(0xFFFD, out);
        ++in_ptr;
        --in_left;
        iconv(to_utf8_.get(), nullptr, nullptr, nullptr, nullptr);
      }
    }
    return clean;
  }

  size_t EncodeReplacing(std::string_view text, std::string& out, std::string& first_replaced,
                         CharacterSet* seen) const override {
    if (seen != nullptr) AddCharacters(text, *seen);
    std::lock_guard<std::mutex> lock(mutex_);
    size_t replaced = 0;
    std::string buffer(text.size() * 2 + 16, '\0');
    char* in_ptr = const_cast<char*>(text.data());
    size_t in_left = text.size();
    iconv(from_utf8_.get(), nullptr, nullptr, nullptr, nullptr);
    while (in_left > 0) {
      char* out_ptr = buffer.data();
      size_t out_left = buffer.size();
      size_t r = iconv(from_utf8_.get(), &in_ptr, &in_left, &out_ptr, &out_left);
      out.append(buffer.data(), out_ptr);
      if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
      // A character without bytes here, or a broken sequence: one "?"
      // stands for it and the rest goes on.
      size_t pos = static_cast<size_t>(in_ptr - text.data());
      const size_t start = pos;
      if (errno == EILSEQ) {
        const std::string description = DescribeCharacter(text, pos);
        if (replaced == 0) first_replaced = description;
      } else {
        pos = text.size();
        if (replaced == 0) first_replaced = "a byte that is not UTF-8 text";
      }
      if (pos == start) ++pos;
      ++replaced;
      out.push_back(kReplacementCharacter);
      in_ptr += pos - start;
      in_left -= pos - start;
      iconv(from_utf8_.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return replaced;
  }

 private:
  mutable std::mutex mutex_;
  IconvHandle to_utf8_;
  IconvHandle from_utf8_;
};

// UTF-8 tables (written by programs that ignore code pages): text stays as
// it is, a malformed sequence becomes U+FFFD.
class Utf8Codec : public TextCodec {
 public:
  Utf8Codec() : TextCodec(kUtf8CodePage) {}

  bool Decode(std::string_view bytes, std::string& out) const override {
    bool clean = true;
    size_t pos = 0;
    while (pos < bytes.size()) {
      size_t start = pos;
      uint32_t cp = 0;
      if (NextCodePoint(bytes, pos, cp)) {
        out.append(bytes.substr(start, pos - start));
      } else {
        clean = false;
        AppendUtf8(0xFFFD, out);
        pos = start + 1;
      }
    }
    return clean;
  }

  size_t EncodeReplacing(std::string_view text, std::string& out, std::string& first_replaced,
                         CharacterSet* seen) const override {
    size_t replaced = 0;
    size_t pos = 0;
    while (pos < text.size()) {
      const size_t start = pos;
      uint32_t cp = 0;
      if (NextCodePoint(text, pos, cp)) {
        out.append(text.substr(start, pos - start));
        if (seen != nullptr && cp >= 0x80) seen->Add(cp);
      } else {
        if (replaced++ == 0) first_replaced = "a byte that is not UTF-8 text";
        out.push_back(kReplacementCharacter);
        pos = start + 1;
      }
    }
    return replaced;
  }

};

}  // namespace

void AppendUtf8(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool NextCodePoint(std::string_view text, size_t& pos, uint32_t& cp) {
  unsigned char c = static_cast<unsigned char>(text[pos]);
  int extra;
  if (c < 0x80) { cp = c; extra = 0; }
  else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
  else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
  else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
  else return false;
  if (pos + extra >= text.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    unsigned char d = static_cast<unsigned char>(text[pos + i]);
    if ((d & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (d & 0x3F);
  }
  pos += 1 + extra;
  return true;
}

uint8_t MarkOfCodePage(int code_page) {
  // FoxPro's own marks, where dBase wrote others for the same code page.
  constexpr MarkEntry kFoxProMarks[] = {
      {0x01, 437}, {0x02, 850}, {0x64, 852}, {0x65, 866}, {0x66, 865}, {0x67, 861},
      {0x6A, 737}, {0x6B, 857}, {0x6C, 863}, {0x7C, 874},
  };
  for (const MarkEntry& entry : kFoxProMarks)
    if (entry.code_page == code_page) return entry.mark;
  for (const MarkEntry& entry : kMarks)
    if (entry.code_page == code_page) return entry.mark;
  return code_page_mark::kUnmarked;
}

int CodePageOfLanguageDriver(const std::string& name) {
  // dBase names its drivers "DB" + the DOS code page + country, or
  // "DBWIN" + country for Windows ANSI.
  if (name.rfind("DBWIN", 0) == 0) return kDefaultCodePage;
  if (name.size() >= 5 && name.rfind("DB", 0) == 0 && std::isdigit(static_cast<unsigned char>(name[2])) &&
      std::isdigit(static_cast<unsigned char>(name[3])) &&
      std::isdigit(static_cast<unsigned char>(name[4]))) {
    int code_page = std::stoi(name.substr(2, 3));
    const char* iconv_name = IconvName(code_page);
    if (iconv_name == nullptr || *iconv_name != '\0') return code_page;
  }
  return 0;
}

namespace {

// The Windows number of ISO-8859 part `part`; 0 for a part Windows has no
// number for (10, 14, 16) or that does not exist.
int IsoCodePage(int part) {
  if (part >= 1 && part <= 9) return 28590 + part;
  if (part == 11) return 874;  // Thai: 874 holds all of it
  if (part == 13) return 28603;
  if (part == 15) return 28605;
  return 0;
}

// A run of digits, as a number; -1 for anything else.
int NumberOf(const std::string& digits) {
  if (digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stoi(digits);
}

}  // namespace

int CodePageOfName(const std::string& text) {
  // Case, blanks, '-', '_' and ':' do not count: "ISO_8859-2", "iso 8859 2"
  // and "ISO88592" are one name.
  std::string name;
  for (char c : text)
    if (std::isalnum(static_cast<unsigned char>(c)))
      name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  struct Named {
    const char* name;
    int code_page;
  };
  constexpr Named kNames[] = {
      {"UTF8", kUtf8CodePage},      {"ASCII", kDefaultCodePage},  {"USASCII", kDefaultCodePage},
      {"KOI8R", kKoi8rCodePage},    {"KOI8U", kKoi8uCodePage},    {"BIG5", 950},
      {"GBK", 936},                 {"GB2312", 936},              {"EUCCN", 936},
      {"GB18030", 54936},           {"SHIFTJIS", 932},            {"SJIS", 932},
      {"MSKANJI", 932},             {"WINDOWS31J", 932},          {"EUCJP", kEucJpCodePage},
      {"EUCJPMS", kEucJpCodePage},  {"EUCKR", 949},               {"UHC", 949},
      {"KSC5601", 949},             {"JOHAB", 1361},              {"TIS620", 874},
      {"MACINTOSH", 10000},         {"MACROMAN", 10000},          {"XMACROMAN", 10000},
      {"MACCYRILLIC", 10007},       {"XMACCYRILLIC", 10007},      {"MACCE", 10029},
      {"MACCENTRALEUROPE", 10029},  {"XMACCE", 10029},            {"CYRILLIC", 28595},
      {"GREEK", 28597},             {"HEBREW", 28598},            {"ARABIC", 28596},
  };
  for (const Named& entry : kNames)
    if (name == entry.name) return entry.code_page;
  // "LATIN1" .. "LATIN9": the ISO-8859 parts they name.
  constexpr int kLatinParts[] = {0, 1, 2, 3, 4, 9, 10, 13, 14, 15, 16};
  if (name.rfind("LATIN", 0) == 0) {
    const int n = NumberOf(name.substr(5));
    const int part = n >= 1 && n <= 10 ? kLatinParts[n] : 0;
    const int code_page = IsoCodePage(part);
    return IsSupportedCodePage(code_page) ? code_page : 0;
  }
  // "ISO88592", "88592", "ISO885921987" (the year of the standard).
  for (const char* prefix : {"ISO8859", "8859"}) {
    const std::string start(prefix);
    if (name.rfind(start, 0) != 0) continue;
    std::string part = name.substr(start.size());
    if (part.size() > 4 && (part.compare(part.size() - 4, 2, "19") == 0 ||
                            part.compare(part.size() - 4, 2, "20") == 0))
      part.erase(part.size() - 4);
    const int code_page = IsoCodePage(NumberOf(part));
    return IsSupportedCodePage(code_page) ? code_page : 0;
  }
  for (const char* prefix : {"WINDOWS", "XCP", "ANSI", "CP", "OEM", "IBM", "DOS", "MS", "WIN", ""}) {
    const std::string start(prefix);
    if (name.rfind(start, 0) != 0) continue;
    const int code_page = NumberOf(name.substr(start.size()));
    if (code_page < 0) continue;
    // "CP28592", and Windows' own numbers of the ISO pages.
    return IsSupportedCodePage(code_page) ? code_page : 0;
  }
  return 0;
}

int LongestCharacterBytes(int code_page) {
  // EUC-JP writes the characters of JIS X 0212 in three bytes, GB18030
  // those beyond the two-byte range in four, UTF-8 up to four.
  switch (code_page) {
    case kUtf8CodePage: case 54936: return 4;
    case 20932: case kEucJpCodePage: return 3;
    default: return IsMultiByte(code_page) ? 2 : 1;
  }
}

bool IsSupportedCodePage(int code_page) {
  if (code_page == kUtf8CodePage) return true;
  const char* name = IconvName(code_page);
  return name == nullptr || *name != '\0';
}

int CodePageOfMark(uint8_t mark) {
  if (mark == code_page_mark::kUnmarked) return kDefaultCodePage;
  for (const MarkEntry& entry : kMarks)
    if (entry.mark == mark) return entry.code_page;
  return 0;
}

void CharacterSet::Add(uint32_t character) {
  const size_t word = character / 64;
  if (word >= bits_.size()) bits_.resize(word + 1, 0);
  const uint64_t bit = uint64_t{1} << (character % 64);
  if ((bits_[word] & bit) == 0) ++count_;
  bits_[word] |= bit;
}

std::vector<uint32_t> CharacterSet::Members() const {
  std::vector<uint32_t> members;
  members.reserve(count_);
  for (size_t word = 0; word < bits_.size(); ++word)
    for (uint64_t rest = bits_[word]; rest != 0; rest &= rest - 1)
      members.push_back(static_cast<uint32_t>(word * 64 + std::countr_zero(rest)));
  return members;
}

namespace {

// Whether `cp` is a character of the East Asian scripts (Hangul, kana, CJK
// ideographs, full-width forms), the text the double-byte code pages are
// for. Those pages also hold many European letters, but a Korean code page
// is no answer for Danish and Russian text.
bool IsEastAsian(uint32_t cp) {
  return (cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0x2E80 && cp <= 0x9FFF) ||
         (cp >= 0xAC00 && cp <= 0xD7AF) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFF00 && cp <= 0xFFEF);
}

}  // namespace

std::vector<int> CodePagesHolding(const CharacterSet& characters) {
  // The code pages FoxPro marks tables with, most used first.
  constexpr int kCandidates[] = {1252, 1250, 1251, 1253, 1254, 1257, 1255, 1256, 874, 936, 950,
                                 932,  949,  437,  850,  852,  866,  737,  857,  861, 863, 865,
                                 860,  10000, 10007, 10029};
  const std::vector<uint32_t> members = characters.Members();
  const bool east_asian = std::any_of(members.begin(), members.end(), IsEastAsian);
  std::vector<int> holding;
  for (int code_page : kCandidates) {
    if (MarkOfCodePage(code_page) == code_page_mark::kUnmarked || !IsSupportedCodePage(code_page))
      continue;
    if (IsMultiByte(code_page) && !east_asian) continue;
    const TextCodec& codec = TextCodec::For(code_page);
    bool holds = true;
    std::string bytes, bad, character;
    for (uint32_t cp : members) {
      character.clear();
      AppendUtf8(cp, character);
      if (!codec.Encode(character, bytes, bad)) {
        holds = false;
        break;
      }
    }
    if (holds) holding.push_back(code_page);
  }
  return holding;
}

const TextCodec& TextCodec::For(int code_page) {
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<TextCodec>> codecs;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = codecs.find(code_page);
  if (it != codecs.end()) return *it->second;
  if (!IsSupportedCodePage(code_page))
    throw Error("code page " + std::to_string(code_page) + " is not supported");
  std::unique_ptr<TextCodec> codec;
  if (code_page == kUtf8CodePage) codec = std::make_unique<Utf8Codec>();
  else if (IsMultiByte(code_page)) codec = std::make_unique<DoubleByteCodec>(code_page);
  else codec = std::make_unique<SingleByteCodec>(code_page);
  const TextCodec& result = *codec;
  codecs.emplace(code_page, std::move(codec));
  return result;
}

std::string DescribeCharacter(std::string_view text, size_t& pos) {
  size_t start = pos;
  uint32_t cp = 0;
  if (!NextCodePoint(text, pos, cp)) {
    ++pos;
    return "a byte that is not UTF-8 text";
  }
  char number[16];
  std::snprintf(number, sizeof number, "U+%04X", cp);
  return "'" + std::string(text.substr(start, pos - start)) + "' (" + number + ")";
}

}  // namespace veltrane::foxpro
