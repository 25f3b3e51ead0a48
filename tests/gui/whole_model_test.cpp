// The desktop program driven offscreen through every window in order on the
// demo database, and the same sequence headless: both ask the same questions
// and give the same numbers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <fstream>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "cli/demo_site.h"
#include "cli/run_command.h"
#include "ecology/ecology_step.h"
#include "ecology/ecology_window.h"
#include "ewr/ewr_step.h"
#include "ewr/final_analysis_window.h"
#include "floods/flood_step.h"
#include "floods/flood_window.h"
#include "render/chart_render.h"
#include "gui/process_view.h"
#include "gui/qt_ui.h"
#include "hostdb/host_admin.h"
#include "hostdb/table_save_dialog.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/hydraulics_step.h"
#include "hydrology/hydrology_plots_window.h"
#include "hydrology/hydrology_step.h"
#include "hydrology/hydrology_window.h"
#include "menu/report_review.h"
#include "menu/submodel_menu.h"
#include "menu/submodel_windows.h"
#include "process/process_window.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using namespace oewr;
using namespace oewr::ecology;
using namespace oewr::ewr;
using namespace oewr::floods;
using namespace oewr::hydrology;
using namespace oewr::menu;
using namespace oewr::process;

namespace {

// A question as a window asks it: its caption and its text.
using Question = std::pair<std::string, std::string>;

// Answers Yes to every question, as the headless run does by default, and
// keeps them in order.
class ScriptUi : public gui::QtUi {
 public:
  std::vector<std::string> messages;
  std::vector<Question> questions;
  std::string reportFile;
  void showMessage(const std::string&, const std::string& text) override { messages.push_back(text); }
  bool askYesNo(const std::string& caption, const std::string& text) override {
    questions.emplace_back(caption, text);
    return true;
  }
  std::optional<std::string> pickSaveFile(const FileDialogOptions&) override { return reportFile; }
};

// The same for the headless steps, without Qt.
class RecordingUi : public oewr::testing::ScriptedUi {
 public:
  std::vector<Question> asked;
  bool askYesNo(const std::string& caption, const std::string& text) override {
    asked.emplace_back(caption, text);
    return ScriptedUi::askYesNo(caption, text);
  }
};

bool click(QWidget* w, const QString& text) {
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == text && b->isVisible()) {
      if (!b->isEnabled()) {
        ADD_FAILURE() << "\"" << text.toStdString() << "\" is disabled in " << w->windowTitle().toStdString();
        return false;
      }
      b->click();
      return true;
    }
  ADD_FAILURE() << "no button \"" << text.toStdString() << "\" in " << w->windowTitle().toStdString();
  return false;
}

// Runs each step once the modal dialog of its caption is up, in order.
class Script {
 public:
  struct Step {
    QString caption;
    std::function<void(QDialog*)> action;
  };
  void add(const QString& caption, std::function<void(QDialog*)> action) { steps_.push_back({caption, action}); }
  void start() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (steps_.empty() || busy_) return;
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!d || d->windowTitle() != steps_.front().caption) return;
      Step step = steps_.front();
      steps_.pop_front();
      busy_ = true;
      // Outside the timer's own slot, so that the timer goes on in the windows it opens.
      QTimer::singleShot(0, d, [this, d, step] {
        busy_ = false;
        step.action(d);
      });
    });
    timer_.start(15);
  }
  bool finished() const { return steps_.empty(); }
  std::string next() const { return steps_.empty() ? "" : steps_.front().caption.toStdString(); }

 private:
  std::deque<Step> steps_;
  QTimer timer_;
  bool busy_ = false;
};

QString q(const char* s) { return QString::fromUtf8(s); }

// With OEWR_SCREENSHOTS set to a folder, each window is saved there as it is
// seen (the README's pictures are taken this way under Xvfb).
void shoot(QWidget* w, const char* name) {
  const char* folder = std::getenv("OEWR_SCREENSHOTS");
  if (!folder || !*folder) return;
  QApplication::processEvents();
  w->grab().save(QString::fromUtf8(folder) + "/" + name + ".png");
}

// Every window in order from the menu, each as a hydrologist accepting the
// run uses it, then the report review; `ticks` takes the menu's check boxes.
void addEveryWindow(Script& script, std::vector<bool>& ticks) {
  const QString menu = q(TForm2::kCaption);
  script.add(menu, [](QDialog* d) {
    shoot(d, "menu");
    click(d, "Hydrological Sub-model");
  });
  script.add(q(TForm3::kCaption), [](QDialog* d) { click(d, "Go to Graphics Plots"); });
  script.add(q(Tform3a::kCaption), [](QDialog* d) {
    shoot(d, "hydrology-plots");
    click(d, "Finished");
  });
  script.add(q(TForm3::kCaption), [](QDialog* d) {
    shoot(d, "hydrology");
    click(d, "Add Information to REPORT");
    click(d, "Return to main menu");
  });
  script.add(menu, [](QDialog* d) { click(d, "Hydraulics Sub-model"); });
  script.add(q(hydraulics::kHydraulicsCaption), [](QDialog* d) {
    shoot(d, "hydraulics");
    click(d, "Add to Report");
    click(d, "Return to Main Menu");
  });
  script.add(menu, [](QDialog* d) { click(d, "Ecological Sub-model"); });
  script.add(q(TForm5::kCaption), [](QDialog* d) {
    shoot(d, "ecology");
    click(d, "Add to Report");
    click(d, "Return to Main Menu");
  });
  script.add(menu, [](QDialog* d) { click(d, "Determine Flood Volumes"); });
  script.add(q(TForm6::kCaption), [](QDialog* d) {
    click(d, "Generate T/S");
    shoot(d, "floods");
    click(d, "Add to Report");
    click(d, "Return to Main Menu");
  });
  script.add(menu, [](QDialog* d) { click(d, "Determine EWR Requirements"); });
  script.add(q(TForm7::kCaption), [](QDialog* d) {
    click(d, "Do Analysis");
    shoot(d, "final-analysis");
    click(d, "Add to Report");
    click(d, "Save Results to TERAVOX");
    for (auto* list : d->findChildren<QListWidget*>())
      for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->flags() & Qt::ItemIsUserCheckable) list->item(i)->setCheckState(Qt::Checked);
    click(d, "Save");
    // Saving the low-flow series leaves "Include High Flows" unticked: tick it
    // again, which analyses again with the high flows, as the headless run ends.
    for (auto* box : d->findChildren<QCheckBox*>())
      if (box->text() == "Include High Flows" && !box->isChecked()) box->click();
    click(d, "Return");
  });
  script.add(menu, [](QDialog* d) { click(d, "Review Report"); });
  script.add(q(TForm8::kCaption), [](QDialog* d) {
    shoot(d, "report-review");
    click(d, "Output to TextFile");
    click(d, "Close");
  });
  script.add(menu, [&ticks](QDialog* d) {
    for (auto* c : d->findChildren<QCheckBox*>()) ticks.push_back(c->isChecked());
    d->reject();
  });
}

// Two copies of the database of a 40-year demo site, one for each path. The
// site stores no shifts and a hydrological variability of 0: the hydraulics
// and the ecology windows both have a question when they open.
std::pair<cli::DemoDatabase, cli::DemoDatabase> twoDemoDatabases(const std::filesystem::path& dir) {
  const cli::DemoSite site = cli::makeDemoSite(40);
  return {cli::buildDemoDatabase(dir / "window", site), cli::buildDemoDatabase(dir / "headless", site)};
}

// The desktop program on the database's request, through every window in
// order; `state` and `ui` keep what it did.
void runEveryWindow(const cli::DemoDatabase& db, const std::filesystem::path& dir, ModelState& state, ScriptUi& ui) {
  render::ensureGuiApplication();
  gui::QtUi::registerModelViews();
  ui.reportFile = (dir / "report.txt").string();
  hostdb::Ttable_save saveDialog;
  ModelWindows windows;
  TForm1 form(state, ui, saveDialog, windows);
  form.FormCreate({db.iniFile.string(), std::to_string(db.requestRecord)}, dir.string());
  gui::ProcessWindow window(form);
  ASSERT_EQ(window.actionButton()->text(), "Run Model");

  std::vector<bool> ticks;
  Script script;
  addEveryWindow(script, ticks);
  script.start();
  window.actionButton()->click();  // "Run Model": the menu, modal until the script closes it
  ASSERT_TRUE(script.finished()) << "stopped before " << script.next();
  EXPECT_EQ(ticks, std::vector<bool>(5, true));
}

}  // namespace

TEST(WholeModel, WindowPathAndHeadlessPathGiveTheSameNumbers) {
  oewr::testing::TempDir dir;
  const auto [windowDb, headlessDb] = twoDemoDatabases(dir.path());

  auto state = makeModelState();
  ScriptUi ui;
  runEveryWindow(windowDb, dir.path(), *state, ui);
  if (HasFatalFailure()) return;

  // The report file and the host hold what the windows made.
  std::ifstream in(ui.reportFile);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_TRUE(state->reportLines.has_value());
  EXPECT_EQ(lines, *state->reportLines);
  const std::string text = [&] {
    std::string t;
    for (const auto& l : lines) t += l + "\n";
    return t;
  }();
  for (const char* section : {"HYDROLOGY DATA SUMMARY", "HYDRAULICS DATA SUMMARY", "FLOW - STRESSOR RESPONSE DATA SUMMARY",
                              "HIGH FLOW REQUIREMENT SUMMARY", "FINAL RESERVE SUMMARY DETAILS"})
    EXPECT_NE(text.find(section), std::string::npos) << section;
  hostdb::HostAdmin admin(windowDb.iniFile);
  EXPECT_TRUE(admin.readArray({"EWR total flow assurance", 1, "River sites"}).has_value());
  EXPECT_TRUE(admin.readArray({"EWR low flow assurance", 1, "River sites"}).has_value());
  EXPECT_TRUE(admin.readTimeSeries({"EWR total flow series", 1, "River sites"}).has_value());
  EXPECT_TRUE(admin.readMemo({"EWR report", 1, "River sites"}).has_value());

  // The same sequence headless.
  cli::RunOptions o;
  o.ini = headlessDb.iniFile.string();
  o.record = headlessDb.requestRecord;
  std::ostringstream out, err;
  cli::RunSummary headless;
  ASSERT_EQ(cli::runRequest(o, out, err, &headless), 0) << err.str();
  EXPECT_EQ(headless.criticalWetMonth, state->hydrology.criticalWetMonth);
  EXPECT_EQ(headless.criticalDryMonth, state->hydrology.criticalDryMonth);
  EXPECT_EQ(headless.maxBaseflowWet, state->hydrology.maxBaseflowWet);
  EXPECT_EQ(headless.maxBaseflowDry, state->hydrology.maxBaseflowDry);
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(headless.meanLowEwr[c], state->ewr.meanLowEwr[c]) << c;
    EXPECT_EQ(headless.meanTotalEwr[c], state->ewr.meanTotalEwr[c]) << c;
  }
}

TEST(WholeModel, WindowsAndHeadlessStepsAskTheSameQuestionsInTheSameOrder) {
  oewr::testing::TempDir dir;
  const auto [windowDb, headlessDb] = twoDemoDatabases(dir.path());

  std::vector<Question> windowQuestions;
  {
    auto state = makeModelState();
    ScriptUi ui;
    runEveryWindow(windowDb, dir.path(), *state, ui);
    if (HasFatalFailure()) return;
    windowQuestions = ui.questions;
  }

  auto state = makeModelState();
  RecordingUi ui;
  hostdb::Ttable_save saveDialog;
  ModelWindows windows;
  TForm1 form(*state, ui, saveDialog, windows);
  form.FormCreate({headlessDb.iniFile.string(), std::to_string(headlessDb.requestRecord)}, dir.path().string());
  ASSERT_EQ(form.Button1, TForm1::kRunModel);
  hostdb::Ttxtab& tx = *form.hostTables();
  runHydrologyStep(*state, tx, ui, saveDialog, HydrologyOptions{});
  hydraulics::runHydraulicsStep(*state, tx, ui, saveDialog, hydraulics::HydraulicsOptions{});
  runEcologyStep(*state, tx, ui, saveDialog, EcologyOptions{});
  runFloodStep(*state, tx, ui, saveDialog, FloodOptions{});
  runEwrStep(*state, tx, ui, saveDialog, EwrOptions{});

  const Question variability{hydraulics::kHydraulicsCaption,
                             "Replace hydro. Variability table value with estimate from hydrology?"};
  const Question shifts{TForm5::kCaption, TForm5::kRestoreQuestion};
  const Question save{TForm7::kCaption, "Selected category is B Do you wish to continue?"};
  EXPECT_EQ(windowQuestions, (std::vector<Question>{variability, shifts, save}));
  EXPECT_EQ(ui.asked, windowQuestions);
  // Both answered Yes: the shifts in force are the defaults.
  for (int s = 0; s < 2; ++s)
    for (int c = 0; c < kCategoryCount; ++c) {
      EXPECT_NEAR(state->site.highShift[s][c], state->ecology.defaultHighShift[s][c], 0.001f) << s << " " << c;
      EXPECT_NEAR(state->site.lowShift[s][c], state->ecology.defaultLowShift[s][c], 0.001f) << s << " " << c;
    }
}
