#pragma once
// The Ui of the desktop program: Qt message boxes, questions, file dialogs,
// and a modal view for each form class.
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>

#include "common/ui.h"

class QDialog;
class QProgressDialog;

namespace oewr::gui {

class QtUi : public Ui {
 public:
  explicit QtUi(QWidget* parent = nullptr) : parent_(parent) {}
  ~QtUi() override;

  void setParent(QWidget* parent) { parent_ = parent; }
  void showMessage(const std::string& caption, const std::string& text) override;
  bool askYesNo(const std::string& caption, const std::string& text) override;
  std::optional<std::string> pickOpenFile(const FileDialogOptions& dialog) override;
  std::optional<std::string> pickSaveFile(const FileDialogOptions& dialog) override;
  int showModal(ModalForm& form) override;
  int showTableSave(hostdb::Ttable_save& dialog) override;
  bool keepWaitingForLock(const std::string& table, int waitedMs) override;

  // A view for a form class: builds a dialog showing the form; the dialog
  // closes when the form's modalResult is set.
  using ViewMaker = std::function<std::unique_ptr<QDialog>(ModalForm&, QtUi&, QWidget* parent)>;
  template <typename Form>
  static void registerView(ViewMaker maker) {
    makers()[std::type_index(typeid(Form))] = std::move(maker);
  }
  // Called by the table-save view (registered by it).
  static std::function<int(hostdb::Ttable_save&, QWidget*)>& tableSaveView();

  // Views of the model's forms are registered once at start.
  static void registerModelViews();

 private:
  static std::map<std::type_index, ViewMaker>& makers();
  QWidget* parent_;
  QProgressDialog* lockDialog_ = nullptr;
};

// "Text File |*.txt" → "Text File (*.txt)"
QString qtFilter(const std::string& filter);

}  // namespace oewr::gui
