#pragma once
// Small helpers the views share to show a form's plain controls.
#include <QButtonGroup>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <string>
#include <vector>

#include "common/form_controls.h"

namespace oewr::gui {

inline QFont fixedPitchFont() {
  QFont f("Courier New");
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  return f;
}

inline QListWidget* fixedPitchList(QWidget* parent) {
  auto* l = new QListWidget(parent);
  l->setFont(fixedPitchFont());
  return l;
}

inline void showLines(QListWidget* list, const std::vector<std::string>& lines) {
  list->clear();
  for (const auto& line : lines) list->addItem(QString::fromStdString(line));
}

// Shows a check list's items and ticks; `tickable` lets the person tick them
// (see bindCheckList).
inline void showCheckList(QListWidget* list, const CheckListBox& box, bool tickable = false) {
  const QSignalBlocker quiet(list);
  list->clear();
  for (const auto& item : box.items) {
    auto* it = new QListWidgetItem(QString::fromStdString(item.caption), list);
    it->setFlags(tickable ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable : Qt::ItemIsEnabled);
    it->setCheckState(item.checked ? Qt::Checked : Qt::Unchecked);
  }
}

// A tick the person sets goes to the form's list at once, so that showing the
// form again shows it as the person left it.
inline void bindCheckList(QListWidget* list, CheckListBox& box) {
  QObject::connect(list, &QListWidget::itemChanged, list, [list, &box](QListWidgetItem* item) {
    const int i = list->row(item);
    if (i >= 0 && i < static_cast<int>(box.items.size()))
      box.items[static_cast<std::size_t>(i)].checked = item->checkState() == Qt::Checked;
  });
}

inline void showButton(QPushButton* b, const Button& button) {
  b->setText(QString::fromStdString(button.caption));
  b->setEnabled(button.enabled);
}

// A radio group's buttons in a captioned box added to `into`, in `columns`
// columns; button ids are the item indices.
inline QButtonGroup* radioButtons(const RadioGroup& g, QWidget* parent, QLayout* into, int columns = 1) {
  auto* box = new QGroupBox(QString::fromStdString(g.caption), parent);
  auto* grid = new QGridLayout(box);
  auto* group = new QButtonGroup(box);
  for (int i = 0; i < static_cast<int>(g.items.size()); ++i) {
    auto* r = new QRadioButton(QString::fromStdString(g.items[static_cast<std::size_t>(i)]), box);
    group->addButton(r, i);
    grid->addWidget(r, i / columns, i % columns);
  }
  into->addWidget(box);
  return group;
}

// Shows a radio group made by radioButtons: its selection, and whether the
// person may choose in it.
inline void showRadioGroup(QButtonGroup* group, const RadioGroup& g) {
  const QSignalBlocker quiet(group);
  if (auto* b = group->button(g.itemIndex)) b->setChecked(true);
  if (auto* box = qobject_cast<QWidget*>(group->parent())) box->setEnabled(g.enabled);
}

}  // namespace oewr::gui
