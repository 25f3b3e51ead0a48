// Views of the hydrology window TForm3 and its plots window Tform3a.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QVBoxLayout>

#include "gui/chart_view.h"
#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "gui/widgets.h"
#include "hydrology/hydrology_plots_window.h"
#include "hydrology/hydrology_window.h"

namespace oewr::gui {

namespace {

std::unique_ptr<QDialog> makeHydrology(ModalForm& f, QtUi& ui, QWidget* parent) {
  auto& form = static_cast<hydrology::TForm3&>(f);
  auto d = std::make_unique<FormDialog>(form, parent);
  FormDialog* dlg = d.get();
  dlg->reportError = [&ui](const std::string& e) { ui.showMessage(hydrology::TForm3::kCaption, e); };
  auto* layout = new QVBoxLayout(dlg);
  auto* heading = new QLabel(dlg);
  layout->addWidget(heading);

  auto* top = new QHBoxLayout;
  auto* datag = new QListWidget(dlg);
  datag->setMaximumWidth(260);
  datag->setMaximumHeight(100);
  top->addWidget(datag);
  auto* lists = new QHBoxLayout;
  auto* list1 = fixedPitchList(dlg);
  auto* list2 = fixedPitchList(dlg);
  lists->addWidget(list1);
  lists->addWidget(list2);
  layout->addLayout(top);
  layout->addLayout(lists, 1);

  auto* grid = new QGridLayout;
  auto* spin1 = new QSpinBox(dlg);
  auto* spin2 = new QSpinBox(dlg);
  spin1->setRange(form.SpinEdit1.minValue, form.SpinEdit1.maxValue);
  spin2->setRange(form.SpinEdit2.minValue, form.SpinEdit2.maxValue);
  grid->addWidget(new QLabel(QString::fromStdString(form.Label2), dlg), 0, 0);
  grid->addWidget(spin1, 0, 1);
  grid->addWidget(new QLabel(QString::fromStdString(form.Label3), dlg), 1, 0);
  grid->addWidget(spin2, 1, 1);
  auto* label6 = new QLabel(QString::fromStdString(form.Label6), dlg);
  auto* label7 = new QLabel(dlg);
  grid->addWidget(label6, 2, 1);
  grid->addWidget(label7, 2, 2);
  grid->addWidget(new QLabel(QString::fromStdString(form.Label4), dlg), 3, 0);
  grid->addWidget(new QLabel(QString::fromStdString(form.Label5), dlg), 4, 0);
  auto* e1 = new QLineEdit(dlg);
  auto* e2 = new QLineEdit(dlg);
  auto* e3 = new QLineEdit(dlg);
  auto* e4 = new QLineEdit(dlg);
  grid->addWidget(e1, 3, 1);
  grid->addWidget(e2, 3, 2);
  grid->addWidget(e3, 4, 1);
  grid->addWidget(e4, 4, 2);
  auto* c1 = new QCheckBox(QString::fromStdString(form.CheckBox1.caption), dlg);
  auto* c2 = new QCheckBox(QString::fromStdString(form.CheckBox2.caption), dlg);
  grid->addWidget(c1, 5, 1);
  grid->addWidget(c2, 5, 2);
  layout->addLayout(grid);

  auto* buttons = new QHBoxLayout;
  auto* b3 = new QPushButton(dlg);
  auto* b4 = new QPushButton(dlg);
  auto* b1 = new QPushButton(dlg);
  buttons->addWidget(b3);
  buttons->addWidget(b4);
  buttons->addStretch(1);
  buttons->addWidget(b1);
  layout->addLayout(buttons);

  // Typed texts go to the form before any handler reads them.
  auto take = [&form, e1, e2, e3, e4, spin1, spin2] {
    form.Edit1.text = e1->text().toStdString();
    form.Edit2.text = e2->text().toStdString();
    form.Edit3.text = e3->text().toStdString();
    form.Edit4.text = e4->text().toStdString();
    form.SpinEdit1.value = spin1->value();
    form.SpinEdit2.value = spin2->value();
  };
  QObject::connect(b3, &QPushButton::clicked, dlg, [=, &form] { take(); dlg->act([&] { form.Button3Click(); }); });
  QObject::connect(b4, &QPushButton::clicked, dlg, [=, &form] { take(); dlg->act([&] { form.Button4Click(); }); });
  QObject::connect(b1, &QPushButton::clicked, dlg, [=, &form] { take(); dlg->act([&] { form.Button1Click(); }); });
  QObject::connect(c1, &QCheckBox::clicked, dlg, [=, &form] { take(); dlg->act([&] { form.CheckBox1Click(); }); });
  QObject::connect(c2, &QCheckBox::clicked, dlg, [=, &form] { take(); dlg->act([&] { form.CheckBox2Click(); }); });

  dlg->refresh = [=, &form] {
    heading->setText(QString::fromStdString(form.Label1));
    showCheckList(datag, form.datag);
    showLines(list1, form.ListBox1);
    showLines(list2, form.ListBox2);
    spin1->setValue(form.SpinEdit1.value);
    spin2->setValue(form.SpinEdit2.value);
    label7->setText(QString::fromStdString(form.Label7));
    e1->setText(QString::fromStdString(form.Edit1.text));
    e2->setText(QString::fromStdString(form.Edit2.text));
    e3->setText(QString::fromStdString(form.Edit3.text));
    e4->setText(QString::fromStdString(form.Edit4.text));
    c1->setChecked(form.CheckBox1.checked);
    c2->setChecked(form.CheckBox2.checked);
    showButton(b3, form.Button3);
    showButton(b4, form.Button4);
    showButton(b1, form.Button1);
  };
  dlg->refresh();
  dlg->resize(900, 640);
  return d;
}

std::unique_ptr<QDialog> makePlots(ModalForm& f, QtUi& ui, QWidget* parent) {
  auto& form = static_cast<hydrology::Tform3a&>(f);
  auto d = std::make_unique<FormDialog>(form, parent);
  FormDialog* dlg = d.get();
  dlg->reportError = [&ui](const std::string& e) { ui.showMessage(hydrology::Tform3a::kCaption, e); };
  auto* layout = new QHBoxLayout(dlg);
  auto* side = new QVBoxLayout;
  auto* panel = new QGroupBox(QString::fromStdString(form.Panel1), dlg);
  auto* pl = new QVBoxLayout(panel);
  CheckBox* boxes[] = {&form.CheckBox1, &form.CheckBox2, &form.CheckBox3, &form.CheckBox4};
  std::vector<QCheckBox*> checks;
  for (auto* b : boxes) {
    auto* c = new QCheckBox(QString::fromStdString(b->caption), panel);
    pl->addWidget(c);
    checks.push_back(c);
    QObject::connect(c, &QCheckBox::toggled, dlg, [b](bool on) { b->checked = on; });
  }
  auto* redraw = new QPushButton(QString::fromStdString(form.Button1.caption), panel);
  pl->addWidget(redraw);
  side->addWidget(panel);
  side->addWidget(new QLabel(QString::fromStdString(form.Label1), dlg));
  auto* combo = new QComboBox(dlg);
  combo->setEditable(true);
  for (const auto& item : form.ComboBox1.items) combo->addItem(QString::fromStdString(item));
  side->addWidget(combo);
  auto* note = new QPlainTextEdit(dlg);
  note->setReadOnly(true);
  QStringList noteLines;
  for (const auto& l : form.Memo1) noteLines << QString::fromStdString(l);
  note->setPlainText(noteLines.join('\n'));
  note->setMaximumHeight(90);
  side->addWidget(note);
  side->addStretch(1);
  auto* finished = new QPushButton(QString::fromStdString(form.Button2.caption), dlg);
  side->addWidget(finished);
  layout->addLayout(side);

  auto* charts = new QSplitter(Qt::Vertical, dlg);
  auto* v1 = new ChartView(charts);
  auto* v2 = new ChartView(charts);
  auto* v3 = new ChartView(charts);
  v1->setChart(&form.Chart1);
  v2->setChart(&form.Chart2);
  v3->setChart(&form.Chart3);
  layout->addWidget(charts, 1);

  QObject::connect(redraw, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button1Click(); }); });
  QObject::connect(combo, &QComboBox::textActivated, dlg, [dlg, &form](const QString& t) {
    form.ComboBox1.text = t.toStdString();
    dlg->act([&] { form.ComboBox1Change(); });
  });
  QObject::connect(finished, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button2Click(); }); });
  dlg->refresh = [=, &form] {
    for (std::size_t i = 0; i < checks.size(); ++i) {
      checks[i]->blockSignals(true);
      checks[i]->setChecked(boxes[i]->checked);
      checks[i]->blockSignals(false);
    }
    combo->blockSignals(true);
    combo->setCurrentText(QString::fromStdString(form.ComboBox1.text));
    combo->blockSignals(false);
    v1->refresh();
    v2->refresh();
    v3->refresh();
  };
  dlg->refresh();
  dlg->resize(1100, 800);
  return d;
}

}  // namespace

void registerHydrologyViews() {
  QtUi::registerView<hydrology::TForm3>(makeHydrology);
  QtUi::registerView<hydrology::Tform3a>(makePlots);
}

}  // namespace oewr::gui
