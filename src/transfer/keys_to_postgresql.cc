#include "transfer/keys_to_postgresql.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "db/error.h"
#include "db/pg_concurrent.h"
#include "foxpro/error.h"
#include "foxpro/statements/index_expression.h"
#include "transfer/sql_names.h"
#include "transfer/typed_values.h"

namespace veltrane::transfer {
namespace {

using Expression = foxpro::IndexExpression;

// The server sorts an index's keys in this much of its own memory before
// it spills them to disk; its default (64 MB) spills for a table of a
// million rows.
constexpr const char* kSortMemory = "SET maintenance_work_mem = '128MB'";
using Kind = foxpro::IndexExpression::Kind;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The column a field name of an expression names: by the column's name
// (a container's long name) or its header name, without regard to case.
int FindColumn(const std::string& name, const std::vector<foxpro::TableKeys::Column>& fields) {
  for (size_t f = 0; f < fields.size(); ++f)
    if (Lower(fields[f].name) == name || Lower(fields[f].header_name) == name) return static_cast<int>(f);
  return -1;
}

bool IsDeletedTest(const Expression& node, bool negated) {
  if (node.kind == Kind::kNot) return IsDeletedTest(node.operands[0], !negated);
  return negated && node.kind == Kind::kCall && node.text == "DELETED" && node.operands.empty();
}

class Translator {
 public:
  Translator(const std::vector<foxpro::TableKeys::Column>& fields, const std::vector<db::ColumnDetails>& details,
             const std::vector<std::string>& columns, bool typed)
      : fields_(fields), details_(details), columns_(columns), typed_(typed) {}

  // One index element per term of a + chain; false when a term has no
  // faithful translation.
  bool Key(const Expression& node, PgIndexShape& shape) {
    if (node.kind == Kind::kBinary && node.text == "+")
      return Key(node.operands[0], shape) && Key(node.operands[1], shape);
    int column = -1;
    std::string element;
    if (node.kind == Kind::kField) {
      column = Column(node.text);
      if (column < 0) return false;
    } else if (node.kind == Kind::kCall && !node.operands.empty() && node.operands[0].kind == Kind::kField) {
      const int field = Column(node.operands[0].text);
      if (field < 0) return false;
      const char type = details_[field].foxpro_type;
      if ((node.text == "UPPER" || node.text == "LOWER") && node.operands.size() == 1 &&
          (type == 'C' || type == 'V' || type == 'M')) {
        element = "(" + Lower(node.text) + "(" + QuotePostgreSqlName(columns_[field]) + "))";
      } else if (node.text == "DTOS" && node.operands.size() == 1 && type == 'D') {
        column = field;
      } else if (node.text == "STR" && StrKeepsDigits(node, details_[field])) {
        column = field;
      } else {
        return false;
      }
    } else {
      return false;
    }
    if (column >= 0) {
      shape.elements.push_back(QuotePostgreSqlName(columns_[column]));
      shape.columns.push_back(columns_[column]);
    } else {
      shape.elements.push_back(element);
      shape.plain = false;
    }
    return true;
  }

  // A filter as an SQL condition; false when it has none that is faithful.
  bool Condition(const Expression& node, std::string& out) {
    if (IsDeletedTest(node, false)) {
      out = "true";
      return true;
    }
    if (!typed_) return false;
    if (node.kind == Kind::kBinary && (node.text == "AND" || node.text == "OR")) {
      std::string left, right;
      if (!Condition(node.operands[0], left) || !Condition(node.operands[1], right)) return false;
      out = "(" + left + " " + node.text + " " + right + ")";
      return true;
    }
    if (node.kind == Kind::kNot) {
      std::string inner;
      if (!Condition(node.operands[0], inner)) return false;
      out = "(NOT " + inner + ")";
      return true;
    }
    if (node.kind == Kind::kField) {
      const int field = Column(node.text);
      if (field < 0 || details_[field].foxpro_type != 'L') return false;
      out = QuotePostgreSqlName(columns_[field]);
      return true;
    }
    if (node.kind == Kind::kCall && node.text == "ISNULL" && node.operands.size() == 1 &&
        node.operands[0].kind == Kind::kField) {
      const int field = Column(node.operands[0].text);
      if (field < 0) return false;
      out = "(" + QuotePostgreSqlName(columns_[field]) + " IS NULL)";
      return true;
    }
    if (node.kind == Kind::kBinary && node.text != "+" && node.text != "-" && node.text != "==") {
      const Expression* field_node = &node.operands[0];
      const Expression* value_node = &node.operands[1];
      std::string op = node.text;
      if (field_node->kind != Kind::kField) {
        std::swap(field_node, value_node);
        if (op == "<") op = ">";
        else if (op == ">") op = "<";
        else if (op == "<=") op = ">=";
        else if (op == ">=") op = "<=";
      }
      if (field_node->kind != Kind::kField) return false;
      const int field = Column(field_node->text);
      if (field < 0) return false;
      const std::string literal = Literal(details_[field].foxpro_type, *value_node);
      if (literal.empty()) return false;
      out = "(" + QuotePostgreSqlName(columns_[field]) + " " + op + " " + literal + ")";
      return true;
    }
    return false;
  }

 private:
  int Column(const std::string& name) const {
    const int f = FindColumn(name, fields_);
    return f >= 0 && static_cast<size_t>(f) < columns_.size() && static_cast<size_t>(f) < details_.size() ? f : -1;
  }

  // STR(field[, width[, decimals]]) keeps every digit of an integer field,
  // or of a number field whose width and decimals it keeps.
  static bool StrKeepsDigits(const Expression& call, const db::ColumnDetails& field) {
    int width = 10, decimals = 0;
    for (size_t a = 1; a < call.operands.size(); ++a) {
      const Expression& argument = call.operands[a];
      if (a > 2 || argument.kind != Kind::kNumber ||
          argument.text.find_first_not_of("0123456789") != std::string::npos || argument.text.size() > 2)
        return false;
      (a == 1 ? width : decimals) = std::stoi(argument.text);
    }
    if (field.foxpro_type == 'I') return width >= 11 || (call.operands.size() == 1 && width >= 10);
    if (field.foxpro_type == 'N' || field.foxpro_type == 'F')
      return width >= field.width && decimals >= field.decimals;
    return false;
  }

  // A literal of the kind a field of `type` compares with, in SQL.
  static std::string Literal(char type, const Expression& value) {
    const bool number = type == 'N' || type == 'F' || type == 'I' || type == 'B' || type == 'Y';
    if (number && value.kind == Kind::kNumber) return value.text;
    if (type == 'D' && value.kind == Kind::kDate && !value.text.empty()) return "DATE '" + value.text + "'";
    if (type == 'L' && value.kind == Kind::kLogical) return value.text == "T" ? "true" : "false";
    return "";
  }

  const std::vector<foxpro::TableKeys::Column>& fields_;
  const std::vector<db::ColumnDetails>& details_;
  const std::vector<std::string>& columns_;
  const bool typed_;
};

// The text a literal default stands for, as a value of its field would
// arrive; nullopt for an expression that is no literal.
std::optional<std::string> DefaultText(const std::string& expression) {
  try {
    const Expression value = foxpro::ParseIndexExpression(expression);
    switch (value.kind) {
      case Kind::kString: case Kind::kNumber: return value.text;
      case Kind::kLogical: return std::string(value.text == "T" ? "true" : "false");
      case Kind::kDate:
        if (!value.text.empty()) return value.text;
        return std::nullopt;
      default: return std::nullopt;
    }
  } catch (const foxpro::Error&) {
    return std::nullopt;
  }
}

std::string RuleAction(char rule) {
  switch (std::toupper(static_cast<unsigned char>(rule))) {
    case 'C': return "CASCADE";
    case 'R': return "RESTRICT";
    default: return "NO ACTION";
  }
}

std::string ColumnList(const std::vector<std::string>& columns) {
  std::string list;
  for (const std::string& column : columns) list += (list.empty() ? "" : ", ") + QuotePostgreSqlName(column);
  return list;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

const foxpro::cdx::Tag* FindTag(const std::vector<foxpro::cdx::Tag>& tags, const std::string& name) {
  for (const foxpro::cdx::Tag& tag : tags)
    if (Lower(tag.name) == Lower(name)) return &tag;
  return nullptr;
}

// The table's name in statements, with its schema when it has one.
std::string QuotedTarget(const KeysToPostgreSql::Table& table) {
  return table.schema.empty() ? QuotePostgreSqlName(table.target)
                              : QuotePostgreSqlTable(table.schema, table.target);
}

}  // namespace

std::optional<PgIndexShape> TranslateTag(const foxpro::cdx::Tag& tag,
                                         const std::vector<foxpro::TableKeys::Column>& fields,
                                         const std::vector<db::ColumnDetails>& details,
                                         const std::vector<std::string>& columns, bool typed) {
  Translator translator(fields, details, columns, typed);
  PgIndexShape shape;
  try {
    if (!translator.Key(foxpro::ParseIndexExpression(tag.key_expression), shape)) return std::nullopt;
    if (!tag.filter_expression.empty()) {
      const Expression filter = foxpro::ParseIndexExpression(tag.filter_expression);
      if (!translator.Condition(filter, shape.where)) return std::nullopt;
      if (IsDeletedTest(filter, false)) shape.where.clear();
    }
  } catch (const foxpro::Error&) {
    return std::nullopt;
  }
  if (tag.order == foxpro::cdx::kDescending)
    for (std::string& element : shape.elements) element += " DESC";
  return shape;
}

KeysToPostgreSql::KeysToPostgreSql(db::Connection& postgresql,
                                   std::function<std::unique_ptr<db::Connection>()> open_connection,
                                   app::ErrorTrap& trap, std::string& statement, int line, app::Reporter& reporter)
    : postgresql_(postgresql),
      open_connection_(std::move(open_connection)),
      trap_(trap),
      statement_(statement),
      line_(line),
      reporter_(reporter) {}

bool KeysToPostgreSql::Run(const std::string& statement) {
  statement_ = statement;
  return trap_.Run(line_, [this] { postgresql_.Execute(statement_); });
}

void KeysToPostgreSql::RunSideBySide(const std::vector<std::string>& statements) {
  if (statements.size() > 1 && !more_connections_tried_) {
    more_connections_tried_ = true;
    // Without them the statements run one after another.
    try {
      for (int c = 1; c < kIndexConnections; ++c) {
        more_connections_.push_back(open_connection_());
        more_connections_.back()->Execute(kSortMemory);
      }
    } catch (const std::exception&) {
      more_connections_.clear();
    }
  }
  std::vector<db::Connection*> connections = {&postgresql_};
  for (const auto& connection : more_connections_) connections.push_back(connection.get());
  for (size_t first = 0; first < statements.size(); first += connections.size()) {
    const size_t count = std::min(connections.size(), statements.size() - first);
    if (count == 1) {
      Run(statements[first]);
      continue;
    }
    const std::vector<std::string> batch(statements.begin() + first, statements.begin() + first + count);
    const std::vector<std::string> failures = db::ExecuteConcurrently(connections, batch);
    for (size_t i = 0; i < count; ++i) {
      if (failures[i].empty()) continue;
      statement_ = batch[i];
      trap_.Run(line_, [&] { throw db::Error(failures[i]); });
    }
  }
}

std::optional<int64_t> KeysToPostgreSql::Count(const std::string& query) {
  std::optional<int64_t> count;
  statement_ = query;
  trap_.Run(line_, [&] {
    db::RecordSet rows = postgresql_.Execute(statement_);
    if (!rows.Eof()) count = std::stoll(std::string(rows.GetFields()[0].Value().Text()));
  });
  return count;
}

void KeysToPostgreSql::AddTableKeys(const std::string& foxpro_table, const Table& table,
                                    const std::vector<PgColumnPlan>& plans) {
  // The setting lasts as long as the command's connection.
  if (!std::exchange(maintenance_memory_set_, true)) Run(kSortMemory);
  std::vector<std::string> skipped_tags, skipped_defaults;
  AddTags(foxpro_table, table, skipped_tags);
  AddDefaults(table, plans, skipped_defaults);
  AddComments(table);
  if (!skipped_tags.empty())
    reporter_.Message("Table \"" + foxpro_table + "\": " + std::to_string(skipped_tags.size()) +
                      (skipped_tags.size() == 1 ? " index tag was" : " index tags were") +
                      " not made in PostgreSQL, their expressions having no faithful translation: " +
                      Joined(skipped_tags) + ".");
  if (!skipped_defaults.empty())
    reporter_.Message("Table \"" + foxpro_table + "\": these field defaults are not values PostgreSQL " +
                      "can take as they stand and were left out: " + Joined(skipped_defaults) + ".");
  sent_.emplace_back(Lower(foxpro_table), table);
}

void KeysToPostgreSql::AddTags(const std::string& foxpro_table, const Table& table,
                               std::vector<std::string>& skipped) {
  const std::string quoted = QuotedTarget(table);
  std::vector<std::string> notes, indexes;
  // The primary key first: FoxPro tables have at most one.
  std::vector<const foxpro::cdx::Tag*> ordered;
  for (const foxpro::cdx::Tag& tag : table.keys.tags)
    if (Lower(tag.name) == Lower(table.keys.primary_tag)) ordered.insert(ordered.begin(), &tag);
    else ordered.push_back(&tag);
  for (const foxpro::cdx::Tag* tag : ordered) {
    const std::optional<PgIndexShape> shape =
        TranslateTag(*tag, table.keys.columns, table.details, table.columns, table.typed);
    const std::string described = Lower(tag->name) + " (" + tag->key_expression +
                                  (tag->filter_expression.empty() ? "" : " FOR " + tag->filter_expression) + ")";
    if (!shape) {
      skipped.push_back(described);
      continue;
    }
    const bool primary = !table.keys.primary_tag.empty() && Lower(tag->name) == Lower(table.keys.primary_tag);
    const bool unique = primary || (tag->options & foxpro::cdx::option::kCandidate) != 0;
    const bool constraint = unique && shape->plain && shape->where.empty() && tag->order != foxpro::cdx::kDescending;
    if (constraint) {
      // Constraints lock the table whole: one after another, first.
      Run("ALTER TABLE " + quoted + " ADD " + (primary ? "PRIMARY KEY" : "UNIQUE") + " (" +
          ColumnList(shape->columns) + ")");
      continue;
    }
    indexes.push_back(std::string(unique ? "CREATE UNIQUE INDEX" : "CREATE INDEX") + " ON " + quoted + " (" +
                      Joined(shape->elements) + ")" + (shape->where.empty() ? "" : " WHERE " + shape->where));
    if (primary)
      notes.push_back("its primary key " + described +
                      " became a unique index: a PostgreSQL primary key takes plain columns of the whole table");
  }
  // Indexes take a lock that lets others be built at the same time.
  RunSideBySide(indexes);
  for (const std::string& note : notes) reporter_.Message("Table \"" + foxpro_table + "\": " + note + ".");
}

void KeysToPostgreSql::AddDefaults(const Table& table, const std::vector<PgColumnPlan>& plans,
                                   std::vector<std::string>& skipped) {
  const std::string quoted = QuotedTarget(table);
  for (size_t c = 0; c < table.keys.columns.size() && c < table.columns.size(); ++c) {
    const std::string& expression = table.keys.columns[c].default_value;
    if (expression.empty()) continue;
    std::optional<std::string> text = DefaultText(expression);
    if (text && c < plans.size()) {
      const std::optional<std::string_view> value = PostgreSqlValueOf(plans[c], *text);
      text = value ? std::optional<std::string>(std::string(*value)) : std::nullopt;
    }
    if (!text) {
      skipped.push_back(table.columns[c] + " (" + expression + ")");
      continue;
    }
    Run("ALTER TABLE " + quoted + " ALTER COLUMN " + QuotePostgreSqlName(table.columns[c]) + " SET DEFAULT " +
        QuotePostgreSqlText(*text));
  }
}

void KeysToPostgreSql::AddComments(const Table& table) {
  const std::string quoted = QuotedTarget(table);
  for (size_t c = 0; c < table.keys.columns.size() && c < table.columns.size(); ++c) {
    const foxpro::TableKeys::Column& column = table.keys.columns[c];
    const std::string& text = column.comment.empty() ? column.caption : column.comment;
    if (text.empty()) continue;
    Run("COMMENT ON COLUMN " + quoted + "." + QuotePostgreSqlName(table.columns[c]) + " IS " +
        QuotePostgreSqlText(text));
  }
}

void KeysToPostgreSql::AddForeignKeys(
    const std::function<std::optional<Table>(const std::string& foxpro_table)>& unsent) {
  for (const auto& [name, child] : sent_) {
    for (const foxpro::ContainerRelation& relation : child.keys.relations) {
      const std::string parent_name = Lower(relation.parent_table);
      std::optional<Table> parent;
      for (const auto& [sent_name, sent] : sent_)
        if (sent_name == parent_name) parent = sent;
      if (!parent) {
        parent = unsent(relation.parent_table);
        const std::optional<int64_t> there =
            parent ? Count("SELECT count(*) FROM pg_catalog.pg_class WHERE oid = to_regclass(" +
                           QuotePostgreSqlText(QuotedTarget(*parent)) + ")")
                   : std::nullopt;
        if (!there || *there == 0) {
          reporter_.Message("Table \"" + child.target + "\": its relation to \"" + relation.parent_table +
                            "\" was not made a foreign key: that table was not sent and is not in PostgreSQL.");
          continue;
        }
      }
      AddForeignKey(relation, child, *parent);
    }
  }
  sent_.clear();
}

void KeysToPostgreSql::AddForeignKey(const foxpro::ContainerRelation& relation, const Table& child,
                                     const Table& parent) {
  const foxpro::cdx::Tag* child_tag = FindTag(child.keys.tags, relation.child_tag);
  const foxpro::cdx::Tag* parent_tag = FindTag(parent.keys.tags, relation.parent_tag);
  std::optional<PgIndexShape> from, to;
  if (child_tag) from = TranslateTag(*child_tag, child.keys.columns, child.details, child.columns, child.typed);
  if (parent_tag) to = TranslateTag(*parent_tag, parent.keys.columns, parent.details, parent.columns, parent.typed);
  const std::string described = "its relation to \"" + relation.parent_table + "\" (tag " + relation.child_tag +
                                " to tag " + relation.parent_tag + ")";
  if (!from || !to || !from->plain || !to->plain || !from->where.empty() || !to->where.empty() ||
      from->columns.size() != to->columns.size()) {
    reporter_.Message("Table \"" + child.target + "\": " + described +
                      " was not made a foreign key: its tags are not both lists of plain columns of the same length.");
    return;
  }
  const std::string child_table = QuotedTarget(child);
  const std::string parent_table = QuotedTarget(parent);
  // Rows whose key is not null and matches no parent row break the relation.
  std::string orphans = "SELECT count(*) FROM " + child_table + " c WHERE ";
  std::string match;
  for (size_t i = 0; i < from->columns.size(); ++i) {
    orphans += "c." + QuotePostgreSqlName(from->columns[i]) + " IS NOT NULL AND ";
    match += std::string(i ? " AND " : "") + "p." + QuotePostgreSqlName(to->columns[i]) + " = c." +
             QuotePostgreSqlName(from->columns[i]);
  }
  orphans += "NOT EXISTS (SELECT 1 FROM " + parent_table + " p WHERE " + match + ")";
  const std::optional<int64_t> broken = Count(orphans);
  if (!broken) return;
  std::string statement = "ALTER TABLE " + child_table + " ADD FOREIGN KEY (" + ColumnList(from->columns) +
                          ") REFERENCES " + parent_table + " (" + ColumnList(to->columns) + ")";
  if (relation.rules.size() >= 2)
    statement += " ON UPDATE " + RuleAction(relation.rules[0]) + " ON DELETE " + RuleAction(relation.rules[1]);
  if (*broken > 0) statement += " NOT VALID";
  if (!Run(statement) || *broken == 0) return;
  reporter_.Message("Table \"" + child.target + "\": " + std::to_string(*broken) +
                    (*broken == 1 ? " row breaks " : " rows break ") + described +
                    ", so its foreign key was added NOT VALID: it holds for new rows only. Correct those rows, "
                    "then run ALTER TABLE ... VALIDATE CONSTRAINT.");
}

}  // namespace veltrane::transfer
