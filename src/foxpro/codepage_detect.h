#ifndef VELTRANE_FOXPRO_CODEPAGE_DETECT_H_
#define VELTRANE_FOXPRO_CODEPAGE_DETECT_H_

#include <string_view>

namespace veltrane::foxpro {

// Guesses the code page of text whose table carries no mark, from the
// bytes themselves (uchardet's statistics). Returns 0 when there is
// nothing to go on: plain ASCII, too few other bytes for the guess to be
// trusted, or a guess that names no code page this engine reads. Western
// and Central European guesses need more evidence than others, since their
// letters look alike to the statistics.
int DetectCodePage(std::string_view sample);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_CODEPAGE_DETECT_H_
