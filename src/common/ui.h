#pragma once
// The only way the model talks to a person. The desktop program implements it
// with real dialogs, tests script it, and the headless run answers by its
// stated policy and prints every message it would have shown.
#include <optional>
#include <string>

namespace oewr {

namespace hostdb {
class Ttable_save;
}

// A window shown modally. Its handlers set modalResult to close it.
class ModalForm {
 public:
  virtual ~ModalForm() = default;
  virtual std::string formCaption() const = 0;
  int modalResult = 0;  // 0 while open; mrOK / mrCancel when closed
};

constexpr int mrNone = 0;
constexpr int mrOK = 1;
constexpr int mrCancel = 2;

struct FileDialogOptions {
  std::string filter;            // "Text File |*.txt"
  std::string defaultExtension;  // "txt"
  std::string initialDirectory;
  std::string title;
};

class Ui {
 public:
  virtual ~Ui() = default;
  // A modal message box with an OK button. `caption` names the window that shows it.
  virtual void showMessage(const std::string& caption, const std::string& text) = 0;
  // A modal Yes/No question; true for Yes.
  virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
  virtual std::optional<std::string> pickOpenFile(const FileDialogOptions& dialog) = 0;
  virtual std::optional<std::string> pickSaveFile(const FileDialogOptions& dialog) = 0;
  // Shows a child window modally; returns its modal result.
  virtual int showModal(ModalForm& form) = 0;
  // Shows the table-save dialog; returns mrOK or mrCancel.
  virtual int showTableSave(hostdb::Ttable_save& dialog) = 0;
  // A record another program holds locked: called before each retry, every
  // 500 ms, with the time waited so far. Returns false to give up.
  virtual bool keepWaitingForLock(const std::string& table, int waitedMs) = 0;
};

}  // namespace oewr
