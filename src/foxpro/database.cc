#include "foxpro/database.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "foxpro/container.h"
#include "foxpro/file_names.h"
#include "foxpro/header_names.h"
#include "foxpro/statement.h"
#include "foxpro/table_cursor.h"
#include "foxpro/table_paths.h"
#include "foxpro/table_reader.h"
#include "foxpro/table_writer.h"

namespace veltrane::foxpro {
namespace fs = std::filesystem;
namespace {

constexpr const char* kTableType = "TABLE";
constexpr const char* kViewType = "VIEW";
// A container keeps field and table names of up to 128 characters.
constexpr size_t kLongestContainerName = 128;
// The files of a table besides its .dbf: memo files and the structural index.
constexpr const char* kCompanionExtensions[] = {".fpt", ".dbt", ".cdx"};

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool HasDbfExtension(const fs::path& path) {
  return EqualsIgnoringCase(path.extension().string(), ".dbf");
}

void RemoveFile(const std::string& path, const std::string& table) {
  std::error_code error;
  if (!fs::remove(path, error) && error) {
    throw Error("Cannot delete the file \"" + path + "\" of the table \"" + table +
                "\": " + error.message() + ".");
  }
}

// Deletes a table's .dbf file first (so a failure leaves the table whole),
// then its memo and index files, whatever the case of their names.
void RemoveTableFiles(const std::string& dbf_path, const std::string& table) {
  std::vector<std::string> companions;
  for (const char* extension : kCompanionExtensions) {
    if (auto companion = FindSibling(dbf_path, extension)) companions.push_back(*companion);
  }
  std::error_code error;
  if (fs::exists(dbf_path, error)) RemoveFile(dbf_path, table);
  for (const std::string& companion : companions) RemoveFile(companion, table);
}

// The container's back link: the path of the .dbc relative to the table's
// folder, with Windows separators.
std::string BacklinkTo(const std::string& dbc_path, const std::string& table_path) {
  fs::path relative = fs::path(dbc_path).lexically_proximate(fs::path(table_path).parent_path());
  std::string link = relative.string();
  std::replace(link.begin(), link.end(), '/', '\\');
  return link;
}

class FoxProDatabase : public Database {
 public:
  // `container` is null in free-table mode; `folder` is the folder of the
  // free tables or of the container file.
  FoxProDatabase(std::string folder, std::string dbc_path, std::unique_ptr<Container> container)
      : folder_(std::move(folder)), dbc_path_(std::move(dbc_path)),
        container_(std::move(container)) {}

  std::vector<CatalogEntry> Catalog() override;
  std::unique_ptr<RowCursor> Execute(const std::string& statement) override;
  void AppendRow(const std::string& path, const std::vector<InputValue>& values) override {
    Insert(path, values);
  }
  void Flush() override {
    if (appender_) appender_->Flush();
  }
  bool FlushDue() const override { return appender_ && appender_->FlushDue(); }

 private:
  std::unique_ptr<RowCursor> Select(const std::string& name);
  void DropTable(const std::string& name);
  void CreateTable(const std::string& path, std::vector<NewField> fields);
  void Insert(const std::string& path, const std::vector<InputValue>& values);

  std::optional<ContainerTable> FindContainerTable(const std::string& name);
  std::optional<std::string> FindFreeTable(const std::string& name);
  std::string DescribeSource() const;
  // Writes the last batch of the open appender and closes it.
  void CloseAppender();

  std::string folder_;
  std::string dbc_path_;
  std::unique_ptr<Container> container_;

  // The table of the last INSERT or AppendRow, kept open while those into
  // the same path follow one another; any other statement closes it first.
  std::string append_path_text_;
  std::unique_ptr<TableWriter> appender_;
};

std::string FoxProDatabase::DescribeSource() const {
  return container_ ? "the database container \"" + dbc_path_ + "\""
                    : "the free-table folder \"" + folder_ + "\"";
}

std::vector<CatalogEntry> FoxProDatabase::Catalog() {
  std::vector<CatalogEntry> entries;
  if (container_) {
    for (const ContainerTable& table : container_->Tables()) {
      entries.push_back(CatalogEntry{table.name, kTableType});
    }
    for (const std::string& view : container_->Views()) {
      entries.push_back(CatalogEntry{view, kViewType});
    }
    return entries;
  }
  std::error_code error;
  fs::directory_iterator it(folder_, error);
  if (error) {
    throw Error("Cannot list the tables of " + DescribeSource() + ": " + error.message() + ".");
  }
  for (const fs::directory_entry& entry : it) {
    if (HasDbfExtension(entry.path()) && entry.is_regular_file(error)) {
      entries.push_back(CatalogEntry{entry.path().stem().string(), kTableType});
    }
  }
  std::sort(entries.begin(), entries.end(),
            [](const CatalogEntry& a, const CatalogEntry& b) { return a.name < b.name; });
  return entries;
}

std::unique_ptr<RowCursor> FoxProDatabase::Execute(const std::string& text) {
  Statement statement = ParseStatement(text);
  if (statement.kind != Statement::Kind::kInsert) CloseAppender();
  switch (statement.kind) {
    case Statement::Kind::kSelect: return Select(statement.target);
    case Statement::Kind::kDropTable: DropTable(statement.target); break;
    case Statement::Kind::kCreateTable:
      CreateTable(statement.target, std::move(statement.fields));
      break;
    case Statement::Kind::kInsert: Insert(statement.target, statement.values); break;
  }
  return nullptr;
}

std::optional<ContainerTable> FoxProDatabase::FindContainerTable(const std::string& name) {
  std::optional<ContainerTable> found;
  for (ContainerTable& table : container_->Tables()) {
    if (table.name == name) return table;
    if (!found && EqualsIgnoringCase(table.name, name)) found = std::move(table);
  }
  return found;
}

std::optional<std::string> FoxProDatabase::FindFreeTable(const std::string& name) {
  if (auto found = FindInFolder(folder_, name + ".dbf")) return found;
  if (HasDbfExtension(name)) return FindInFolder(folder_, name);
  return std::nullopt;
}

std::unique_ptr<RowCursor> FoxProDatabase::Select(const std::string& name) {
  if (container_) {
    std::optional<ContainerTable> table = FindContainerTable(name);
    if (!table) throw Error("The table \"" + name + "\" is not in " + DescribeSource() + ".");
    return std::make_unique<TableCursor>(TableReader::Open(table->path), table->field_names);
  }
  std::optional<std::string> path = FindFreeTable(name);
  if (!path) throw Error("The table \"" + name + "\" is not in " + DescribeSource() + ".");
  return std::make_unique<TableCursor>(TableReader::Open(*path), std::vector<std::string>());
}

void FoxProDatabase::DropTable(const std::string& name) {
  if (container_) {
    std::optional<ContainerTable> table = FindContainerTable(name);
    if (!table) throw Error("Cannot drop the table \"" + name + "\": it is not in " +
                            DescribeSource() + ".");
    container_->RemoveTable(table->name);
    if (!table->path.empty()) RemoveTableFiles(table->path, table->name);
    return;
  }
  std::optional<std::string> path = FindFreeTable(name);
  if (!path) throw Error("Cannot drop the table \"" + name + "\": it is not in " +
                         DescribeSource() + ".");
  RemoveTableFiles(*path, name);
}

void FoxProDatabase::CreateTable(const std::string& path_text, std::vector<NewField> fields) {
  TablePath target = ResolveTablePath(path_text, folder_);
  if (target.exists) {
    throw Error("Cannot create the table \"" + path_text + "\": the file \"" + target.path +
                "\" already exists.");
  }
  std::string table_name = TableNameOf(target.path);
  if (container_) {
    if (CharacterCount(table_name) > kLongestContainerName) {
      throw Error("Cannot create the table \"" + table_name +
                  "\": a container's table name has at most 128 characters.");
    }
    if (std::optional<ContainerTable> existing = FindContainerTable(table_name)) {
      throw Error("Cannot create the table \"" + table_name + "\": " + DescribeSource() +
                  " already has a table \"" + existing->name + "\".");
    }
  }

  std::vector<std::string> long_names;
  for (const NewField& field : fields) {
    if (container_ && CharacterCount(field.name) > kLongestContainerName) {
      throw Error("Cannot create the table \"" + table_name + "\": the field name [" + field.name +
                  "] is longer than 128 characters.");
    }
    long_names.push_back(field.name);
  }
  std::vector<std::string> header_names;
  try {
    header_names = HeaderNamesFor(long_names);
  } catch (const Error& error) {
    throw Error("Cannot create the table \"" + table_name + "\": " + error.what());
  }
  for (size_t i = 0; i < fields.size(); ++i) fields[i].name = header_names[i];

  // A memo file left behind without its table would otherwise stand beside
  // the new one under a name that differs only by case.
  if (auto orphan_memo = FindSibling(target.path, ".fpt")) RemoveFile(*orphan_memo, table_name);

  TableWriter::Create(target.path, fields, container_ ? BacklinkTo(dbc_path_, target.path) : "");
  if (!container_) return;
  try {
    container_->AddTable(table_name, target.path, long_names);
  } catch (const Error&) {
    // The table is not in the container: take its new files away again.
    RemoveTableFiles(target.path, table_name);
    throw;
  }
}

void FoxProDatabase::CloseAppender() {
  std::unique_ptr<TableWriter> appender = std::move(appender_);
  append_path_text_.clear();
  if (appender) appender->Flush();
}

void FoxProDatabase::Insert(const std::string& path_text, const std::vector<InputValue>& values) {
  if (!appender_ || path_text != append_path_text_) {
    CloseAppender();
    TablePath target = ResolveTablePath(path_text, folder_);
    if (!target.exists) {
      throw Error("Cannot insert into the table \"" + path_text + "\": the file \"" +
                  target.path + "\" does not exist.");
    }
    appender_ = TableWriter::OpenForAppend(target.path);
    append_path_text_ = path_text;
  }
  size_t field_count = appender_->fields().size();
  if (values.size() != field_count) {
    throw Error("Cannot insert into the table \"" + path_text + "\": the statement gives " +
                std::to_string(values.size()) + " values for " + std::to_string(field_count) +
                " fields.");
  }
  appender_->Append(values);
}

// The data source names a folder or a file whatever the case of its parts.
std::string ExistingDataSource(const std::string& data_source) {
  if (data_source.empty()) {
    throw Error("No FoxPro data source is given: choose a database container (.dbc) file or a "
                "folder of free tables.");
  }
  std::optional<std::string> found = FindExisting(data_source);
  if (!found) found = FindExisting(WithSlashes(data_source));
  if (!found) {
    throw Error("The FoxPro data source \"" + data_source + "\" does not exist.");
  }
  return *found;
}

}  // namespace

std::unique_ptr<Database> Database::Open(const std::string& data_source) {
  std::string path = ExistingDataSource(data_source);
  std::error_code error;
  if (fs::is_directory(path, error)) {
    return std::make_unique<FoxProDatabase>(path, "", nullptr);
  }
  if (!fs::is_regular_file(path, error)) {
    throw Error("The FoxPro data source \"" + data_source +
                "\" is neither a folder nor a database container (.dbc) file.");
  }
  std::unique_ptr<Container> container;
  try {
    container = Container::Open(path);
  } catch (const Error& failure) {
    throw Error("The FoxPro data source \"" + data_source +
                "\" is not a database container that can be opened: " + failure.what());
  }
  std::string folder = fs::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  return std::make_unique<FoxProDatabase>(folder, path, std::move(container));
}

}  // namespace veltrane::foxpro
