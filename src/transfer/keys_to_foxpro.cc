#include "transfer/keys_to_foxpro.h"

#include <algorithm>
#include <sstream>

#include "db/error.h"
#include "transfer/sql_names.h"

namespace veltrane::transfer {
namespace {

// The positions (from 0, in SELECT * order) of the columns whose numbers
// an array of attribute numbers of `relation` holds; -1 for an expression.
std::string Positions(const std::string& attributes, const std::string& relation) {
  return "array_to_string(ARRAY(SELECT CASE WHEN k.attnum > 0 THEN (SELECT count(*) FROM "
         "pg_catalog.pg_attribute a WHERE a.attrelid = " + relation +
         " AND a.attnum > 0 AND NOT a.attisdropped AND a.attnum <= k.attnum) - 1 ELSE -1 END FROM unnest(" +
         attributes + ") WITH ORDINALITY AS k(attnum, n) ORDER BY k.n), ',')";
}

std::vector<int> ParsePositions(const std::string& text) {
  std::vector<int> positions;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, ',')) positions.push_back(part.empty() ? -1 : std::stoi(part));
  return positions;
}

char RuleOf(const std::string& action) {
  if (action == "c") return 'C';
  if (action == "r" || action == "a") return 'R';
  return 'I';  // set null, set default: FoxPro's rules have neither
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace

KeysToFoxPro::KeysToFoxPro(db::Connection& postgresql, db::FoxProSession& foxpro, app::ErrorTrap& trap,
                           std::string& statement, int line, app::Reporter& reporter)
    : postgresql_(postgresql), foxpro_(foxpro), trap_(trap), statement_(statement), line_(line), reporter_(reporter) {}

void KeysToFoxPro::AddTableKeys(const std::string& table, const std::string& table_sql, const std::string& target,
                                const std::string& path) {
  const std::string relation = QuotePostgreSqlText(table_sql) + "::regclass";
  std::string oid;
  std::vector<foxpro::NewTag> tags;
  std::vector<std::string> skipped;
  std::vector<ForeignKey> foreign_keys;
  const bool read = trap_.Run(line_, [&] {
    // The table's object id names it to the foreign keys of the others.
    statement_ = "SELECT " + relation + "::oid::text";
    {
      db::RecordSet found = postgresql_.Execute(statement_);
      if (!found.Eof()) oid = std::string(found.GetFields()[0].Value().Text());
    }
    // Indexes: constraints first, the primary key before all.
    statement_ =
        "SELECT ic.relname, i.indisprimary, i.indisunique, am.amname = 'btree' AND i.indexprs IS NULL AND "
        "i.indpred IS NULL, " +
        Positions("(i.indkey::int2[])[0:i.indnkeyatts - 1]", "i.indrelid") +
        ", (SELECT a.attname FROM pg_catalog.pg_attribute a WHERE a.attrelid = i.indrelid AND a.attnum = "
        "i.indkey[0]) "
        "FROM pg_catalog.pg_index i JOIN pg_catalog.pg_class ic ON ic.oid = i.indexrelid "
        "JOIN pg_catalog.pg_am am ON am.oid = ic.relam WHERE i.indrelid = " +
        relation + " ORDER BY i.indisprimary DESC, i.indisunique DESC, ic.relname";
    for (db::RecordSet rows = postgresql_.Execute(statement_); !rows.Eof(); rows.MoveNext()) {
      const db::Fields fields = rows.GetFields();
      const std::string name(fields[0].Value().Text());
      const bool primary = fields[1].Value().Text() == "true";
      const bool unique = fields[2].Value().Text() == "true";
      const bool plain = fields[3].Value().Text() == "true";
      const std::vector<int> columns = ParsePositions(std::string(fields[4].Value().Text()));
      if (!plain || columns.empty() || std::count(columns.begin(), columns.end(), -1) > 0) {
        skipped.push_back(name);
        continue;
      }
      foxpro::NewTag tag;
      tag.name = std::string(fields[5].Value().Text());
      tag.kind = primary ? foxpro::NewTag::Kind::kPrimary
                         : unique ? foxpro::NewTag::Kind::kCandidate : foxpro::NewTag::Kind::kRegular;
      tag.fields = columns;
      tags.push_back(std::move(tag));
    }
    statement_ = "SELECT cl.relname, " + Positions("con.conkey", "con.conrelid") + ", " +
                 Positions("con.confkey", "con.confrelid") +
                 ", con.confupdtype, con.confdeltype, (SELECT a.attname FROM pg_catalog.pg_attribute a WHERE "
                 "a.attrelid = con.conrelid AND a.attnum = con.conkey[1]), con.confrelid::text "
                 "FROM pg_catalog.pg_constraint con JOIN pg_catalog.pg_class cl ON cl.oid = con.confrelid "
                 "WHERE con.contype = 'f' AND con.conrelid = " +
                 relation + " ORDER BY con.conname";
    for (db::RecordSet rows = postgresql_.Execute(statement_); !rows.Eof(); rows.MoveNext()) {
      const db::Fields fields = rows.GetFields();
      ForeignKey key;
      key.child = target;
      key.parent = std::string(fields[0].Value().Text());
      key.parent_oid = std::string(fields[6].Value().Text());
      key.columns = ParsePositions(std::string(fields[1].Value().Text()));
      key.parent_columns = ParsePositions(std::string(fields[2].Value().Text()));
      key.rules = std::string(1, RuleOf(std::string(fields[3].Value().Text()))) +
                  RuleOf(std::string(fields[4].Value().Text())) + "R";
      // A relation starts from a tag over the child's columns.
      const bool tagged = std::any_of(tags.begin(), tags.end(),
                                      [&](const foxpro::NewTag& tag) { return tag.fields == key.columns; });
      if (!tagged) tags.push_back({std::string(fields[5].Value().Text()), foxpro::NewTag::Kind::kRegular, key.columns});
      foreign_keys.push_back(std::move(key));
    }
  });
  if (!read) return;
  if (!skipped.empty())
    reporter_.Message("Table \"" + target + "\": these indexes of " + table +
                      " were not made FoxPro index tags, being on expressions, partial or not b-tree: " +
                      Joined(skipped) + ".");
  if (tags.empty()) return;
  foxpro::IndexCreation made;
  // The report of a failure shows the tags as FoxPro's INDEX commands
  // would make them, by the positions of their fields.
  statement_.clear();
  for (const foxpro::NewTag& tag : tags) {
    statement_ += statement_.empty() ? "" : "; ";
    statement_ += "INDEX ON field";
    for (size_t f = 0; f < tag.fields.size(); ++f)
      statement_ += (f ? "+field" : "") + std::to_string(tag.fields[f] + 1);
    statement_ += " TAG " + tag.name + (tag.kind == foxpro::NewTag::Kind::kRegular ? "" : " CANDIDATE");
  }
  statement_ += " OF " + path;
  if (!trap_.Run(line_, [&] { made = foxpro_.CreateIndex(path, tags); })) return;
  for (const foxpro::Notice& notice : made.notices) reporter_.Message(notice.text);
  SentTable sent{table, target, oid, {}};
  for (size_t t = 0; t < tags.size(); ++t) {
    if (made.tag_names[t].empty()) continue;
    if (made.keys[t]) sent.keys.emplace_back(tags[t].fields, made.tag_names[t]);
    for (ForeignKey& key : foreign_keys)
      if (key.child_tag.empty() && key.columns == tags[t].fields) key.child_tag = made.tag_names[t];
  }
  sent_.push_back(std::move(sent));
  for (ForeignKey& key : foreign_keys)
    if (!key.child_tag.empty()) foreign_keys_.push_back(std::move(key));
}

void KeysToFoxPro::AddRelations(bool container) {
  if (!container) return;
  for (const ForeignKey& key : foreign_keys_) {
    const auto parent = std::find_if(sent_.begin(), sent_.end(), [&](const SentTable& t) { return t.oid == key.parent_oid; });
    if (parent == sent_.end()) continue;
    const auto tag = std::find_if(parent->keys.begin(), parent->keys.end(),
                                  [&](const auto& k) { return k.first == key.parent_columns; });
    if (tag == parent->keys.end()) {
      reporter_.Message("Table \"" + key.child + "\": its foreign key to \"" + parent->target +
                        "\" was not made a relation: \"" + parent->target +
                        "\" has no primary or candidate tag over the columns it refers to.");
      continue;
    }
    statement_ = "ADD RELATION " + key.child + "." + key.child_tag + " TO " + parent->target + "." + tag->second;
    trap_.Run(line_, [&] {
      foxpro_.AddRelation({key.child, key.child_tag, parent->target, tag->second, key.rules});
    });
  }
  foreign_keys_.clear();
  sent_.clear();
}

}  // namespace veltrane::transfer
