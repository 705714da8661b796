#include "foxpro/files/container.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>

#include "foxpro/codepages/codepage.h"
#include "foxpro/codepages/codepage_detect.h"
#include "foxpro/record/coding.h"
#include "foxpro/files/compound_index.h"
#include "foxpro/record/dbf_header.h"
#include "foxpro/error.h"
#include "foxpro/files/file_io.h"
#include "foxpro/files/file_names.h"
#include "foxpro/files/memo_file.h"
#include "foxpro/files/table_paths.h"
#include "foxpro/files/table_writer.h"
#include "foxpro/record/value_format.h"

namespace veltrane::foxpro {

namespace {

namespace fs = std::filesystem;

// Object types and the property records of a container's objects. A
// property record is a little-endian 32-bit length (of the whole record), a
// 16-bit kind and a one-byte property id, then the value.
constexpr const char* kTableType = "Table";
constexpr const char* kFieldType = "Field";
constexpr const char* kViewType = "View";
constexpr const char* kIndexType = "Index";
constexpr const char* kRelationType = "Relation";
constexpr const char* kDatabaseType = "Database";
constexpr size_t kPropertyHeaderSize = 7;
constexpr size_t kPropertyKindOffset = 4;
constexpr size_t kPropertyIdOffset = 6;
constexpr uint16_t kPropertyKind = 1;
constexpr uint8_t kPropertyPath = 0x01;
constexpr uint8_t kPropertyObjectClass = 0x02;
constexpr uint8_t kPropertyComment = 0x07;
constexpr uint8_t kPropertyDefaultValue = 0x0B;
constexpr uint8_t kPropertyChildTag = 0x0D;
constexpr uint8_t kPropertyIsKey = 0x11;  // an index object: 1 for a primary or candidate tag
constexpr uint8_t kPropertyParentTable = 0x12;
constexpr uint8_t kPropertyParentTag = 0x13;
constexpr uint8_t kPropertyPrimaryTag = 0x14;
constexpr uint8_t kPropertyCaption = 0x38;
constexpr uint8_t kTableClass = 0x01;

// The container's own columns.
constexpr const char* kObjectIdField = "OBJECTID";
constexpr const char* kParentIdField = "PARENTID";
constexpr const char* kObjectTypeField = "OBJECTTYPE";
constexpr const char* kObjectNameField = "OBJECTNAME";
constexpr const char* kPropertyField = "PROPERTY";
constexpr const char* kCodeField = "CODE";
constexpr const char* kRulesField = "RIINFO";
constexpr const char* kUserField = "USER";

// The columns of a new container, in Visual FoxPro 9's order and widths:
// the ids and the memo block numbers are 4-byte binary integers.
struct ContainerColumn {
  const char* name;
  char type;
  uint8_t length;
  uint8_t flags;
};
constexpr ContainerColumn kContainerColumns[] = {
    {kObjectIdField, 'I', 4, field_flag::kBinary},  {kParentIdField, 'I', 4, field_flag::kBinary},
    {kObjectTypeField, 'C', 10, 0},                 {kObjectNameField, 'C', 128, 0},
    {kPropertyField, 'M', 4, field_flag::kBinary},  {kCodeField, 'M', 4, field_flag::kBinary},
    {kRulesField, 'C', 6, 0},                      {kUserField, 'M', 4, 0},
};

// The objects every container starts with, numbered from 1, each a child
// of the first (the database itself), which alone has properties: its
// version, as Visual FoxPro 9 writes it.
constexpr const char* kDatabaseObjects[] = {"Database", "TransactionLog", "StoredProceduresSource",
                                            "StoredProceduresObject",
                                            "StoredProceduresDependencies"};
constexpr uint8_t kPropertyDatabaseVersion = 0x18;
constexpr char kDatabaseVersion[] = {'\0', '\0', '\0', '\x0A'};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string TrimRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

std::string PropertyRecord(uint8_t id, const std::string& value) {
  std::string out(kPropertyHeaderSize, '\0');
  EncodeFixed32(out.data(), static_cast<uint32_t>(kPropertyHeaderSize + value.size()));
  EncodeFixed16(out.data() + kPropertyKindOffset, kPropertyKind);
  out[kPropertyIdOffset] = static_cast<char>(id);
  return out + value;
}

struct ContainerObject {
  uint64_t record = 0;  // physical record number from 0
  bool deleted = false;
  int32_t id = 0;
  int32_t parent = 0;
  std::string type;
  std::string name;
  uint32_t property_block = 0;
  std::string rules;  // RIINFO of a relation
};

// A property value as its record stores it: text properties end in NUL.
std::string PropertyText(const std::string& value) { return value.substr(0, value.find('\0')); }

class ContainerImpl : public Container {
 public:
  explicit ContainerImpl(const std::string& path) : path_(path) { Load(); }

  int code_page() const override {
    const int code_page = CodePageOfMark(header_.code_page_mark);
    return code_page == 0 ? kDefaultCodePage : code_page;
  }

  std::vector<ContainerTable> Tables() override {
    std::vector<ContainerTable> tables;
    for (const ContainerObject& object : objects_) {
      if (object.deleted || object.type != kTableType) continue;
      ContainerTable table;
      table.name = object.name;
      if (table.name.empty()) {
        table.problem = "Database container \"" + path_ + "\": a table object (number " +
                        std::to_string(object.id) + ") has no name.";
      } else {
        try {
          table.path = ResolveTablePath(object);
        } catch (const Error& error) {
          table.problem = error.what();
        }
      }
      for (const ContainerObject& field : objects_)
        if (!field.deleted && field.type == kFieldType && field.parent == object.id)
          table.field_names.push_back(field.name);
      tables.push_back(std::move(table));
    }
    return tables;
  }

  std::vector<std::string> Views() override {
    std::vector<std::string> views;
    for (const ContainerObject& object : objects_)
      if (!object.deleted && object.type == kViewType) views.push_back(object.name);
    return views;
  }

  void AddTable(const std::string& name, const std::string& table_path,
                const std::vector<std::string>& long_field_names) override {
    CheckTableName(name);
    if (FindTable(name))
      throw Error("Database container \"" + path_ + "\" already holds a table named \"" + name + "\".");
    CheckContainerIndex(path_);
    int64_t next_id = 1;
    int32_t database_id = 1;
    for (const ContainerObject& object : objects_) {
      next_id = std::max<int64_t>(next_id, int64_t{object.id} + 1);
      if (!object.deleted && object.type == kDatabaseType && Lower(object.name) == "database")
        database_id = object.id;
    }
    if (next_id + 1 + static_cast<int64_t>(long_field_names.size()) > INT32_MAX)
      throw Error("Database container \"" + path_ + "\" is damaged: its object numbers leave no "
                  "room for new objects.");
    std::string properties = PropertyRecord(kPropertyObjectClass, std::string(1, kTableClass)) +
                             PropertyRecord(kPropertyPath, RelativeTablePath(table_path) + '\0');
    auto writer = TableWriter::OpenForAppend(path_, /*caller_rebuilds_index=*/true);
    const int32_t table_id = static_cast<int32_t>(next_id++);
    writer->Append(ObjectValues(*writer, table_id, database_id, kTableType, name, properties));
    for (const std::string& field : long_field_names)
      writer->Append(ObjectValues(*writer, static_cast<int32_t>(next_id++), table_id, kFieldType,
                                  field, ""));
    // Flushed here, not by the destructor, which would swallow a failure.
    writer->Flush();
    writer.reset();
    RebuildContainerIndex(path_);
    Load();
  }

  void RemoveTable(const std::string& name) override {
    std::optional<ContainerObject> table = FindTable(name);
    if (!table)
      throw Error("Database container \"" + path_ + "\" has no table named \"" + name + "\".");
    CheckContainerIndex(path_);
    const std::unique_ptr<File> file = File::Open(path_, File::Mode::kReadWrite);
    const char mark = dbf::kDeletedRecord;
    // The table's own objects (fields, indexes, relations) first, then the
    // table, so that no field outlives its table even after a crash.
    for (const ContainerObject& object : objects_)
      if (!object.deleted && object.parent == table->id && object.id != table->id)
        file->WriteAt(RecordOffset(object.record), &mark, 1);
    file->WriteAt(RecordOffset(table->record), &mark, 1);
    RebuildContainerIndex(path_);
    Load();
  }

  ContainerTableKeys Keys(const std::string& name) override {
    std::optional<ContainerObject> table = FindTable(name);
    if (!table) throw Error("Database container \"" + path_ + "\" has no table named \"" + name + "\".");
    ContainerTableKeys keys;
    keys.primary_tag = Decoded(Property(*table, kPropertyPrimaryTag));
    for (const ContainerObject& object : objects_) {
      if (object.deleted || object.parent != table->id || object.id == table->id) continue;
      if (object.type == kIndexType) {
        const std::string key = Property(object, kPropertyIsKey);
        if (!key.empty() && key[0] != '\0') keys.key_tags.push_back(object.name);
      } else if (object.type == kRelationType) {
        ContainerRelation relation;
        relation.child_table = table->name;
        relation.child_tag = Decoded(Property(object, kPropertyChildTag));
        relation.parent_table = Decoded(Property(object, kPropertyParentTable));
        relation.parent_tag = Decoded(Property(object, kPropertyParentTag));
        relation.rules = object.rules;
        keys.relations.push_back(std::move(relation));
      } else if (object.type == kFieldType) {
        ContainerTableKeys::Field field;
        field.name = object.name;
        for (const auto& [id, value] : Properties(object)) {
          if (id == kPropertyDefaultValue) field.default_value = Decoded(PropertyText(value));
          else if (id == kPropertyComment) field.comment = Decoded(PropertyText(value));
          else if (id == kPropertyCaption) field.caption = Decoded(PropertyText(value));
        }
        keys.fields.push_back(std::move(field));
      }
    }
    return keys;
  }

  void AddIndexes(const std::string& name, const std::vector<std::string>& tags,
                  const std::vector<std::string>& key_tags, const std::string& primary_tag) override {
    std::optional<ContainerObject> table = FindTable(name);
    if (!table) throw Error("Database container \"" + path_ + "\" has no table named \"" + name + "\".");
    CheckContainerIndex(path_);
    if (!primary_tag.empty()) {
      // The table object's properties with the primary key's tag added: a
      // new memo value, then the record points at it.
      std::string properties;
      for (const auto& [id, value] : Properties(*table))
        if (id != kPropertyPrimaryTag) properties += PropertyRecord(id, value);
      properties += PropertyRecord(kPropertyPrimaryTag, Encoded(primary_tag) + '\0');
      std::optional<std::string> memo_path = FindSibling(path_, ".dct");
      if (!memo_path) throw Error("Database container \"" + path_ + "\" has no memo file (.dct).");
      MemoWriter memo(*memo_path);
      const uint32_t block = memo.Write(memo::kTypeText, properties);
      memo.Commit();
      const FieldDescriptor* property = Field(kPropertyField);
      if (!property || property->length != 4)
        throw Error("Database container \"" + path_ + "\" keeps its properties in a form this program does not write.");
      char pointer[4];
      EncodeFixed32(pointer, block);
      File::Open(path_, File::Mode::kReadWrite)->WriteAt(RecordOffset(table->record) + property->offset, pointer, 4);
    }
    AppendObjects(table->id, kIndexType, tags, [&](const std::string& tag) {
      const bool key = std::find(key_tags.begin(), key_tags.end(), tag) != key_tags.end();
      return std::make_pair(PropertyRecord(kPropertyIsKey, std::string(1, key ? '\1' : '\0')), std::string());
    });
  }

  void AddRelation(const ContainerRelation& relation) override {
    std::optional<ContainerObject> child = FindTable(relation.child_table);
    if (!child)
      throw Error("Database container \"" + path_ + "\" has no table named \"" + relation.child_table + "\".");
    if (!FindTable(relation.parent_table))
      throw Error("Database container \"" + path_ + "\" has no table named \"" + relation.parent_table + "\".");
    CheckContainerIndex(path_);
    int count = 1;
    for (const ContainerObject& object : objects_)
      if (!object.deleted && object.parent == child->id && object.type == kRelationType) ++count;
    AppendObjects(child->id, kRelationType, {"Relation " + std::to_string(count)}, [&](const std::string&) {
      return std::make_pair(PropertyRecord(kPropertyChildTag, Encoded(relation.child_tag) + '\0') +
                                PropertyRecord(kPropertyParentTable, Encoded(relation.parent_table) + '\0') +
                                PropertyRecord(kPropertyParentTag, Encoded(relation.parent_tag) + '\0'),
                            relation.rules);
    });
  }

 private:
  // Text in the container's code page; a character it cannot hold keeps
  // its UTF-8 bytes.
  std::string Encoded(const std::string& text) const {
    std::string encoded, bad;
    return TextCodec::For(code_page()).Encode(text, encoded, bad) ? encoded : text;
  }

  // Appends one object of `type` under `parent` per name, with the
  // properties and rules `describe` gives it, then rebuilds the index.
  void AppendObjects(int32_t parent, const char* type, const std::vector<std::string>& names,
                     const std::function<std::pair<std::string, std::string>(const std::string&)>& describe) {
    if (names.empty()) return;
    int64_t next_id = 1;
    for (const ContainerObject& object : objects_) next_id = std::max<int64_t>(next_id, int64_t{object.id} + 1);
    if (next_id + static_cast<int64_t>(names.size()) > INT32_MAX)
      throw Error("Database container \"" + path_ + "\" is damaged: its object numbers leave no "
                  "room for new objects.");
    auto writer = TableWriter::OpenForAppend(path_, /*caller_rebuilds_index=*/true);
    for (const std::string& name : names) {
      const auto [properties, rules] = describe(name);
      writer->Append(ObjectValues(*writer, static_cast<int32_t>(next_id++), parent, type, name, properties, rules));
    }
    writer->Flush();
    writer.reset();
    RebuildContainerIndex(path_);
    Load();
  }

  uint64_t RecordOffset(uint64_t record) const {
    return header_.header_length + record * header_.record_length;
  }

  std::optional<ContainerObject> FindTable(const std::string& name) const {
    for (const ContainerObject& object : objects_)
      if (!object.deleted && object.type == kTableType && Lower(object.name) == Lower(name))
        return object;
    return std::nullopt;
  }

  const FieldDescriptor* Field(const char* name) const {
    for (const FieldDescriptor& f : header_.fields)
      if (Lower(f.name) == Lower(name)) return &f;
    return nullptr;
  }

  // Reads every object of the container (deleted ones too: their ids stay
  // taken).
  void Load() {
    const std::unique_ptr<File> file = File::Open(path_, File::Mode::kRead);
    header_ = ParseTableHeader(
        [&file](uint64_t offset, size_t length) { return file->ReadAt(offset, length); }, file->Size(),
        path_);
    const FieldDescriptor* id = Field(kObjectIdField);
    const FieldDescriptor* parent = Field(kParentIdField);
    const FieldDescriptor* type = Field(kObjectTypeField);
    const FieldDescriptor* name = Field(kObjectNameField);
    const FieldDescriptor* property = Field(kPropertyField);
    const FieldDescriptor* rules = Field(kRulesField);
    if (!id || !parent || !type || !name || !property || id->type != 'I' || parent->type != 'I' ||
        type->type != 'C' || name->type != 'C' || property->type != 'M')
      ThrowError("\"", path_, "\" is not a database container: it lacks the container's columns.");
    int code_page = CodePageOfMark(header_.code_page_mark);
    const TextCodec& codec = TextCodec::For(code_page == 0 ? kDefaultCodePage : code_page);
    objects_.clear();
    std::string record;
    for (uint64_t r = 0; r < header_.record_count; ++r) {
      record.resize(header_.record_length);
      if (file->ReadAt(RecordOffset(r), record.data(), record.size()) != record.size())
        throw Error("Database container \"" + path_ + "\" is truncated.");
      ContainerObject object;
      object.record = r;
      object.deleted = record[0] == dbf::kDeletedRecord;
      object.id = static_cast<int32_t>(DecodeFixed32(record.data() + id->offset));
      object.parent = static_cast<int32_t>(DecodeFixed32(record.data() + parent->offset));
      object.type = TrimRight(record.substr(type->offset, type->length));
      std::string raw_name = TrimRight(record.substr(name->offset, name->length));
      codec.Decode(raw_name, object.name);
      if (rules && rules->type == 'C') object.rules = TrimRight(record.substr(rules->offset, rules->length));
      if (property->length == 4) {
        object.property_block = DecodeFixed32(record.data() + property->offset);
      } else {
        std::string digits = TrimRight(record.substr(property->offset, property->length));
        digits.erase(0, digits.find_first_not_of(' '));
        if (!digits.empty() && std::all_of(digits.begin(), digits.end(), ::isdigit))
          object.property_block = static_cast<uint32_t>(std::stoul(digits.substr(0, 9)));
      }
      objects_.push_back(std::move(object));
    }
    std::optional<std::string> memo_path = FindSibling(path_, ".dct");
    memo_.emplace(memo_path, MemoReader::Kind::kFpt, fs::path(path_).stem().string() + ".dct");
  }

  // The property records of an object: id and value, in stored order.
  std::vector<std::pair<uint8_t, std::string>> Properties(const ContainerObject& object) const {
    std::vector<std::pair<uint8_t, std::string>> found;
    if (object.property_block == 0) return found;
    std::string properties;
    std::string problem = memo_->Read(object.property_block, properties);
    if (!problem.empty())
      throw Error("Database container \"" + path_ + "\": the properties of " + object.type + " \"" +
                  object.name + "\" cannot be read: " + problem + ".");
    size_t at = 0;
    while (at + kPropertyHeaderSize <= properties.size()) {
      uint32_t length = DecodeFixed32(properties.data() + at);
      if (length < kPropertyHeaderSize || length > properties.size() - at)
        throw Error("Database container \"" + path_ + "\": the properties of " + object.type + " \"" +
                    object.name + "\" are corrupt.");
      found.emplace_back(static_cast<uint8_t>(properties[at + kPropertyIdOffset]),
                         properties.substr(at + kPropertyHeaderSize, length - kPropertyHeaderSize));
      at += length;
    }
    return found;
  }

  // One property of an object as text, or empty.
  std::string Property(const ContainerObject& object, uint8_t id) const {
    for (const auto& [property, value] : Properties(object))
      if (property == id) return PropertyText(value);
    return "";
  }

  // The path property of a table object, or empty.
  std::string StoredPath(const ContainerObject& object) const { return Property(object, kPropertyPath); }

  // The container's text in UTF-8.
  std::string Decoded(const std::string& bytes) const {
    std::string text;
    TextCodec::For(code_page()).Decode(bytes, text);
    return text;
  }

  // The table file on disk. The stored path is in the container's code page
  // (Windows separators, relative to the container's folder); the file's
  // name on disk is that path decoded, or, from a program that copied the
  // bytes, the stored bytes themselves. A container without a code-page
  // mark is also read in the code pages its path's text reads best in.
  std::string ResolveTablePath(const ContainerObject& object) const {
    const std::string stored = StoredPath(object);
    if (stored.empty()) return FindTableFile(object.name + ".dbf");
    std::vector<int> code_pages = {code_page()};
    if (header_.code_page_mark == code_page_mark::kUnmarked) {
      const CodePageGuess guess = GuessCodePage(stored);
      for (int guessed : {guess.code_page, guess.rival})
        if (guessed != 0 && IsSupportedCodePage(guessed)) code_pages.push_back(guessed);
    }
    FileSystem& files = FileSystem::Current();
    std::string first;
    for (int code_page : code_pages) {
      std::string decoded;
      TextCodec::For(code_page).Decode(stored, decoded);
      std::string path = FindTableFile(decoded);
      if (files.Kind(path) != FileKind::kMissing) return path;
      if (first.empty()) first = path;
    }
    std::string raw = FindTableFile(stored);
    return files.Kind(raw) != FileKind::kMissing ? raw : first;
  }

  // `stored` (a path with Windows separators, relative to the container's
  // folder) on disk, each part found without regard to case; the parts not
  // found are kept as written.
  std::string FindTableFile(std::string stored) const {
    std::replace(stored.begin(), stored.end(), '\\', '/');
    // A drive letter or an absolute Windows path cannot be followed here:
    // such a table is looked for beside the container.
    if (stored.size() >= 2 && stored[1] == ':') stored = fs::path(stored).filename().string();
    if (!stored.empty() && stored[0] == '/') stored = fs::path(stored).filename().string();
    fs::path current = fs::path(path_).parent_path();
    fs::path parts(stored);
    for (auto it = parts.begin(); it != parts.end(); ++it) {
      std::string part = it->string();
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        current /= "..";
        continue;
      }
      std::optional<std::string> found = FindInFolder(current.string(), part);
      current = found ? fs::path(*found) : current / part;
    }
    return current.lexically_normal().string();
  }

  std::string RelativeTablePath(const std::string& table_path) const {
    fs::path folder = fs::absolute(fs::path(path_).parent_path()).lexically_normal();
    fs::path table = fs::absolute(fs::path(table_path)).lexically_normal();
    std::string relative = table.lexically_relative(folder).string();
    if (relative.empty()) relative = table.filename().string();
    std::replace(relative.begin(), relative.end(), '/', '\\');
    relative = Lower(relative);
    // Stored in the container's code page, as FoxPro reads it; a name the
    // code page cannot hold keeps its UTF-8 bytes, which are looked for too.
    std::string encoded, bad;
    if (TextCodec::For(code_page()).Encode(relative, encoded, bad)) relative = encoded;
    return relative;
  }

  std::vector<InputValue> ObjectValues(const TableWriter& writer, int32_t id, int32_t parent,
                                       const std::string& type, const std::string& name,
                                       const std::string& properties, const std::string& rules = "") const {
    std::vector<InputValue> values;
    for (const FieldDescriptor& f : writer.fields()) {
      InputValue v;
      v.kind = InputValue::Kind::kText;
      std::string field = Lower(f.name);
      if (field == Lower(kObjectIdField)) v = {InputValue::Kind::kNumber, std::to_string(id), false};
      else if (field == Lower(kParentIdField)) v = {InputValue::Kind::kNumber, std::to_string(parent), false};
      else if (field == Lower(kObjectTypeField)) v.text = type;
      else if (field == Lower(kObjectNameField)) v.text = name;
      else if (field == Lower(kPropertyField) && !properties.empty()) StoreBytes(f, properties, v.text);
      else if (field == Lower(kRulesField)) v.text = rules;
      else if (f.type == 'I' || f.type == 'N' || f.type == 'F' || f.type == 'B' || f.type == 'Y')
        v.text = "0";
      values.push_back(std::move(v));
    }
    return values;
  }

  // Raw bytes as the input a field stores them from: the hex form for a
  // binary field, else text whose code-page bytes are exactly these.
  void StoreBytes(const FieldDescriptor& f, const std::string& bytes, std::string& out) const {
    if (f.binary()) {
      AppendHex(bytes, out);
      return;
    }
    int code_page = CodePageOfMark(header_.code_page_mark);
    TextCodec::For(code_page == 0 ? kDefaultCodePage : code_page).Decode(bytes, out);
  }

  std::string path_;
  TableHeader header_;
  std::vector<ContainerObject> objects_;
  std::optional<MemoReader> memo_;
};

}  // namespace

void CheckTableName(const std::string& name) {
  auto refuse = [&](const std::string& why) {
    throw Error("The table name \"" + name + "\" cannot be used: " + why + ".");
  };
  if (name.find_first_not_of(' ') == std::string::npos) refuse("it is empty or blank");
  if (name.front() == ' ' || name.back() == ' ')
    refuse("FoxPro drops blanks at the start and end of a name");
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) refuse("it holds a control character");
}

namespace {

// `path` with its extension replaced by `extension` (".dct"), upper case
// when the container's extension is.
std::string SiblingPath(const std::string& path, std::string extension) {
  const fs::path p(path);
  const std::string own = p.extension().string();
  const auto upper = [](char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; };
  if (own.size() > 1 && std::all_of(own.begin() + 1, own.end(), upper))
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return (p.parent_path() / (p.stem().string() + extension)).string();
}

// The memo file of a new container: its header, then the database
// object's properties in the first block after it. Sets `block` to that
// block's number.
std::string NewContainerMemo(const std::string& properties, uint32_t& block) {
  const size_t block_size = memo::kDefaultBlockSize;
  block = static_cast<uint32_t>(memo::kFptHeaderSize / block_size);
  std::string value(memo::kBlockHeaderSize, '\0');
  EncodeBigEndian32(value.data(), memo::kTypeText);
  EncodeBigEndian32(value.data() + memo::kBlockLengthOffset,
                    static_cast<uint32_t>(properties.size()));
  value += properties;
  value.resize((value.size() + block_size - 1) / block_size * block_size, '\0');
  std::string bytes(memo::kFptHeaderSize, '\0');
  EncodeBigEndian32(bytes.data() + memo::kNextFreeOffset,
                    block + static_cast<uint32_t>(value.size() / block_size));
  EncodeBigEndian16(bytes.data() + memo::kBlockSizeOffset, static_cast<uint16_t>(block_size));
  return bytes + value;
}

// The container file of a new container whose database properties stand
// in memo block `property_block`.
std::string NewContainerTable(int code_page, uint32_t property_block) {
  TableHeader header;
  header.version = dbf::kVisualFoxPro;
  header.code_page_mark = MarkOfCodePage(code_page);
  header.table_flags = dbf::kHasStructuralIndex | dbf::kHasMemo | dbf::kIsContainer;
  TodayInto(header.last_update);
  header.record_count = static_cast<uint32_t>(std::size(kDatabaseObjects));
  uint32_t offset = 1;
  for (const ContainerColumn& column : kContainerColumns) {
    FieldDescriptor field;
    field.name = column.name;
    field.type = column.type;
    field.length = column.length;
    field.flags = column.flags;
    field.offset = offset;
    offset += column.length;
    header.fields.push_back(field);
  }
  std::string bytes = SerializeTableHeader(header);
  int32_t id = 0;
  for (const char* name : kDatabaseObjects) {
    ++id;
    std::string record(offset, ' ');
    for (const FieldDescriptor& field : header.fields) {
      char* at = record.data() + field.offset;
      const std::string column = field.name;
      if (column == kObjectIdField) {
        EncodeFixed32(at, static_cast<uint32_t>(id));
      } else if (column == kParentIdField) {
        EncodeFixed32(at, 1);
      } else if (column == kObjectTypeField) {
        std::memcpy(at, kDatabaseType, std::strlen(kDatabaseType));
      } else if (column == kObjectNameField) {
        std::memcpy(at, name, std::strlen(name));
      } else if (field.type == 'M') {
        EncodeFixed32(at, column == kPropertyField && id == 1 ? property_block : 0);
      }
    }
    bytes += record;
  }
  return bytes + static_cast<char>(dbf::kEndOfFile);
}

}  // namespace

void Container::Create(const std::string& path_text, int code_page) {
  auto refuse = [&](const std::string& why) {
    throw Error("Cannot create the database container \"" + path_text + "\": " + why);
  };
  // A backslash separates folders, as in every FoxPro path.
  const std::string dbc_path = WithSlashes(path_text);
  if (Lower(fs::path(dbc_path).extension().string()) != ".dbc")
    refuse("its file name must end in \".dbc\".");
  FileSystem& files = FileSystem::Current();
  const std::string folder = fs::path(dbc_path).parent_path().string();
  if (files.Kind(folder.empty() ? "." : folder) != FileKind::kFolder)
    refuse("the folder \"" + folder + "\" does not exist.");
  if (MarkOfCodePage(code_page) == code_page_mark::kUnmarked)
    refuse("FoxPro cannot mark a container with code page " + std::to_string(code_page) +
           "; choose a code page FoxPro knows, such as 1252 or 1251.");
  const std::string memo_path = SiblingPath(dbc_path, ".dct");
  const std::string index_path = SiblingPath(dbc_path, ".dcx");
  for (const std::string& path : {dbc_path, memo_path, index_path}) {
    if (std::optional<std::string> found = FindPath(path))
      refuse("the file \"" + *found + "\" is there already. " +
             (path == dbc_path ? "Open that container instead, or choose another name."
                               : "Choose another name, or move that file away."));
  }

  uint32_t property_block = 0;
  const std::string memo = NewContainerMemo(
      PropertyRecord(kPropertyDatabaseVersion,
                     std::string(kDatabaseVersion, sizeof kDatabaseVersion)),
      property_block);
  const std::string table = NewContainerTable(code_page, property_block);

  // Each file is written whole under a temporary name, then moved into
  // place; the container itself comes last, so that a reader never finds
  // it without its memo and index. The index is made from the container's
  // file as written.
  const std::string dbc_temporary = dbc_path + ".new";
  const std::string memo_temporary = memo_path + ".new";
  const std::string index_temporary = index_path + ".new";
  std::vector<std::string> written;
  try {
    written.push_back(dbc_temporary);
    File::Open(dbc_temporary, File::Mode::kCreate)->WriteAt(0, table);
    written.push_back(memo_temporary);
    File::Open(memo_temporary, File::Mode::kCreate)->WriteAt(0, memo);
    written.push_back(index_temporary);
    WriteNewContainerIndex(dbc_temporary, index_temporary);
    for (const std::string& path : {memo_path, index_path, dbc_path}) {
      std::error_code error;
      files.Rename(path + ".new", path, error);
      if (error) refuse("\"" + path + "\" cannot be written: " + error.message() + ".");
      written.push_back(path);
    }
  } catch (...) {
    std::error_code ignored;
    for (const std::string& path : written) files.Remove(path, ignored);
    throw;
  }
}

std::unique_ptr<Container> Container::Open(const std::string& dbc_path) {
  std::optional<std::string> path = FindPath(dbc_path);
  if (!path) throw Error("Database container \"" + dbc_path + "\" does not exist.");
  if (FileSystem::Current().Kind(*path) == FileKind::kFolder) throw Error("\"" + dbc_path + "\" is a folder, not a database container.");
  return std::make_unique<ContainerImpl>(*path);
}

}  // namespace veltrane::foxpro
