#ifndef VELTRANE_APP_TABLE_LIST_H_
#define VELTRANE_APP_TABLE_LIST_H_

#include <string>
#include <vector>

namespace veltrane::app {

// A list of table names as the tables window shows them: kept sorted without
// regard to case (AddItem inserts at the name's alphabetical place, after
// equal names), with a selected flag per entry and a current item.
// The window's list boxes and the command-line program implement it.
class TableList {
 public:
  virtual ~TableList() = default;
  virtual int Count() const = 0;
  virtual std::string Item(int index) const = 0;
  virtual bool Selected(int index) const = 0;
  virtual void SetSelected(int index, bool selected) = 0;
  virtual int SelCount() const;
  // The current (focused) entry, -1 when there is none.
  virtual int CurrentIndex() const = 0;
  virtual void SetCurrentIndex(int index) = 0;
  virtual void AddItem(const std::string& name) = 0;
  virtual void RemoveItem(int index) = 0;
  virtual void Clear() = 0;
};

// A TableList in memory, for the command-line program and tests.
class MemoryTableList : public TableList {
 public:
  int Count() const override { return static_cast<int>(entries_.size()); }
  std::string Item(int index) const override { return entries_.at(index).name; }
  bool Selected(int index) const override { return entries_.at(index).selected; }
  void SetSelected(int index, bool selected) override;
  int CurrentIndex() const override { return current_; }
  void SetCurrentIndex(int index) override;
  void AddItem(const std::string& name) override;
  void RemoveItem(int index) override;
  void Clear() override;

 private:
  struct Entry {
    std::string name;
    bool selected = false;
  };
  std::vector<Entry> entries_;
  int current_ = -1;
};

// Where a name goes in a list sorted without regard to case: the index after
// the last entry that sorts before or equal to it.
int SortedInsertPosition(const TableList& list, const std::string& name);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_TABLE_LIST_H_
