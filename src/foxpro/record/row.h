#ifndef VELTRANE_FOXPRO_RECORD_ROW_H_
#define VELTRANE_FOXPRO_RECORD_ROW_H_

#include <cstdint>
#include <string>
#include <vector>

#include "foxpro/record/field.h"
#include "foxpro/notice.h"

namespace veltrane::foxpro {

// Type codes the engine reports for its fields (the access layer's codes).
namespace type_code {
inline constexpr int16_t kChar = 129;            // C
inline constexpr int16_t kBinaryChar = 128;      // C binary
inline constexpr int16_t kVarChar = 200;         // V
inline constexpr int16_t kVarBinary = 204;       // V binary, Q
inline constexpr int16_t kMemo = 201;            // M
inline constexpr int16_t kBinaryMemo = 205;      // M binary, G, W
inline constexpr int16_t kNumeric = 131;         // N, F
inline constexpr int16_t kInteger = 3;           // I
inline constexpr int16_t kDouble = 5;            // B
inline constexpr int16_t kCurrency = 6;          // Y
inline constexpr int16_t kDate = 133;            // D
inline constexpr int16_t kDateTime = 135;        // T
inline constexpr int16_t kLogical = 11;          // L
}  // namespace type_code

// A column of a result: the name a user sees (the container's long name in
// container mode), its type code and the field as the header describes it.
struct Column {
  std::string name;
  int16_t type = 0;
  FieldDescriptor field = {};
};

// One value in its text form (UTF-8; binary values as "\x" + lower-case
// hex). `error` is set, and the value unusable, when just this value could
// not be read (a memo block past the end of the memo file, a NUL inside
// text); the other values of the row are still good.
struct Cell {
  bool null = true;
  std::string text;
  std::string error;
};

// A forward-only stream of the live (not deleted) rows of a table. Rows are
// read from disk as they are fetched.
class RowCursor {
 public:
  virtual ~RowCursor() = default;
  virtual const std::vector<Column>& Columns() const = 0;
  // The number of live rows.
  virtual int64_t RowCount() = 0;
  // Fills `row` with the next live row and returns true; false at the end.
  virtual bool Next(std::vector<Cell>& row) = 0;
  // What the reading had to tell besides the rows (see TableReader), for
  // the rows fetched so far.
  virtual std::vector<Notice> Notices() const { return {}; }
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_RECORD_ROW_H_
