#include "transfer/sql_names.h"

namespace veltrane::transfer {
namespace {

std::string Enclose(std::string_view name, char quote) {
  std::string quoted;
  quoted.reserve(name.size() + 2);
  quoted += quote;
  for (char c : name) {
    if (c == quote) quoted += quote;
    quoted += c;
  }
  quoted += quote;
  return quoted;
}

}  // namespace

std::string QuotePostgreSqlName(std::string_view name) { return Enclose(name, '"'); }

std::string QuotePostgreSqlTable(std::string_view schema, std::string_view name) {
  return Enclose(schema, '"') + "." + Enclose(name, '"');
}

std::string QuotePostgreSqlText(std::string_view text) { return Enclose(text, '\''); }

std::string QuoteFoxProName(std::string_view name) { return Enclose(name, '`'); }

std::string QuoteFoxProPath(std::string_view path) { return Enclose(path, '\''); }

}  // namespace veltrane::transfer
