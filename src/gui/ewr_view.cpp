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

#include "ensemble/sensitivity_form.h"
#include "ewr/final_analysis_window.h"
#include "gui/chart_view.h"
#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "gui/widgets.h"

namespace oewr::gui {

namespace {

std::unique_ptr<QDialog> makeEwr(ModalForm& f, QtUi& ui, QWidget* parent) {
  auto& form = static_cast<ewr::TForm7&>(f);
  auto d = std::make_unique<FormDialog>(form, parent);
  FormDialog* dlg = d.get();
  dlg->reportError = [&ui](const std::string& e) { ui.showMessage(ewr::TForm7::kCaption, e); };
  auto* layout = new QHBoxLayout(dlg);
  auto* side = new QVBoxLayout;
  QButtonGroup* months = radioButtons(form.RadioGroup1, dlg, side, 3);
  QButtonGroup* cats = radioButtons(form.RadioGroup2, dlg, side, 4);
  QButtonGroup* cons = radioButtons(form.RadioGroup3, dlg, side);
  auto* high = new QCheckBox(QString::fromStdString(form.CheckBox1.caption), dlg);
  side->addWidget(high);
  auto* b2 = new QPushButton(dlg);
  auto* b3 = new QPushButton(dlg);
  auto* b6 = new QPushButton(dlg);
  auto* sensitivity = new QPushButton("Sensitivity...", dlg);
  auto* b1 = new QPushButton(dlg);
  for (auto* b : {b2, b3, b6, sensitivity}) side->addWidget(b);
  auto* panel = new QGroupBox(QString::fromStdString(form.Panel1Caption), dlg);
  auto* pl = new QVBoxLayout(panel);
  auto* items = new QListWidget(panel);
  // As wide as its items: showing the panel leaves the column as it was.
  items->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
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
  // The list holds a few lines; the charts take the height.
  right->setStretchFactor(0, 1);
  right->setStretchFactor(1, 2);
  right->setStretchFactor(2, 2);
  layout->addWidget(right, 1);

  bindCheckList(items, form.CheckListBox1);
  QObject::connect(months, &QButtonGroup::idClicked, dlg, [dlg, &form](int id) {
    form.RadioGroup1.itemIndex = id;
    dlg->act([&] { form.RadioGroup1Click(); });
  });
  QObject::connect(cats, &QButtonGroup::idClicked, dlg, [dlg, &form](int id) {
    form.RadioGroup2.itemIndex = id;
    dlg->act([&] { form.RadioGroup2Click(); });
  });
  QObject::connect(cons, &QButtonGroup::idClicked, dlg, [dlg, &form](int id) {
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
  // The run of the window repeated over the synthetic cross-sections; it
  // reads the results of the last analysis and changes nothing of them.
  QObject::connect(sensitivity, &QPushButton::clicked, dlg, [dlg, &form, &ui] {
    dlg->act([&] {
      ensemble::SensitivityForm window(form, ui);
      ui.showModal(window);
    });
  });
  QObject::connect(b4, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button4Click(); }); });
  QObject::connect(b5, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button5Click(); }); });
  QObject::connect(b1, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button1Click(); }); });

  dlg->refresh = [=, &form] {
    showRadioGroup(months, form.RadioGroup1);
    showRadioGroup(cats, form.RadioGroup2);
    showRadioGroup(cons, form.RadioGroup3);
    high->setChecked(form.CheckBox1.checked);
    showButton(b2, form.Button2);
    showButton(b3, form.Button3);
    showButton(b6, form.Button6);
    sensitivity->setEnabled(form.analysed());
    showButton(b1, form.Button1);
    showButton(b4, form.Button4);
    showButton(b5, form.Button5);
    panel->setVisible(form.Panel1Visible);
    showCheckList(items, form.CheckListBox1, true);
    showLines(list, form.ListBox1);
    v1->refresh();
    v2->refresh();
  };
  dlg->refresh();
  dlg->resize(1150, 800);
  return d;
}

}  // namespace

void registerEwrViews() { QtUi::registerView<ewr::TForm7>(makeEwr); }

}  // namespace oewr::gui
