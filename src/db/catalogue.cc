#include "db/catalogue.h"

#include "db/connection.h"
#include "db/connection_strings.h"
#include "db/error.h"
#include "db/postgresql_tables.h"

namespace veltrane::db {

void ListFoxProTables(const ListSink& list, const ConnectionSettings& settings,
                      const std::function<void()>& yield) {
  Connection connection;
  connection.OpenFoxPro(settings);
  RecordSet schema = connection.OpenSchema(kSchemaTables);
  list.clear();
  std::string damaged;
  while (!schema.Eof()) {
    Fields fields = schema.GetFields();
    if (fields["TABLE_TYPE"].Value().Text() == "TABLE") {
      yield();
      const std::string problem = fields["DESCRIPTION"].Value().Text();
      if (problem.empty()) list.add(fields["TABLE_NAME"].Value().Text());
      else damaged += "\n" + problem;
    }
    schema.MoveNext();
  }
  schema.Close();
  connection.Close();
  if (!damaged.empty())
    throw Error("These tables of the FoxPro database are damaged and are not listed:" + damaged);
}

void ListPostgreSQLTables(const ListSink& list, const ConnectionSettings& settings,
                          const std::function<void()>& yield) {
  Connection connection;
  connection.Open(PostgreSqlConnectionString(settings));
  const std::vector<PostgreSqlTable> tables = ReadPostgreSqlTables(connection);
  connection.Close();
  list.clear();
  for (const PostgreSqlTable& table : tables) {
    yield();
    list.add(table.listed);
  }
}

}  // namespace veltrane::db
