#ifndef VELTRANE_UI_TABLE_LIST_BOX_H_
#define VELTRANE_UI_TABLE_LIST_BOX_H_

#include <QListWidget>

#include "app/table_list.h"

namespace veltrane::ui {

// A list box of table names: kept sorted without regard to case (a name
// added later lands in its alphabetical place), extended multiple selection
// (click, Shift+click, Ctrl+click), no item data. The current entry is the
// one the user chose: gaining the focus does not make one current.
class TableListBox : public QListWidget, public app::TableList {
 public:
  explicit TableListBox(QWidget* parent);
  int Count() const override { return count(); }
  std::string Item(int index) const override;
  bool Selected(int index) const override;
  void SetSelected(int index, bool selected) override;
  int CurrentIndex() const override { return currentRow(); }
  void SetCurrentIndex(int index) override;
  void AddItem(const std::string& name) override;
  void RemoveItem(int index) override;
  void Clear() override { clear(); }

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  QListWidgetItem& At(int index) const;
};

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_TABLE_LIST_BOX_H_
