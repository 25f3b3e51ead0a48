// Views of the hydraulics window TForm4 and the habitat frequency diagram
// TForm5b.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <vector>

#include "render/chart_render.h"
#include "gui/chart_view.h"
#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "gui/widgets.h"
#include "hydraulics/habitat_diagram_window.h"
#include "hydraulics/hydraulics_window.h"

namespace oewr::gui {

namespace {

using hydraulics::TForm4;
using hydraulics::TForm5b;

// A parameter table: row 0 of the grid is its header, column 0 its labels
// (read-only), column 1 the values the person types.
QTableWidget* makeGridTable(const StringGrid& grid, QWidget* parent) {
  auto* t = new QTableWidget(grid.rowCount() - 1, grid.colCount(), parent);
  t->verticalHeader()->setVisible(false);
  QStringList headers;
  for (int c = 0; c < grid.colCount(); ++c) headers << QString::fromStdString(grid.cell(c, 0));
  t->setHorizontalHeaderLabels(headers);
  for (int c = 0; c < grid.colCount() && c < static_cast<int>(grid.colWidths.size()); ++c)
    t->setColumnWidth(c, grid.colWidths[static_cast<std::size_t>(c)] + 40);
  t->horizontalHeader()->setStretchLastSection(true);
  t->setFont(fixedPitchFont());
  return t;
}

void showGrid(QTableWidget* t, const StringGrid& grid) {
  t->blockSignals(true);
  for (int r = 1; r < grid.rowCount(); ++r)
    for (int c = 0; c < grid.colCount(); ++c) {
      auto* item = new QTableWidgetItem(QString::fromStdString(grid.cell(c, r)));
      if (c == 0) item->setFlags(Qt::ItemIsEnabled);
      t->setItem(r - 1, c, item);
    }
  t->blockSignals(false);
  t->setVisible(grid.visible);
  t->setEnabled(grid.enabled);
}

// The typed values go to the form's grid before a handler reads them.
void takeGrid(const QTableWidget* t, StringGrid& grid) {
  for (int r = 1; r < grid.rowCount(); ++r)
    if (const QTableWidgetItem* item = t->item(r - 1, 1)) grid.cell(1, r) = item->text().toStdString();
}

std::unique_ptr<QDialog> makeHydraulics(ModalForm& f, QtUi& ui, QWidget* parent) {
  auto& form = static_cast<TForm4&>(f);
  auto d = std::make_unique<FormDialog>(form, parent);
  FormDialog* dlg = d.get();
  dlg->setObjectName("TForm4");
  dlg->reportError = [&ui, &form](const std::string& e) { ui.showMessage(form.caption, e); };
  // The window runs the model when it opens; an error there is shown and the
  // window stays open on its tables.
  if (!form.opened) dlg->act([&form] { form.FormCreate(); });

  auto* layout = new QHBoxLayout(dlg);
  auto* side = new QVBoxLayout;
  auto* heading = new QLabel(dlg);
  side->addWidget(heading);
  auto* datag = new QListWidget(dlg);
  datag->setMaximumHeight(70);
  side->addWidget(datag);
  auto* parameters = makeGridTable(form.parameterGrid, dlg);
  side->addWidget(parameters, 1);
  auto* observedRow = new QHBoxLayout;
  auto* observed = makeGridTable(form.observedGrid, dlg);
  observed->setMaximumHeight(200);
  observedRow->addWidget(observed, 1);
  auto* depthBox = new QVBoxLayout;
  depthBox->addWidget(new QLabel(QString::fromStdString(form.maxDepthBox.caption), dlg));
  auto* depth = new QLineEdit(dlg);
  depth->setReadOnly(form.maxDepthBox.readOnly);
  depth->setMaximumWidth(90);
  depthBox->addWidget(depth);
  depthBox->addStretch(1);
  observedRow->addLayout(depthBox);
  side->addLayout(observedRow);
  auto* information = fixedPitchList(dlg);
  information->setMaximumHeight(110);
  side->addWidget(information);

  Button* models[] = {&form.Button1, &form.Button2, &form.Button3, &form.Button4, &form.Button5,
                      &form.Button6, &form.Button7, &form.Button9, &form.Button8};
  std::vector<QPushButton*> buttons;
  auto* buttonGrid = new QGridLayout;
  for (std::size_t i = 0; i < std::size(models); ++i) {
    auto* b = new QPushButton(QString::fromStdString(models[i]->caption), dlg);
    buttonGrid->addWidget(b, static_cast<int>(i / 2), static_cast<int>(i % 2));
    buttons.push_back(b);
  }
  side->addLayout(buttonGrid);
  layout->addLayout(side);

  auto* charts = new QSplitter(Qt::Vertical, dlg);
  auto* sectionView = new ChartView(charts);
  auto* stageView = new ChartView(charts);
  sectionView->setChart(&form.charts.section);
  stageView->setChart(&form.charts.stageDischarge);
  layout->addWidget(charts, 1);

  auto take = [&form, parameters, observed] {
    takeGrid(parameters, form.parameterGrid);
    takeGrid(observed, form.observedGrid);
  };
  void (TForm4::*handlers[])() = {&TForm4::Button1Click, &TForm4::Button2Click, &TForm4::Button3Click,
                                  &TForm4::Button4Click, &TForm4::Button5Click, &TForm4::Button6Click,
                                  &TForm4::Button7Click, &TForm4::Button9Click, &TForm4::Button8Click};
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    auto handler = handlers[i];
    QObject::connect(buttons[i], &QPushButton::clicked, dlg, [=, &form] {
      take();
      dlg->act([&] { (form.*handler)(); });
    });
  }

  dlg->refresh = [=, &form] {
    heading->setText(QString::fromStdString(form.Label1));
    datag->clear();
    for (const auto& item : form.datag.items) {
      auto* it = new QListWidgetItem(QString::fromStdString(item.caption), datag);
      it->setFlags(Qt::ItemIsEnabled);
      it->setCheckState(item.checked ? Qt::Checked : Qt::Unchecked);
    }
    showGrid(parameters, form.parameterGrid);
    showGrid(observed, form.observedGrid);
    depth->setText(QString::fromStdString(form.maxDepthBox.text));
    showLines(information, form.informationLines);
    for (std::size_t i = 0; i < buttons.size(); ++i) showButton(buttons[i], *models[i]);
    sectionView->refresh();
    stageView->refresh();
  };
  dlg->refresh();
  dlg->resize(1200, 820);
  return d;
}

std::unique_ptr<QDialog> makeHabitatDiagramView(ModalForm& f, QtUi& ui, QWidget* parent) {
  auto& form = static_cast<TForm5b&>(f);
  if (!form.saveChartPicture)
    form.saveChartPicture = [](const charting::Chart& chart, const std::string& path, std::string& error) {
      return render::saveChartImage(chart, path, render::kChartImageWidth, render::kChartImageHeight, error);
    };
  auto d = std::make_unique<FormDialog>(form, parent);
  FormDialog* dlg = d.get();
  dlg->setObjectName("TForm5b");
  dlg->reportError = [&ui](const std::string& e) { ui.showMessage(TForm5b::kCaption, e); };
  if (!form.opened) dlg->act([&form] { form.FormCreate(); });

  auto* layout = new QVBoxLayout(dlg);
  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(QString::fromStdString(form.Edit1.caption), dlg));
  auto* limit = new QLineEdit(dlg);
  limit->setMaximumWidth(120);
  controls->addWidget(limit);
  auto* plot = new QPushButton(dlg);
  auto* output = new QPushButton(dlg);
  auto* close = new QPushButton(dlg);
  controls->addWidget(plot);
  controls->addWidget(output);
  controls->addStretch(1);
  controls->addWidget(close);
  layout->addLayout(controls);
  auto* charts = new QSplitter(Qt::Vertical, dlg);
  auto* habitatView = new ChartView(charts);
  auto* widthView = new ChartView(charts);
  habitatView->setChart(&form.Chart1);
  widthView->setChart(&form.Chart2);
  layout->addWidget(charts, 1);

  auto take = [&form, limit] { form.Edit1.text = limit->text().toStdString(); };
  QObject::connect(plot, &QPushButton::clicked, dlg, [=, &form] {
    take();
    dlg->act([&] { form.Button1Click(); });
  });
  QObject::connect(limit, &QLineEdit::returnPressed, dlg, [=, &form] {
    take();
    dlg->act([&] { form.Button1Click(); });
  });
  QObject::connect(output, &QPushButton::clicked, dlg, [=, &form] {
    take();
    dlg->act([&] { form.Button2Click(); });
  });
  QObject::connect(close, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button3Click(); }); });

  dlg->refresh = [=, &form] {
    limit->setText(QString::fromStdString(form.Edit1.text));
    showButton(plot, form.Button1);
    showButton(output, form.Button2);
    showButton(close, form.Button3);
    habitatView->refresh();
    widthView->refresh();
  };
  dlg->refresh();
  dlg->resize(900, 760);
  return d;
}

}  // namespace

void registerHydraulicsViews() {
  QtUi::registerView<TForm4>(makeHydraulics);
  QtUi::registerView<TForm5b>(makeHabitatDiagramView);
}

}  // namespace oewr::gui
