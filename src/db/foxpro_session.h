#ifndef VELTRANE_DB_FOXPRO_SESSION_H_
#define VELTRANE_DB_FOXPRO_SESSION_H_

#include <memory>
#include <string>
#include <vector>

#include "db/backend.h"
#include "foxpro/files/table_reader.h"
#include "foxpro/files/table_writer.h"
#include "foxpro/table_keys.h"

namespace veltrane::db {

// A session on the FoxPro table engine. Beside the statements every session
// runs, it appends rows from values already in hand, for the transfer to
// FoxPro, which would otherwise spend half its time writing INSERT texts
// for the engine to parse back.
class FoxProSession : public Session {
 public:
  // Appends one record to the table at `path` exactly as
  // Execute("INSERT INTO `<path>` VALUES(...)") does when the statement's
  // expressions evaluate to `values` (one per field; a quoted literal is
  // an InputValue of kind kText holding its text, '' the empty text). The
  // table stays open for the INSERTs and appends into the same path that
  // follow. Throws Error with the same description that INSERT gives.
  // Records reach the file in batches (foxpro::TableWriter).
  virtual void AppendRow(const std::string& path,
                         const std::vector<foxpro::InputValue>& values) = 0;

  // The code page of the tables CREATE TABLE makes.
  virtual int NewTableCodePage() const = 0;

  // The keys the table keeps (see foxpro::Database::Keys).
  virtual foxpro::TableKeys Keys(const std::string& table) = 0;
  // Builds the structural index of the table at `path` (see
  // foxpro::Database::CreateIndex).
  virtual foxpro::IndexCreation CreateIndex(const std::string& path,
                                            const std::vector<foxpro::NewTag>& tags) = 0;
  // Adds a persistent relation to the container.
  virtual void AddRelation(const foxpro::ContainerRelation& relation) = 0;

  // Writes the records of appends and INSERTs still gathered in memory.
  // Throws Error saying how many were lost when that fails.
  virtual void FlushAppends() = 0;
  // True when gathered records have waited long enough that a caller who
  // is waiting for something else should call FlushAppends now.
  virtual bool AppendsDue() const = 0;
};

// The FoxPro session behind `session`, or nullptr when it is another
// backend's.
FoxProSession* AsFoxPro(Session& session);

// Opens the FoxPro table engine on a data source: a ".dbc" database
// container file, or a folder of free tables, in the code page `code_page`
// chooses. Throws Error saying why the data source does not open.
std::unique_ptr<Session> OpenFoxProSession(const std::string& data_source,
                                           const foxpro::CodePageChoice& code_page = {});

}  // namespace veltrane::db

#endif  // VELTRANE_DB_FOXPRO_SESSION_H_
