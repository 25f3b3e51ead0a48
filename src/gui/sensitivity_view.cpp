// View of the sensitivity window: the number of members, Run and Cancel,
// the progress of the members, the fan chart and the table of percentiles.
// While the members run, a timer asks the form what they have done.
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "ensemble/sensitivity_form.h"
#include "gui/chart_view.h"
#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "gui/widgets.h"

namespace oewr::gui {

namespace {

using ensemble::SensitivityForm;

constexpr int kPollMs = 100;

// The form's table: its first row the headings, read-only cells.
void showTable(QTableWidget* t, const SensitivityForm& form) {
  const auto& g = form.StringGrid1;
  t->setColumnCount(g.colCount);
  t->setRowCount(g.rowCount - 1);
  QStringList headings;
  for (int c = 0; c < g.colCount; ++c) headings << QString::fromStdString(g.cell(c, 0));
  t->setHorizontalHeaderLabels(headings);
  for (int r = 1; r < g.rowCount; ++r)
    for (int c = 0; c < g.colCount; ++c) {
      auto* item = new QTableWidgetItem(QString::fromStdString(g.cell(c, r)));
      item->setFlags(Qt::ItemIsEnabled);
      item->setTextAlignment(c == 0 ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
      t->setItem(r - 1, c, item);
    }
  t->resizeColumnsToContents();
  t->resizeRowsToContents();
  // As high as its rows, so that the chart takes the rest of the window.
  t->setFixedHeight(t->horizontalHeader()->sizeHint().height() + t->verticalHeader()->length() + 2 * t->frameWidth());
}

std::unique_ptr<QDialog> makeSensitivity(ModalForm& f, QtUi& ui, QWidget* parent) {
  auto& form = static_cast<SensitivityForm&>(f);
  auto d = std::make_unique<FormDialog>(form, parent);
  FormDialog* dlg = d.get();
  dlg->reportError = [&ui](const std::string& e) { ui.showMessage(SensitivityForm::kCaption, e); };
  auto* layout = new QVBoxLayout(dlg);

  auto* controls = new QHBoxLayout;
  auto* fields = new QFormLayout;
  auto* members = new QSpinBox(dlg);
  members->setRange(form.SpinEdit1.minValue, form.SpinEdit1.maxValue);
  fields->addRow(QString::fromStdString(form.SpinEdit1.caption), members);
  controls->addLayout(fields);
  auto* run = new QPushButton(dlg);
  auto* cancel = new QPushButton(dlg);
  controls->addWidget(run);
  controls->addWidget(cancel);
  auto* bar = new QProgressBar(dlg);
  bar->setFormat("%v of %m");
  controls->addWidget(bar, 1);
  layout->addLayout(controls);
  auto* status = new QLabel(dlg);
  status->setWordWrap(true);
  layout->addWidget(status);

  auto* chart = new ChartView(dlg);
  chart->setChart(&form.Chart1);
  layout->addWidget(chart, 1);
  auto* caption = new QLabel(QString::fromStdString(form.Label2), dlg);
  caption->setWordWrap(true);
  layout->addWidget(caption);
  auto* table = new QTableWidget(dlg);
  table->verticalHeader()->hide();
  table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  layout->addWidget(table);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  auto* close = new QPushButton(dlg);
  bottom->addWidget(close);
  layout->addLayout(bottom);

  auto* timer = new QTimer(dlg);
  timer->setInterval(kPollMs);
  QObject::connect(members, &QSpinBox::valueChanged, dlg, [&form](int n) { form.SpinEdit1.value = n; });
  QObject::connect(run, &QPushButton::clicked, dlg, [=, &form] {
    dlg->act([&] { form.Button1Click(); });
    if (form.running()) timer->start();
  });
  QObject::connect(cancel, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button2Click(); }); });
  QObject::connect(close, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button3Click(); }); });
  QObject::connect(timer, &QTimer::timeout, dlg, [=, &form] {
    if (form.poll()) dlg->refresh();
    if (!form.running()) timer->stop();
  });

  dlg->refresh = [=, &form] {
    {
      const QSignalBlocker quiet(members);  // showing the number is no change by the person
      members->setValue(form.SpinEdit1.value);
    }
    members->setEnabled(!form.running());
    showButton(run, form.Button1);
    showButton(cancel, form.Button2);
    showButton(close, form.Button3);
    bar->setRange(0, form.progressMax);
    bar->setValue(form.progress);
    status->setText(QString::fromStdString(form.Label1));
    showTable(table, form);
    chart->refresh();
  };
  dlg->refresh();
  dlg->resize(900, 750);
  return d;
}

}  // namespace

void registerSensitivityView() { QtUi::registerView<SensitivityForm>(makeSensitivity); }

}  // namespace oewr::gui
