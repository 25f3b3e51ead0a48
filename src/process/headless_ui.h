#pragma once
// The Ui of a headless run: prints every message a window would have shown
// and every question with its answer (to standard error, prefixed with the
// window's caption), answers questions by the run's policy, and gives up on
// a locked record after a stated time.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/ui.h"

namespace oewr::process {

struct HeadlessPolicy {
  bool answerYes = true;     // answer to the model's Yes/No questions
  std::vector<std::string> alwaysYes;  // questions answered Yes whatever answerYes says
  int lockTimeoutMs = 60000;  // give up waiting for a locked record after this
  std::string reportFile;    // file chosen where a window asks where to save
};

class HeadlessUi : public Ui {
 public:
  HeadlessUi(HeadlessPolicy policy, std::ostream& err) : policy_(std::move(policy)), err_(err) {}

  void showMessage(const std::string& caption, const std::string& text) override;
  bool askYesNo(const std::string& caption, const std::string& text) override;
  std::optional<std::string> pickOpenFile(const FileDialogOptions& dialog) override;
  std::optional<std::string> pickSaveFile(const FileDialogOptions& dialog) override;
  int showModal(ModalForm& form) override;
  int showTableSave(hostdb::Ttable_save& dialog) override;
  bool keepWaitingForLock(const std::string& table, int waitedMs) override;

  // Every message shown, in order.
  const std::vector<std::string>& messages() const { return messages_; }
  HeadlessPolicy& policy() { return policy_; }

 private:
  HeadlessPolicy policy_;
  std::ostream& err_;
  std::vector<std::string> messages_;
};

}  // namespace oewr::process
