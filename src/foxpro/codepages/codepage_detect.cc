#include "foxpro/codepages/codepage_detect.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "foxpro/codepages/codepage.h"
#include "foxpro/record/coding.h"

namespace veltrane::foxpro {
namespace {

// A reading's cost: what speaks against it, summed over the characters
// beyond ASCII. The reading with the lowest cost wins, when it is lower than
// every other reading's by kMargin.
constexpr double kMargin = 2.0;
// Bytes beyond ASCII a guess needs before it is taken.
constexpr size_t kEvidenceNeeded = 4;
// The distinct lines weighed: at most this many bytes of them. More text
// rarely changes the verdict, and every reading reads each line.
constexpr size_t kDistinctLineBytes = 64 * 1024;

// Per character beyond ASCII of a word whose letters are of two scripts.
constexpr double kMixedScriptCost = 2.0;
// Per cased letter beyond ASCII of a word neither all lower, all upper nor
// capitalised.
constexpr double kCaseCost = 1.5;
// A symbol between letters, at a word's edge, or standing alone.
constexpr double kSymbolInWordCost = 2.0;
constexpr double kSymbolBeforeWordCost = 1.0;
constexpr double kSymbolAfterWordCost = 0.5;
constexpr double kLoneSymbolCost = 0.5;
// A box-drawing or block character with letters; in a line of them, each
// change from one such character to another beyond the two of its corners.
constexpr double kBoxInWordCost = 3.0;
constexpr double kBoxChangeCost = 1.0;
constexpr int kBoxChangesOfALine = 2;
// Per letter beyond two of a run of one letter beyond ASCII ("ДДДД", which
// is a line of box drawing in DOS code pages).
constexpr double kRepeatedLetterCost = 1.0;
// Punctuation between two letters of a cased script.
constexpr double kPunctuationInWordCost = 2.0;
// A combining mark or Thai vowel without the letter it belongs to.
constexpr double kStrayMarkCost = 2.0;
// A letter of a script no FoxPro code page holds, or a private-use one.
constexpr double kStrangeCost = 4.0;
// Per accented Latin letter beyond two in a row ("ÌÎÑÊ").
constexpr double kAccentRunCost = 1.0;
// A letter the language that covers most of the reading's letters lacks.
constexpr double kUnlistedLetterCost = 1.0;
// Double-byte characters by how common their standard ranks them. Random
// bytes seldom pair into the characters in daily use, so each of those
// speaks for its code page.
constexpr double kCommonBonus = -0.5;
constexpr double kLessCommonCost = 0.5;
constexpr double kRareCost = 2.0;
constexpr double kHalfWidthKanaCost = 0.25;
// Per accented letter of a Latin word more than half of whose letters are
// accented ("ąź").
constexpr double kAccentedWordCost = 0.5;
// A code page few FoxPro tables are in.
constexpr double kRarePagePrior = 1.0;
// A UTF-8 character cut at the end of a field.
constexpr double kCutSequenceCost = 1.0;

// Greek: a lower-case word of more letters than this without a stress
// mark.
constexpr int kLongestGreekWordWithoutTonos = 3;
constexpr double kGreekWithoutTonosCost = 1.0;
// The reading uchardet's statistics name, among the double-byte ones whose
// valid pairs overlap (Korean and Chinese text are each other's valid
// pairs).
constexpr double kStatisticsBonus = 2.0;

constexpr uint32_t kUndefined = 0xFFFFFFFF;
// What a UTF-8 character cut at the end of a field reads as.
constexpr uint32_t kReplacement = 0xFFFD;
constexpr uint32_t kFinalSigma = 0x3C2;
constexpr uint32_t kOrdinalA = 0xAA;  // ª
constexpr uint32_t kOrdinalO = 0xBA;  // º

enum class Kind : uint8_t {
  kSeparator,  // blanks, ASCII punctuation, C0 controls: between words
  kLetter,
  kMark,  // combining
  kDigit,
  kPunctuation,  // beyond ASCII: quotes, dashes, ¡ ¿, CJK punctuation
  kSymbol,
  kBox,      // box drawing and blocks
  kStrange,  // letters of other scripts, private use, U+FFFD
  kControl,  // C1 controls
};

enum class Script : uint8_t { kNone, kLatin, kGreek, kCyrillic, kHebrew, kArabic, kThai, kHan, kKana, kHangul };

enum class Case : uint8_t { kNone, kUpper, kLower };

struct CharInfo {
  Kind kind;
  Script script = Script::kNone;
  Case letter_case = Case::kNone;
};

CharInfo Letter(Script script, Case letter_case = Case::kNone) {
  return {Kind::kLetter, script, letter_case};
}

// Upper case on even code points, lower on odd ones (most Latin and
// Cyrillic extension blocks).
Case EvenUpper(uint32_t cp) { return cp % 2 == 0 ? Case::kUpper : Case::kLower; }

CharInfo ClassifyLatin(uint32_t cp) {
  if (cp < 0x180) {
    if (cp >= 0x100 && cp <= 0x137) return Letter(Script::kLatin, EvenUpper(cp));
    if (cp == 0x138 || cp == 0x149 || cp == 0x17F) return Letter(Script::kLatin, Case::kLower);
    if (cp >= 0x139 && cp <= 0x148) return Letter(Script::kLatin, EvenUpper(cp + 1));
    if (cp >= 0x14A && cp <= 0x177) return Letter(Script::kLatin, EvenUpper(cp));
    if (cp == 0x178) return Letter(Script::kLatin, Case::kUpper);
    return Letter(Script::kLatin, EvenUpper(cp + 1));  // 0x179..0x17E
  }
  if (cp == 0x192) return {Kind::kSymbol};  // ƒ, the florin sign
  if (cp == 0x1A0 || cp == 0x1AF || cp == 0x218 || cp == 0x21A)
    return Letter(Script::kLatin, Case::kUpper);
  if (cp == 0x1A1 || cp == 0x1B0 || cp == 0x219 || cp == 0x21B)
    return Letter(Script::kLatin, Case::kLower);
  return Letter(Script::kLatin);
}

CharInfo ClassifyGreek(uint32_t cp) {
  if (cp == 0x386 || (cp >= 0x388 && cp <= 0x38F && cp != 0x38B && cp != 0x38D) ||
      (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2))
    return Letter(Script::kGreek, Case::kUpper);
  if (cp == 0x390 || (cp >= 0x3AC && cp <= 0x3CE)) return Letter(Script::kGreek, Case::kLower);
  if (cp == 0x387 || cp == 0x37E) return {Kind::kPunctuation};
  if (cp < 0x386) return {Kind::kSymbol};  // tonos and other signs
  return Letter(Script::kGreek);
}

CharInfo ClassifyCyrillic(uint32_t cp) {
  if (cp < 0x410) return Letter(Script::kCyrillic, Case::kUpper);
  if (cp < 0x430) return Letter(Script::kCyrillic, Case::kUpper);
  if (cp < 0x460) return Letter(Script::kCyrillic, Case::kLower);
  if (cp >= 0x482 && cp <= 0x489) return {Kind::kMark};
  if (cp == 0x4C0) return Letter(Script::kCyrillic, Case::kUpper);
  if (cp >= 0x4C1 && cp <= 0x4CE) return Letter(Script::kCyrillic, EvenUpper(cp + 1));
  if (cp == 0x4CF) return Letter(Script::kCyrillic, Case::kLower);
  return Letter(Script::kCyrillic, EvenUpper(cp));
}

CharInfo ClassifyThai(uint32_t cp) {
  if (cp == 0xE31 || (cp >= 0xE34 && cp <= 0xE3A) || (cp >= 0xE47 && cp <= 0xE4E))
    return {Kind::kMark, Script::kThai};
  if (cp >= 0xE50 && cp <= 0xE59) return {Kind::kDigit, Script::kThai};
  if (cp == 0xE3F || cp == 0xE4F) return {Kind::kSymbol};
  if (cp == 0xE5A || cp == 0xE5B) return {Kind::kPunctuation};
  if (cp >= 0xE01 && cp <= 0xE46) return Letter(Script::kThai);
  return {Kind::kStrange};
}

CharInfo Classify(uint32_t cp) {
  if (cp < 0x80) {
    if ((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z')
      return Letter(Script::kLatin, cp < 'a' ? Case::kUpper : Case::kLower);
    if (cp >= '0' && cp <= '9') return {Kind::kDigit};
    return {Kind::kSeparator};
  }
  if (cp < 0xA0) return {Kind::kControl};
  if (cp < 0xC0) {
    switch (cp) {
      case 0xA1: case 0xBF: case 0xAB: case 0xBB: case 0xB7: return {Kind::kPunctuation};
      default: return {Kind::kSymbol};  // nbsp, currency, ©, °, ±, µ, ½, ...
    }
  }
  if (cp < 0x100) {
    if (cp == 0xD7 || cp == 0xF7) return {Kind::kSymbol};
    return Letter(Script::kLatin, cp < 0xDF ? Case::kUpper : Case::kLower);
  }
  if (cp < 0x250) return ClassifyLatin(cp);
  if (cp < 0x2B0) return {Kind::kStrange};  // phonetic letters
  if (cp < 0x300) return {Kind::kSymbol};   // spacing accents: ˆ ˜ ˇ ˘ ˙ ˛ ˝
  if (cp < 0x370) return {Kind::kMark};
  if (cp < 0x400) return ClassifyGreek(cp);
  if (cp < 0x530) return ClassifyCyrillic(cp);
  if (cp >= 0x591 && cp <= 0x5C7) {
    if (cp == 0x5BE || cp == 0x5C0 || cp == 0x5C3 || cp == 0x5C6) return {Kind::kPunctuation};
    return {Kind::kMark, Script::kHebrew};
  }
  if (cp >= 0x5D0 && cp <= 0x5F2) return Letter(Script::kHebrew);
  if (cp >= 0x5F3 && cp <= 0x5F4) return {Kind::kPunctuation};
  if (cp >= 0x600 && cp <= 0x6FF) {
    if (cp == 0x60C || cp == 0x61B || cp == 0x61F || cp == 0x6D4) return {Kind::kPunctuation};
    if ((cp >= 0x660 && cp <= 0x669) || (cp >= 0x6F0 && cp <= 0x6F9)) return {Kind::kDigit};
    if ((cp >= 0x64B && cp <= 0x65F) || cp == 0x670 || (cp >= 0x6D6 && cp <= 0x6ED))
      return {Kind::kMark, Script::kArabic};
    if (cp >= 0x620) return Letter(Script::kArabic);
    return {Kind::kSymbol};
  }
  if (cp >= 0xE00 && cp <= 0xE7F) return ClassifyThai(cp);
  if (cp >= 0x1100 && cp <= 0x11FF) return Letter(Script::kHangul);
  if (cp >= 0x1E00 && cp <= 0x1EFF) return Letter(Script::kLatin, EvenUpper(cp));
  if (cp >= 0x1F00 && cp <= 0x1FFF) return Letter(Script::kGreek);
  if (cp >= 0x2000 && cp <= 0x206F) {
    if (cp <= 0x200A || cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F)
      return {Kind::kSeparator};
    if ((cp >= 0x2010 && cp <= 0x201F) || cp == 0x2026 || cp == 0x2039 || cp == 0x203A)
      return {Kind::kPunctuation};
    return {Kind::kSymbol};  // † ‡ • ‰ and format characters
  }
  if (cp >= 0x2500 && cp <= 0x259F) return {Kind::kBox};
  if (cp < 0x2E80) return {Kind::kSymbol};  // currency, letterlike, arrows, math, dingbats
  if (cp < 0x3000) return Letter(Script::kHan);  // radicals
  if (cp < 0x3040) {
    if (cp == 0x3000) return {Kind::kSeparator};
    if (cp == 0x3005 || cp == 0x3007) return Letter(Script::kHan);
    if (cp <= 0x3003 || (cp >= 0x3008 && cp <= 0x3011) || (cp >= 0x3014 && cp <= 0x301F))
      return {Kind::kPunctuation};
    return {Kind::kSymbol};
  }
  if (cp < 0x3100) {
    if (cp == 0x30FB) return {Kind::kPunctuation};
    if (cp == 0x3099 || cp == 0x309A) return {Kind::kMark};
    return Letter(Script::kKana);
  }
  if (cp < 0x3130) return Letter(Script::kHan);  // bopomofo
  if (cp < 0x3190) return Letter(Script::kHangul);
  if (cp < 0x3400) return {Kind::kSymbol};  // enclosed and compatibility signs
  if (cp < 0xA000) return Letter(Script::kHan);
  if (cp >= 0xAC00 && cp <= 0xD7A3) return Letter(Script::kHangul);
  if (cp >= 0xF900 && cp <= 0xFAFF) return Letter(Script::kHan);
  if (cp >= 0xFE30 && cp <= 0xFE6F) return {Kind::kPunctuation};
  if (cp >= 0xFF01 && cp <= 0xFF5E) {
    if (cp >= 0xFF10 && cp <= 0xFF19) return {Kind::kDigit};
    if (cp >= 0xFF21 && cp <= 0xFF3A) return Letter(Script::kLatin, Case::kUpper);
    if (cp >= 0xFF41 && cp <= 0xFF5A) return Letter(Script::kLatin, Case::kLower);
    return {Kind::kPunctuation};
  }
  if (cp >= 0xFF61 && cp <= 0xFF65) return {Kind::kPunctuation};
  if (cp >= 0xFF66 && cp <= 0xFF9F) return Letter(Script::kKana);
  if (cp >= 0xFFA0 && cp <= 0xFFDC) return Letter(Script::kHangul);
  if (cp >= 0xFFE0 && cp <= 0xFFEE) return {Kind::kSymbol};
  if (cp >= 0x1F000 && cp <= 0x1FAFF) return {Kind::kSymbol};  // emoji
  if (cp >= 0x20000 && cp <= 0x3FFFF) return Letter(Script::kHan);
  return {Kind::kStrange};
}

// The lower-case form of a letter, for comparing it with a language's
// letters.
uint32_t Fold(uint32_t cp, const CharInfo& info) {
  if (info.letter_case != Case::kUpper) return cp;
  if (cp < 0x100) return cp + 0x20;
  if (cp >= 0x386 && cp <= 0x3AB) {
    if (cp == 0x386) return 0x3AC;
    if (cp <= 0x38A) return cp + 0x25;
    if (cp == 0x38C) return 0x3CC;
    if (cp <= 0x38F) return cp + 0x3F;
    return cp + 0x20;
  }
  if (cp >= 0x400 && cp < 0x410) return cp + 0x50;
  if (cp >= 0x410 && cp < 0x430) return cp + 0x20;
  if (cp == 0x178) return 0xFF;
  if (cp >= 0xFF21 && cp <= 0xFF3A) return cp + 0x20;
  return cp + 1;
}

// Greek letters with a stress mark (tonos), either case.
bool HasTonos(uint32_t cp) {
  return cp == 0x386 || (cp >= 0x388 && cp <= 0x38F) || cp == 0x390 ||
         (cp >= 0x3AC && cp <= 0x3AF) || cp == 0x3B0 || (cp >= 0x3CC && cp <= 0x3CE);
}

bool Cased(Script script) {
  return script == Script::kLatin || script == Script::kGreek || script == Script::kCyrillic;
}

bool Cjk(Script script) {
  return script == Script::kHan || script == Script::kKana || script == Script::kHangul;
}

// The letters beyond ASCII each language writes, in lower case. A reading
// whose letters one language covers is likelier than one that needs
// several.
struct Language {
  Script script;
  const char* letters;  // UTF-8
};

constexpr Language kLanguages[] = {
    {Script::kLatin, "äöüßé"},                   // German
    {Script::kLatin, "àâæçéèêëîïôœùûüÿ"},        // French
    {Script::kLatin, "áéíñóúü"},              // Spanish
    {Script::kLatin, "áâãàçéêíóôõúü"},         // Portuguese
    {Script::kLatin, "àèéìíîòóùú"},              // Italian
    {Script::kLatin, "àçèéíïòóúü"},              // Catalan
    {Script::kLatin, "áéèëïóöüíú"},              // Dutch
    {Script::kLatin, "æøåéó"},                   // Danish, Norwegian
    {Script::kLatin, "åäöé"},                    // Swedish
    {Script::kLatin, "äöåšž"},                   // Finnish
    {Script::kLatin, "áðéíóúýþæö"},              // Icelandic
    {Script::kLatin, "äöõüšž"},                  // Estonian
    {Script::kLatin, "áčďéěíňóřšťúůýž"},         // Czech
    {Script::kLatin, "áäčďéíĺľňóôŕšťúýž"},       // Slovak
    {Script::kLatin, "ąćęłńóśźż"},               // Polish
    {Script::kLatin, "áéíóöőúüű"},               // Hungarian
    {Script::kLatin, "čćđšž"},                   // Croatian, Bosnian, Slovene
    {Script::kLatin, "ăâîșşțţ"},                 // Romanian
    {Script::kLatin, "çë"},                      // Albanian
    {Script::kLatin, "çğıöşüâîûİ"},              // Turkish
    {Script::kLatin, "āčēģīķļņšūž"},             // Latvian
    {Script::kLatin, "ąčęėįšųūž"},               // Lithuanian
    {Script::kLatin, "àáâãèéêìíòóôõùúýăđơư"},    // Vietnamese
    {Script::kCyrillic, "абвгдеёжзийклмнопрстуфхцчшщъыьэюя"},  // Russian
    {Script::kCyrillic, "абвгґдеєжзиіїйклмнопрстуфхцчшщьюя"},  // Ukrainian
    {Script::kCyrillic, "абвгдеёжзійклмнопрстуўфхцчшыьэюя"},   // Belarusian
    {Script::kCyrillic, "абвгдђежзијклљмнњопрстћуфхцчџш"},     // Serbian
    {Script::kCyrillic, "абвгдѓежзѕијклљмнњопрстќуфхцчџш"},    // Macedonian
    {Script::kGreek, "αβγδεζηθικλμνξοπρσςτυφχψωάέήίόύώϊϋΐΰ"},  // Greek
};

static_assert(std::size(kLanguages) <= 32, "a bit for each language");

// Letters (in lower case) rare in the languages that write them, with what
// each occurrence costs: the accented Latin letters few words hold, the
// Cyrillic letters Russian text holds least, those of Serbian and
// Macedonian alone, and Greek's double-accented vowels.
struct Rare {
  const char* letters;  // UTF-8
  double cost;
};
constexpr Rare kRare[] = {
    {"ĺľŕďťŉĸſÿţŀħŧŋ", 0.5},
    {"жшюцщэфйх", 0.3},
    {"ъёіїєґў", 0.6},
    {"ђѓљњћќџѕј", 1.0},
    {"ΰΐ", 0.5},
};

// What the languages say of a letter beyond ASCII (in lower case): which of
// kLanguages write it (bit l for kLanguages[l]), and what an occurrence
// costs when it is rare in them.
struct LetterFacts {
  uint32_t languages = 0;
  double rarity = 0;
};

const std::unordered_map<uint32_t, LetterFacts>& KnownLetters() {
  static const std::unordered_map<uint32_t, LetterFacts> known = [] {
    std::unordered_map<uint32_t, LetterFacts> facts;
    auto each_letter = [](std::string_view text, auto&& take) {
      size_t pos = 0;
      uint32_t cp = 0;
      while (pos < text.size() && NextCodePoint(text, pos, cp)) take(cp);
    };
    for (size_t l = 0; l < std::size(kLanguages); ++l)
      each_letter(kLanguages[l].letters, [&](uint32_t cp) { facts[cp].languages |= 1u << l; });
    for (const Rare& rare : kRare)
      each_letter(rare.letters, [&](uint32_t cp) { facts[cp].rarity = rare.cost; });
    return facts;
  }();
  return known;
}

// One character of a reading.
struct Char {
  uint32_t cp;
  CharInfo info;
};

// The bytes a text holds, each once.
using ByteSet = std::bitset<256>;

class IconvDecoder {
 public:
  explicit IconvDecoder(const std::string& from)
      : cd_(iconv_open("UTF-32LE", from.c_str())) {}
  ~IconvDecoder() {
    if (ok()) iconv_close(cd_);
  }
  IconvDecoder(const IconvDecoder&) = delete;
  IconvDecoder& operator=(const IconvDecoder&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The first character `bytes` stand for, all of them used; kUndefined
  // when they do not form one.
  uint32_t Decode(const char* bytes, size_t length) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes);
    size_t in_left = length;
    unsigned char out[16];
    char* out_ptr = reinterpret_cast<char*>(out);
    size_t out_left = sizeof out;
    if (iconv(cd_, &in, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1) || in_left != 0)
      return kUndefined;
    // Flush what a composing code page (1255, 1258) holds back.
    iconv(cd_, nullptr, nullptr, &out_ptr, &out_left);
    if (sizeof out - out_left < 4) return kUndefined;
    return DecodeFixed32(reinterpret_cast<const char*>(out));
  }

 private:
  iconv_t cd_;
};

// iconv's name of a code page the guess weighs.
std::string IconvNameOf(int code_page) {
  switch (code_page) {
    case 10000: return "MACINTOSH";
    case 10007: return "MAC-CYRILLIC";
    case 10029: return "MAC-CENTRALEUROPE";
    case kEucJpCodePage: return "EUC-JP";
    case kKoi8rCodePage: return "KOI8-R";
    default: return "CP" + std::to_string(code_page);
  }
}

// A code page the guess weighs: decodes a line of the sample into its
// characters, or fails for a line that does not read cleanly.
class Reading {
 public:
  explicit Reading(int code_page) : code_page_(code_page) {}
  virtual ~Reading() = default;
  int code_page() const { return code_page_; }
  // Appends the characters of `line` to `out`, and adds to `cost` what
  // their bytes alone say against (or, negative, for) the reading. False
  // when the line holds a byte the code page leaves undefined or a broken
  // sequence.
  virtual bool Decode(std::string_view line, std::vector<Char>& out, double& cost) const = 0;
  // True when text made of `bytes` cannot read cleanly, in whatever order
  // they stand: one of them is part of no character of the code page, or
  // always a control character. False when that takes reading the text.
  bool Refuses(const ByteSet& bytes) const { return (bytes & refused_).any(); }
  // True when each byte is a character of its own, whatever stands beside
  // it, and the ASCII bytes are the ASCII characters: a line's words can
  // then be read one by one.
  virtual bool ReadsBytesAlone() const { return false; }
  // True when nothing speaks for the reading (no character costs less than
  // nothing): its cost only grows as it reads on.
  virtual bool CostOnlyGrows() const { return false; }

 protected:
  // The bytes Refuses goes by.
  ByteSet refused_;

 private:
  int code_page_;
};

// Each byte a character of its own: the characters are looked up, already
// classified.
class SingleByteReading : public Reading {
 public:
  explicit SingleByteReading(int code_page) : Reading(code_page) {
    IconvDecoder decoder(IconvNameOf(code_page));
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      const uint32_t cp = !decoder.ok() ? kUndefined : b < 0x80 ? static_cast<uint32_t>(b)
                                                                : decoder.Decode(&byte, 1);
      table_[b] = {cp, cp == kUndefined ? CharInfo{Kind::kStrange} : Classify(cp)};
      refused_[b] = cp == kUndefined || table_[b].info.kind == Kind::kControl;
    }
  }

  bool Decode(std::string_view line, std::vector<Char>& out, double&) const override {
    for (char c : line) {
      const Char& read = table_[static_cast<unsigned char>(c)];
      if (read.cp == kUndefined) return false;
      out.push_back(read);
    }
    return true;
  }

  bool ReadsBytesAlone() const override { return true; }
  bool CostOnlyGrows() const override { return true; }

 private:
  std::array<Char, 256> table_;
};

// Chinese, Japanese and Korean code pages: a lead byte and a trail byte
// make a character, a few bytes beyond ASCII stand alone.
class DoubleByteReading : public Reading {
 public:
  explicit DoubleByteReading(int code_page) : Reading(code_page), pairs_(0x10000, kUndefined) {
    IconvDecoder decoder(IconvNameOf(code_page));
    single_.fill(kUndefined);
    // A byte beyond ASCII that is no character alone, no lead and no trail
    // byte of one is refused.
    ByteSet used;
    for (int b = 0; b < 0x80; ++b) used.set(b);
    if (decoder.ok()) {
      for (int b = 0x80; b < 0x100; ++b) {
        const char byte = static_cast<char>(b);
        single_[b] = decoder.Decode(&byte, 1);
        if (single_[b] != kUndefined) {
          used.set(b);
          continue;
        }
        for (int t = 0x40; t < 0x100; ++t) {
          const char pair[2] = {static_cast<char>(b), static_cast<char>(t)};
          pairs_[b << 8 | t] = decoder.Decode(pair, 2);
          if (pairs_[b << 8 | t] != kUndefined) used.set(b).set(t);
        }
      }
    }
    if (code_page == kEucJpCodePage) {
      used.set(kEucJpSupplement);
      for (int b = kEucJpSupplementLow; b < 0x100; ++b) used.set(b);
    }
    refused_ = ~used;
  }

  bool Decode(std::string_view line, std::vector<Char>& out, double& cost) const override {
    size_t i = 0;
    while (i < line.size()) {
      const unsigned char b = static_cast<unsigned char>(line[i]);
      if (b < 0x80) {
        out.push_back({b, Classify(b)});
        ++i;
      } else if (single_[b] != kUndefined) {
        out.push_back({single_[b], Classify(single_[b])});
        cost += SingleCost(b);
        ++i;
      } else if (code_page() == kEucJpCodePage && b == kEucJpSupplement) {
        // JIS X 0212: two bytes from 0xA1 on follow; rare characters.
        if (i + 2 >= line.size() || static_cast<unsigned char>(line[i + 1]) < kEucJpSupplementLow ||
            static_cast<unsigned char>(line[i + 2]) < kEucJpSupplementLow)
          return false;
        out.push_back({kJisX0212Stand_in, Classify(kJisX0212Stand_in)});
        cost += kRareCost;
        i += 3;
      } else {
        if (i + 1 >= line.size()) return false;
        const unsigned char t = static_cast<unsigned char>(line[i + 1]);
        const uint32_t cp = pairs_[b << 8 | t];
        if (cp == kUndefined) return false;
        out.push_back({cp, Classify(cp)});
        cost += PairCost(b, t);
        i += 2;
      }
    }
    return true;
  }

 private:
  static constexpr unsigned char kEucJpSupplement = 0x8F;
  // The bytes that follow it are from this one on.
  static constexpr unsigned char kEucJpSupplementLow = 0xA1;
  // A character of JIS X 0212 is weighed as a Han character.
  static constexpr uint32_t kJisX0212Stand_in = 0x4E00;

  double SingleCost(unsigned char b) const {
    // Half-width katakana (Shift-JIS 0xA1..0xDF) are common in old data.
    return code_page() == 932 && b >= 0xA1 && b <= 0xDF ? kHalfWidthKanaCost : 0;
  }

  // How common the character of a pair is, by the part of its code page's
  // standard it comes from: the first level (the characters in daily use),
  // the second, or an extension.
  double PairCost(unsigned char lead, unsigned char trail) const {
    const bool euc_trail = trail >= 0xA1 && trail <= 0xFE;
    switch (code_page()) {
      case 936:  // GB2312 inside GBK
        if (!euc_trail) return kRareCost;
        if ((lead >= 0xA1 && lead <= 0xA9) || (lead >= 0xB0 && lead <= 0xD7)) return kCommonBonus;
        if (lead >= 0xD8 && lead <= 0xF7) return kLessCommonCost;
        return kRareCost;
      case 950:  // Big5
        if ((lead >= 0xA1 && lead <= 0xA3) || (lead >= 0xA4 && lead <= 0xC6)) return kCommonBonus;
        if (lead >= 0xC9 && lead <= 0xF9) return kLessCommonCost;
        return kRareCost;
      case 932:  // Shift-JIS
        if (lead >= 0x81 && lead <= 0x84) return kCommonBonus;  // signs, kana, Latin, Greek, Cyrillic
        if (lead >= 0x88 && lead <= 0x98) return kCommonBonus;
        if ((lead >= 0x99 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEA)) return kLessCommonCost;
        return kRareCost;
      case 949:  // KS X 1001 inside UHC
        if (!euc_trail) return kRareCost;
        if ((lead >= 0xA1 && lead <= 0xAF) || (lead >= 0xB0 && lead <= 0xC8)) return kCommonBonus;
        if (lead >= 0xCA && lead <= 0xFD) return kLessCommonCost;  // hanja
        return kRareCost;
      case kEucJpCodePage:
        if (lead == 0x8E) return kHalfWidthKanaCost;
        if ((lead >= 0xA1 && lead <= 0xA8) || (lead >= 0xB0 && lead <= 0xCF)) return kCommonBonus;
        if (lead >= 0xD0 && lead <= 0xF4) return kLessCommonCost;
        return kRareCost;
      default:
        return 0;
    }
  }

  std::array<uint32_t, 256> single_;
  std::vector<uint32_t> pairs_;
};

// UTF-8, strictly: no overlong forms, surrogates or values beyond U+10FFFF.
// Each valid sequence speaks for it, by its length; a character cut at the
// end of a field (a writer cutting at a byte count) is let pass.
class Utf8Reading : public Reading {
 public:
  // Bytes that no sequence holds: C0 and C1 (overlong forms), F5 on (beyond
  // U+10FFFF).
  Utf8Reading() : Reading(kUtf8CodePage) {
    refused_.set(0xC0).set(0xC1);
    for (int b = 0xF5; b < 0x100; ++b) refused_.set(b);
  }

  bool Decode(std::string_view line, std::vector<Char>& out, double& cost) const override {
    size_t i = 0;
    while (i < line.size()) {
      const unsigned char b = static_cast<unsigned char>(line[i]);
      if (b < 0x80) {
        out.push_back({b, Classify(b)});
        ++i;
        continue;
      }
      int length;
      uint32_t cp;
      unsigned char low = 0x80, high = 0xBF;  // the second byte's range
      if (b >= 0xC2 && b <= 0xDF) length = 2, cp = b & 0x1F;
      else if (b >= 0xE0 && b <= 0xEF) length = 3, cp = b & 0x0F;
      else if (b >= 0xF0 && b <= 0xF4) length = 4, cp = b & 0x07;
      else return false;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
      for (int k = 1; k < length; ++k) {
        if (i + k >= line.size()) {
          out.push_back({kReplacement, Classify(kReplacement)});
          cost += kCutSequenceCost;
          return true;
        }
        const unsigned char c = static_cast<unsigned char>(line[i + k]);
        if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return false;
        cp = cp << 6 | (c & 0x3F);
      }
      out.push_back({cp, Classify(cp)});
      cost += -static_cast<double>(length);
      i += length;
    }
    return true;
  }
};

// The code pages weighed, in the order that breaks ties between readings
// that give the same text: the commonest first.
constexpr int kCandidates[] = {
    1252, 1251, 1250, 866,   437,  850,  852,  kUtf8CodePage, 936,   950,   932,   949,
    kEucJpCodePage, 1253, 737, 1254, 857, 1257, 1255, 1256, 874, 1258, 861, 863, 865,
    10000, 10007, 10029, kKoi8rCodePage,
};

// What a code page costs before any text is read: the Mac pages, KOI8-R
// and the national variants of DOS code page 437 (Turkish, Icelandic,
// French Canadian, Nordic) are seldom those of a FoxPro table, and the
// variants differ from 437 and 850 in a few letters only, so they need the
// clearer evidence.
double Prior(int code_page) {
  switch (code_page) {
    case 857: case 861: case 863: case 865:
    case 10000: case 10007: case 10029: case kKoi8rCodePage: return kRarePagePrior;
    default: return 0;
  }
}

bool IsDoubleByte(int code_page) {
  return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950 ||
         code_page == kEucJpCodePage;
}

const std::vector<std::unique_ptr<Reading>>& Readings() {
  static const std::vector<std::unique_ptr<Reading>> readings = [] {
    std::vector<std::unique_ptr<Reading>> list;
    for (int code_page : kCandidates) {
      if (code_page == kUtf8CodePage) list.push_back(std::make_unique<Utf8Reading>());
      else if (IsDoubleByte(code_page))
        list.push_back(std::make_unique<DoubleByteReading>(code_page));
      else list.push_back(std::make_unique<SingleByteReading>(code_page));
    }
    return list;
  }();
  return readings;
}

// What speaks against one reading of the sample.
struct Judgement {
  bool clean = true;
  // Left unfinished once its cost beat it: it reads worse than the best
  // reading by the margin, so it can be neither the best nor a rival.
  bool beaten = false;
  double cost = 0;
};

// The lines of a sample that the readings weigh: those that hold a byte
// beyond ASCII, each once, with how often it occurs.
struct SampleLines {
  struct Line {
    std::string_view text;
    double count;
    // Its words that hold a byte beyond ASCII: words[first_word, end_word).
    size_t first_word;
    size_t end_word;
  };
  std::vector<Line> lines;
  // The words of the lines, split at the ASCII bytes that are no letter or
  // digit, that hold a byte beyond ASCII.
  std::vector<std::string_view> words;
  ByteSet bytes;         // the bytes of the lines
  size_t evidence = 0;   // bytes beyond ASCII in the whole sample
};

// The letters beyond ASCII of the cased scripts that one reading reads,
// folded to lower case, with their counts, in the order first read.
class LetterCounts {
 public:
  void Add(uint32_t letter, double count) {
    uint32_t* slot = letter < kDirect ? &slots_[letter] : nullptr;
    size_t at = slot != nullptr ? *slot : Find(letter);
    if (at == 0) {
      counts_.push_back({letter, 0});
      at = counts_.size();
      if (slot != nullptr) *slot = static_cast<uint32_t>(at);
    }
    counts_[at - 1].second += count;
  }

  void Clear() {
    for (const auto& [letter, count] : counts_)
      if (letter < kDirect) slots_[letter] = 0;
    counts_.clear();
  }

  const std::vector<std::pair<uint32_t, double>>& counts() const { return counts_; }

 private:
  // Latin, Greek and Cyrillic letters below this find their count at once;
  // the few beyond it are searched for.
  static constexpr uint32_t kDirect = 0x530;

  // 1 + the index of `letter` in counts_; 0 when it is not there.
  size_t Find(uint32_t letter) const {
    for (size_t i = 0; i < counts_.size(); ++i)
      if (counts_[i].first == letter) return i + 1;
    return 0;
  }

  std::vector<std::pair<uint32_t, double>> counts_;
  std::array<uint32_t, kDirect> slots_{};  // 1 + index in counts_, or 0
};

// A run of characters between separators.
using Word = std::span<const Char>;

// The script of a word's letters beyond ASCII (kNone when it has none).
Script ScriptOf(Word word) {
  for (const Char& c : word)
    if (c.info.kind == Kind::kLetter && c.cp >= 0x80) return c.info.script;
  return Script::kNone;
}

bool IsLetter(const Char* c) { return c && c->info.kind == Kind::kLetter; }
bool IsDigit(const Char* c) { return c && c->info.kind == Kind::kDigit; }

// A word whose letters are of two scripts costs for each of its characters
// beyond ASCII. Chinese, Japanese and Korean words take ASCII letters
// (codes, loan words) at their start or end, never between their own
// letters; kana and hangul never meet.
double MixedScriptCost(Word word) {
  const Script script = ScriptOf(word);
  bool mixed = false, ascii_latin = false, kana = false, hangul = false;
  size_t beyond_ascii = 0;
  for (const Char& c : word) {
    if (c.cp >= 0x80) ++beyond_ascii;
    if (c.info.kind != Kind::kLetter) continue;
    if (c.cp < 0x80) {
      ascii_latin = true;
      continue;
    }
    kana |= c.info.script == Script::kKana;
    hangul |= c.info.script == Script::kHangul;
    if (c.info.script != script && !(Cjk(script) && Cjk(c.info.script))) mixed = true;
  }
  if (kana && hangul) mixed = true;
  if (ascii_latin && script != Script::kNone && script != Script::kLatin) {
    if (!Cjk(script)) {
      mixed = true;
    } else {
      int switches = 0;
      bool last_ascii = false, seen = false;
      for (const Char& c : word) {
        if (c.info.kind != Kind::kLetter) continue;
        const bool is_ascii = c.cp < 0x80;
        if (seen && is_ascii != last_ascii) ++switches;
        last_ascii = is_ascii;
        seen = true;
      }
      if (switches > 1) mixed = true;
    }
  }
  return mixed ? kMixedScriptCost * static_cast<double>(beyond_ascii) : 0;
}

// What the shape of a word says: its case pattern (all lower, all upper,
// capitalised), how many of a Latin word's letters are accented, where a
// Greek word is stressed.
double ShapeCost(Word word) {
  double cost = 0;
  int cased = 0, uppers = 0, beyond_ascii_cased = 0;
  bool first_upper = false;
  for (const Char& c : word) {
    if (c.info.kind != Kind::kLetter || c.info.letter_case == Case::kNone) continue;
    if (c.cp >= 0x80) ++beyond_ascii_cased;
    if (c.info.letter_case == Case::kUpper) {
      if (cased == 0) first_upper = true;
      ++uppers;
    }
    ++cased;
  }
  const bool case_ok = uppers == 0 || uppers == cased || (uppers == 1 && first_upper);
  if (!case_ok && beyond_ascii_cased > 0)
    cost += kCaseCost * static_cast<double>(beyond_ascii_cased);

  const Script script = ScriptOf(word);
  // Latin words are mostly unaccented letters.
  if (script == Script::kLatin) {
    int letters = 0, accented = 0;
    for (const Char& c : word) {
      if (c.info.kind != Kind::kLetter) continue;
      ++letters;
      accented += c.cp >= 0x80;
    }
    if (letters >= 2 && 2 * accented > letters) cost += kAccentedWordCost * accented;
  }
  // Modern Greek marks the stress of every word of more than one syllable
  // that is not written in capitals, and stresses one syllable.
  if (script == Script::kGreek) {
    const auto stressed =
        std::count_if(word.begin(), word.end(), [](const Char& c) { return HasTonos(c.cp); });
    if (stressed == 0 && uppers != cased && cased > kLongestGreekWordWithoutTonos)
      cost += kGreekWithoutTonosCost;
    if (stressed > 1) cost += kGreekWithoutTonosCost * static_cast<double>(stressed - 1);
  }
  return cost;
}

// What each character's neighbours say: symbols, punctuation and marks by
// what stands beside them, runs of accented or repeated letters. Counts
// the letters of cased scripts into `letters`, `count` times.
double NeighbourCost(Word word, LetterCounts& letters, double count) {
  const bool has_letters =
      std::any_of(word.begin(), word.end(), [](const Char& c) { return c.info.kind == Kind::kLetter; });
  double cost = 0;
  int accent_run = 0;
  int repeats = 0;
  int box_changes = 0;
  for (size_t i = 0; i < word.size(); ++i) {
    const Char& c = word[i];
    const Char* before = i > 0 ? &word[i - 1] : nullptr;
    const Char* after = i + 1 < word.size() ? &word[i + 1] : nullptr;
    if (c.info.kind == Kind::kLetter && c.info.script == Script::kLatin && c.cp >= 0x80) {
      if (++accent_run > 2) cost += kAccentRunCost;
    } else if (c.info.kind != Kind::kMark) {
      accent_run = 0;
    }
    if (c.info.kind == Kind::kLetter && c.cp >= 0x80 && before && before->cp == c.cp) {
      if (++repeats >= 2) cost += kRepeatedLetterCost;
    } else {
      repeats = 0;
    }
    switch (c.info.kind) {
      case Kind::kSymbol:
        if (IsDigit(before) || IsDigit(after)) break;  // 25°, №5, 10€
        if (!has_letters) cost += kLoneSymbolCost;
        else if (before && after) cost += kSymbolInWordCost;
        else if (after) cost += kSymbolBeforeWordCost;
        else if (c.cp != kOrdinalA && c.cp != kOrdinalO) cost += kSymbolAfterWordCost;  // Nº
        break;
      case Kind::kBox:
        if (has_letters) cost += kBoxInWordCost;
        else if (before && before->info.kind == Kind::kBox && before->cp != c.cp &&
                 ++box_changes > kBoxChangesOfALine)
          cost += kBoxChangeCost;
        break;
      case Kind::kPunctuation:
        // ’ and · stand inside words (don’t, l·l), and so do Hebrew's geresh
        // and gershayim; Chinese and Japanese run their sentences together.
        if (c.cp != 0x2019 && c.cp != 0xB7 && c.cp != 0x5F3 && c.cp != 0x5F4 &&
            IsLetter(before) && IsLetter(after) && !Cjk(before->info.script) &&
            !Cjk(after->info.script))
          cost += kPunctuationInWordCost;
        break;
      case Kind::kMark: {
        // A mark follows the letter it belongs to: a Thai one a Thai letter.
        size_t base = i;
        while (base > 0 && word[base - 1].info.kind == Kind::kMark) --base;
        const Char* letter = base > 0 ? &word[base - 1] : nullptr;
        if (!IsLetter(letter) ||
            (c.info.script != Script::kNone && letter->info.script != c.info.script))
          cost += kStrayMarkCost;
        break;
      }
      case Kind::kLetter:
        // Thai vowels written before their consonant.
        if (c.cp >= 0xE40 && c.cp <= 0xE44 && !(after && after->cp >= 0xE01 && after->cp <= 0xE2E))
          cost += kStrayMarkCost;
        // Greek writes ς only at the end of a word.
        if (c.cp == kFinalSigma && IsLetter(after)) cost += kStrayMarkCost;
        if (c.cp >= 0x80 && Cased(c.info.script)) letters.Add(Fold(c.cp, c.info), count);
        break;
      case Kind::kStrange:
        cost += kStrangeCost;
        break;
      default:
        break;
    }
  }
  return cost;
}

// The cost of one word: a run of characters between separators that holds
// a character beyond ASCII.
double WordCost(Word word, LetterCounts& letters, double count) {
  return MixedScriptCost(word) + ShapeCost(word) + NeighbourCost(word, letters, count);
}

// Adds the cost of the words of `chars` (runs between separators) that
// hold a character beyond ASCII to `cost`, counting their letters into
// `letters` `count` times. False when a character is a control character.
bool CostOfWords(Word chars, LetterCounts& letters, double count, double& cost) {
  size_t word_start = 0;
  bool beyond_ascii = false;
  for (size_t i = 0; i <= chars.size(); ++i) {
    if (i < chars.size()) {
      const Char& c = chars[i];
      if (c.info.kind == Kind::kControl) return false;
      if (c.info.kind != Kind::kSeparator) {
        beyond_ascii |= c.cp >= 0x80;
        continue;
      }
    }
    if (beyond_ascii) cost += WordCost(chars.subspan(word_start, i - word_start), letters, count);
    word_start = i + 1;
    beyond_ascii = false;
  }
  return true;
}

// Judges one reading of one line of `sample`. A reading of bytes alone
// reads only the line's words beyond ASCII: the others read alike in every
// such reading and cost nothing. `chars` is room for characters.
void JudgeLine(const Reading& reading, const SampleLines& sample, const SampleLines::Line& line,
               std::vector<Char>& chars, LetterCounts& letters, Judgement& judgement) {
  double cost = 0;
  bool clean = true;
  if (reading.ReadsBytesAlone()) {
    for (size_t w = line.first_word; clean && w < line.end_word; ++w) {
      chars.clear();
      clean = reading.Decode(sample.words[w], chars, cost) &&
              CostOfWords(chars, letters, line.count, cost);
    }
  } else {
    chars.clear();
    clean = reading.Decode(line.text, chars, cost) && CostOfWords(chars, letters, line.count, cost);
  }
  if (!clean) {
    judgement.clean = false;
    return;
  }
  judgement.cost += cost * line.count;
}

// Whether two readings that read `sample` cleanly read it as the same text.
bool SameText(const Reading& a, const Reading& b, const SampleLines& sample) {
  std::vector<Char> a_chars, b_chars;
  double unused = 0;
  auto same = [&](std::string_view text) {
    a_chars.clear();
    b_chars.clear();
    a.Decode(text, a_chars, unused);
    b.Decode(text, b_chars, unused);
    return std::equal(a_chars.begin(), a_chars.end(), b_chars.begin(), b_chars.end(),
                      [](const Char& x, const Char& y) { return x.cp == y.cp; });
  };
  // Readings of bytes alone read ASCII alike: they read the same text when
  // they read each other byte of it as the same character.
  if (a.ReadsBytesAlone() && b.ReadsBytesAlone()) {
    for (int byte = 0x80; byte < 0x100; ++byte) {
      const char c = static_cast<char>(byte);
      if (sample.bytes[byte] && !same(std::string_view(&c, 1))) return false;
    }
    return true;
  }
  return std::all_of(sample.lines.begin(), sample.lines.end(),
                     [&](const SampleLines::Line& line) { return same(line.text); });
}

// The cost of the letters the best-fitting language of their script lacks,
// and of the rare ones.
double UnlistedLetterCost(const LetterCounts& letters) {
  const std::unordered_map<uint32_t, LetterFacts>& known = KnownLetters();
  std::array<double, std::size(kLanguages)> covered{};
  for (const auto& [cp, n] : letters.counts()) {
    const auto it = known.find(cp);
    if (it == known.end()) continue;
    for (size_t l = 0; l < std::size(kLanguages); ++l)
      if (it->second.languages >> l & 1) covered[l] += n;
  }
  double cost = 0;
  for (Script script : {Script::kLatin, Script::kCyrillic, Script::kGreek}) {
    double total = 0;
    for (const auto& [cp, n] : letters.counts())
      if (Classify(cp).script == script) total += n;
    if (total == 0) continue;
    double best = 0;
    for (size_t l = 0; l < std::size(kLanguages); ++l)
      if (kLanguages[l].script == script) best = std::max(best, covered[l]);
    cost += (total - best) * kUnlistedLetterCost;
  }
  for (const auto& [cp, n] : letters.counts()) {
    const auto it = known.find(cp);
    if (it != known.end() && it->second.rarity != 0) cost += n * it->second.rarity;
  }
  return cost;
}

struct DetectorDeleter {
  void operator()(uchardet* detector) const { uchardet_delete(detector); }
};

// The double-byte code page uchardet's character statistics take `sample`
// for; 0 for none.
int StatisticalDoubleByteGuess(std::string_view sample) {
  struct Named {
    const char* charset;
    int code_page;
  };
  constexpr Named kCharsets[] = {
      {"GB18030", 936}, {"GB2312", 936},     {"BIG5", 950},  {"EUC-TW", 950},
      {"SHIFT_JIS", 932}, {"EUC-JP", kEucJpCodePage}, {"EUC-KR", 949}, {"UHC", 949},
  };
  std::unique_ptr<uchardet, DetectorDeleter> detector(uchardet_new());
  if (!detector) return 0;
  uchardet_handle_data(detector.get(), sample.data(), sample.size());
  uchardet_data_end(detector.get());
  const char* charset = uchardet_get_charset(detector.get());
  if (charset == nullptr) return 0;
  for (const Named& named : kCharsets)
    if (std::string_view(charset) == named.charset) return named.code_page;
  return 0;
}

// The lines of `sample` that hold a byte beyond ASCII, each once, with
// their words that do: every reading reads the others alike.
SampleLines LinesToWeigh(std::string_view sample) {
  auto separates = [](unsigned char b) { return b < 0x80 && Classify(b).kind == Kind::kSeparator; };
  SampleLines weighed;
  std::unordered_map<std::string_view, size_t> seen;  // line -> index in weighed.lines
  size_t distinct_bytes = 0;
  size_t start = 0;
  while (start < sample.size()) {
    size_t end = sample.find('\n', start);
    if (end == std::string_view::npos) end = sample.size();
    const std::string_view line = sample.substr(start, end - start);
    start = end + 1;
    size_t high = 0;
    for (char c : line) high += static_cast<unsigned char>(c) >= 0x80;
    if (high == 0) continue;
    weighed.evidence += high;
    if (auto it = seen.find(line); it != seen.end()) {
      weighed.lines[it->second].count += 1;
      continue;
    }
    if (distinct_bytes >= kDistinctLineBytes) continue;
    seen.emplace(line, weighed.lines.size());
    distinct_bytes += line.size();
    const size_t first_word = weighed.words.size();
    size_t word_start = 0;
    bool beyond_ascii = false;
    for (size_t i = 0; i <= line.size(); ++i) {
      const bool at_end = i == line.size();
      const unsigned char b = at_end ? 0 : static_cast<unsigned char>(line[i]);
      if (!at_end) weighed.bytes.set(b);
      if (!at_end && !separates(b)) {
        beyond_ascii |= b >= 0x80;
        continue;
      }
      if (beyond_ascii) weighed.words.push_back(line.substr(word_start, i - word_start));
      word_start = i + 1;
      beyond_ascii = false;
    }
    weighed.lines.push_back({line, 1, first_word, weighed.words.size()});
  }
  return weighed;
}

}  // namespace

CodePageGuess GuessCodePage(std::string_view text) {
  const SampleLines sample = LinesToWeigh(text);
  CodePageGuess guess;
  if (sample.evidence == 0) return guess;

  const auto& readings = Readings();
  std::vector<Judgement> judgements(readings.size());
  std::vector<Char> chars;
  LetterCounts letters;
  // The lowest cost of a reading judged whole. The best reading costs no
  // more; one whose cost only grows is beaten once it costs kMargin more.
  double lowest = std::numeric_limits<double>::infinity();
  for (size_t r = 0; r < readings.size(); ++r) {
    const Reading& reading = *readings[r];
    Judgement& judgement = judgements[r];
    if (reading.Refuses(sample.bytes)) {
      judgement.clean = false;
      continue;
    }
    const bool may_be_beaten = reading.CostOnlyGrows() && reading.code_page() != kDefaultCodePage;
    letters.Clear();
    for (const SampleLines::Line& line : sample.lines) {
      JudgeLine(reading, sample, line, chars, letters, judgement);
      if (!judgement.clean) break;
      if (may_be_beaten && judgement.cost >= lowest + kMargin) {
        judgement.beaten = true;
        break;
      }
    }
    if (!judgement.clean || judgement.beaten) continue;
    judgement.cost += UnlistedLetterCost(letters) + Prior(reading.code_page());
    lowest = std::min(lowest, judgement.cost);
  }

  // Double-byte readings often all read clean (Korean text is valid GBK);
  // character statistics tell them apart.
  size_t clean_double_byte = 0;
  for (size_t r = 0; r < readings.size(); ++r)
    clean_double_byte += judgements[r].clean && IsDoubleByte(readings[r]->code_page());
  if (clean_double_byte > 1) {
    const int statistical = StatisticalDoubleByteGuess(text);
    for (size_t r = 0; r < readings.size(); ++r)
      if (judgements[r].clean && statistical != 0 && readings[r]->code_page() == statistical)
        judgements[r].cost -= kStatisticsBonus;
  }
  // The best clean reading (the first of equals), and the best one that
  // reads the text otherwise.
  auto contends = [&](size_t r) { return judgements[r].clean && !judgements[r].beaten; };
  int best = -1;
  for (size_t r = 0; r < readings.size(); ++r)
    if (contends(r) && (best < 0 || judgements[r].cost < judgements[best].cost))
      best = static_cast<int>(r);
  if (best < 0) {
    guess.verdict = CodePageGuess::Verdict::kNoneClean;
    guess.default_clean = false;
    return guess;
  }
  int rival = -1;
  for (size_t r = 0; r < readings.size(); ++r)
    if (contends(r) && (rival < 0 || judgements[r].cost < judgements[rival].cost) &&
        !SameText(*readings[r], *readings[best], sample))
      rival = static_cast<int>(r);
  guess.code_page = readings[best]->code_page();
  for (size_t r = 0; r < readings.size(); ++r)
    if (readings[r]->code_page() == kDefaultCodePage) guess.default_clean = judgements[r].clean;
  if (sample.evidence < kEvidenceNeeded) {
    guess.verdict = CodePageGuess::Verdict::kTooLittle;
  } else if (rival >= 0 && judgements[rival].cost - judgements[best].cost < kMargin) {
    guess.verdict = CodePageGuess::Verdict::kAmbiguous;
    guess.rival = readings[rival]->code_page();
  } else {
    guess.verdict = CodePageGuess::Verdict::kGuessed;
  }
  return guess;
}

}  // namespace veltrane::foxpro
