#include "transfer/postgresql_names.h"

#include <set>

#include "db/error.h"

namespace veltrane::transfer {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The longest start of `text` of at most `bytes` bytes that ends on a
// character boundary.
std::string FirstBytes(const std::string& text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t end = bytes;
  while (end > 0 && IsContinuationByte(text[end])) --end;
  return text.substr(0, end);
}

}  // namespace

void CheckPostgreSqlTableName(const std::string& name) {
  if (name.size() <= kPostgreSqlNameBytes) return;
  throw db::Error("Table \"" + name + "\" was not sent: its name is " + std::to_string(name.size()) +
                  " bytes long, and PostgreSQL keeps only the first " +
                  std::to_string(kPostgreSqlNameBytes) +
                  " bytes of a name. Rename the table to a shorter name first.");
}

std::vector<std::string> PostgreSqlColumnNames(const std::vector<std::string>& names,
                                               std::string& changed) {
  std::set<std::string> taken;
  for (const std::string& name : names)
    if (name.size() <= kPostgreSqlNameBytes) taken.insert(name);
  std::vector<std::string> result;
  for (const std::string& name : names) {
    if (name.size() <= kPostgreSqlNameBytes) {
      result.push_back(name);
      continue;
    }
    std::string shortened = FirstBytes(name, kPostgreSqlNameBytes);
    for (int number = 2; taken.count(shortened) != 0; ++number) {
      const std::string suffix = "_" + std::to_string(number);
      shortened = FirstBytes(name, kPostgreSqlNameBytes - suffix.size()) + suffix;
    }
    taken.insert(shortened);
    if (!changed.empty()) changed += ", ";
    changed += "\"" + name + "\" as \"" + shortened + "\"";
    result.push_back(shortened);
  }
  return result;
}

}  // namespace veltrane::transfer
