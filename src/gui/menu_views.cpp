// Views of the sub-model menu, the report review and the placeholder window.
#include <QCheckBox>
#include <QDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "menu/report_review.h"
#include "menu/submodel_menu.h"
#include "menu/submodel_windows.h"

namespace oewr::gui {

namespace {

std::unique_ptr<QDialog> makeMenu(ModalForm& f, QtUi&, QWidget* parent) {
  auto& form = static_cast<menu::TForm2&>(f);
  auto d = std::make_unique<FormDialog>(form, parent);
  auto* layout = new QVBoxLayout(d.get());
  auto* heading = new QLabel(QString::fromStdString(form.Label1), d.get());
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  heading->setFont(bold);
  layout->addWidget(heading);
  layout->addWidget(new QLabel(QString::fromStdString(form.Label2), d.get()));
  auto* grid = new QGridLayout;
  // A button and its tick for each of the model's steps, in their order.
  std::vector<std::pair<QCheckBox*, std::size_t>> boxes;
  FormDialog* dlg = d.get();
  for (std::size_t i = 0; i < form.stepButtons.size(); ++i) {
    const menu::TForm2::StepButton& step = form.stepButtons[i];
    auto* b = new QPushButton(QString::fromStdString(step.caption), dlg);
    b->setMinimumWidth(240);
    auto* c = new QCheckBox(QString::fromStdString(step.tickCaption), dlg);
    const int row = static_cast<int>(i);
    grid->addWidget(b, row, 0);
    grid->addWidget(c, row, 1);
    QObject::connect(b, &QPushButton::clicked, dlg, [dlg, &form, i] { dlg->act([&] { form.stepButtonClick(i); }); });
    QObject::connect(c, &QCheckBox::toggled, dlg, [&form, i](bool on) { form.stepButtons[i].ticked = on; });
    boxes.emplace_back(c, i);
  }
  layout->addLayout(grid);
  auto* review = new QPushButton(QString::fromStdString(form.Button5), dlg);
  QObject::connect(review, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button5Click(); }); });
  layout->addWidget(review);
  dlg->refresh = [boxes, &form] {
    for (auto& [box, i] : boxes) {
      box->blockSignals(true);
      box->setChecked(form.stepButtons[i].ticked);
      box->blockSignals(false);
    }
  };
  dlg->refresh();
  return d;
}

std::unique_ptr<QDialog> makeReview(ModalForm& f, QtUi&, QWidget* parent) {
  auto& form = static_cast<menu::TForm8&>(f);
  auto d = std::make_unique<FormDialog>(form, parent);
  auto* layout = new QVBoxLayout(d.get());
  auto* memo = new QPlainTextEdit(d.get());
  memo->setReadOnly(true);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont fixed("Courier New");
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setFixedPitch(true);
  memo->setFont(fixed);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(memo, 1);
  auto* buttons = new QHBoxLayout;
  auto* out = new QPushButton(QString::fromStdString(form.Button2), d.get());
  auto* close = new QPushButton(QString::fromStdString(form.Button1), d.get());
  buttons->addStretch(1);
  buttons->addWidget(out);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  FormDialog* dlg = d.get();
  QObject::connect(out, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button2Click(); }); });
  QObject::connect(close, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button1Click(); }); });
  dlg->refresh = [memo, &form] {
    QStringList lines;
    for (const auto& l : form.Memo1) lines << QString::fromStdString(l);
    memo->setPlainText(lines.join('\n'));
  };
  dlg->refresh();
  d->resize(800, 600);
  return d;
}

std::unique_ptr<QDialog> makePlaceholder(ModalForm& f, QtUi&, QWidget* parent) {
  auto& form = static_cast<menu::PlaceholderForm&>(f);
  auto d = std::make_unique<FormDialog>(form, parent);
  auto* layout = new QVBoxLayout(d.get());
  layout->addWidget(new QLabel("This sub-model's window is not available yet.", d.get()));
  auto* b = new QPushButton(QString::fromStdString(form.Button1), d.get());
  FormDialog* dlg = d.get();
  QObject::connect(b, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button1Click(); }); });
  layout->addWidget(b);
  return d;
}

}  // namespace

void registerMenuViews() {
  QtUi::registerView<menu::TForm2>(makeMenu);
  QtUi::registerView<menu::TForm8>(makeReview);
  QtUi::registerView<menu::PlaceholderForm>(makePlaceholder);
}

}  // namespace oewr::gui
