#include "transfer/split_foxpro_literal.h"

namespace veltrane::transfer {

std::string SplitFoxProLiteral(std::string_view text) {
  std::string split;
  split.reserve(text.size() + text.size() / kFoxProLiteralChars * kFoxProLiteralJoint.size());
  bool first = true;
  ForEachFoxProLiteralPiece(text, [&](std::string_view piece) {
    if (!first) split += kFoxProLiteralJoint;
    first = false;
    split += piece;
  });
  return split;
}

}  // namespace veltrane::transfer
