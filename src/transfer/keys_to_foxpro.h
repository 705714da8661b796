#ifndef VELTRANE_TRANSFER_KEYS_TO_FOXPRO_H_
#define VELTRANE_TRANSFER_KEYS_TO_FOXPRO_H_

#include <string>
#include <vector>

#include "app/error_trap.h"
#include "app/prompter.h"
#include "db/connection.h"
#include "db/foxpro_session.h"

namespace veltrane::transfer {

// Makes the keys of PostgreSQL tables sent to FoxPro. After a table's rows
// its structural index: the primary key the primary tag, unique
// constraints and unique b-tree indexes on plain columns candidate tags,
// other b-tree indexes on plain columns regular tags, and a regular tag
// over the columns of each foreign key that has none, so that a relation
// can start from it (see foxpro::Database::CreateIndex for what FoxPro
// takes, and for free tables). At the end of the command, in a container,
// a persistent relation for each foreign key between two tables it sent,
// with the referential integrity rules of its ON UPDATE and ON DELETE.
// Indexes left out (on expressions, partial, not b-tree) are named in one
// note per table; statements run through the send's error trap at
// statement `line`.
class KeysToFoxPro {
 public:
  KeysToFoxPro(db::Connection& postgresql, db::FoxProSession& foxpro, app::ErrorTrap& trap,
               std::string& statement, int line, app::Reporter& reporter);

  // `table` is the PostgreSQL table as listed, `table_sql` its name in
  // statements, `target` the FoxPro table's name and `path` its file (as
  // INSERT names it).
  void AddTableKeys(const std::string& table, const std::string& table_sql, const std::string& target,
                    const std::string& path);

  // The relations between the tables sent, in a container.
  void AddRelations(bool container);

 private:
  struct ForeignKey {
    std::string child;                  // the FoxPro table
    std::vector<int> columns;           // the child's
    std::string parent;                 // the PostgreSQL table referred to
    std::string parent_oid;             // and its object id
    std::vector<int> parent_columns;
    std::string rules;
    std::string child_tag;
  };
  struct SentTable {
    std::string table;   // PostgreSQL
    std::string target;  // FoxPro
    std::string oid;     // the PostgreSQL table's object id
    // Its key tags: columns and name.
    std::vector<std::pair<std::vector<int>, std::string>> keys;
  };

  db::Connection& postgresql_;
  db::FoxProSession& foxpro_;
  app::ErrorTrap& trap_;
  std::string& statement_;
  const int line_;
  app::Reporter& reporter_;
  std::vector<SentTable> sent_;
  std::vector<ForeignKey> foreign_keys_;
};

}  // namespace veltrane::transfer

#endif  // VELTRANE_TRANSFER_KEYS_TO_FOXPRO_H_
