#ifndef VELTRANE_FOXPRO_CONTAINER_H_
#define VELTRANE_FOXPRO_CONTAINER_H_

#include <memory>
#include <string>
#include <vector>

namespace veltrane::foxpro {

// A table object of a database container.
struct ContainerTable {
  std::string name;                      // the table's name in the container
  std::string path;                      // its .dbf file, resolved on disk
  std::vector<std::string> field_names;  // long field names, in field order
};

// A Visual FoxPro database container (.dbc with its .dct memo file): the
// table, field, index and view objects it keeps.
class Container {
 public:
  // Opens the container; throws Error when the file is not a container or
  // is corrupt.
  static std::unique_ptr<Container> Open(const std::string& dbc_path);
  virtual ~Container() = default;

  // The code page the container keeps its names in.
  virtual int code_page() const = 0;
  virtual std::vector<ContainerTable> Tables() = 0;
  virtual std::vector<std::string> Views() = 0;

  // Adds a table object with its field objects (long names in field order).
  // `table_path` is the table file; the container stores it relative to its
  // own folder.
  virtual void AddTable(const std::string& name, const std::string& table_path,
                        const std::vector<std::string>& long_field_names) = 0;
  // Removes a table object and its field and index objects. Throws Error for
  // an unknown table.
  virtual void RemoveTable(const std::string& name) = 0;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_CONTAINER_H_
