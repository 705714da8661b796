#include "cli/table_lists.h"

#include <QString>

namespace veltrane::cli {

void WatchedTableList::AddItem(const std::string& name) {
  MemoryTableList::AddItem(name);
  if (listener_) listener_(name);
}

std::vector<std::string> SelectNamed(app::TableList& list, const std::vector<std::string>& names) {
  std::vector<std::string> missing;
  int first_selected = -1;
  for (const std::string& name : names) {
    int found = -1;
    for (int i = 0; i < list.Count() && found < 0; ++i)
      if (!list.Selected(i) && list.Item(i) == name) found = i;
    if (found < 0) {
      missing.push_back(name);
      continue;
    }
    list.SetSelected(found, true);
    if (first_selected < 0 || found < first_selected) first_selected = found;
  }
  list.SetCurrentIndex(first_selected);
  return missing;
}

std::string SameNameOtherCase(const app::TableList& list, const std::string& name) {
  const QString key = QString::fromStdString(name);
  for (int i = 0; i < list.Count(); ++i)
    if (QString::fromStdString(list.Item(i)).compare(key, Qt::CaseInsensitive) == 0)
      return list.Item(i);
  return "";
}

std::vector<std::string> Entries(const app::TableList& list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list.Count(); ++i) entries.push_back(list.Item(i));
  return entries;
}

}  // namespace veltrane::cli
