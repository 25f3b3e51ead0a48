// View of the table-save dialog Ttable_save.
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/guarded_action.h"
#include "gui/qt_ui.h"
#include "hostdb/table_save_dialog.h"

namespace oewr::gui {

namespace {

int showTableSave(hostdb::Ttable_save& form, QWidget* parent) {
  QDialog d(parent);
  d.setWindowTitle(QString::fromStdString(form.Caption));
  auto* layout = new QVBoxLayout(&d);
  auto* g1 = new QGroupBox(QString::fromStdString(form.GroupBox1Caption), &d);
  auto* l1 = new QVBoxLayout(g1);
  auto* list1 = new QListWidget(g1);
  l1->addWidget(list1);
  auto* g2 = new QGroupBox(QString::fromStdString(form.GroupBox2Caption), &d);
  auto* l2 = new QVBoxLayout(g2);
  l2->addWidget(new QLabel(QString::fromStdString(form.Label1Caption), g2));
  auto* list2 = new QListWidget(g2);
  l2->addWidget(list2);
  l2->addWidget(new QLabel(QString::fromStdString(form.Label2Caption), g2));
  auto* edit = new QLineEdit(g2);
  l2->addWidget(edit);
  auto* groups = new QHBoxLayout;
  groups->addWidget(g1);
  groups->addWidget(g2);
  layout->addLayout(groups);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QString::fromStdString(form.OKBtnCaption), &d);
  auto* cancel = new QPushButton(QString::fromStdString(form.CancelBtnCaption), &d);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  for (const auto& i : form.ListBox1Items) list1->addItem(QString::fromStdString(i));
  for (const auto& i : form.ListBox2Items) list2->addItem(QString::fromStdString(i));

  bool filling = false;
  auto show = [&] {
    filling = true;
    list1->setCurrentRow(form.ListBox1ItemIndex);
    list2->setCurrentRow(form.ListBox2ItemIndex);
    edit->setText(QString::fromStdString(form.Edit1Text));
    edit->setEnabled(form.Edit1Enabled);
    ok->setEnabled(form.OKBtnEnabled);
    filling = false;
    if (form.modalResult != mrNone) d.done(form.modalResult);
  };
  // A handler's error (the tables of an alias cannot be listed, say) is
  // shown and the dialog stays open.
  auto act = [&](auto handler) {
    runShowingErrors(handler, [&](const std::string& e) {
      if (form.ui)
        form.ui->showMessage(form.Caption, e);
      else
        QMessageBox::information(&d, QString::fromStdString(form.Caption), QString::fromStdString(e));
    });
    show();
  };
  QObject::connect(list1, &QListWidget::currentRowChanged, &d, [&](int r) {
    if (filling) return;
    form.ListBox1ItemIndex = r;
    act([&] { form.ListBox1Click(); });
  });
  QObject::connect(list2, &QListWidget::currentRowChanged, &d, [&](int r) {
    if (filling) return;
    form.ListBox2ItemIndex = r;
    act([&] { form.ListBox2Click(); });
  });
  QObject::connect(edit, &QLineEdit::textEdited, &d, [&](const QString& t) {
    form.Edit1Text = t.toStdString();
    act([&] { form.Edit1Change(); });
  });
  QObject::connect(ok, &QPushButton::clicked, &d, [&] { act([&] { form.OKBtnClick(); }); });
  QObject::connect(cancel, &QPushButton::clicked, &d, [&] { act([&] { form.CancelBtnClick(); }); });
  form.modalResult = mrNone;
  show();
  if (d.exec() == QDialog::Rejected && form.modalResult == mrNone) form.modalResult = mrCancel;
  return form.modalResult;
}

}  // namespace

void registerTableSaveView() { QtUi::tableSaveView() = showTableSave; }

}  // namespace oewr::gui
