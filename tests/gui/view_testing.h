#pragma once
// What the view tests share: a Qt Ui that records what it would ask a
// person, finding a window's controls by what a person reads on them,
// showing a window modally while a test works in it, and the texts a chart
// shows once laid out.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFormLayout>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGroupBox>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QtCharts/QChart>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gui/chart_view.h"
#include "gui/qt_ui.h"

namespace oewr::testing {

// The Qt windows with messages and questions recorded instead of shown, so
// that nothing waits for a person: every question is answered Yes, a save
// dialog answers `reportFile` (none: cancelled), and a wait for a lock shows
// its dialog, which the person cancels at once.
class RecordingQtUi : public gui::QtUi {
 public:
  std::vector<std::string> messages;
  std::vector<std::pair<std::string, std::string>> questions;  // caption and text, in order
  std::vector<std::string> lockWaits;                          // what the lock dialog said
  std::string reportFile;
  void showMessage(const std::string&, const std::string& text) override { messages.push_back(text); }
  bool askYesNo(const std::string& caption, const std::string& text) override {
    questions.emplace_back(caption, text);
    return true;
  }
  std::optional<std::string> pickSaveFile(const FileDialogOptions&) override {
    if (reportFile.empty()) return std::nullopt;
    return reportFile;
  }
  bool keepWaitingForLock(const std::string& table, int waitedMs) override {
    gui::QtUi::keepWaitingForLock(table, waitedMs);
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible())
        lockWaits.push_back(p->labelText().toStdString());
    return false;
  }
};

// The visible button of that caption in `w`, or nullptr.
inline QPushButton* button(QWidget* w, const QString& caption) {
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == caption && b->isVisible()) return b;
  return nullptr;
}

// Clicks the visible button of that caption in `w`; a missing or disabled
// one fails the test.
inline void click(QWidget* w, const QString& caption) {
  QPushButton* b = button(w, caption);
  if (!b) {
    ADD_FAILURE() << "no button \"" << caption.toStdString() << "\" in " << w->windowTitle().toStdString();
    return;
  }
  EXPECT_TRUE(b->isEnabled()) << caption.toStdString();
  b->click();
}

// The radio button of that caption in the group box of that title, or nullptr.
inline QRadioButton* radio(QWidget* w, const QString& group, const QString& caption) {
  for (auto* box : w->findChildren<QGroupBox*>())
    if (box->title() == group)
      for (auto* r : box->findChildren<QRadioButton*>())
        if (r->text() == caption) return r;
  return nullptr;
}

// The field beside the label `caption` in a form layout of `w`: the widget,
// or the first widget of a row that holds several.
template <typename Widget>
Widget* field(QWidget* w, const QString& caption) {
  for (auto* form : w->findChildren<QFormLayout*>())
    for (int row = 0; row < form->rowCount(); ++row) {
      auto* label = form->itemAt(row, QFormLayout::LabelRole);
      auto* value = form->itemAt(row, QFormLayout::FieldRole);
      if (!label || !value || !qobject_cast<QLabel*>(label->widget())) continue;
      if (qobject_cast<QLabel*>(label->widget())->text() != caption) continue;
      if (value->widget()) return qobject_cast<Widget*>(value->widget());
      if (value->layout() && value->layout()->count() > 0)
        return qobject_cast<Widget*>(value->layout()->itemAt(0)->widget());
    }
  return nullptr;
}

// Clicks a radio button with the mouse on its round indicator, as a person does.
inline void clickRadio(QRadioButton* r) {
  QStyleOptionButton option;
  option.initFrom(r);
  const QRect indicator = r->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, r);
  QTest::mouseClick(r, Qt::LeftButton, {}, indicator.center());
}

// The charts of a window.
inline std::vector<gui::ChartView*> chartViews(QWidget* window) {
  std::vector<gui::ChartView*> views;
  for (QWidget* w : window->findChildren<QWidget*>())
    if (auto* v = dynamic_cast<gui::ChartView*>(w)) views.push_back(v);
  return views;
}

// Ends every open dialog should a step of a test not get as far as closing it.
struct Watchdog {
  QTimer timer;
  Watchdog() {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->reject();
    });
    timer.start(60000);
  }
};

// Shows `form` through its Qt view and runs `step` in its window once the
// window is up and laid out; the window is closed afterwards unless the step
// closed it. Returns the form's modal result.
inline int whileShown(gui::QtUi& ui, ModalForm& form, const std::function<void(QDialog*)>& step) {
  Watchdog watchdog;
  bool ran = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      ADD_FAILURE() << "the window of " << form.formCaption() << " is not up";
      return;
    }
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    ran = true;
    step(dialog);
    if (dialog->isVisible()) dialog->reject();
  });
  const int result = ui.showModal(form);
  EXPECT_TRUE(ran);
  return result;
}

// The texts a chart on screen shows (title, axis titles, labels) as drawn:
// a text too long for its place ends in "...".
inline QStringList shownTexts(const gui::ChartView* view) {
  QStringList texts;
  QApplication::processEvents();
  if (!view->qChart() || !view->qChart()->scene()) return texts;
  for (QGraphicsItem* item : view->qChart()->scene()->items())
    if (auto* text = dynamic_cast<QGraphicsTextItem*>(item); text && text->isVisible())
      texts << text->toPlainText();
  return texts;
}

// Every chart of the window shows its axis titles whole.
inline void expectWholeAxisTitles(QWidget* window) {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  const auto views = chartViews(window);
  EXPECT_FALSE(views.empty());
  for (const gui::ChartView* view : views) {
    const charting::Chart* chart = view->chart();
    if (!chart) continue;
    const QStringList texts = shownTexts(view);
    for (const auto* axis : {&chart->leftAxis, &chart->bottomAxis})
      if (!axis->title.empty())
        EXPECT_TRUE(texts.contains(QString::fromStdString(axis->title)))
            << chart->title << ": \"" << axis->title << "\" is shown as " << texts.join(" | ").toStdString();
  }
}

}  // namespace oewr::testing
