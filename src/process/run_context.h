#pragma once
// What every window of one run shares: the model state, the host table
// module, the person (Ui) and the table-save dialog that lives for the run.
#include <string>

#include "common/ui.h"
#include "process/model_state.h"

namespace oewr::hostdb {
class Ttxtab;
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::process {

struct RunContext {
  ModelState& state;
  hostdb::Ttxtab& tx;
  Ui& ui;
  hostdb::Ttable_save& saveDialog;
};

// Shows the sub-model menu of a run ("Run Model"). The menu layer gives it
// to the process window, which does not reach up to the menu itself.
class RunMenu {
 public:
  virtual ~RunMenu() = default;
  virtual void showMenu(RunContext& ctx, const std::string& description) = 0;
};

}  // namespace oewr::process
