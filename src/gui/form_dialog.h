#pragma once
// The base of every modal view: a dialog on a form class that runs the
// form's handlers, shows the form again after each, and closes itself once
// the form sets a modal result.
#include <QDialog>
#include <functional>

#include "common/ui.h"
#include "gui/guarded_action.h"

namespace oewr::gui {

class FormDialog : public QDialog {
 public:
  FormDialog(ModalForm& form, QWidget* parent) : QDialog(parent), form_(form) {}

  // Runs a handler; an error that ends the action is shown, never lost.
  template <typename F>
  void act(F handler) {
    runShowingErrors(handler, reportError);
    if (form_.modalResult != mrNone) {
      done(form_.modalResult);
      return;
    }
    if (refresh) refresh();
  }
  std::function<void()> refresh;
  std::function<void(const std::string&)> reportError = [](const std::string&) {};

 protected:
  // The close box closes without a result.
  void reject() override {
    form_.modalResult = mrCancel;
    QDialog::reject();
  }

 private:
  ModalForm& form_;
};

}  // namespace oewr::gui
