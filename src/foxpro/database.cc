#include "foxpro/database.h"

#include <algorithm>
#include <set>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "foxpro/codepages/codepage.h"
#include "foxpro/files/container.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/file_names.h"
#include "foxpro/record/dbf_header.h"
#include "foxpro/record/header_names.h"
#include "foxpro/files/long_names.h"
#include "foxpro/files/index_keys.h"
#include "foxpro/files/structural_index.h"
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

// The flag byte of a table's header.
uint8_t ReadTableHeaderFlags(const std::string& path) {
  const std::string flags = File::Open(path, File::Mode::kRead)->ReadAt(dbf::kTableFlagsOffset, 1);
  return flags.empty() ? 0 : static_cast<uint8_t>(flags[0]);
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
  ~FoxProDatabase() override {
    try {
      CloseAppender();
    } catch (const Error&) {
      // A caller that wants to know calls Flush first; the index is built
      // all the same (see CloseAppender).
    }
  }

  TableKeys Keys(const std::string& name) override;
  IndexCreation CreateIndex(const std::string& path, const std::vector<NewTag>& tags) override;
  void AddRelation(const ContainerRelation& relation) override {
    if (!container_) throw Error("Relations are kept by a database container, not by free tables.");
    CloseAppender();
    container_->AddRelation(relation);
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
  // The container's long names of the table file at `path`, one per
  // visible field (empty where none; all empty for a free table), and the
  // table's name in the container (its file's name for a free table).
  std::vector<std::string> LongNamesOf(const std::string& path, const TableReader& reader,
                                       std::string& table_name);
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
  // When the appender's table has a structural index: its file, tags and
  // long field names, for the index built once the records are written.
  bool append_indexed_ = false;
  int64_t append_records_before_ = 0;
  std::string append_table_path_;
  std::vector<cdx::Tag> append_tags_;
  std::vector<std::string> append_long_names_;
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
  const bool indexed = std::exchange(append_indexed_, false);
  // The index is built from the records the table holds, also when the
  // last batch failed.
  auto build_index = [&] {
    if (!indexed) return;
    // Without a record added, the index is still right: only its mark
    // comes back.
    if (StoredRecords(append_table_path_) == append_records_before_) MarkStructuralIndex(append_table_path_, true);
    else WriteStructuralIndex(append_table_path_, append_tags_, append_long_names_);
  };
  try {
    appender->Flush();
  } catch (...) {
    appender.reset();
    build_index();
    throw;
  }
  appender.reset();
  build_index();
}

std::vector<std::string> FoxProDatabase::LongNamesOf(const std::string& path, const TableReader& reader,
                                                     std::string& table_name) {
  table_name = LowerCaseName(TableNameOf(path));
  if (!container_) return std::vector<std::string>(reader.fields().size());
  std::error_code ignored;
  for (const ContainerTable& table : container_->Tables()) {
    if (table.path.empty() || (table.path != path && !fs::equivalent(table.path, path, ignored))) continue;
    table_name = table.name;
    return MatchLongNames(reader.field_names(), table.field_names, table.name).names;
  }
  return std::vector<std::string>(reader.fields().size());
}

TableKeys FoxProDatabase::Keys(const std::string& name) {
  CloseAppender();
  TableKeys keys;
  std::string path;
  if (container_) {
    std::optional<ContainerTable> table = FindContainerTable(name);
    if (!table) throw Error("The table \"" + name + "\" is not in " + DescribeSource() + ".");
    if (!table->problem.empty()) throw Error(table->problem);
    path = table->path;
    const ContainerTableKeys stored = container_->Keys(table->name);
    keys.primary_tag = stored.primary_tag;
    keys.relations = stored.relations;
    std::unique_ptr<RowCursor> rows = Select(name);
    const std::unique_ptr<TableReader> reader = TableReader::Open(path, code_page_, table->name);
    const LongNames long_names = MatchLongNames(reader->field_names(), table->field_names, table->name);
    for (size_t f = 0; f < reader->fields().size(); ++f) {
      TableKeys::Column column;
      column.header_name = reader->field_names()[f];
      column.name = rows->Columns()[f].name;
      const std::string& long_name = long_names.names[f];
      for (const ContainerTableKeys::Field& field : stored.fields) {
        if (long_name.empty() || !EqualsIgnoringCase(field.name, long_name)) continue;
        column.default_value = field.default_value;
        column.comment = field.comment;
        column.caption = field.caption;
      }
      keys.columns.push_back(std::move(column));
    }
  } else {
    std::optional<std::string> found = FindFreeTable(name);
    if (!found) throw Error("The table \"" + name + "\" is not in " + DescribeSource() + ".");
    path = *found;
    std::unique_ptr<RowCursor> rows = Select(name);
    const std::unique_ptr<TableReader> reader = TableReader::Open(path, code_page_);
    for (size_t f = 0; f < reader->fields().size(); ++f)
      keys.columns.push_back({reader->field_names()[f], rows->Columns()[f].name, "", "", ""});
  }
  // A marked index whose file is missing leaves the table without tags:
  // its rows are whole all the same.
  if (!FindSibling(path, ".cdx") && (ReadTableHeaderFlags(path) & dbf::kHasStructuralIndex) != 0) {
    keys.missing_index = "its header marks a structural index, but the index file (" +
                         fs::path(path).stem().string() + ".cdx) is missing";
    return keys;
  }
  keys.tags = ReadStructuralIndexTags(path);
  return keys;
}

namespace {

// A name FoxPro reads in an expression as a field's.
bool IsFoxProName(const std::string& name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

// The text a field gives a key over several fields; empty when its type
// has none here.
std::string KeyText(const FieldDescriptor& field, const std::string& name) {
  switch (field.type) {
    case 'C': case 'V': return name;
    case 'N': case 'F':
      return "STR(" + name + "," + std::to_string(field.length) + "," + std::to_string(field.decimals) + ")";
    case 'I': return "STR(" + name + ",11)";
    case 'D': return "DTOS(" + name + ")";
    default: return "";
  }
}

}  // namespace

IndexCreation FoxProDatabase::CreateIndex(const std::string& path_text, const std::vector<NewTag>& tags) {
  CloseAppender();
  const TablePath target = ResolveTablePath(path_text, folder_);
  if (!target.exists)
    throw Error("Cannot index the table \"" + path_text + "\": the file \"" + target.path + "\" does not exist.");
  const std::unique_ptr<TableReader> reader = TableReader::Open(target.path, code_page_);
  std::string table_name;
  const std::vector<std::string> long_names = LongNamesOf(target.path, *reader, table_name);
  IndexCreation creation;
  creation.tag_names.resize(tags.size());
  creation.keys.resize(tags.size());
  std::vector<Notice>& notices = creation.notices;
  std::vector<cdx::Tag> written;
  std::vector<NewTag::Kind> kinds;
  std::vector<size_t> given;  // per tag written: its place among `tags`
  std::set<std::string> names;
  std::unique_ptr<File> file = File::Open(target.path, File::Mode::kRead);
  const TableHeader header = ParseTableHeader(
      [&file](uint64_t offset, size_t length) { return file->ReadAt(offset, length); }, file->Size(), target.path);
  for (size_t t = 0; t < tags.size(); ++t) {
    const NewTag& tag = tags[t];
    std::string expression, why;
    for (int f : tag.fields) {
      if (f < 0 || static_cast<size_t>(f) >= header.fields.size()) {
        why = "it names a field the table does not have";
        break;
      }
      const FieldDescriptor& field = header.fields[f];
      const std::string name = container_ && !long_names[f].empty() ? long_names[f] : reader->field_names()[f];
      if (!IsFoxProName(name)) {
        why = "FoxPro cannot name the field \"" + name + "\" in a key";
        break;
      }
      const bool alone = tag.fields.size() == 1;
      const bool keyed = alone ? std::string("CVNFIBD").find(field.type) != std::string::npos
                               : !KeyText(field, name).empty();
      if (!keyed) {
        why = "FoxPro keys are not made here from fields of type " + std::string(1, field.type) + " (" + name + ")";
        break;
      }
      expression += (expression.empty() ? "" : "+") + (alone ? name : KeyText(field, name));
    }
    if (why.empty() && tag.fields.empty()) why = "it has no fields";
    if (why.empty()) {
      try {
        KeyMaker(header, long_names, expression, "");
      } catch (const Error& error) {
        why = error.what();
      }
    }
    if (!why.empty()) {
      notices.push_back({false, "Table \"" + table_name + "\": no index tag was made for " + tag.name + ": " + why + "."});
      continue;
    }
    // Tag names: FoxPro names of at most 10 characters, unique.
    std::string name;
    for (char c : tag.name) name += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : '_';
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) name = "K" + name;
    name = name.substr(0, cdx::kTagNameLength);
    for (int n = 2; !names.insert(name).second; ++n) {
      const std::string number = std::to_string(n);
      name = name.substr(0, std::min(name.size(), cdx::kTagNameLength - number.size())) + number;
    }
    NewTag::Kind kind = tag.kind;
    if (!container_ && kind != NewTag::Kind::kRegular)
      kind = kind == NewTag::Kind::kPrimary ? NewTag::Kind::kCandidate : NewTag::Kind::kRegular;
    cdx::Tag made;
    made.name = name;
    made.key_expression = expression;
    if (kind != NewTag::Kind::kRegular) made.options |= cdx::option::kCandidate;
    written.push_back(made);
    kinds.push_back(kind);
    given.push_back(t);
  }
  file.reset();
  if (written.empty()) return creation;
  const IndexWriting writing = WriteStructuralIndex(target.path, written, long_names);
  std::vector<std::string> tag_names, key_tags;
  std::string primary;
  for (size_t t = 0; t < written.size(); ++t) {
    const std::string name = written[t].name;
    const bool repeated = std::find(writing.repeated_candidates.begin(), writing.repeated_candidates.end(), name) !=
                          writing.repeated_candidates.end();
    if (repeated)
      notices.push_back({false, "Table \"" + table_name + "\": the index tag " + name +
                                    " is a regular tag: its keys (" + written[t].key_expression +
                                    ") repeat in FoxPro, so it cannot be a key."});
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    tag_names.push_back(lower);
    creation.tag_names[given[t]] = lower;
    if (repeated || kinds[t] == NewTag::Kind::kRegular) continue;
    creation.keys[given[t]] = true;
    key_tags.push_back(lower);
    if (kinds[t] == NewTag::Kind::kPrimary && primary.empty()) primary = lower;
  }
  if (container_) container_->AddIndexes(table_name, tag_names, key_tags, primary);
  return creation;
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
    // A table with a structural index takes records only when every tag
    // can be rebuilt; its index is unmarked while they go in.
    bool indexed = false;
    std::vector<cdx::Tag> tags;
    std::vector<std::string> long_names;
    try {
      indexed = StructuralIndexPath(target.path).has_value();
      if (indexed) {
        tags = ReadStructuralIndexTags(target.path);
        std::string table_name;
        long_names = LongNamesOf(target.path, *TableReader::Open(target.path, code_page_), table_name);
        CheckIndexTags(target.path, tags, long_names);
      }
    } catch (const Error& error) {
      throw Error("Cannot insert into the table \"" + path_text + "\", which was left as it was: " + error.what() +
                  " Add the records in FoxPro, or send the table anew.");
    }
    appender_ = TableWriter::OpenForAppend(target.path, /*caller_rebuilds_index=*/indexed);
    append_path_text_ = path_text;
    if (indexed) {
      append_records_before_ = StoredRecords(target.path);
      MarkStructuralIndex(target.path, false);
      append_indexed_ = true;
      append_table_path_ = target.path;
      append_tags_ = std::move(tags);
      append_long_names_ = std::move(long_names);
    }
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
