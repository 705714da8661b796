#ifndef VELTRANE_UI_COLUMN_TYPES_MENU_H_
#define VELTRANE_UI_COLUMN_TYPES_MENU_H_

#include <initializer_list>

#include <QObject>

#include "app/column_types_setting.h"
#include "app/settings_store.h"

class QAction;
class QListWidget;
class QMenu;
class QPoint;

namespace veltrane::ui {

inline constexpr char kTextColumnTypesCaption[] =
    "Column types: text (classic: text columns, memo fields)";
inline constexpr char kTypedColumnTypesCaption[] =
    "Column types: typed (dates stay dates, numbers numbers)";

// The context menu of the table lists that shows and switches the column
// mapping the transfers create tables with: two checkable entries, the
// remembered one checked. Choosing one writes the ColumnTypes setting at
// once; the transfers read it when they start.
class ColumnTypesMenu : public QObject {
  Q_OBJECT

 public:
  // Opens the menu from a right click on each of `lists`.
  ColumnTypesMenu(app::SettingsStore& store, std::initializer_list<QListWidget*> lists,
                  QObject* parent);
  ~ColumnTypesMenu() override;

  // The choice as the transfers will read it.
  app::ColumnTypes Choice() const { return app::ReadColumnTypes(store_); }

  QMenu* menu() const { return menu_; }
  QAction* text_action() const { return text_action_; }
  QAction* typed_action() const { return typed_action_; }

  // Checks the entry of the remembered choice.
  void Refresh();

 private:
  void Choose(app::ColumnTypes choice);
  void Open(QListWidget* list, const QPoint& position);

  app::SettingsStore& store_;
  QMenu* menu_;
  QAction* text_action_;
  QAction* typed_action_;
};

}  // namespace veltrane::ui

#endif  // VELTRANE_UI_COLUMN_TYPES_MENU_H_
