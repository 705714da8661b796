#ifndef VELTRANE_FOXPRO_FILES_TABLE_READER_H_
#define VELTRANE_FOXPRO_FILES_TABLE_READER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foxpro/record/field.h"
#include "foxpro/notice.h"
#include "foxpro/record/row.h"

namespace veltrane::foxpro {

// The code page a reading takes for text.
struct CodePageChoice {
  // The user's code page for tables without a code-page mark; 0 for none
  // (the reader then guesses from the text, else takes 1252).
  int code_page = 0;
  // Take `code_page` for every table, whatever its mark says.
  bool force = false;
};

// Reads a table file of any xBase version (FoxBASE, dBase III to 7,
// Clipper, FoxPro 2.x, Visual FoxPro) and its memo file (.dbt/.fpt, found
// beside it without regard to case). Records stream from disk; memory does
// not grow with the table. Every offset read from the file is checked: a
// corrupt file throws Error or is read the one coherent way (see Notices),
// never crashes, hangs or reads records shifted.
//
// A value that is not valid for its field type arrives as its raw text; text
// that a text value cannot hold (a NUL byte, bytes that are no text in the
// code page) in hex form; a memo value that cannot be read, or is larger
// than PostgreSQL takes, as NULL. Notices() counts each kind per field.
class TableReader {
 public:
  // Opens the table at `path` (an existing file's exact path) read-only;
  // notices and errors call it `name` (by default the file's name without
  // its extension). Throws Error when the table cannot be read at all, also
  // when it has memo fields and its memo file is missing.
  static std::unique_ptr<TableReader> Open(const std::string& path,
                                           const CodePageChoice& choice = {},
                                           const std::string& name = "");
  virtual ~TableReader() = default;

  // The table's name, as Open was given it.
  virtual const std::string& name() const = 0;
  virtual uint8_t version() const = 0;
  // The code page the text is read in.
  virtual int code_page() const = 0;
  // The visible fields in order (the hidden _NullFlags field left out).
  virtual const std::vector<FieldDescriptor>& fields() const = 0;
  // Their names, decoded from the table's code page.
  virtual const std::vector<std::string>& field_names() const = 0;
  // The names notices give the fields (default: field_names()), one per
  // field: the names the fields arrive under.
  virtual void NameColumns(std::vector<std::string> names) = 0;
  // The number of live (not deleted) records.
  virtual int64_t live_record_count() = 0;
  // Reads the next live record's values (text forms, see row.h) into
  // `cells`, one per visible field; false at the end.
  virtual bool Next(std::vector<Cell>& cells) = 0;
  // What the reading had to tell: liberties taken with the header, the
  // code page guessed, fields of unknown types, and, for the records read
  // so far, one summary per field and kind of value that did not arrive as
  // stored (how many, and the first).
  virtual std::vector<Notice> Notices() const = 0;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_TABLE_READER_H_
