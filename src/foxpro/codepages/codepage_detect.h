#ifndef VELTRANE_FOXPRO_CODEPAGES_CODEPAGE_DETECT_H_
#define VELTRANE_FOXPRO_CODEPAGES_CODEPAGE_DETECT_H_

#include <string_view>

namespace veltrane::foxpro {

// What the text of a table without a code-page mark says about its code
// page.
struct CodePageGuess {
  enum class Verdict {
    // No byte beyond ASCII: every code page reads the text alike.
    kNothingToGo,
    // `code_page` reads the text best, by a clear margin.
    kGuessed,
    // `code_page` reads the few bytes beyond ASCII best, but they are too
    // few to go by.
    kTooLittle,
    // `code_page` and `rival` read the text differently and equally well.
    kAmbiguous,
    // Every reading holds control characters, undefined bytes or broken
    // sequences.
    kNoneClean,
  };
  Verdict verdict = Verdict::kNothingToGo;
  int code_page = 0;  // the best reading; 0 for kNothingToGo and kNoneClean
  int rival = 0;      // kAmbiguous only
  // Whether the default code page (1252) reads the text without control
  // characters or undefined bytes. When it does not, an unclear case is
  // better read in `code_page` than in the default.
  bool default_clean = true;
};

// Judges which code page FoxPro reads (the DOS pages 437, 737, 850, 852,
// 857, 861, 863, 865 and 866, the Windows pages 874 and 1250 to 1258, the
// Mac pages 10000, 10007 and 10029, the double-byte pages 932, 936, 949 and
// 950), EUC-JP (51932), KOI8-R or UTF-8 reads `sample` best. `sample` is
// text of one table: field values, one a line.
//
// A reading that yields a control character, a byte its code page leaves
// undefined, or a broken double-byte or UTF-8 sequence is never chosen.
// Of the others, the one whose words are best formed wins: each word made
// of letters of one script (ASCII letters go with Chinese, Japanese and
// Korean), in the case pattern of a real word (all lower, all upper,
// capitalised), without symbols or box-drawing characters inside, in
// letters one language writes together, and, for double-byte pages, of the
// characters their standards list as common. Valid UTF-8 sequences count
// for UTF-8; uchardet's statistics choose among double-byte readings that
// are all valid (Korean text is valid GBK). The Mac pages and KOI8-R need
// clearer evidence than the others. Readings that give the same text are
// one reading: the commonest code page stands for them.
//
// Runs in time linear in the sample's size; keep the sample bounded.
CodePageGuess GuessCodePage(std::string_view sample);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_CODEPAGES_CODEPAGE_DETECT_H_
