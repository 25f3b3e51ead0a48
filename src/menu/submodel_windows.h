#pragma once
// Creates the sub-model windows that the menu opens, one at a time.
#include <memory>
#include <string>

#include "common/ui.h"
#include "process/model_steps.h"
#include "process/run_context.h"

namespace oewr::menu {

class SubModelWindows : public process::RunMenu {
 public:
  // The window of one of the model's steps (process::modelSteps()).
  virtual std::unique_ptr<ModalForm> create(const process::ModelStep& step, process::RunContext& ctx) = 0;
  // Shows the menu (TForm2) whose buttons open these windows.
  void showMenu(process::RunContext& ctx, const std::string& description) final;
};

// A window for a sub-model that has no window of its own yet: it only returns
// to the menu.
class PlaceholderForm : public ModalForm {
 public:
  explicit PlaceholderForm(std::string title) : title_(std::move(title)) {}
  std::string formCaption() const override { return title_; }
  std::string Button1 = "Return to main menu";
  void Button1Click() { modalResult = mrOK; }

 private:
  std::string title_;
};

// The windows of this program.
class ModelWindows : public SubModelWindows {
 public:
  std::unique_ptr<ModalForm> create(const process::ModelStep& step, process::RunContext& ctx) override;
};

}  // namespace oewr::menu
