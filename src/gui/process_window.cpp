#include "gui/process_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace oewr::gui {

ProcessWindow::ProcessWindow(TForm1& form, QWidget* parent) : QMainWindow(parent), form_(form) {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  label1_ = new QLabel(central);
  label2_ = new QLabel(central);
  label3_ = new QLabel(central);
  QFont big = label1_->font();
  big.setBold(true);
  label1_->setFont(big);
  layout->addWidget(label1_);
  layout->addWidget(label2_);
  layout->addWidget(label3_);
  auto* row = new QHBoxLayout;
  gauge_ = new QProgressBar(central);
  button1_ = new QPushButton(central);
  button1_->setMinimumWidth(140);
  row->addWidget(gauge_, 1);
  row->addWidget(button1_);
  layout->addLayout(row);

  grid_ = new QTableWidget(0, 6, central);
  grid_->setHorizontalHeaderLabels({"Description", "Date", "EXE", "Start Date", "End Date", "Output File"});
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(grid_, 1);

  auto* nav = new QHBoxLayout;
  const char* names[] = {"|<", "<", ">", ">|"};
  for (int i = 0; i < 4; ++i) {
    auto* b = new QPushButton(names[i], central);
    b->setMaximumWidth(40);
    nav->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, i] {
      int n = grid_->rowCount();
      if (n == 0) return;
      int cur = std::max(0, form_.currentRequestIndex());
      int target = i == 0 ? 0 : i == 1 ? std::max(0, cur - 1) : i == 2 ? std::min(n - 1, cur + 1) : n - 1;
      form_.moveToRequest(target);
      refresh();
    });
  }
  nav->addStretch(1);
  filter_ = new QCheckBox("Filter on model name", central);
  nav->addWidget(filter_);
  layout->addLayout(nav);
  setCentralWidget(central);
  resize(760, 420);

  connect(button1_, &QPushButton::clicked, this, [this] {
    button1_->setEnabled(false);
    form_.Button1Click();
    button1_->setEnabled(true);
    refresh();
  });
  connect(filter_, &QCheckBox::toggled, this, [this](bool on) {
    if (filling_) return;
    form_.CheckBox1 = on;
    form_.CheckBox1Click();
    refresh();
  });
  connect(grid_, &QTableWidget::currentCellChanged, this, [this](int r, int, int, int) {
    if (filling_ || r < 0) return;
    form_.moveToRequest(r);
    refresh();
  });
  refresh();
}

void ProcessWindow::fillGrid() {
  auto rows = form_.requestRows();
  grid_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const auto& q = rows[static_cast<std::size_t>(r)];
    const std::string cells[] = {q.description, q.date, q.exe, q.startDate, q.endDate, q.outputFile};
    for (int c = 0; c < 6; ++c) grid_->setItem(r, c, new QTableWidgetItem(QString::fromStdString(cells[c])));
  }
  int cur = form_.currentRequestIndex();
  if (cur >= 0) grid_->setCurrentCell(cur, 0);
}

void ProcessWindow::refresh() {
  filling_ = true;
  setWindowTitle(QString::fromStdString(form_.caption));
  label1_->setText(QString::fromStdString(form_.Label1));
  label2_->setText(QString::fromStdString(form_.Label2));
  label3_->setText(QString::fromStdString(form_.Label3));
  gauge_->setRange(form_.gaugeMin, form_.gaugeMax);
  gauge_->setValue(form_.gaugeProgress);
  button1_->setText(QString::fromStdString(form_.Button1));
  filter_->setChecked(form_.CheckBox1);
  fillGrid();
  filling_ = false;
}

void ProcessWindow::closeEvent(QCloseEvent* e) {
  form_.FormClose();
  e->accept();
}

}  // namespace oewr::gui
