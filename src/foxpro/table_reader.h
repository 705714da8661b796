#ifndef VELTRANE_FOXPRO_TABLE_READER_H_
#define VELTRANE_FOXPRO_TABLE_READER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foxpro/field.h"
#include "foxpro/row.h"

namespace veltrane::foxpro {

// Reads a table file (.dbf of FoxBASE+/dBASE III 0x03, dBASE III with memo
// 0x83, FoxPro 2.x 0xF5, Visual FoxPro 0x30/0x31/0x32) and its memo file
// (.dbt/.fpt, found beside it without regard to case). Records stream from
// disk; memory does not grow with the table. Every offset read from the file
// is checked: a corrupt file throws Error, never crashes or hangs.
class TableReader {
 public:
  // Opens the table at `path` (an existing file's exact path) read-only.
  static std::unique_ptr<TableReader> Open(const std::string& path);
  virtual ~TableReader() = default;

  virtual uint8_t version() const = 0;
  // The Windows code page of the text (1252 for an unmarked table).
  virtual int code_page() const = 0;
  // The visible fields in order (the hidden _NullFlags field left out).
  virtual const std::vector<FieldDescriptor>& fields() const = 0;
  // The number of live (not deleted) records.
  virtual int64_t live_record_count() = 0;
  // Reads the next live record's values (text forms, see row.h) into
  // `cells`, one per visible field; false at the end.
  virtual bool Next(std::vector<Cell>& cells) = 0;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_TABLE_READER_H_
