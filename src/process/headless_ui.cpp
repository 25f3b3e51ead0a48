#include "process/headless_ui.h"

#include <algorithm>

#include "common/text_format.h"
#include "hostdb/table_save_dialog.h"

namespace oewr::process {

namespace {
constexpr const char* kOverwriteQuestion = "Overwrite existing table? (not undoable)";
}

void HeadlessUi::showMessage(const std::string& caption, const std::string& text) {
  messages_.push_back(text);
  err_ << caption << ": " << text << std::endl;
}

bool HeadlessUi::askYesNo(const std::string& caption, const std::string& text) {
  bool yes = policy_.answerYes;
  if (std::find(policy_.alwaysYes.begin(), policy_.alwaysYes.end(), text) != policy_.alwaysYes.end()) yes = true;
  // A headless run never destroys a table's contents.
  if (text == kOverwriteQuestion) yes = false;
  err_ << caption << ": " << text << " [" << (yes ? "Yes" : "No") << "]" << std::endl;
  return yes;
}

std::optional<std::string> HeadlessUi::pickOpenFile(const FileDialogOptions&) { return std::nullopt; }

std::optional<std::string> HeadlessUi::pickSaveFile(const FileDialogOptions&) {
  if (policy_.reportFile.empty()) return std::nullopt;
  return policy_.reportFile;
}

int HeadlessUi::showModal(ModalForm& form) {
  err_ << form.formCaption() << ": (window not shown in a headless run)" << std::endl;
  return mrCancel;
}

int HeadlessUi::showTableSave(hostdb::Ttable_save& dialog) {
  // The first existing table offered takes the data.
  if (dialog.ListBox1Items.empty()) return mrCancel;
  dialog.ListBox1ItemIndex = 0;
  dialog.ListBox1Click();
  dialog.OKBtnClick();
  err_ << hostdb::Ttable_save::caption << ": saved to " << dialog.ListBox1Items.front() << std::endl;
  return dialog.modalResult;
}

bool HeadlessUi::keepWaitingForLock(const std::string& table, int waitedMs) {
  if (waitedMs >= policy_.lockTimeoutMs) return false;
  if (waitedMs == 0) err_ << "Waiting for a record of " << table << " locked by another program..." << std::endl;
  return true;
}

}  // namespace oewr::process
