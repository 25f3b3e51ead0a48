#include <gtest/gtest.h>

#include <fstream>

#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "menu/report_review.h"
#include "menu/submodel_menu.h"
#include "menu/submodel_windows.h"
#include "process/model_steps.h"
#include "support/scripted_ui.h"
#include "support/test_host.h"

using namespace oewr;
using namespace oewr::menu;
using namespace oewr::process;
using oewr::testing::NoHost;
using oewr::testing::ScriptedUi;

namespace {

// Sub-model windows that only return to the menu, recording what opened.
class RecordingWindows : public SubModelWindows {
 public:
  std::vector<std::string> opened;
  std::unique_ptr<ModalForm> create(const ModelStep& step, RunContext&) override {
    opened.push_back(step.name);
    return std::make_unique<PlaceholderForm>("step");
  }
};

// The position of a step's button in the menu.
std::size_t buttonOf(const std::string& step) {
  const auto& steps = modelSteps();
  for (std::size_t i = 0; i < steps.size(); ++i)
    if (step == steps[i].name) return i;
  ADD_FAILURE() << "no step " << step;
  return steps.size();
}

struct Menu : NoHost {
  std::unique_ptr<ModelState> state = makeModelState();
  RunContext ctx{*state, tx, ui, dialog};
  RecordingWindows windows;
  TForm2 form{ctx, windows};
  // Windows close through their return button unless told otherwise.
  bool closeBox = false;
  void click(const std::string& step) { form.stepButtonClick(buttonOf(step)); }
  bool& ticked(const std::string& step) { return form.stepButtons.at(buttonOf(step)).ticked; }
  Menu() {
    ui.onModal = [this](ModalForm& f) {
      if (auto* p = dynamic_cast<PlaceholderForm*>(&f); p && !closeBox) {
        p->Button1Click();
        return p->modalResult;
      }
      return mrCancel;
    };
  }
};

}  // namespace

TEST(SubModelMenu, StepsOpenInOrderBehindTheirGates) {
  Menu m;
  m.click("hydraulics");
  EXPECT_TRUE(m.ui.said("Complete the hydrological analysis first please."));
  EXPECT_TRUE(m.windows.opened.empty());
  m.click("ecology");
  EXPECT_TRUE(m.ui.said("Complete the hydraulic analysis first please."));
  m.click("final analysis");
  m.click("floods");
  EXPECT_EQ(m.ui.messages.size(), 4u);
  EXPECT_EQ(m.ui.messages.back().text, "Complete the previous analyses first please.");
  EXPECT_EQ(m.ui.messages.back().caption, TForm2::kCaption);

  m.click("hydrology");
  EXPECT_TRUE(m.ticked("hydrology"));
  m.click("hydraulics");
  EXPECT_TRUE(m.ticked("hydraulics"));
  m.click("ecology");
  EXPECT_TRUE(m.ticked("ecology"));
  // The final analysis needs the ecological step only, not the floods.
  m.click("final analysis");
  EXPECT_TRUE(m.ticked("final analysis"));
  EXPECT_FALSE(m.ticked("floods"));
  m.click("floods");
  EXPECT_TRUE(m.ticked("floods"));
  EXPECT_EQ(m.windows.opened,
            (std::vector<std::string>{"hydrology", "hydraulics", "ecology", "final analysis", "floods"}));
}

TEST(SubModelMenu, CloseBoxLeavesTheStepUnticked) {
  Menu m;
  m.closeBox = true;
  m.click("hydrology");
  EXPECT_FALSE(m.ticked("hydrology"));
  m.click("hydraulics");
  EXPECT_TRUE(m.ui.said("Complete the hydrological analysis first please."));
  // Ticking the box by hand opens the gate the same way.
  m.ticked("hydrology") = true;
  m.closeBox = false;
  m.click("hydraulics");
  EXPECT_TRUE(m.ticked("hydraulics"));
}

TEST(ReportReview, NoReportYet) {
  Menu m;
  TForm8 review(*m.state, m.ui);
  review.FormShow();
  EXPECT_TRUE(m.ui.said("No report has been generated"));
  EXPECT_TRUE(review.Memo1.empty());
}

TEST(ReportReview, TextFileHoldsTheMemoLineForLine) {
  oewr::testing::TempDir dir;
  Menu m;
  m.state->reportLines = std::vector<std::string>{"(Orvane Model outputs for site: X", "HYDROLOGY DATA SUMMARY", "",
                                                   " ", "Critical months: WET : Feb, DRY : Aug"};
  m.state->site.dataDirectory = dir.path().string();
  TForm8 review(*m.state, m.ui);
  review.FormShow();
  ASSERT_EQ(review.Memo1.size(), 5u);
  const std::string file = (dir.path() / "report.txt").string();
  m.ui.saveFile = file;
  review.Button2Click();
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  EXPECT_EQ(lines, review.Memo1);
  // Cancelling the save dialog writes nothing; an unwritable file is reported.
  m.ui.saveFile = (dir.path() / "no-such-dir" / "r.txt").string();
  review.Button2Click();
  EXPECT_EQ(m.ui.messages.size(), 1u);
  EXPECT_NE(m.ui.messages.back().text.find("Cannot create file"), std::string::npos);
  review.Button1Click();
  EXPECT_EQ(review.modalResult, mrOK);
}
