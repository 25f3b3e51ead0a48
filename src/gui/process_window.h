#pragma once
// The view of TForm1, the process window.
#include <QMainWindow>

#include "process/tform1.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QCheckBox;

namespace oewr::gui {

class ProcessWindow : public QMainWindow {
 public:
  explicit ProcessWindow(TForm1& form, QWidget* parent = nullptr);
  void refresh();  // shows the form's state
  QPushButton* actionButton() const { return button1_; }
  QTableWidget* grid() const { return grid_; }

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void fillGrid();
  TForm1& form_;
  QLabel* label1_;
  QLabel* label2_;
  QLabel* label3_;
  QProgressBar* gauge_;
  QPushButton* button1_;
  QTableWidget* grid_;
  QCheckBox* filter_;
  bool filling_ = false;
};

}  // namespace oewr::gui
