#include "ui/table_list_box.h"

#include <stdexcept>

#include <QFocusEvent>

namespace veltrane::ui {

TableListBox::TableListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSortingEnabled(false);  // AddItem places names itself, without regard to case
}

QListWidgetItem& TableListBox::At(int index) const {
  QListWidgetItem* entry = item(index);
  if (!entry)
    throw std::out_of_range("List index out of bounds: " + std::to_string(index) + " (the list has " +
                            std::to_string(count()) + " entries).");
  return *entry;
}

std::string TableListBox::Item(int index) const { return At(index).text().toStdString(); }

bool TableListBox::Selected(int index) const { return At(index).isSelected(); }

void TableListBox::SetSelected(int index, bool selected) { At(index).setSelected(selected); }

void TableListBox::SetCurrentIndex(int index) {
  // Moves the focus only; the selection stays as it is.
  setCurrentRow(index >= 0 && index < count() ? index : -1, QItemSelectionModel::NoUpdate);
}

void TableListBox::focusInEvent(QFocusEvent* event) {
  const bool had_current = currentIndex().isValid();
  QListWidget::focusInEvent(event);
  // Qt makes the first entry current when a list without one gains the
  // focus by keyboard or with its window; the commands would take that for
  // the user's choice.
  if (!had_current && currentIndex().isValid())
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void TableListBox::AddItem(const std::string& name) {
  insertItem(app::SortedInsertPosition(*this, name), QString::fromStdString(name));
}

void TableListBox::RemoveItem(int index) {
  At(index);  // a bad index fails like the other calls
  delete takeItem(index);
}

}  // namespace veltrane::ui
