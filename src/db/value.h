#ifndef VELTRANE_DB_VALUE_H_
#define VELTRANE_DB_VALUE_H_

#include <cstddef>
#include <string>
#include <utility>

namespace veltrane::db {

// A field value: either null, or a value held as its default text form
// (UTF-8). Null is distinct from the empty text.
class Value {
 public:
  Value() = default;  // null
  static Value Null() { return Value(); }
  static Value FromText(std::string text) { return Value(std::move(text)); }
  // A value that could not be read (a memo block past the end of its file,
  // say). Text() throws Error with the description.
  static Value Failed(std::string description);

  bool IsNull() const { return null_; }
  bool IsFailed() const { return !error_.empty(); }
  // The text form; the empty text for null. Throws Error for a failed value.
  const std::string& Text() const;

  // Make this value a text or null in place, keeping the text's buffer so
  // that a backend refilling one row per fetch does not allocate per value.
  void Assign(const char* data, size_t size) {
    null_ = false;
    text_.assign(data, size);
    if (!error_.empty()) error_.clear();
  }
  // Make this value the text in `text` by exchanging buffers: `text` gets
  // this value's old buffer, to be refilled without an allocation.
  void SwapText(std::string& text) {
    null_ = false;
    text_.swap(text);
    if (!error_.empty()) error_.clear();
  }
  void SetNull() {
    null_ = true;
    text_.clear();
    if (!error_.empty()) error_.clear();
  }

  bool operator==(const Value& other) const = default;

 private:
  explicit Value(std::string text) : null_(false), text_(std::move(text)) {}
  bool null_ = true;
  std::string text_;
  std::string error_;
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_VALUE_H_
