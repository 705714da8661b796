#include "app/list_helpers.h"

#include <QString>

namespace veltrane::app {

bool ListHasItem(const TableList& list, const std::string& text) {
  const QString wanted = QString::fromStdString(text).toLower();
  const int count = list.Count();
  for (int i = 0; i < count; ++i)
    if (QString::fromStdString(list.Item(i)).toLower() == wanted) return true;
  return false;
}

void ListRemoveItem(TableList& list, const std::string& text) {
  for (int i = list.Count() - 1; i >= 0; --i)
    if (list.Item(i) == text) list.RemoveItem(i);
}

}  // namespace veltrane::app
