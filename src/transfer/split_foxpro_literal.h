#ifndef VELTRANE_TRANSFER_SPLIT_FOXPRO_LITERAL_H_
#define VELTRANE_TRANSFER_SPLIT_FOXPRO_LITERAL_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrane::transfer {

// FoxPro takes string literals of limited length, so the transfer to FoxPro
// writes every value as a chain of literals of at most this many characters.
inline constexpr size_t kFoxProLiteralChars = 200;
// What joins two literals of a chain: quote, plus, quote.
inline constexpr std::string_view kFoxProLiteralJoint = "'+'";

// Calls `piece(std::string_view)` for each run of at most
// kFoxProLiteralChars characters of the UTF-8 `text`, in order. A joint
// follows every character whose position (from 1) is a multiple of
// kFoxProLiteralChars, so a text of such a length ends with an empty piece;
// an empty text is one empty piece.
template <typename PieceFn>
void ForEachFoxProLiteralPiece(std::string_view text, PieceFn&& piece) {
  size_t start = 0;
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool starts_character = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (!starts_character) continue;
    if (characters == kFoxProLiteralChars) {
      piece(text.substr(start, i - start));
      start = i;
      characters = 0;
    }
    ++characters;
  }
  if (characters == kFoxProLiteralChars) {
    piece(text.substr(start));
    start = text.size();
  }
  piece(text.substr(start));
}

// A copy of `text` with the joint after every character whose position
// (from 1) is a multiple of kFoxProLiteralChars. An empty text gives an
// empty text; a text of exactly 200 characters gives them followed by the
// joint. Nothing else is changed. Characters are counted as UTF-8 code
// points.
std::string SplitFoxProLiteral(std::string_view text);

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_SPLIT_FOXPRO_LITERAL_H_
