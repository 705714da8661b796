#include "transfer/value_rendering.h"

#include "transfer/split_foxpro_literal.h"

namespace veltrane::transfer {
namespace {

constexpr std::string_view kNextValue = "', '";
constexpr std::string_view kNullValue = "NULL, '";
// The end of kNextValue that opens a next value: comma, blank, quote.
constexpr std::string_view kNextValueOpening = ", '";
constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';

// Appends `text` with every quote doubled.
void AppendDoublingQuotes(std::string& out, std::string_view text) {
  size_t start = 0;
  for (size_t quote = text.find('\''); quote != std::string_view::npos;
       quote = text.find('\'', start)) {
    out.append(text, start, quote + 1 - start);
    out += '\'';
    start = quote + 1;
  }
  out.append(text, start);
}

// Appends one literal's characters: quotes doubled, each run of line breaks
// written outside the literal as CHR() joints.
void AppendFoxProPiece(std::string& out, std::string_view piece) {
  size_t start = 0;
  while (start < piece.size()) {
    const size_t brk = piece.find_first_of("\r\n", start);
    AppendDoublingQuotes(out, piece.substr(start, brk - start));
    if (brk == std::string_view::npos) break;
    out += '\'';
    size_t next = brk;
    for (; next < piece.size() && (piece[next] == kCarriageReturn || piece[next] == kLineFeed);
         ++next)
      out += piece[next] == kCarriageReturn ? "+CHR(13)" : "+CHR(10)";
    out += "+'";
    start = next;
  }
}

}  // namespace

void AppendNullValue(std::string& statement) {
  statement.pop_back();
  statement += kNullValue;
}

void AppendPostgreSqlValue(std::string& statement, std::string_view text) {
  if (IsSentAsNull(text)) {
    AppendNullValue(statement);
    return;
  }
  AppendQuotedPostgreSqlValue(statement, text);
}

void AppendQuotedPostgreSqlValue(std::string& statement, std::string_view text) {
  AppendDoublingQuotes(statement, text);
  statement += kNextValue;
}

void AppendFoxProValue(std::string& statement, std::string_view text) {
  bool first = true;
  ForEachFoxProLiteralPiece(text, [&](std::string_view piece) {
    if (!first) statement += kFoxProLiteralJoint;
    first = false;
    AppendFoxProPiece(statement, piece);
  });
  statement += kNextValue;
}

void FinishValues(std::string& statement) {
  statement.resize(statement.size() - kNextValueOpening.size());
  statement += ')';
}

}  // namespace veltrane::transfer
