#include "transfer/postgresql_listing.h"

#include <utility>

#include "transfer/sql_names.h"

namespace veltrane::transfer {
namespace {

// Reads one part of a qualified name from `text` at `at`: a name in double
// quotes (a doubled quote standing for one), or a run of characters other
// than '.' and '"'. False when there is none.
bool ReadNamePart(const std::string& text, size_t& at, std::string& part) {
  part.clear();
  if (at < text.size() && text[at] == '"') {
    for (++at; at < text.size(); ++at) {
      if (text[at] != '"') {
        part += text[at];
      } else if (at + 1 < text.size() && text[at + 1] == '"') {
        part += '"';
        ++at;
      } else {
        ++at;
        return true;
      }
    }
    return false;
  }
  const size_t start = at;
  while (at < text.size() && text[at] != '.' && text[at] != '"') ++at;
  part = text.substr(start, at - start);
  return !part.empty();
}

// Reads `text` as schema.table spelled as a statement would spell it.
bool ReadQualifiedName(const std::string& text, std::string& schema, std::string& name) {
  size_t at = 0;
  if (!ReadNamePart(text, at, schema) || at >= text.size() || text[at] != '.') return false;
  ++at;
  return ReadNamePart(text, at, name) && at == text.size();
}

}  // namespace

PostgreSqlListing PostgreSqlListing::Read(db::Connection& connection) {
  PostgreSqlListing listing;
  listing.tables_ = db::ReadPostgreSqlTables(connection);
  for (size_t i = 0; i < listing.tables_.size(); ++i) {
    const db::PostgreSqlTable& table = listing.tables_[i];
    listing.by_entry_.emplace(table.listed, i);
    listing.by_name_.emplace(std::make_pair(table.schema, table.name), i);
    listing.by_oid_.emplace(table.oid, i);
  }
  return listing;
}

const db::PostgreSqlTable* PostgreSqlListing::Find(const std::string& entry) const {
  if (const auto found = by_entry_.find(entry); found != by_entry_.end())
    return &tables_[found->second];
  std::string schema, name;
  if (ReadQualifiedName(entry, schema, name)) return Find(schema, name);
  return nullptr;
}

const db::PostgreSqlTable* PostgreSqlListing::Find(const std::string& schema,
                                                   const std::string& name) const {
  const auto found = by_name_.find({schema, name});
  return found == by_name_.end() ? nullptr : &tables_[found->second];
}

const db::PostgreSqlTable* PostgreSqlListing::Find(uint32_t oid) const {
  const auto found = by_oid_.find(oid);
  return found == by_oid_.end() ? nullptr : &tables_[found->second];
}

std::string PostgreSqlListing::Sql(const std::string& entry) const {
  const db::PostgreSqlTable* table = Find(entry);
  if (!table || (table->bare && table->listed == entry)) return QuotePostgreSqlName(entry);
  return QuotePostgreSqlTable(table->schema, table->name);
}

void PostgreSqlListing::UpdateEntries(app::TableList& list, const PostgreSqlListing& now) const {
  std::vector<std::pair<std::string, std::string>> renamed;
  for (int i = 0; i < list.Count(); ++i) {
    const std::string entry = list.Item(i);
    const db::PostgreSqlTable* before = Find(entry);
    const db::PostgreSqlTable* after = before ? now.Find(before->oid) : nullptr;
    if (after && after->listed != entry) renamed.emplace_back(entry, after->listed);
  }
  for (const auto& [old_name, new_name] : renamed) {
    for (int i = 0; i < list.Count(); ++i) {
      if (list.Item(i) != old_name) continue;
      list.RemoveItem(i);
      list.AddItem(new_name);
      break;
    }
  }
}

}  // namespace veltrane::transfer
