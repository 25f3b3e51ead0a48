// View of the ecology window TForm5.
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ecology/ecology_window.h"
#include "render/chart_render.h"
#include "gui/chart_view.h"
#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "gui/widgets.h"

namespace oewr::gui {

namespace {

void showGrid(QTableWidget* t, const StringGrid& g, bool editable) {
  t->blockSignals(true);
  t->setColumnCount(g.colCount());
  t->setRowCount(g.rowCount());
  for (int c = 0; c < g.colCount(); ++c)
    for (int r = 0; r < g.rowCount(); ++r) {
      auto* item = new QTableWidgetItem(QString::fromStdString(g.cell(c, r)));
      Qt::ItemFlags flags = Qt::ItemIsEnabled;
      if (editable && c > 0 && r > 0) flags |= Qt::ItemIsEditable | Qt::ItemIsSelectable;
      item->setFlags(flags);
      t->setItem(r, c, item);
    }
  t->blockSignals(false);
}

// Cells typed over go back to the form's grid before a handler reads them.
void takeGrid(QTableWidget* t, StringGrid& g) {
  for (int c = 0; c < g.colCount() && c < t->columnCount(); ++c)
    for (int r = 0; r < g.rowCount() && r < t->rowCount(); ++r)
      if (auto* item = t->item(r, c)) g.cell(c, r) = item->text().toStdString();
}

std::unique_ptr<QDialog> makeEcology(ModalForm& f, QtUi& ui, QWidget* parent) {
  auto& form = static_cast<ecology::TForm5&>(f);
  form.saveChartPicture = [](const charting::Chart& chart, const std::string& path) {
    std::string error;
    return render::saveChartImage(chart, path, render::kChartImageWidth, render::kChartImageHeight, error);
  };
  auto d = std::make_unique<FormDialog>(form, parent);
  FormDialog* dlg = d.get();
  dlg->reportError = [&ui](const std::string& e) { ui.showMessage(ecology::TForm5::kCaption, e); };
  auto* layout = new QHBoxLayout(dlg);
  auto* side = new QVBoxLayout;
  QButtonGroup* perennial = radioButtons(form.RadioGroup1, dlg, side);
  QButtonGroup* align = radioButtons(form.RadioGroup2, dlg, side);
  QButtonGroup* season = radioButtons(form.rg1, dlg, side);

  struct Action {
    Button* button;
    void (ecology::TForm5::*click)();
    QPushButton* push;
  };
  std::vector<Action> actions = {{&form.Button1, &ecology::TForm5::Button1Click, nullptr},
                                 {&form.Button6, &ecology::TForm5::Button6Click, nullptr},
                                 {&form.Button8, &ecology::TForm5::Button8Click, nullptr},
                                 {&form.Button4, &ecology::TForm5::Button4Click, nullptr},
                                 {&form.Button9, &ecology::TForm5::Button9Click, nullptr},
                                 {&form.Button11, &ecology::TForm5::Button11Click, nullptr},
                                 {&form.Button2, &ecology::TForm5::Button2Click, nullptr},
                                 {&form.Button3, &ecology::TForm5::Button3Click, nullptr}};
  auto* buttonGrid = new QGridLayout;
  for (std::size_t i = 0; i < actions.size(); ++i) {
    actions[i].push = new QPushButton(dlg);
    buttonGrid->addWidget(actions[i].push, static_cast<int>(i / 2), static_cast<int>(i % 2));
  }
  side->addLayout(buttonGrid);

  // The shift panel, the weight panel and the output panel.
  auto* shiftPanel = new QGroupBox("SHIFTS", dlg);
  auto* sp = new QVBoxLayout(shiftPanel);
  auto* shifts = new QTableWidget(shiftPanel);
  sp->addWidget(shifts);
  auto* weightPanel = new QGroupBox("Stress Weights", dlg);
  auto* wp = new QVBoxLayout(weightPanel);
  auto* weights = new QTableWidget(weightPanel);
  wp->addWidget(weights);
  std::vector<Action> panelActions = {{&form.Button14, &ecology::TForm5::Button14Click, nullptr},
                                      {&form.Button12, &ecology::TForm5::Button12Click, nullptr},
                                      {&form.Button5, &ecology::TForm5::Button5Click, nullptr},
                                      {&form.Button13, &ecology::TForm5::Button13Click, nullptr},
                                      {&form.Button7, &ecology::TForm5::Button7Click, nullptr},
                                      {&form.Button10, &ecology::TForm5::Button10Click, nullptr}};
  auto* shiftButtons = new QHBoxLayout;
  auto* weightButtons = new QHBoxLayout;
  for (std::size_t i = 0; i < panelActions.size(); ++i) {
    panelActions[i].push = new QPushButton(dlg);
    if (i < 3) shiftButtons->addWidget(panelActions[i].push);
    else if (i < 5) weightButtons->addWidget(panelActions[i].push);
  }
  sp->addLayout(shiftButtons);
  wp->addLayout(weightButtons);
  auto* outputPanel = new QGroupBox("Graph Outputs", dlg);
  auto* op = new QVBoxLayout(outputPanel);
  auto* outputs = new QListWidget(outputPanel);
  op->addWidget(outputs);
  op->addWidget(panelActions[5].push);
  side->addWidget(shiftPanel);
  side->addWidget(weightPanel);
  side->addWidget(outputPanel);
  side->addStretch(1);
  layout->addLayout(side);

  auto* right = new QVBoxLayout;
  auto* habitats = new QHBoxLayout;
  auto* wetBox = new QGroupBox(QString::fromStdString(form.wetgLabel), dlg);
  auto* wl = new QVBoxLayout(wetBox);
  auto* wetLabel = new QLabel(wetBox);
  auto* wet = new QTableWidget(wetBox);
  wl->addWidget(wetLabel);
  wl->addWidget(wet);
  auto* dryBox = new QGroupBox(QString::fromStdString(form.drygLabel), dlg);
  auto* dl = new QVBoxLayout(dryBox);
  auto* dryLabel = new QLabel(dryBox);
  auto* dry = new QTableWidget(dryBox);
  dl->addWidget(dryLabel);
  dl->addWidget(dry);
  habitats->addWidget(wetBox);
  habitats->addWidget(dryBox);
  right->addLayout(habitats);
  auto* charts = new QGridLayout;
  ChartView* views[4];
  const charting::Chart* chartsOfForm[4] = {&form.Chart1, &form.Chart2, &form.Chart3, &form.Chart4};
  for (int i = 0; i < 4; ++i) {
    views[i] = new ChartView(dlg);
    views[i]->setChart(chartsOfForm[i]);
    charts->addWidget(views[i], i / 2, i % 2);
  }
  right->addLayout(charts, 1);
  layout->addLayout(right, 1);

  bindCheckList(outputs, form.CheckListBox1);
  auto take = [=, &form] {
    takeGrid(shifts, form.StringGrid1);
    takeGrid(weights, form.StringGrid2);
  };
  for (auto list : {&actions, &panelActions})
    for (const Action& a : *list) {
      auto click = a.click;
      QObject::connect(a.push, &QPushButton::clicked, dlg, [=, &form] {
        take();
        dlg->act([&] { (form.*click)(); });
      });
    }
  QObject::connect(perennial, &QButtonGroup::idClicked, dlg, [=, &form](int id) {
    take();
    form.RadioGroup1.itemIndex = id;
    dlg->act([&] { form.RadioGroup1Click(); });
  });
  QObject::connect(align, &QButtonGroup::idClicked, dlg, [=, &form](int id) {
    take();
    dlg->act([&] { form.setAlignSelection(id); });
  });
  // The season only chooses the flow duration curves of the next run.
  QObject::connect(season, &QButtonGroup::idClicked, dlg, [&form](int id) { form.rg1.itemIndex = id; });

  dlg->refresh = [=, &form] {
    showRadioGroup(perennial, form.RadioGroup1);
    showRadioGroup(align, form.RadioGroup2);
    showRadioGroup(season, form.rg1);
    for (auto list : {&actions, &panelActions})
      for (const Action& a : *list) showButton(a.push, *a.button);
    shiftPanel->setVisible(form.shiftPanelVisible);
    weightPanel->setVisible(form.weightPanelVisible);
    outputPanel->setVisible(form.outputPanelVisible);
    showGrid(shifts, form.StringGrid1, true);
    showGrid(weights, form.StringGrid2, true);
    showGrid(wet, form.wetg, false);
    showGrid(dry, form.dryg, false);
    wetLabel->setText(QString::fromStdString(form.wetMonthLabel + "  " + form.wetDepthLabel));
    dryLabel->setText(QString::fromStdString(form.dryMonthLabel + "  " + form.dryDepthLabel));
    showCheckList(outputs, form.CheckListBox1, true);
    for (auto* v : views) v->redraw();
  };
  // The window opens with a complete run.
  dlg->act([&form] { form.FormCreate(); });
  dlg->refresh();
  dlg->resize(1250, 860);
  return d;
}

}  // namespace

void registerEcologyViews() { QtUi::registerView<ecology::TForm5>(makeEcology); }

}  // namespace oewr::gui
