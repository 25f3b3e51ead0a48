// View of the EWR final analysis window TForm7.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "ewr/tform7.h"
#include "gui/chart_view.h"
#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "gui/widgets.h"

namespace oewr::gui {

namespace {

struct RadioView {
  QGroupBox* box;
  QButtonGroup* group;
};

RadioView makeRadio(const ewr::RadioGroup& g, QWidget* parent, int columns) {
  auto* box = new QGroupBox(QString::fromStdString(g.caption), parent);
  auto* grid = new QGridLayout(box);
  auto* group = new QButtonGroup(box);
  for (int i = 0; i < static_cast<int>(g.items.size()); ++i) {
    auto* r = new QRadioButton(QString::fromStdString(g.items[static_cast<std::size_t>(i)]), box);
    group->addButton(r, i);
    grid->addWidget(r, i / columns, i % columns);
  }
  return {box, group};
}

void showRadio(const RadioView& v, const ewr::RadioGroup& g) {
  v.group->blockSignals(true);
  if (auto* b = v.group->button(g.itemIndex)) b->setChecked(true);
  v.group->blockSignals(false);
}

std::unique_ptr<QDialog> makeEwr(ModalForm& f, QtUi& ui, QWidget* parent) {
  auto& form = static_cast<TForm7&>(f);
  auto d = std::make_unique<FormDialog>(form, parent);
  FormDialog* dlg = d.get();
  dlg->reportError = [&ui](const std::string& e) { ui.showMessage(TForm7::kCaption, e); };
  auto* layout = new QHBoxLayout(dlg);
  auto* side = new QVBoxLayout;
  RadioView months = makeRadio(form.RadioGroup1, dlg, 3);
  RadioView cats = makeRadio(form.RadioGroup2, dlg, 4);
  RadioView cons = makeRadio(form.RadioGroup3, dlg, 1);
  side->addWidget(months.box);
  side->addWidget(cats.box);
  side->addWidget(cons.box);
  auto* high = new QCheckBox(QString::fromStdString(form.CheckBox1.caption), dlg);
  side->addWidget(high);
  auto* b2 = new QPushButton(dlg);
  auto* b3 = new QPushButton(dlg);
  auto* b6 = new QPushButton(dlg);
  auto* b1 = new QPushButton(dlg);
  for (auto* b : {b2, b3, b6}) side->addWidget(b);
  auto* panel = new QGroupBox(QString::fromStdString(form.Panel1Caption), dlg);
  auto* pl = new QVBoxLayout(panel);
  auto* items = new QListWidget(panel);
  pl->addWidget(items);
  auto* pb = new QHBoxLayout;
  auto* b4 = new QPushButton(panel);
  auto* b5 = new QPushButton(panel);
  pb->addWidget(b4);
  pb->addWidget(b5);
  pl->addLayout(pb);
  side->addWidget(panel);
  side->addStretch(1);
  side->addWidget(b1);
  layout->addLayout(side);

  auto* right = new QSplitter(Qt::Vertical, dlg);
  auto* list = fixedPitchList(right);
  auto* v1 = new ChartView(right);
  auto* v2 = new ChartView(right);
  v1->setChart(&form.Chart1);
  v2->setChart(&form.Chart2);
  layout->addWidget(right, 1);

  auto takeTicks = [items, &form] {
    for (int i = 0; i < items->count() && i < static_cast<int>(form.CheckListBox1.items.size()); ++i)
      form.CheckListBox1.items[static_cast<std::size_t>(i)].checked = items->item(i)->checkState() == Qt::Checked;
  };
  QObject::connect(months.group, &QButtonGroup::idClicked, dlg, [dlg, &form](int id) {
    form.RadioGroup1.itemIndex = id;
    dlg->act([&] { form.RadioGroup1Click(); });
  });
  QObject::connect(cats.group, &QButtonGroup::idClicked, dlg, [dlg, &form](int id) {
    form.RadioGroup2.itemIndex = id;
    dlg->act([&] { form.RadioGroup2Click(); });
  });
  QObject::connect(cons.group, &QButtonGroup::idClicked, dlg, [dlg, &form](int id) {
    form.RadioGroup3.itemIndex = id;
    dlg->act([&] { form.RadioGroup3Click(); });
  });
  QObject::connect(high, &QCheckBox::clicked, dlg, [dlg, &form](bool on) {
    form.CheckBox1.checked = on;
    dlg->act([&] { form.CheckBox1Click(); });
  });
  QObject::connect(b2, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button2Click(); }); });
  QObject::connect(b3, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button3Click(); }); });
  QObject::connect(b6, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button6Click(); }); });
  QObject::connect(b4, &QPushButton::clicked, dlg, [=, &form] {
    takeTicks();
    dlg->act([&] { form.Button4Click(); });
  });
  QObject::connect(b5, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button5Click(); }); });
  QObject::connect(b1, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button1Click(); }); });

  auto showEwrButton = [](QPushButton* b, const ewr::Button& button) {
    b->setText(QString::fromStdString(button.caption));
    b->setEnabled(button.enabled);
  };
  dlg->refresh = [=, &form] {
    showRadio(months, form.RadioGroup1);
    showRadio(cats, form.RadioGroup2);
    showRadio(cons, form.RadioGroup3);
    high->setChecked(form.CheckBox1.checked);
    showEwrButton(b2, form.Button2);
    showEwrButton(b3, form.Button3);
    showEwrButton(b6, form.Button6);
    showEwrButton(b1, form.Button1);
    showEwrButton(b4, form.Button4);
    showEwrButton(b5, form.Button5);
    panel->setVisible(form.Panel1Visible);
    items->clear();
    for (const auto& it : form.CheckListBox1.items) {
      auto* item = new QListWidgetItem(QString::fromStdString(it.caption), items);
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
      item->setCheckState(it.checked ? Qt::Checked : Qt::Unchecked);
    }
    showLines(list, form.ListBox1);
    v1->refresh();
    v2->refresh();
  };
  dlg->refresh();
  dlg->resize(1150, 800);
  return d;
}

}  // namespace

void registerEwrViews() { QtUi::registerView<TForm7>(makeEwr); }

}  // namespace oewr::gui
