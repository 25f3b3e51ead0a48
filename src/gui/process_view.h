#pragma once
// The view of TForm1, the process window.
#include <QMainWindow>
#include <functional>

#include "process/process_window.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QCheckBox;

namespace oewr::gui {

class ProcessWindow : public QMainWindow {
 public:
  explicit ProcessWindow(process::TForm1& form, QWidget* parent = nullptr);
  // Shows the form's state and the request table; a database error on the
  // way is shown as a message.
  void refresh();
  QPushButton* actionButton() const { return button1_; }
  QTableWidget* grid() const { return grid_; }

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  // Runs a handler, then shows the form again; errors are shown, never let
  // out into the event loop.
  template <typename F>
  void act(F handler);
  bool run(const std::function<void()>& handler);
  void showState();
  void fillGrid();
  process::TForm1& form_;
  QLabel* label1_;
  QLabel* label2_;
  QLabel* label3_;
  QProgressBar* gauge_;
  QPushButton* button1_;
  QTableWidget* grid_;
  QCheckBox* filter_;
};

}  // namespace oewr::gui
