#include "gui/qt_ui.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>

namespace oewr::gui {

QtUi::~QtUi() { delete lockDialog_; }

std::map<std::type_index, QtUi::ViewMaker>& QtUi::makers() {
  static std::map<std::type_index, ViewMaker> m;
  return m;
}

std::function<int(hostdb::Ttable_save&, QWidget*)>& QtUi::tableSaveView() {
  static std::function<int(hostdb::Ttable_save&, QWidget*)> f;
  return f;
}

QString qtFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) out << parts[i].trimmed() + " (" + parts[i + 1].trimmed() + ")";
  return out.join(";;");
}

void QtUi::showMessage(const std::string& caption, const std::string& text) {
  QWidget* p = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent_;
  QMessageBox::information(p, QString::fromStdString(caption), QString::fromStdString(text));
}

bool QtUi::askYesNo(const std::string& caption, const std::string& text) {
  QWidget* p = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent_;
  return QMessageBox::question(p, QString::fromStdString(caption), QString::fromStdString(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> QtUi::pickOpenFile(const FileDialogOptions& dialog) {
  QString f = QFileDialog::getOpenFileName(parent_, QString::fromStdString(dialog.title),
                                           QString::fromStdString(dialog.initialDirectory), qtFilter(dialog.filter));
  if (f.isEmpty()) return std::nullopt;
  return f.toStdString();
}

std::optional<std::string> QtUi::pickSaveFile(const FileDialogOptions& dialog) {
  QFileDialog d(QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent_,
                QString::fromStdString(dialog.title), QString::fromStdString(dialog.initialDirectory),
                qtFilter(dialog.filter));
  d.setAcceptMode(QFileDialog::AcceptSave);
  d.setDefaultSuffix(QString::fromStdString(dialog.defaultExtension));
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
  return d.selectedFiles().front().toStdString();
}

int QtUi::showModal(ModalForm& form) {
  auto it = makers().find(std::type_index(typeid(form)));
  if (it == makers().end()) {
    showMessage(form.formCaption(), "This window is not available in this version.");
    return mrCancel;
  }
  QWidget* p = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent_;
  std::unique_ptr<QDialog> dialog = it->second(form, *this, p);
  form.modalResult = mrNone;
  dialog->setWindowTitle(QString::fromStdString(form.formCaption()));
  dialog->exec();
  return form.modalResult;
}

int QtUi::showTableSave(hostdb::Ttable_save& dialog) {
  if (!tableSaveView()) return mrCancel;
  return tableSaveView()(dialog, QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent_);
}

bool QtUi::keepWaitingForLock(const std::string& table, int waitedMs) {
  if (!lockDialog_) {
    lockDialog_ = new QProgressDialog(parent_);
    lockDialog_->setWindowTitle("Waiting for the host database");
    lockDialog_->setCancelButtonText("Cancel");
    lockDialog_->setRange(0, 0);
    lockDialog_->setMinimumDuration(0);
  }
  if (waitedMs == 0) lockDialog_->reset();
  lockDialog_->setLabelText(QString::fromStdString("A record of " + table +
                                                   " is locked by another program. Waiting for it... (" +
                                                   std::to_string(waitedMs / 1000) + " s)"));
  lockDialog_->show();
  QApplication::processEvents();
  if (lockDialog_->wasCanceled()) {
    lockDialog_->hide();
    return false;
  }
  return true;
}

}  // namespace oewr::gui
