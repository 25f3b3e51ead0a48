// The desktop program's windows driven offscreen on the demo database.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <functional>

#include "cli/demo_site.h"
#include "gui/chart_render.h"
#include "gui/process_window.h"
#include "gui/qt_ui.h"
#include "hostdb/table_save_dialog.h"
#include "menu/submodel_windows.h"
#include "process/tform1.h"
#include "support/test_host.h"

using namespace oewr;

namespace {

// Messages are recorded instead of shown, so that nothing waits for a person.
class RecordingQtUi : public gui::QtUi {
 public:
  std::vector<std::string> messages;
  void showMessage(const std::string&, const std::string& text) override { messages.push_back(text); }
  bool askYesNo(const std::string&, const std::string&) override { return true; }
};

QPushButton* findButton(QWidget* w, const QString& text) {
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

// Runs `step` once the next modal dialog is up.
void whenModal(std::function<void(QDialog*)> step) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, step] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      step(d);
    }
  });
  timer->start();
}

struct Desktop {
  oewr::testing::TempDir dir;
  cli::DemoDatabase db = cli::buildDemoDatabase(dir.path(), cli::makeDemoSite());
  std::unique_ptr<ModelState> state = makeModelState();
  RecordingQtUi ui;
  hostdb::Ttable_save saveDialog;
  ModelWindows windows;
  TForm1 form{*state, ui, saveDialog, windows};
  Desktop() {
    gui::ensureGuiApplication();
    gui::QtUi::registerModelViews();
  }
};

}  // namespace

TEST(DesktopProgram, ProcessWindowShowsTheRequestAndLoadsIt) {
  Desktop d;
  d.form.FormCreate({d.db.iniFile.string()}, d.dir.path().string());
  gui::ProcessWindow window(d.form);
  ASSERT_EQ(window.grid()->rowCount(), 1);
  EXPECT_EQ(window.grid()->item(0, 2)->text(), "new_oewr.exe");
  EXPECT_EQ(window.actionButton()->text(), "Read Data");
  window.actionButton()->click();
  EXPECT_EQ(window.actionButton()->text(), "Run Model");
  EXPECT_EQ(d.state->siteName, "Orvane River at Demo Weir");
  EXPECT_TRUE(d.ui.messages.empty());
}

TEST(DesktopProgram, MenuGatesItsStepsAndTheReviewShowsTheReport) {
  Desktop d;
  d.form.FormCreate({d.db.iniFile.string(), std::to_string(d.db.requestRecord)}, d.dir.path().string());
  gui::ProcessWindow window(d.form);
  ASSERT_EQ(window.actionButton()->text(), "Run Model");
  d.state->reportLines = std::vector<std::string>{"line one", "line two"};
  QString reviewed;
  whenModal([&](QDialog* menu) {
    findButton(menu, "Hydraulics Sub-model")->click();  // gated: only a message
    whenModal([&, menu](QDialog* review) {
      reviewed = review->findChild<QPlainTextEdit*>()->toPlainText();
      findButton(review, "Close")->click();
      QTimer::singleShot(0, menu, [menu] { menu->reject(); });
    });
    findButton(menu, "Review Report")->click();
  });
  window.actionButton()->click();
  EXPECT_EQ(d.ui.messages, std::vector<std::string>{"Complete the hydrological analysis first please."});
  EXPECT_EQ(reviewed, "line one\nline two");
  EXPECT_EQ(window.actionButton()->text(), "Read Data");
}

TEST(DesktopProgram, HydrologyWindowsOpenFromTheMenuAndTickTheStep) {
  Desktop d;
  d.form.FormCreate({d.db.iniFile.string(), std::to_string(d.db.requestRecord)}, d.dir.path().string());
  gui::ProcessWindow window(d.form);
  bool ticked = false;
  whenModal([&](QDialog* menu) {
    whenModal([&, menu](QDialog* hydrology) {
      whenModal([](QDialog* plots) { findButton(plots, "Finished")->click(); });
      findButton(hydrology, "Go to Graphics Plots")->click();
      QTimer::singleShot(0, hydrology, [hydrology, menu, &ticked] {
        findButton(hydrology, "Return to main menu")->click();
        QTimer::singleShot(0, menu, [menu, &ticked] {
          for (auto* c : menu->findChildren<QCheckBox*>())
            if (c->text() == "Hydrology data requirements") ticked = c->isChecked();
          menu->reject();
        });
      });
    });
    findButton(menu, "Hydrological Sub-model")->click();
  });
  window.actionButton()->click();
  EXPECT_TRUE(ticked);
  EXPECT_GT(d.state->criticalWetMonth, 0);
  EXPECT_GT(d.state->maxBaseflowWet, 0.0f);
  EXPECT_TRUE(d.ui.messages.empty()) << d.ui.messages.front();
}
