#pragma once
// TForm2, the sub-model menu: a button for each of the model's steps, in
// their order, each gated on the tick of the step it follows, and the report
// review.
#include <cstddef>
#include <string>
#include <vector>

#include "common/ui.h"
#include "menu/submodel_windows.h"
#include "process/run_context.h"

namespace oewr::menu {

class TForm2 : public ModalForm {
 public:
  static constexpr const char* kCaption = "Orvane Environmental Water Requirement Model : Sub-model Menu";

  TForm2(process::RunContext& ctx, SubModelWindows& windows);
  std::string formCaption() const override { return kCaption; }

  std::string Label1;  // the request's description
  std::string Label2 = "Software Version No: 1.1 (Dated 3 August 2017)";
  // The button of each step and its tick (process::modelSteps() names
  // them), in the order of the steps. The user can tick and untick them too.
  struct StepButton {
    std::string caption;
    std::string tickCaption;
    bool ticked = false;
  };
  std::vector<StepButton> stepButtons;
  std::string Button5 = "Review Report";

  // Opens the window of the step at `index` of the list when the tick its
  // button follows is set, and ticks it when the window closes through its
  // own return; otherwise says what to complete first.
  void stepButtonClick(std::size_t index);
  void Button5Click();
  void close() { modalResult = mrCancel; }

 private:
  process::RunContext& ctx_;
  SubModelWindows& windows_;
};

}  // namespace oewr::menu
