#include "foxpro/record/value_issues.h"

namespace veltrane::foxpro {

bool ValueIssues::CountedAgain(size_t field, Kind kind) {
  for (Entry& entry : entries_) {
    if (entry.field == field && entry.kind == kind) {
      ++entry.count;
      return true;
    }
  }
  return false;
}

std::vector<Notice> ValueIssues::Summaries(const std::string& table,
                                           const std::vector<std::string>& columns) const {
  std::vector<Notice> notices;
  for (const Entry& entry : entries_) {
    const bool one = entry.count == 1;
    const std::string column = entry.field < columns.size() ? columns[entry.field] : "";
    const std::string values = one ? "1 value" : std::to_string(entry.count) + " values";
    const std::string is = one ? " is" : " are";
    const std::string they = one ? "it" : "they";
    const std::string first =
        (one ? "row " : "the first in row ") + std::to_string(entry.first_row) + ": ";
    std::string text = "Table \"" + table + "\", column \"" + column + "\": ";
    switch (entry.kind) {
      case Kind::kInvalid:
        text += values + is + " not " +
                (one ? "a valid " + std::string(entry.what) : "valid " + std::string(entry.what) + "s") +
                " (" + first + "\"" + entry.example + "\"); " +
                they + (one ? " was" : " were") + " read as " + (one ? "its" : "their") + " raw text.";
        break;
      case Kind::kNotText:
        text += values + (one ? " holds" : " hold") + " bytes that a text value cannot hold (" +
                first + entry.example + "); " + they + " arrived in hex form (\\x...).";
        break;
      case Kind::kMemoLost:
        text += values + is + " missing from the memo file or damaged there (" + first +
                entry.example + "); " + they + " arrived as NULL.";
        break;
      case Kind::kTooLarge:
        text += values + is + " larger than PostgreSQL takes (1 GB) (" + first + entry.example +
                "); " + they + " arrived as NULL.";
        break;
    }
    const int raw_text_field = entry.kind == Kind::kInvalid ? static_cast<int>(entry.field) : -1;
    notices.push_back(Notice{true, std::move(text), raw_text_field});
  }
  return notices;
}

}  // namespace veltrane::foxpro
