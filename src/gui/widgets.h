#pragma once
// Small helpers the views share to show a form's plain controls.
#include <QFont>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

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

}  // namespace oewr::gui
