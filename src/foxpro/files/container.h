#ifndef VELTRANE_FOXPRO_FILES_CONTAINER_H_
#define VELTRANE_FOXPRO_FILES_CONTAINER_H_

#include <memory>
#include <string>
#include <vector>

#include "foxpro/codepages/codepage.h"

namespace veltrane::foxpro {

// A table object of a database container.
struct ContainerTable {
  std::string name;                      // the table's name in the container
  std::string path;                      // its .dbf file, resolved on disk
  std::vector<std::string> field_names;  // long field names, in the objects' order
  // Why the object cannot be used (its properties are damaged, it has no
  // name); empty when it can. `path` is empty then.
  std::string problem;
};

// A persistent relation between two tables of a container: the child
// table's tag points at the parent table's primary or candidate tag.
struct ContainerRelation {
  std::string child_table;
  std::string child_tag;
  std::string parent_table;
  std::string parent_tag;
  // The referential integrity rules, one letter each for update, delete
  // and insert: C cascade, R restrict, I ignore; empty when none are set.
  std::string rules;
};

// What a container keeps about a table beside its fields' names.
struct ContainerTableKeys {
  std::string primary_tag;  // the tag of its primary key, empty for none
  // Tags the container lists as keys (primary or candidate).
  std::vector<std::string> key_tags;
  std::vector<ContainerRelation> relations;  // those where it is the child
  // Per field object (in the objects' order): its long name and the
  // default value expression, comment and caption it stores (empty where
  // none).
  struct Field {
    std::string name, default_value, comment, caption;
  };
  std::vector<Field> fields;
};

// A Visual FoxPro database container (.dbc with its .dct memo file): the
// table, field, index and view objects it keeps.
class Container {
 public:
  // Opens the container; throws Error when the file is not a container or
  // is corrupt.
  static std::unique_ptr<Container> Open(const std::string& dbc_path);
  // Makes a new, empty container at `dbc_path`: the .dbc with the objects
  // every container starts with (the database and its transaction-log and
  // stored-procedure entries), its .dct memo file and its .dcx structural
  // index, laid out as Visual FoxPro 9 makes them and marked with
  // `code_page`, in which it keeps its names. The memo and index files take
  // the container's name and the case of its extension (shop.dbc:
  // shop.dct, shop.dcx). All three are written under temporary names and
  // then moved into place, the .dbc last, so that no reader finds part of a
  // container; a failure removes what was written. A backslash in
  // `dbc_path` separates folders, as in every FoxPro path. Throws Error,
  // creating nothing, when the name does not end in ".dbc", its folder
  // does not exist, a file of any of the three names is there already (in
  // any case), or FoxPro has no mark for the code page.
  static void Create(const std::string& dbc_path, int code_page = kDefaultCodePage);
  virtual ~Container() = default;

  // The code page the container keeps its names in.
  virtual int code_page() const = 0;
  // Every table object; a damaged one is listed with its problem, so that
  // it does not hide the others.
  virtual std::vector<ContainerTable> Tables() = 0;
  virtual std::vector<std::string> Views() = 0;

  // Adds a table object with its field objects (long names in field order).
  // `table_path` is the table file; the container stores it relative to its
  // own folder. Throws Error, changing nothing, for a name FoxPro would trim
  // or refuse (see CheckTableName) and for a container whose objects leave
  // no room for new ones.
  virtual void AddTable(const std::string& name, const std::string& table_path,
                        const std::vector<std::string>& long_field_names) = 0;
  // Removes a table object and its field and index objects. Throws Error for
  // an unknown table.
  virtual void RemoveTable(const std::string& name) = 0;

  // The keys, relations and field properties kept for a table. Throws
  // Error for an unknown table or properties that cannot be read.
  virtual ContainerTableKeys Keys(const std::string& table) = 0;
  // Records the tags of a table's structural index as index objects, those
  // in `key_tags` as keys, and `primary_tag` (one of them, or empty) as the
  // table's primary key. Throws Error, changing nothing, for an unknown
  // table.
  virtual void AddIndexes(const std::string& table, const std::vector<std::string>& tags,
                          const std::vector<std::string>& key_tags, const std::string& primary_tag) = 0;
  // Adds a persistent relation object under the child table. Throws Error
  // for an unknown table.
  virtual void AddRelation(const ContainerRelation& relation) = 0;
};

// Throws Error for a table name FoxPro would trim or refuse: empty or blank,
// blanks at its start or end, control characters.
void CheckTableName(const std::string& name);

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_CONTAINER_H_
