#ifndef VELTRANE_FOXPRO_DATABASE_H_
#define VELTRANE_FOXPRO_DATABASE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foxpro/error.h"
#include "foxpro/notice.h"
#include "foxpro/record/row.h"
#include "foxpro/table_keys.h"
#include "foxpro/files/table_reader.h"
#include "foxpro/files/table_writer.h"

namespace veltrane::foxpro {

// One entry of the catalogue: a table ("TABLE") or a container's view ("VIEW").
struct CatalogEntry {
  std::string name;
  std::string type;
  // Why a damaged table cannot be used; empty for the others.
  std::string problem;
};

// A FoxPro database: a database container (".dbc") or a folder of free
// tables. It runs the statements the program sends:
//   SELECT * FROM `name`
//   DROP TABLE `name`
//   CREATE TABLE '<path>'([field] type, ...);
//   INSERT INTO `<path>` VALUES(expr, ...)
// The files on disk are complete at every moment. The records of INSERTs
// into one table are gathered and written in batches (see TableWriter):
// the last batch is written by Flush, by any statement other than an
// INSERT into the same table, and when the database is destroyed. A
// table with a structural index takes records only when this engine can
// make the keys of every tag: its index is then unmarked while the records
// go in and built afresh once they are written (see structural_index.h);
// else the INSERT is refused, the table unchanged. File names are found
// without regard to case. Throws Error with a description on any failure.
class Database {
 public:
  // Opens a ".dbc" file (container mode) or a folder (free-table mode).
  // Tables are read in `code_page` (see CodePageChoice); tables it creates
  // are marked with and written in the chosen code page, 1252 when none is
  // chosen.
  static std::unique_ptr<Database> Open(const std::string& data_source,
                                        const CodePageChoice& code_page = {});
  virtual ~Database() = default;

  // Container mode: its tables (damaged ones with their problem) and views,
  // named as it stores them; free-table mode: every ".dbf" file of the
  // folder, named by its file name without the extension, in lower case as
  // FoxPro reports it.
  virtual std::vector<CatalogEntry> Catalog() = 0;

  // Runs one statement: a cursor over the rows for SELECT, nullptr otherwise.
  virtual std::unique_ptr<RowCursor> Execute(const std::string& statement) = 0;

  // Appends one record to the table at `path` exactly as
  // "INSERT INTO `<path>` VALUES(...)" whose expressions evaluate to
  // `values` does: `path` is the name as that statement's backticks give
  // it, resolved the same way, and the table stays open for the INSERTs
  // and appends into the same path that follow. Saves building and
  // parsing the statement text for callers that hold the values already.
  virtual void AppendRow(const std::string& path, const std::vector<InputValue>& values) = 0;

  // The code page the tables CREATE TABLE makes are marked with and
  // written in.
  virtual int NewTableCodePage() const = 0;

  // The keys the table `name` (as SELECT names it) keeps; see TableKeys.
  // Throws Error when its index or container properties cannot be read.
  virtual TableKeys Keys(const std::string& name) = 0;

  // Builds the structural index of the table at `path` (as INSERT names
  // it) from its records, with the tags of `tags` this engine can write:
  // fields of the types C, V, N, F, I, B and D, named as FoxPro names
  // fields, keys of at most 240 bytes. A key over one field is the field;
  // over several, their texts joined (STR() of numbers, DTOS() of dates).
  // In a container the tags become index objects, the primary one its
  // primary key; a free table has no primary key, so that tag becomes a
  // candidate and candidates regular tags. A candidate whose keys repeat
  // becomes a regular tag. Says what became of each tag.
  // Records appended before are written first.
  virtual IndexCreation CreateIndex(const std::string& path, const std::vector<NewTag>& tags) = 0;

  // Adds a persistent relation between two tables of the container; throws
  // Error in free-table mode and for unknown tables.
  virtual void AddRelation(const ContainerRelation& relation) = 0;

  // What the statements run since the last call had to tell besides their
  // outcome (field names CREATE TABLE had to change, say); then forgets it.
  virtual std::vector<Notice> TakeNotices() = 0;
  // Writes the records of INSERTs and appends still gathered in memory.
  // Throws Error as TableWriter::Flush does.
  virtual void Flush() = 0;
  // True when gathered records have waited long enough that a caller who
  // waits between appends should Flush now.
  virtual bool FlushDue() const = 0;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_DATABASE_H_
