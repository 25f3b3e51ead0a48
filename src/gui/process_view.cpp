#include "gui/process_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/guarded_action.h"

namespace oewr::gui {

bool ProcessWindow::run(const std::function<void()>& handler) {
  return runShowingErrors(handler, [this](const std::string& e) { form_.ui().showMessage(form_.caption, e); });
}

template <typename F>
void ProcessWindow::act(F handler) {
  const bool done = run(handler);
  showState();
  // After a failed action the request table is left as it is shown: reading
  // it again would most likely only repeat the error.
  if (done) run([this] { fillGrid(); });
}

ProcessWindow::ProcessWindow(process::TForm1& form, QWidget* parent) : QMainWindow(parent), form_(form) {
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
      act([this, i] {
        int n = grid_->rowCount();
        if (n == 0) return;
        int cur = std::max(0, form_.currentRequestIndex());
        int target = i == 0 ? 0 : i == 1 ? std::max(0, cur - 1) : i == 2 ? std::min(n - 1, cur + 1) : n - 1;
        form_.moveToRequest(target);
      });
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
    act([this] { form_.Button1Click(); });
    button1_->setEnabled(true);
  });
  connect(filter_, &QCheckBox::toggled, this, [this](bool on) {
    form_.CheckBox1 = on;
    act([this] { form_.CheckBox1Click(); });
  });
  connect(grid_, &QTableWidget::currentCellChanged, this, [this](int r, int, int, int) {
    if (r < 0) return;
    act([this, r] { form_.moveToRequest(r); });
  });
  refresh();
}

void ProcessWindow::fillGrid() {
  // Showing the rows moves the grid's current cell: that is no choice of the person.
  const QSignalBlocker quiet(grid_);
  auto rows = form_.requestRows();
  grid_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const auto& q = rows[static_cast<std::size_t>(r)];
    const std::string cells[] = {q.description, q.date, q.exe, q.startDate, q.endDate, q.outputFile};
    for (int c = 0; c < 6; ++c) grid_->setItem(r, c, new QTableWidgetItem(QString::fromStdString(cells[c])));
  }
  grid_->resizeColumnsToContents();
  grid_->resizeRowsToContents();
  int cur = form_.currentRequestIndex();
  if (cur >= 0) grid_->setCurrentCell(cur, 0);
}

void ProcessWindow::refresh() {
  showState();
  run([this] { fillGrid(); });
}

void ProcessWindow::showState() {
  const QSignalBlocker quiet(filter_);
  setWindowTitle(QString::fromStdString(form_.caption));
  label1_->setText(QString::fromStdString(form_.Label1));
  label2_->setText(QString::fromStdString(form_.Label2));
  label3_->setText(QString::fromStdString(form_.Label3));
  gauge_->setRange(form_.gaugeMin, form_.gaugeMax);
  gauge_->setValue(form_.gaugeProgress);
  button1_->setText(QString::fromStdString(form_.Button1));
  filter_->setChecked(form_.CheckBox1);
}

void ProcessWindow::closeEvent(QCloseEvent* e) {
  run([this] { form_.FormClose(); });
  e->accept();
}

}  // namespace oewr::gui
