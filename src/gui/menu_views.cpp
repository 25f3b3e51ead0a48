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
  struct Step {
    std::string* caption;
    void (menu::TForm2::*click)();
    bool* tick;
    const char* tickCaption;
  };
  Step steps[] = {{&form.Button1, &menu::TForm2::Button1Click, &form.CheckBox1, menu::TForm2::kCheck1},
                  {&form.Button2, &menu::TForm2::Button2Click, &form.CheckBox2, menu::TForm2::kCheck2},
                  {&form.Button3, &menu::TForm2::Button3Click, &form.CheckBox3, menu::TForm2::kCheck3},
                  {&form.Button6, &menu::TForm2::Button6Click, &form.CheckBox5, menu::TForm2::kCheck5},
                  {&form.Button4, &menu::TForm2::Button4Click, &form.CheckBox4, menu::TForm2::kCheck4}};
  std::vector<std::pair<QCheckBox*, bool*>> boxes;
  FormDialog* dlg = d.get();
  int row = 0;
  for (const Step& s : steps) {
    auto* b = new QPushButton(QString::fromStdString(*s.caption), dlg);
    b->setMinimumWidth(240);
    auto* c = new QCheckBox(s.tickCaption, dlg);
    grid->addWidget(b, row, 0);
    grid->addWidget(c, row, 1);
    ++row;
    auto click = s.click;
    QObject::connect(b, &QPushButton::clicked, dlg, [dlg, &form, click] { dlg->act([&] { (form.*click)(); }); });
    bool* tick = s.tick;
    QObject::connect(c, &QCheckBox::toggled, dlg, [tick](bool on) { *tick = on; });
    boxes.emplace_back(c, s.tick);
  }
  layout->addLayout(grid);
  auto* review = new QPushButton(QString::fromStdString(form.Button5), dlg);
  QObject::connect(review, &QPushButton::clicked, dlg, [dlg, &form] { dlg->act([&] { form.Button5Click(); }); });
  layout->addWidget(review);
  dlg->refresh = [boxes] {
    for (auto& [box, tick] : boxes) {
      box->blockSignals(true);
      box->setChecked(*tick);
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
