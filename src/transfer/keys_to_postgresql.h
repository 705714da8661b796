#ifndef VELTRANE_TRANSFER_KEYS_TO_POSTGRESQL_H_
#define VELTRANE_TRANSFER_KEYS_TO_POSTGRESQL_H_

#include <functional>
#include <memory>
#include <utility>
#include <optional>
#include <string>
#include <vector>

#include "app/error_trap.h"
#include "app/prompter.h"
#include "db/backend.h"
#include "db/connection.h"
#include "foxpro/table_keys.h"
#include "transfer/typed_columns.h"

namespace veltrane::transfer {

// A FoxPro index tag in PostgreSQL terms: index elements over the table's
// columns, and the partial index's condition.
struct PgIndexShape {
  std::vector<std::string> elements;  // quoted columns or parenthesised expressions
  bool plain = true;                  // every element a column
  std::vector<std::string> columns;   // the columns, when plain
  std::string where;                  // empty: the whole table
};

// Translates a tag's key and FOR filter where the translation is faithful:
// a field is its column; UPPER() and LOWER() of a text field upper() and
// lower() of it; DTOS() of a date, and STR() of an integer or of a number
// whose digits it keeps, the column itself (they order and match alike); a
// + of such terms one element each (the padded fixed-width parts of a
// FoxPro key match exactly when each part does, which || of texts without
// their padding would not). A filter translates when it compares number,
// date or logical fields with literals of their kind, tests ISNULL(), and
// joins such tests with AND, OR and NOT; !DELETED() needs no condition,
// since deleted records are not sent. `typed` says the columns keep their
// types (the classic mapping's text columns take no filters but
// !DELETED()). Returns nullopt when there is none.
std::optional<PgIndexShape> TranslateTag(const foxpro::cdx::Tag& tag,
                                         const std::vector<foxpro::TableKeys::Column>& fields,
                                         const std::vector<db::ColumnDetails>& details,
                                         const std::vector<std::string>& columns, bool typed);

// Makes the keys of FoxPro tables sent to PostgreSQL: after a table's rows,
// its primary key, unique constraints and indexes from its index tags, its
// literal field defaults and its comments (captions where a field has no
// comment); at the end of the command, foreign keys from the relations
// whose both tables were sent in it or are in PostgreSQL already. Each
// statement runs through the send's error trap at statement `line`; what
// is left out is said in one note per table.
class KeysToPostgreSql {
 public:
  // A FoxPro table as it went to PostgreSQL: its target's name, its keys
  // (db::FoxProSession::Keys), the details and PostgreSQL names of its
  // columns, whether they keep their types, and the schema it went into
  // (empty: where a name without a schema leads).
  struct Table {
    std::string target;
    foxpro::TableKeys keys;
    std::vector<db::ColumnDetails> details;
    std::vector<std::string> columns;
    bool typed = false;
    std::string schema;
  };

  // `open_connection` opens another connection to the same database (it
  // throws db::Error when that fails): a table's indexes are built side by
  // side on a few of them.
  KeysToPostgreSql(db::Connection& postgresql, std::function<std::unique_ptr<db::Connection>()> open_connection,
                   app::ErrorTrap& trap, std::string& statement, int line, app::Reporter& reporter);

  // After `foxpro_table`'s rows: its keys, indexes, defaults and comments.
  // `plans` are the typed mapping's columns (empty with the classic one).
  void AddTableKeys(const std::string& foxpro_table, const Table& table, const std::vector<PgColumnPlan>& plans);

  // At the end of the command: the foreign keys of the relations of the
  // tables sent. A parent table not sent in this command is described by
  // `unsent` (nullopt when it cannot be) and must be in PostgreSQL under
  // its target's name.
  void AddForeignKeys(const std::function<std::optional<Table>(const std::string& foxpro_table)>& unsent);

 private:
  bool Run(const std::string& statement);
  // Runs the statements side by side, each failure reported as Run reports
  // it, on the command's connection and up to kIndexConnections - 1 more.
  void RunSideBySide(const std::vector<std::string>& statements);
  static constexpr int kIndexConnections = 3;
  void AddTags(const std::string& foxpro_table, const Table& table, std::vector<std::string>& skipped);
  void AddDefaults(const Table& table, const std::vector<PgColumnPlan>& plans, std::vector<std::string>& skipped);
  void AddComments(const Table& table);
  void AddForeignKey(const foxpro::ContainerRelation& relation, const Table& child, const Table& parent);
  std::optional<int64_t> Count(const std::string& query);

  db::Connection& postgresql_;
  std::function<std::unique_ptr<db::Connection>()> open_connection_;
  std::vector<std::unique_ptr<db::Connection>> more_connections_;
  bool more_connections_tried_ = false;
  app::ErrorTrap& trap_;
  std::string& statement_;
  const int line_;
  app::Reporter& reporter_;
  // The tables sent, by their FoxPro names in lower case, in order.
  std::vector<std::pair<std::string, Table>> sent_;
  bool maintenance_memory_set_ = false;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_KEYS_TO_POSTGRESQL_H_
