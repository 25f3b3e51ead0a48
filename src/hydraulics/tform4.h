#pragma once
// TForm4, the hydraulics window as plain data: the parameter table and the
// observed-data table with the texts the person sees and types, the
// information list, the two charts and the mode flags; with the handlers
// that check, estimate and run.
#include <array>
#include <string>
#include <vector>

#include "common/ui.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/hydraulics_charts.h"
#include "process/model_state.h"

namespace oewr::hydraulics {

// An editable grid of texts, cell(col, row) as the window shows it.
class StringGrid {
 public:
  StringGrid(int colCount, int rowCount);
  int colCount() const { return cols_; }
  int rowCount() const { return rows_; }
  // A cell outside the grid throws RangeError.
  std::string& cell(int col, int row);
  const std::string& cell(int col, int row) const;

  bool visible = true;
  bool enabled = true;
  std::vector<int> colWidths;  // pixels

 private:
  std::size_t index(int col, int row) const;
  int cols_;
  int rows_;
  std::vector<std::string> cells_;
};

// One row of a parameter table: the stored position of the value in
// siteParameters, the row label and the display format.
struct ParameterRow {
  int position;
  const char* label;
  const char* format;
};
extern const std::array<ParameterRow, 16> kParameterRows;  // rows 1 .. 16
extern const std::array<ParameterRow, 6> kObservedRows;    // rows 1 .. 6

class TForm4 : public ModalForm {
 public:
  TForm4(ModelState& state, Ui& ui);
  std::string formCaption() const override { return caption; }

  std::string caption = kHydraulicsCaption;
  StringGrid parameterGrid{2, 17};  // "Hydraulic Parameters"
  StringGrid observedGrid{2, 7};    // "Obs. Hydraulic Data"
  std::vector<std::string> informationLines;
  HydraulicsCharts charts;
  bool observedMode = false;  // surveyed section in use
  bool savedMode = false;     // saved section in use

  // Opening: the checks, the tables, the charts; "Re-Calc Parameters" when
  // the maximum depth is 0; then the model run on synthetic sections.
  void FormCreate();
  // The checks of the parameters when the window opens, and the tables.
  void checkParametersOnOpen();
  // "Re-Calc Parameters": estimates the channel parameters from the zone,
  // the valley slope and the width, then "Re-Plot Graphs".
  void recalcParameters();
  // "Re-Plot Graphs": reads rows 6 to 16 and runs the model.
  void rePlotGraphs();

  void fillParameterTable();
  void fillObservedTable();
  // Shows the value of a parameter row (1 .. 16) with the row's format.
  void showParameterRow(int row);
  // The number typed in a row (1 .. 16) of the parameter table, or of the
  // observed-data table (1 .. 6). Text that is no number ends the action with
  // a ModelError naming the table, the row and the text.
  float readParameterRow(int row) const;
  float readObservedRow(int row) const;
  // Reads rows first .. last of the parameter table into the parameters.
  void readParameterTable(int firstRow, int lastRow);
  // Reads the observed-data table into the observed set.
  void readObservedTable();

 private:
  // The zone number: the whole number in row 1.
  int readZoneNumber() const;
  // The hydrological-variability question; on Yes the index replaces the
  // value and row 3 shows it.
  void offerVariabilityFromHydrology();

  ModelState& state_;
  Ui& ui_;
};

}  // namespace oewr::hydraulics
