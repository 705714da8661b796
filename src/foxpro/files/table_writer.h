#ifndef VELTRANE_FOXPRO_FILES_TABLE_WRITER_H_
#define VELTRANE_FOXPRO_FILES_TABLE_WRITER_H_

#include <memory>
#include <string>
#include <vector>

#include "foxpro/codepages/codepage.h"
#include "foxpro/record/field.h"
#include "foxpro/notice.h"

namespace veltrane::foxpro {

// A field of a table to create.
struct NewField {
  std::string name;  // the header name: at most 10 characters, unique
  char type = 'M';   // C V M N F I B Y D T L G W Q
  int length = 0;    // C V Q: width; N F: precision; others: ignored
  int decimals = 0;  // N F: scale
  bool nullable = false;
  bool binary = false;  // C V M: no code-page translation
  bool autoincrement = false;  // I: numbered 1, 2, 3, ... by the table
};

// A value to store, as the statement's expression gave it.
struct InputValue {
  enum class Kind { kNull, kText, kNumber, kLogical };
  Kind kind = Kind::kNull;
  std::string text;  // kText: UTF-8 text; kNumber: the number as written
  bool logical = false;
};

// Creates Visual FoxPro tables and appends records to them.
//
// Records are appended in batches: Append gathers records and their memo
// values in memory, and a batch goes to the files once it holds about a
// megabyte, once its first record is half a second old (looked at on every
// Append, and by FlushDue for callers that wait between records), on Flush,
// and when the writer is destroyed. A batch is written so that the files
// are complete at every moment: its memo blocks first, then the memo
// header, then its records behind the old end mark with the first
// record's delete flag last, then the header's record count. A process
// killed at any moment leaves files that every reader opens, holding every
// record of the batches written before. Nothing is rewritten wholesale. A
// table or memo file never passes 2 GB.
class TableWriter {
 public:
  // Creates a Visual FoxPro table at `path`, marked with `code_page` and
  // its text and field names (UTF-8 in `fields`) written in it, with an
  // .fpt memo file when a field needs one, laid out as Visual FoxPro 9 lays
  // out the same fields. `backlink` is the container file's name for a
  // table of a container (stored in the header's back-link area), empty
  // for a free table. Throws Error if the file exists, a field is invalid
  // (also a name that is longer than 10 bytes in the code page, or holds a
  // character it cannot hold), or FoxPro has no mark for the code page.
  static void Create(const std::string& path, const std::vector<NewField>& fields,
                     const std::string& backlink, int code_page = kDefaultCodePage);

  // Opens an existing table (any version the reader takes that this writer
  // can append to) for appending. A table with a structural index (.cdx)
  // is refused, since records added here would be missing from the index,
  // unless `caller_rebuilds_index` (a container rebuilds its own).
  static std::unique_ptr<TableWriter> OpenForAppend(const std::string& path,
                                                    bool caller_rebuilds_index = false);
  // Writes the records still gathered, ignoring a failure (call Flush
  // first to learn of one).
  virtual ~TableWriter() = default;

  virtual const std::vector<FieldDescriptor>& fields() const = 0;

  // Appends one record; values[i] goes to fields()[i], converted to its
  // type. Text into a text field is encoded in the table's code page; a
  // character the code page cannot hold is stored as "?", as FoxPro stores
  // it, and TakeNotices tells of it. Text into a binary field stores the bytes of its "\x"
  // hex form when it is one, else its own bytes. Nothing is added when a
  // value fails. When the append writes the batch and that fails, it throws
  // as Flush does.
  virtual void Append(const std::vector<InputValue>& values) = 0;

  // Writes the records gathered since the last batch. When the files
  // cannot be written, those records are dropped (the files stay as they
  // were before the batch) and Error says how many were lost and how many
  // the table holds.
  virtual void Flush() = 0;

  // What the appends since the last call had to tell: the characters
  // stored as "?", one problem per field, and the code pages that would
  // have held them (see RecordEncoder::ReplacementNotices).
  virtual std::vector<Notice> TakeNotices() = 0;

  // True when gathered records are old enough that they should be written
  // now: a caller that waits between appends calls Flush then.
  virtual bool FlushDue() const = 0;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_FILES_TABLE_WRITER_H_
