#include "foxpro/codepage_detect.h"

#include <uchardet/uchardet.h>

#include <memory>
#include <string>

#include "foxpro/codepage.h"

namespace veltrane::foxpro {
namespace {

// Bytes above 0x7F a guess needs before it is trusted.
constexpr size_t kEvidenceNeeded = 4;
constexpr size_t kLatinEvidenceNeeded = 16;

struct Guess {
  const char* charset;  // uchardet's name
  int code_page;
  bool latin;  // a Latin-script code page, easily taken for another
};

constexpr Guess kGuesses[] = {
    {"UTF-8", kUtf8CodePage, false},
    {"BIG5", 950, false},           {"EUC-TW", 950, false},
    {"GB18030", 936, false},        {"HZ-GB-2312", 936, false},   {"GB2312", 936, false},
    {"EUC-KR", 949, false},         {"UHC", 949, false},          {"SHIFT_JIS", 932, false},
    {"IBM866", 866, false},         {"IBM855", 855, false},       {"WINDOWS-1251", 1251, false},
    {"KOI8-R", kKoi8rCodePage, false},  {"ISO-8859-5", 28595, false},
    {"MAC-CYRILLIC", 10007, false}, {"WINDOWS-1253", 1253, false}, {"ISO-8859-7", 1253, false},
    {"WINDOWS-1255", 1255, false},  {"ISO-8859-8", 1255, false},  {"TIS-620", 874, false},
    {"ISO-8859-11", 874, false},    {"WINDOWS-1256", 1256, false},
    {"WINDOWS-1250", 1250, true},   {"ISO-8859-2", 1250, true},   {"IBM852", 852, true},
    {"MAC-CENTRALEUROPE", 10029, true}, {"WINDOWS-1252", 1252, true},
    {"ISO-8859-1", 1252, true},     {"ISO-8859-15", 1252, true},  {"WINDOWS-1254", 1254, true},
    {"ISO-8859-9", 1254, true},     {"WINDOWS-1257", 1257, true}, {"ISO-8859-13", 1257, true},
    {"ISO-8859-4", 1257, true},     {"WINDOWS-1258", 1258, true},
};

struct DetectorDeleter {
  void operator()(uchardet* detector) const { uchardet_delete(detector); }
};

}  // namespace

int DetectCodePage(std::string_view sample) {
  size_t evidence = 0;
  for (char c : sample)
    if (static_cast<unsigned char>(c) >= 0x80) ++evidence;
  if (evidence < kEvidenceNeeded) return 0;
  std::unique_ptr<uchardet, DetectorDeleter> detector(uchardet_new());
  if (!detector) return 0;
  uchardet_handle_data(detector.get(), sample.data(), sample.size());
  uchardet_data_end(detector.get());
  const char* charset = uchardet_get_charset(detector.get());
  if (charset == nullptr) return 0;
  const std::string name(charset);
  for (const Guess& guess : kGuesses) {
    if (name != guess.charset) continue;
    if (guess.latin && evidence < kLatinEvidenceNeeded) return 0;
    return IsSupportedCodePage(guess.code_page) ? guess.code_page : 0;
  }
  return 0;
}

}  // namespace veltrane::foxpro
