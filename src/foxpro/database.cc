#include "foxpro/database.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "foxpro/codepages/codepage.h"
#include "foxpro/files/container.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/file_names.h"
#include "foxpro/record/header_names.h"
#include "foxpro/files/long_names.h"
#include "foxpro/statements/statement.h"
#include "foxpro/files/table_cursor.h"
#include "foxpro/files/table_files.h"
#include "foxpro/files/table_paths.h"
#include "foxpro/files/table_reader.h"
#include "foxpro/files/table_writer.h"

namespace veltrane::foxpro {
namespace fs = std::filesystem;
namespace {

constexpr const char* kTableType = "TABLE";
constexpr const char* kViewType = "VIEW";
// A container keeps field and table names of up to 128 characters.
constexpr size_t kLongestContainerName = 128;
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
  if (!FileSystem::Current().Remove(path, error) && error) {
    throw Error("Cannot delete the file \"" + path + "\" of the table \"" + table +
                "\": " + error.message() + ".");
  }
}

// The container's back link: the path of the .dbc relative to the table's
// folder, with Windows separators, in the container's code page (a name it
// cannot hold keeps its UTF-8 bytes).
std::string BacklinkTo(const std::string& dbc_path, const std::string& table_path,
                       int code_page) {
  fs::path relative = fs::path(dbc_path).lexically_proximate(fs::path(table_path).parent_path());
  std::string link = relative.string();
  std::replace(link.begin(), link.end(), '/', '\\');
  std::string encoded, bad;
  return TextCodec::For(code_page).Encode(link, encoded, bad) ? encoded : link;
}

class FoxProDatabase : public Database {
 public:
  // `container` is null in free-table mode; `folder` is the folder of the
  // free tables or of the container file.
  FoxProDatabase(std::string folder, std::string dbc_path, std::unique_ptr<Container> container,
                 const CodePageChoice& code_page)
      : folder_(std::move(folder)), dbc_path_(std::move(dbc_path)),
        container_(std::move(container)), code_page_(code_page) {}

  std::vector<CatalogEntry> Catalog() override;
  std::unique_ptr<RowCursor> Execute(const std::string& statement) override;
  void AppendRow(const std::string& path, const std::vector<InputValue>& values) override {
    Insert(path, values);
  }
  int NewTableCodePage() const override {
    return code_page_.code_page != 0 ? code_page_.code_page : kDefaultCodePage;
  }
  std::vector<Notice> TakeNotices() override {
    if (appender_) TakeAppenderNotices(*appender_);
    return std::exchange(notices_, {});
  }
  void Flush() override {
    if (appender_) appender_->Flush();
  }
  bool FlushDue() const override { return appender_ && appender_->FlushDue(); }

 private:
  std::unique_ptr<RowCursor> Select(const std::string& name);
  void DropTable(const std::string& name);
  void CreateTable(const std::string& path, const std::string& long_name,
                   std::vector<NewField> fields);
  void Insert(const std::string& path, const std::vector<InputValue>& values);

  std::optional<ContainerTable> FindContainerTable(const std::string& name);
  std::optional<std::string> FindFreeTable(const std::string& name);
  std::string DescribeSource() const;
  // Writes the last batch of the open appender and closes it.
  void CloseAppender();
  // Keeps what `appender` has to tell about the records appended.
  void TakeAppenderNotices(TableWriter& appender);

  std::string folder_;
  std::string dbc_path_;
  std::unique_ptr<Container> container_;
  CodePageChoice code_page_;
  std::vector<Notice> notices_;

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
      entries.push_back(CatalogEntry{table.name, kTableType, table.problem});
    }
    for (const std::string& view : container_->Views()) {
      entries.push_back(CatalogEntry{view, kViewType, ""});
    }
    return entries;
  }
  FileSystem& files = FileSystem::Current();
  std::error_code error;
  const std::vector<std::string> names = files.List(folder_, error);
  if (error) {
    throw Error("Cannot list the tables of " + DescribeSource() + ": " + error.message() + ".");
  }
  for (const std::string& name : names) {
    const fs::path path = fs::path(folder_) / name;
    if (HasDbfExtension(path) && files.Kind(path.string()) == FileKind::kRegular) {
      entries.push_back(CatalogEntry{LowerCaseName(path.stem().string()), kTableType, ""});
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
      CreateTable(statement.target, statement.long_name, std::move(statement.fields));
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
    if (!table->problem.empty()) throw Error(table->problem);
    std::unique_ptr<TableReader> reader = TableReader::Open(table->path, code_page_, table->name);
    const LongNames long_names =
        MatchLongNames(reader->field_names(), table->field_names, table->name);
    return std::make_unique<TableCursor>(std::move(reader), long_names.names,
                                         long_names.disagreement);
  }
  std::optional<std::string> path = FindFreeTable(name);
  if (!path) throw Error("The table \"" + name + "\" is not in " + DescribeSource() + ".");
  return std::make_unique<TableCursor>(
      TableReader::Open(*path, code_page_, LowerCaseName(fs::path(*path).stem().string())),
      std::vector<std::string>());
}

void FoxProDatabase::DropTable(const std::string& name) {
  if (container_) {
    std::optional<ContainerTable> table = FindContainerTable(name);
    if (!table) throw Error("Cannot drop the table \"" + name + "\": it is not in " +
                            DescribeSource() + ".");
    if (!table->problem.empty()) throw Error("Cannot drop the table \"" + name + "\": " + table->problem);
    // A path that does not hold a table is refused before the container
    // changes; a table whose file is already gone only leaves the container.
    if (!table->path.empty() &&
        FileSystem::Current().Kind(table->path, /*follow_links=*/false) != FileKind::kMissing) {
      if (const std::string reason = NotATableReason(table->path); !reason.empty())
        throw Error("Cannot drop the table \"" + table->name + "\": its file \"" + table->path +
                    "\" is not a table file, so neither the file nor the container was changed: " +
                    reason);
    }
    container_->RemoveTable(table->name);
    if (!table->path.empty()) DeleteTableFiles(table->path, table->name);
    return;
  }
  std::optional<std::string> path = FindFreeTable(name);
  if (!path) throw Error("Cannot drop the table \"" + name + "\": it is not in " +
                         DescribeSource() + ".");
  DeleteTableFiles(*path, name);
}

void FoxProDatabase::CreateTable(const std::string& path_text, const std::string& long_name,
                                 std::vector<NewField> fields) {
  TablePath target = ResolveTablePath(path_text, folder_);
  if (target.exists) {
    throw Error("Cannot create the table \"" + path_text + "\": the file \"" + target.path +
                "\" already exists.");
  }
  if (!long_name.empty() && !container_) {
    throw Error("Cannot create the table \"" + path_text + "\" under the name \"" + long_name +
                "\": only a database container keeps a table's name; a free table is named by "
                "its file.");
  }
  std::string table_name = long_name.empty() ? TableNameOf(target.path) : long_name;
  if (container_) {
    CheckTableName(table_name);
    if (CharacterCount(table_name) > kLongestContainerName) {
      throw Error("Cannot create the table \"" + table_name +
                  "\": a container's table name has at most 128 characters.");
    }
    if (std::optional<ContainerTable> existing = FindContainerTable(table_name)) {
      throw Error("Cannot create the table \"" + table_name + "\": " + DescribeSource() +
                  " already has a table \"" + existing->name + "\".");
    }
  }

  // Names go into the table's header (and the container) in their code
  // pages: a character they cannot hold becomes "_".
  const int code_page = NewTableCodePage();
  const TextCodec& table_codec = TextCodec::For(code_page);
  const TextCodec& container_codec =
      TextCodec::For(container_ ? container_->code_page() : code_page);
  std::vector<std::string> names, long_names;
  std::string changed_in_table, changed_in_container;
  for (const NewField& field : fields) {
    if (container_ && CharacterCount(field.name) > kLongestContainerName) {
      throw Error("Cannot create the table \"" + table_name + "\": the field name [" + field.name +
                  "] is longer than 128 characters.");
    }
    names.push_back(WithCodePageCharacters(field.name, table_codec));
    long_names.push_back(WithCodePageCharacters(field.name, container_codec));
    auto note = [&](std::string& changed, const std::string& written) {
      if (written == field.name) return;
      changed += std::string(changed.empty() ? "" : ", ") + "[" + field.name + "] as [" + written + "]";
    };
    note(changed_in_table, names.back());
    if (container_) note(changed_in_container, long_names.back());
  }
  std::vector<std::string> header_names;
  try {
    header_names = HeaderNamesFor(names, table_codec);
  } catch (const Error& error) {
    throw Error("Cannot create the table \"" + table_name + "\": " + error.what());
  }
  std::string shortened;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (header_names[i] != names[i])
      shortened += std::string(shortened.empty() ? "" : ", ") + "[" + names[i] + "] as [" +
                   header_names[i] + "]";
    fields[i].name = header_names[i];
  }

  // A memo file left behind without its table would otherwise stand beside
  // the new one under a name that differs only by case.
  if (auto orphan_memo = FindSibling(target.path, ".fpt");
      orphan_memo && FileSystem::Current().Kind(*orphan_memo) == FileKind::kRegular)
    RemoveFile(*orphan_memo, table_name);

  TableWriter::Create(target.path, fields,
                      container_ ? BacklinkTo(dbc_path_, target.path, container_->code_page()) : "",
                      code_page);
  if (container_) {
    try {
      container_->AddTable(table_name, target.path, long_names);
    } catch (const Error&) {
      // The table is not in the container: take its new files away again.
      DeleteTableFiles(target.path, table_name);
      throw;
    }
  }
  auto note = [&](const std::string& changed, const std::string& code_page, const char* where) {
    if (changed.empty()) return;
    notices_.push_back(Notice{false, "Table \"" + table_name + "\": field names with characters "
                                     "that " + code_page + " cannot hold were written into the " +
                                     where + " with \"_\" in their place: " + changed + "."});
  };
  note(changed_in_table, "code page " + std::to_string(code_page), "table");
  if (container_)
    note(changed_in_container,
         "the container's code page " + std::to_string(container_->code_page()), "container");
  // A container keeps the whole names beside the short ones; a free table
  // has only its header's.
  if (!container_ && !shortened.empty())
    notices_.push_back(Notice{
        false, "Table \"" + table_name + "\": a free table keeps field names of at most " +
                   std::to_string(kHeaderNameLength) +
                   " characters, so these fields were named shorter: " + shortened +
                   ". A database container would keep their whole names.",
        -1, true});
}

void FoxProDatabase::CloseAppender() {
  std::unique_ptr<TableWriter> appender = std::move(appender_);
  append_path_text_.clear();
  if (!appender) return;
  TakeAppenderNotices(*appender);
  appender->Flush();
}

void FoxProDatabase::TakeAppenderNotices(TableWriter& appender) {
  for (Notice& notice : appender.TakeNotices()) notices_.push_back(std::move(notice));
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

std::unique_ptr<Database> Database::Open(const std::string& data_source,
                                         const CodePageChoice& code_page) {
  std::string path = ExistingDataSource(data_source);
  const FileKind kind = FileSystem::Current().Kind(path);
  if (kind == FileKind::kFolder) {
    return std::make_unique<FoxProDatabase>(path, "", nullptr, code_page);
  }
  if (kind != FileKind::kRegular) {
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
  return std::make_unique<FoxProDatabase>(folder, path, std::move(container), code_page);
}

}  // namespace veltrane::foxpro
