#include "ui/column_types_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QListWidget>
#include <QMenu>

namespace veltrane::ui {

ColumnTypesMenu::ColumnTypesMenu(app::SettingsStore& store,
                                 std::initializer_list<QListWidget*> lists, QObject* parent)
    : QObject(parent), store_(store), menu_(new QMenu()) {
  menu_->setObjectName(QStringLiteral("ColumnTypesMenu"));
  auto* group = new QActionGroup(menu_);
  text_action_ = menu_->addAction(QString::fromLatin1(kTextColumnTypesCaption));
  typed_action_ = menu_->addAction(QString::fromLatin1(kTypedColumnTypesCaption));
  for (QAction* action : {text_action_, typed_action_}) {
    action->setCheckable(true);
    group->addAction(action);
  }
  connect(text_action_, &QAction::triggered, this, [this] { Choose(app::ColumnTypes::kText); });
  connect(typed_action_, &QAction::triggered, this, [this] { Choose(app::ColumnTypes::kTyped); });
  for (QListWidget* list : lists) {
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, list](const QPoint& position) { Open(list, position); });
  }
  Refresh();
}

ColumnTypesMenu::~ColumnTypesMenu() { delete menu_; }

void ColumnTypesMenu::Refresh() {
  const bool typed = Choice() == app::ColumnTypes::kTyped;
  typed_action_->setChecked(typed);
  text_action_->setChecked(!typed);
}

void ColumnTypesMenu::Choose(app::ColumnTypes choice) {
  app::WriteColumnTypes(store_, choice);
  Refresh();
}

void ColumnTypesMenu::Open(QListWidget* list, const QPoint& position) {
  Refresh();
  menu_->popup(list->viewport()->mapToGlobal(position));
}

}  // namespace veltrane::ui
