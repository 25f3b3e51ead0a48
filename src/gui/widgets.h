#pragma once
// Small helpers the views share to show a form's plain controls.
#include <QButtonGroup>
#include <QFont>
#include <QGroupBox>
#include <QLayout>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

#include "common/form_controls.h"
#include "hydrology/form_controls.h"

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

inline void showCheckList(QListWidget* list, const hydrology::CheckListBox& box) {
  list->clear();
  for (const auto& item : box.items) {
    auto* it = new QListWidgetItem(QString::fromStdString(item.caption), list);
    it->setFlags(Qt::ItemIsEnabled);
    it->setCheckState(item.checked ? Qt::Checked : Qt::Unchecked);
  }
}

inline void showButton(QPushButton* b, const hydrology::Button& button) {
  b->setText(QString::fromStdString(button.caption));
  b->setEnabled(button.enabled);
}

// A radio group's buttons in a captioned box added to `into`; button ids are
// the item indices.
inline QButtonGroup* radioButtons(const forms::RadioGroup& g, QWidget* parent, QLayout* into) {
  auto* box = new QGroupBox(QString::fromStdString(g.caption), parent);
  auto* l = new QVBoxLayout(box);
  auto* group = new QButtonGroup(box);
  for (int i = 0; i < static_cast<int>(g.items.size()); ++i) {
    auto* r = new QRadioButton(QString::fromStdString(g.items[static_cast<std::size_t>(i)]), box);
    group->addButton(r, i);
    l->addWidget(r);
  }
  into->addWidget(box);
  return group;
}

}  // namespace oewr::gui
