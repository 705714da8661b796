#include "app/table_list.h"

#include <QString>

namespace veltrane::app {

int TableList::SelCount() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i)
    if (Selected(i)) ++count;
  return count;
}

int SortedInsertPosition(const TableList& list, const std::string& name) {
  const QString key = QString::fromStdString(name);
  int position = list.Count();
  while (position > 0 &&
         QString::compare(QString::fromStdString(list.Item(position - 1)), key,
                          Qt::CaseInsensitive) > 0)
    --position;
  return position;
}

void MemoryTableList::SetSelected(int index, bool selected) { entries_.at(index).selected = selected; }

void MemoryTableList::SetCurrentIndex(int index) {
  current_ = (index >= 0 && index < Count()) ? index : -1;
}

void MemoryTableList::AddItem(const std::string& name) {
  const int position = SortedInsertPosition(*this, name);
  entries_.insert(entries_.begin() + position, Entry{name, false});
  if (current_ >= position) ++current_;
}

void MemoryTableList::RemoveItem(int index) {
  entries_.erase(entries_.begin() + index);
  if (current_ == index)
    current_ = -1;
  else if (current_ > index)
    --current_;
}

void MemoryTableList::Clear() {
  entries_.clear();
  current_ = -1;
}

}  // namespace veltrane::app
