#ifndef VELTRANE_FOXPRO_CODEPAGES_CODEPAGE_H_
#define VELTRANE_FOXPRO_CODEPAGES_CODEPAGE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veltrane::foxpro {

// The code page byte (offset 29) of a table header.
namespace code_page_mark {
inline constexpr uint8_t kUnmarked = 0x00;
inline constexpr uint8_t kWindowsAnsi = 0x03;  // 1252
}  // namespace code_page_mark

inline constexpr int kDefaultCodePage = 1252;
inline constexpr int kUtf8CodePage = 65001;
inline constexpr int kKoi8rCodePage = 20866;
inline constexpr int kKoi8uCodePage = 21866;
inline constexpr int kEucJpCodePage = 51932;

// The Windows code page a header's code page byte stands for (1252 for an
// unmarked table); 0 for a byte no FoxPro version writes.
int CodePageOfMark(uint8_t mark);

// The mark Visual FoxPro writes for `code_page`; 0 for a code page that
// FoxPro has no mark for (UTF-8, KOI8, EUC-JP, the ISO ones).
uint8_t MarkOfCodePage(int code_page);

// The code page a dBase 7 language driver name stands for ("DB866RU0" is
// 866, "DBWINUS0" 1252); 0 for a name that names none.
int CodePageOfLanguageDriver(const std::string& name);

// The code page a name stands for, as .cpg files beside shapefile tables
// and Harbour programs give it, whatever its case and punctuation: a number
// ("1251"), one with a prefix ("CP1251", "windows-1251", "ANSI 1251",
// "IBM866", "DOS866", "OEM 866"), an ISO name ("ISO-8859-2", "8859-2",
// "latin2"), or a name of its own ("UTF-8", "KOI8-R", "BIG5", "GBK",
// "Shift_JIS", "EUC-JP", "EUC-KR", "MacRoman", ...). 0 for a name this
// engine cannot read in. The ISO pages are numbered as Windows numbers them
// (ISO-8859-2 is 28592).
int CodePageOfName(const std::string& name);

// True when TextCodec::For takes `code_page`.
bool IsSupportedCodePage(int code_page);

// The most bytes one character takes in `code_page`: 1 for the single-byte
// code pages, 2 for the double-byte ones, up to 4.
int LongestCharacterBytes(int code_page);

// The distinct characters beyond ASCII that a table's text held, gathered
// while it is written, to find the code pages that would hold all of it.
class CharacterSet {
 public:
  void Add(uint32_t character);
  bool empty() const { return count_ == 0; }
  // The characters, in ascending order.
  std::vector<uint32_t> Members() const;

 private:
  std::vector<uint64_t> bits_;  // one bit per character, grown as needed
  size_t count_ = 0;
};

// Converts between a code page's bytes and UTF-8. Single-byte code pages use
// a 256-entry table built once; multi-byte ones (932, 936, 949, 950, 1361,
// EUC-JP 51932 and 20932, EUC-CN 51936, EUC-KR 51949, GB18030 54936) go
// through iconv; 65001 is UTF-8 itself.
class TextCodec {
 public:
  // The codec of `code_page`, shared and built on first use. Throws Error
  // when the code page is not supported here.
  static const TextCodec& For(int code_page);
  virtual ~TextCodec() = default;

  int code_page() const { return code_page_; }

  // Appends the UTF-8 text of `bytes` to `out`. Bytes the code page leaves
  // undefined become the Unicode character of the same number, as Windows
  // does; returns false only when a double-byte sequence is broken.
  virtual bool Decode(std::string_view bytes, std::string& out) const = 0;

  // Appends the code page's bytes for the UTF-8 `text` to `out`. Returns
  // false when a character has no byte in this code page (or `text` is not
  // UTF-8); `bad_character` then holds the first one's description, e.g.
  // "'€' (U+20AC)", and `out` has "?" in its place.
  bool Encode(std::string_view text, std::string& out, std::string& bad_character) const {
    return EncodeReplacing(text, out, bad_character, nullptr) == 0;
  }

  // Appends the code page's bytes for the UTF-8 `text` to `out`, with "?"
  // for each character the code page has no byte for (and for each byte
  // that is not UTF-8), as FoxPro stores such characters. Returns how many
  // were replaced; `first_replaced` then describes the first, e.g.
  // "'ł' (U+0142)". Every character beyond ASCII is added to `seen` when
  // it is given.
  virtual size_t EncodeReplacing(std::string_view text, std::string& out,
                                 std::string& first_replaced, CharacterSet* seen) const = 0;

 protected:
  explicit TextCodec(int code_page) : code_page_(code_page) {}

 private:
  int code_page_;
};

// The code pages FoxPro marks its tables with that have a byte for every
// character of `characters`, Windows code pages before DOS ones; the
// double-byte ones only for text with East Asian characters.
std::vector<int> CodePagesHolding(const CharacterSet& characters);

// The character FoxPro stores for one its table's code page cannot hold.
inline constexpr char kReplacementCharacter = '?';

// Appends the UTF-8 bytes of the Unicode character `cp`.
void AppendUtf8(uint32_t cp, std::string& out);

// Reads the UTF-8 character at `text[pos]` into `cp` and advances `pos`
// past it; false (leaving `pos`) for a malformed one.
bool NextCodePoint(std::string_view text, size_t& pos, uint32_t& cp);

// The UTF-8 character starting at `text[pos]` described for a user, e.g.
// "'é' (U+00E9)"; advances `pos` past it.
std::string DescribeCharacter(std::string_view text, size_t& pos);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_CODEPAGES_CODEPAGE_H_
