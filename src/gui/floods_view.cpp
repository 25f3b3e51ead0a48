// View of the flood window TForm6.
#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "floods/flood_window.h"
#include "gui/chart_view.h"
#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "gui/widgets.h"

namespace oewr::gui {

namespace {

// A read-only table whose first row holds the column headings. The columns
// are as wide as their headings and cells, and the table as wide as its
// columns, so that every heading and value reads whole.
template <typename Grid>
void showGrid(QTableWidget* t, const Grid& g) {
  t->setColumnCount(Grid::colCount);
  t->setRowCount(Grid::rowCount - 1);
  QStringList headings;
  for (int c = 0; c < Grid::colCount; ++c) headings << QString::fromStdString(g.cell(c, 0));
  t->setHorizontalHeaderLabels(headings);
  for (int c = 0; c < Grid::colCount; ++c)
    for (int r = 1; r < Grid::rowCount; ++r) {
      auto* item = new QTableWidgetItem(QString::fromStdString(g.cell(c, r)));
      item->setFlags(Qt::ItemIsEnabled);
      t->setItem(r - 1, c, item);
    }
  t->resizeColumnsToContents();
  t->resizeRowsToContents();
  const int width = t->horizontalHeader()->length() + 2 * t->frameWidth();
  const int height = t->horizontalHeader()->height() + t->verticalHeader()->length() + 2 * t->frameWidth();
  t->setMinimumWidth(width);
  t->setFixedHeight(height);
}

QTableWidget* gridTable(QWidget* parent) {
  auto* t = new QTableWidget(parent);
  t->verticalHeader()->hide();
  t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return t;
}

// An edit box: its text (left alone while it already holds it, so that typing
// is not disturbed) and whether the person may type in it.
void showEdit(QLineEdit* box, const Edit& edit) {
  if (box->text().toStdString() != edit.text) box->setText(QString::fromStdString(edit.text));
  box->setReadOnly(edit.readOnly);
}

std::unique_ptr<QDialog> makeFloods(ModalForm& f, QtUi& ui, QWidget* parent) {
  auto& form = static_cast<floods::TForm6&>(f);
  auto d = std::make_unique<FormDialog>(form, parent);
  FormDialog* dlg = d.get();
  dlg->reportError = [&ui](const std::string& e) { ui.showMessage(floods::TForm6::kCaption, e); };
  auto* layout = new QHBoxLayout(dlg);
  auto* side = new QVBoxLayout;
  auto* fields = new QFormLayout;
  auto* category = new QSpinBox(dlg);
  category->setRange(form.SpinEdit1.minValue, form.SpinEdit1.maxValue);
  fields->addRow(QString::fromStdString(form.SpinEdit1.caption), category);
  auto* depthRow = new QHBoxLayout;
  auto* depth = new QSpinBox(dlg);
  depth->setRange(form.SpinEdit4.minValue, form.SpinEdit4.maxValue);
  auto* down = new QPushButton("-10", dlg);
  auto* up = new QPushButton("+10", dlg);
  depthRow->addWidget(depth);
  depthRow->addWidget(down);
  depthRow->addWidget(up);
  fields->addRow(QString::fromStdString(form.SpinEdit4.caption), depthRow);
  auto* peak = new QLineEdit(dlg);
  fields->addRow(QString::fromStdString(form.Edit2.caption), peak);
  auto* events = new QSpinBox(dlg);
  events->setRange(form.SpinEdit2.minValue, form.SpinEdit2.maxValue);
  fields->addRow(QString::fromStdString(form.SpinEdit2.caption), events);
  auto* area = new QLineEdit(dlg);
  fields->addRow(QString::fromStdString(form.Edit1.caption), area);
  auto* tp = new QLineEdit(dlg);
  auto* dur = new QLineEdit(dlg);
  auto* vol = new QLineEdit(dlg);
  auto* con = new QLineEdit(dlg);
  fields->addRow(QString::fromStdString(form.Edit3.caption), tp);
  fields->addRow(QString::fromStdString(form.Edit4.caption), dur);
  fields->addRow(QString::fromStdString(form.Edit5.caption), vol);
  fields->addRow(QString::fromStdString(form.Edit6.caption), con);
  side->addLayout(fields);
  auto* groups = new QHBoxLayout;
  QButtonGroup* freq = radioButtons(form.RadioGroup1, dlg, groups);
  QButtonGroup* shape = radioButtons(form.RadioGroup2, dlg, groups);
  QButtonGroup* slope = radioButtons(form.RadioGroup3, dlg, groups);
  side->addLayout(groups);
  auto* table1 = gridTable(dlg);
  auto* table2 = gridTable(dlg);
  side->addWidget(table1);
  side->addWidget(table2);
  side->addStretch(1);
  auto* buttons = new QGridLayout;
  Button* bs[] = {&form.Button1, &form.Button3, &form.Button5, &form.Button6, &form.Button2, &form.Button4};
  void (floods::TForm6::*clicks[])() = {&floods::TForm6::Button1Click, &floods::TForm6::Button3Click,
                                        &floods::TForm6::Button5Click, &floods::TForm6::Button6Click,
                                        &floods::TForm6::Button2Click, &floods::TForm6::Button4Click};
  std::vector<QPushButton*> pushes;
  for (int i = 0; i < 6; ++i) {
    auto* b = new QPushButton(dlg);
    buttons->addWidget(b, i / 2, i % 2);
    pushes.push_back(b);
  }
  side->addLayout(buttons);
  layout->addLayout(side);

  auto* charts = new QSplitter(Qt::Vertical, dlg);
  auto* v1 = new ChartView(charts);
  auto* v2 = new ChartView(charts);
  auto* v3 = new ChartView(charts);
  v1->setChart(&form.Chart1);
  v2->setChart(&form.Chart2);
  v3->setChart(&form.Chart3);
  layout->addWidget(charts, 1);

  // The boxes a person types in go to the form before any button reads them.
  auto take = [=, &form] {
    form.SpinEdit1.value = category->value();
    form.SpinEdit2.value = events->value();
    form.RadioGroup1.itemIndex = freq->checkedId();
  };
  for (int i = 0; i < 6; ++i) {
    auto click = clicks[i];
    QObject::connect(pushes[static_cast<std::size_t>(i)], &QPushButton::clicked, dlg, [=, &form] {
      take();
      dlg->act([&] { (form.*click)(); });
    });
  }
  // Every change of the depth, typed or stepped, takes the peak from the rating at once.
  QObject::connect(depth, &QSpinBox::valueChanged, dlg, [=, &form](int cm) {
    take();
    dlg->act([&] { form.setDepth(cm); });
  });
  QObject::connect(up, &QPushButton::clicked, dlg, [=, &form] {
    take();
    dlg->act([&] { form.SpinButton1UpClick(); });
  });
  QObject::connect(down, &QPushButton::clicked, dlg, [=, &form] {
    take();
    dlg->act([&] { form.SpinButton1DownClick(); });
  });
  QObject::connect(peak, &QLineEdit::textEdited, dlg, [=, &form](const QString& t) {
    take();
    dlg->act([&] { form.setPeakText(t.toStdString()); });
  });
  QObject::connect(area, &QLineEdit::textEdited, dlg, [=, &form](const QString& t) {
    take();
    dlg->act([&] { form.setCatchmentText(t.toStdString()); });
  });
  QObject::connect(shape, &QButtonGroup::idClicked, dlg, [=, &form](int id) {
    take();
    dlg->act([&] { form.setShape(id); });
  });
  QObject::connect(slope, &QButtonGroup::idClicked, dlg, [=, &form](int id) {
    take();
    dlg->act([&] { form.setSlope(id); });
  });

  dlg->refresh = [=, &form] {
    category->setValue(form.SpinEdit1.value);
    {
      const QSignalBlocker quiet(depth);  // showing the depth is no change by the person
      depth->setValue(form.SpinEdit4.value);
    }
    events->setValue(form.SpinEdit2.value);
    showEdit(peak, form.Edit2);
    showEdit(area, form.Edit1);
    showEdit(tp, form.Edit3);
    showEdit(dur, form.Edit4);
    showEdit(vol, form.Edit5);
    showEdit(con, form.Edit6);
    showRadioGroup(freq, form.RadioGroup1);
    showRadioGroup(shape, form.RadioGroup2);
    showRadioGroup(slope, form.RadioGroup3);
    showGrid(table1, form.StringGrid1);
    showGrid(table2, form.StringGrid2);
    for (int i = 0; i < 6; ++i) showButton(pushes[static_cast<std::size_t>(i)], *bs[i]);
    v1->redraw();
    v2->redraw();
    v3->redraw();
  };
  dlg->refresh();
  dlg->resize(1200, 820);
  return d;
}

}  // namespace

void registerFloodViews() { QtUi::registerView<floods::TForm6>(makeFloods); }

}  // namespace oewr::gui
