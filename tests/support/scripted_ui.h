#pragma once
// A Ui for tests: quiet, it records every message and question in order,
// answers questions and file dialogs from a script and lets a test act on
// each modal window as it opens.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/ui.h"

namespace oewr::testing {

class ScriptedUi : public Ui {
 public:
  struct Message {
    std::string caption, text;
  };
  std::vector<Message> messages;
  std::vector<std::string> questions;
  std::vector<std::pair<std::string, std::string>> asked;  // caption and text of each question
  std::deque<bool> answers;  // consumed by askYesNo; empty → defaultAnswer
  bool defaultAnswer = true;
  std::optional<std::string> openFile;
  std::optional<std::string> saveFile;
  std::deque<std::optional<std::string>> saveFiles;  // consumed by pickSaveFile; empty → saveFile
  std::vector<FileDialogOptions> saveDialogs;         // what each save dialog asked
  // Called for each modal window; returns the modal result. Default: mrCancel.
  std::function<int(ModalForm&)> onModal;
  std::function<int(hostdb::Ttable_save&)> onTableSave;
  std::function<bool(const std::string&, int)> onLock;

  void showMessage(const std::string& caption, const std::string& text) override {
    messages.push_back({caption, text});
  }
  bool askYesNo(const std::string& caption, const std::string& text) override {
    questions.push_back(text);
    asked.emplace_back(caption, text);
    if (answers.empty()) return defaultAnswer;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> pickOpenFile(const FileDialogOptions&) override { return openFile; }
  std::optional<std::string> pickSaveFile(const FileDialogOptions& dialog) override {
    saveDialogs.push_back(dialog);
    if (saveFiles.empty()) return saveFile;
    auto f = saveFiles.front();
    saveFiles.pop_front();
    return f;
  }
  int showModal(ModalForm& form) override { return onModal ? onModal(form) : mrCancel; }
  int showTableSave(hostdb::Ttable_save& d) override { return onTableSave ? onTableSave(d) : mrCancel; }
  bool keepWaitingForLock(const std::string& table, int waitedMs) override {
    return onLock ? onLock(table, waitedMs) : waitedMs < 5000;
  }

  bool said(const std::string& text) const {
    for (const auto& m : messages)
      if (m.text == text) return true;
    return false;
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> t;
    for (const auto& m : messages) t.push_back(m.text);
    return t;
  }
};

}  // namespace oewr::testing
