#ifndef VELTRANE_CLI_TABLE_LISTS_H_
#define VELTRANE_CLI_TABLE_LISTS_H_

#include <functional>
#include <string>
#include <vector>

#include "app/table_list.h"

namespace veltrane::cli {

// A table list in memory that tells a listener about every name added, so
// that the program can say when a transfer has completed a table.
class WatchedTableList : public app::MemoryTableList {
 public:
  void OnAdd(std::function<void(const std::string&)> listener) { listener_ = std::move(listener); }
  void AddItem(const std::string& name) override;

 private:
  std::function<void(const std::string&)> listener_;
};

// Selects, for each name, the first entry that equals it exactly and is not
// selected yet (a name given twice selects two equal entries), and makes the
// first selected entry the current one. Returns the names that have no such
// entry; nothing is current when none was found.
std::vector<std::string> SelectNamed(app::TableList& list, const std::vector<std::string>& names);

// The first entry that equals `name` without regard to case, or the empty
// text: a hint for a name typed in the wrong case.
std::string SameNameOtherCase(const app::TableList& list, const std::string& name);

// The entries of a list, in list order.
std::vector<std::string> Entries(const app::TableList& list);

}  // namespace veltrane::cli

#endif  // VELTRANE_CLI_TABLE_LISTS_H_
