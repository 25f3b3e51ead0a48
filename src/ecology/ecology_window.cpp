#include "ecology/ecology_window.h"

#include <cmath>
#include <filesystem>

#include "common/errors.h"
#include "common/text_format.h"
#include "ecology/ecology_report.h"
#include "ecology/process_data.h"
#include "hostdb/table_save.h"
#include "hydraulics/habitat_diagram_window.h"

namespace oewr::ecology {

namespace {

using ecology::kDry;
using ecology::kNatural;
using ecology::kPresentDay;
using ecology::kScenario;
using ecology::kWet;

// Series of the stress frequency charts and of the flow duration chart.
constexpr int kFrequencyNatural = 0;
constexpr int kFrequencyPresent = 1;
constexpr int kFrequencyScenario = 2;
constexpr int kFrequencyFirstCategory = 3;
constexpr int kDurationNatural = 0;
constexpr int kDurationPresent = 1;
constexpr int kDurationFirstCategory = 2;

constexpr std::array<int, 4> kShownCategories = {0, 2, 4, 6};  // A, B, C, D
constexpr std::array<const char*, 4> kShownNames = {"A", "B", "C", "D"};
const std::array<charting::Color, 4> kCategoryColors = {charting::kGreen, charting::kBlue, charting::kFuchsia,
                                                        charting::kRed};

constexpr std::array<const char*, 4> kChartItems = {"Flow v Stress Curve", "Wet Season Stress Frequency",
                                                    "Dry Season Stress Frequency", "Flow Duration Curve"};
constexpr std::array<const char*, 4> kChartDialogTitles = {"Stress v Flow Curves", "Wet Season Stress Frequency Curves",
                                                           "Dry Season Stress Frequency Curves",
                                                           "Flow Duration Curves"};

constexpr std::array<const char*, 8> kShiftRowNames = {"Wet A", "Wet B", "Wet C", "Wet D",
                                                       "Dry A", "Dry B", "Dry C", "Dry D"};
constexpr std::array<const char*, 4> kShiftColumnNames = {"Default HIGH", "Current HIGH", "Default LOW",
                                                          "Current LOW"};
constexpr std::array<const char*, 4> kWeightRowNames = {"Stress at zero FS", "FS Weight", "FI Weight", "FD Weight"};
constexpr std::array<const char*, 7> kClassNames = {"SVS", "SS", "SD", "FVS", "FS", "FI", "FD"};

// Stress at zero FS a weight save accepts: its table level must lie
// strictly between the baseflow discharge and zero flow.
constexpr double kLowestStressAtZeroFs = 0.5;
constexpr double kHighestStressAtZeroFs = 9.5;

const char* seasonWord(int season) { return season == kWet ? "wet" : "dry"; }

void setUpFrequencyChart(charting::Chart& chart, const char* name, const char* title) {
  chart.name = name;
  chart.title = title;
  chart.bottomAxis.title = "% Time Equalled or Exceeded";
  chart.leftAxis.title = "Stess Index";
  chart.addSeries("Nat.", charting::SeriesKind::Line, charting::kBlack, 2);
  chart.addSeries("P.Day", charting::SeriesKind::Line, charting::kGray, 2);
  chart.addSeries("Scenario", charting::SeriesKind::Line, charting::kNavy, 2);
  for (std::size_t i = 0; i < kShownNames.size(); ++i)
    chart.addSeries(kShownNames[i], charting::SeriesKind::Line, kCategoryColors[i]);
}

double duration(int32_t position, int32_t n) {
  return static_cast<double>(static_cast<float>((n - position) * 100) / static_cast<float>(n));
}

int optionWithin(int option, int last) { return option >= 0 && option <= last ? option : 0; }

bool presentDayWholeYear(const ModelState& state) { return state.site.presentFlows.header.count >= 12; }

// The number in a grid cell; text that is no number is refused with a
// message naming the table, the row and the column.
float cellNumber(const StringGrid& grid, int col, int row, const char* table, const char* rowName,
                 const char* colName) {
  double v = 0;
  if (!parseNumber(grid.cell(col, row), v))
    throw ModelError(std::string(table) + ", row \"" + rowName + "\", column \"" + colName + "\": '" +
                     grid.cell(col, row) + "' is not a valid number; nothing was saved");
  return static_cast<float>(v);
}

}  // namespace

TForm5::TForm5(ModelState& state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog)
    : state_(state), tx_(tx), ui_(ui), saveDialog_(saveDialog), work_(std::make_unique<ecology::EcologyWork>()) {
  Chart1.name = "Chart1";
  Chart1.title = "Flow v Stress Relationships";
  Chart1.bottomAxis.title = "Flow (cumecs)";
  Chart1.leftAxis.title = "Stess Index";
  Chart1.addSeries("Wet", charting::SeriesKind::Line, charting::kBlack, 2);
  Chart1.addSeries("dry", charting::SeriesKind::Line, charting::kGray, 2);
  setUpFrequencyChart(Chart2, "Chart2", "Stress Frequency Curves (Wet)");
  setUpFrequencyChart(Chart3, "Chart3", "Stress Frequency Curves (Dry)");
  Chart4.name = "Chart4";
  Chart4.title = "Flow Duration Curves";
  Chart4.bottomAxis.title = "% Time Equalled or Exceeded";
  Chart4.leftAxis.title = "Flow (cumecs)";
  Chart4.addSeries("Nat.", charting::SeriesKind::Line, charting::kBlack, 2);
  Chart4.addSeries("P.Day", charting::SeriesKind::Line, charting::kGray, 2);
  for (std::size_t i = 0; i < kShownNames.size(); ++i)
    Chart4.addSeries(kShownNames[i], charting::SeriesKind::Line, kCategoryColors[i]);
  for (const char* item : kChartItems) CheckListBox1.items.push_back({item, false});
  makeHabitatDiagram = hydraulics::makeHabitatDiagram;
}

void TForm5::fillShiftGrid(bool withDefaults) {
  for (int col = 1; col <= 4; ++col) StringGrid1.cell(col, 0) = kShiftColumnNames[static_cast<std::size_t>(col - 1)];
  for (int s = 0; s < 2; ++s) {
    for (int c : kShownCategories) {
      const int row = shiftRow(s, c);
      StringGrid1.cell(0, row) = kShiftRowNames[static_cast<std::size_t>(row - 1)];
      if (withDefaults) {
        StringGrid1.cell(1, row) = formatText("%5.3f", state_.ecology.defaultHighShift[s][c]);
        StringGrid1.cell(3, row) = formatText("%5.3f", state_.ecology.defaultLowShift[s][c]);
      }
      StringGrid1.cell(2, row) = formatText("%5.3f", state_.site.highShift[s][c]);
      StringGrid1.cell(4, row) = formatText("%5.3f", state_.site.lowShift[s][c]);
    }
  }
}

void TForm5::fillWeightGrid() {
  StringGrid2.cell(0, 0) = "Parameter";
  StringGrid2.cell(1, 0) = "Wet Season";
  StringGrid2.cell(2, 0) = "Dry Season";
  for (int row = 1; row <= 4; ++row) StringGrid2.cell(0, row) = kWeightRowNames[static_cast<std::size_t>(row - 1)];
  for (int s = 0; s < 2; ++s) {
    StringGrid2.cell(s + 1, 1) = formatText("%5.1f", state_.site.stressAtZeroFs[s]);
    StringGrid2.cell(s + 1, 2) = formatText("%5.1f", state_.site.fsWeight[s]);
    StringGrid2.cell(s + 1, 3) = formatText("%5.1f", state_.site.fiWeight[s]);
    StringGrid2.cell(s + 1, 4) = formatText("%5.1f", state_.site.fdWeight[s]);
  }
}

void TForm5::fillHabitatGrids() {
  for (int s = 0; s < 2; ++s) {
    StringGrid& grid = s == kWet ? wetg : dryg;
    const int32_t b = s == kWet ? state_.hydraulics.wetBaseflowStage : state_.hydraulics.dryBaseflowStage;
    const int month = s == kWet ? state_.hydrology.criticalWetMonth : state_.hydrology.criticalDryMonth;
    const float depth = s == kWet ? state_.hydraulics.wetBaseflowDepth : state_.hydraulics.dryBaseflowDepth;
    grid.cell(0, 0) = "VD Class";
    grid.cell(1, 0) = "Mean %";
    for (int c = 0; c < hydraulics::kHabitatClassCount; ++c)
      grid.cell(0, c + 1) = kClassNames[static_cast<std::size_t>(c)];
    grid.cell(0, 9) = "T.Width (m)";
    const bool stageKnown = hydraulics::StageArray::inBounds(b);
    if (stageKnown) {
      for (int c = 0; c < hydraulics::kHabitatClassCount; ++c)
        grid.cell(1, c + 1) = formatText("%4.1f", state_.hydraulics.stageClassShare[c][b]);
      grid.cell(1, 9) = formatText("%8.3f", state_.hydraulics.stageWidth[b]);
    }
    const std::string monthName =
        month >= 1 && month <= 12 ? kMonthNames[static_cast<std::size_t>(month - 1)] : std::string();
    std::string& monthLabel = s == kWet ? wetMonthLabel : dryMonthLabel;
    std::string& depthLabel = s == kWet ? wetDepthLabel : dryDepthLabel;
    monthLabel = "% Habitats for Max. Baseflow : " + monthName;
    depthLabel = "Depth = " + formatText("%8.3f", depth) + " : Discharge = " +
                 formatText("%10.3f", stageKnown ? state_.hydraulics.stageDischarge[b] : 0.0f);
  }
}

void TForm5::prepareWindow() {
  state_.ecology.shiftsAltered = false;
  fillShiftGrid(false);
  fillWeightGrid();
  fillHabitatGrids();
  RadioGroup1.itemIndex = optionWithin(state_.site.perennialOption, 2);
  ready_ = true;
}

void TForm5::clearRequirements() {
  for (int m = 0; m < 12; ++m)
    for (int c = 0; c < kCategoryCount; ++c) state_.ecology.ecoLowReq[m][c].fill(0.0f);
  state_.ecology.ecoRankCount.fill(0);
}

void TForm5::FormCreate() {
  prepareWindow();
  setAlignSelection(optionWithin(state_.site.alignStressOption, 7));
  RadioGroup2.enabled = state_.site.presentFlows.header.count >= 1;
  clearRequirements();
  Button1Click();
  // A run that stopped leaves no defaults to restore.
  if (runComplete_ && state_.ecology.shiftsAltered && ui_.askYesNo(kCaption, kRestoreQuestion)) {
    Button14Click();
    Button12Click();
  }
}

void TForm5::setPerennialSelection(int option) {
  if (RadioGroup1.itemIndex == option) return;
  RadioGroup1.itemIndex = option;
  RadioGroup1Click();
}

void TForm5::setAlignSelection(int option) {
  if (RadioGroup2.itemIndex == option) return;
  RadioGroup2.itemIndex = option;
  RadioGroup2Click();
}

void TForm5::runGuarded(void (TForm5::*action)()) {
  try {
    (this->*action)();
  } catch (const ActionStopped&) {
  } catch (const ModelError& e) {
    ui_.showMessage(kCaption, e.what());
  }
}

void TForm5::Button1Click() { runGuarded(&TForm5::processData); }

void TForm5::processData() {
  if (!ready_) return;
  if (RadioGroup2.itemIndex >= 1 && !presentDayWholeYear(state_)) {
    ui_.showMessage(kCaption, kNoPresentDayAlignment);
    RadioGroup2.itemIndex = 0;
  }
  if (RadioGroup2.itemIndex >= 1) {
    state_.ecology.shiftsAltered = true;
  } else if (state_.site.alignStressOption >= 1) {
    // Alignment was switched off: the shifts go back to their defaults,
    // which a run of this window must have computed first.
    state_.ecology.shiftsAltered = false;
    if (!defaultsFresh_) {
      ecology::computeEcology(state_, *work_, RadioGroup1.itemIndex, 0, ui_, kCaption);
      defaultsFresh_ = true;
    }
    Button14Click();
    saveShiftTable();
    state_.site.alignStressOption = 0;
  }
  Button4.enabled = true;

  runComplete_ = false;
  ecology::computeEcology(state_, *work_, RadioGroup1.itemIndex, RadioGroup2.itemIndex, ui_, kCaption);
  defaultsFresh_ = true;
  showResults();
  Button3.enabled = true;
  storeParameters();
  runComplete_ = true;
}

void TForm5::showResults() {
  fillShiftGrid(true);
  plotCharts();
}

void TForm5::plotCharts() {
  const ecology::EcologyWork& w = *work_;
  Chart1.clearAll();
  for (int s = 0; s < 2; ++s)
    for (int j = 0; j < kStressLevelCount; ++j)
      Chart1.series[static_cast<std::size_t>(s)].add(state_.ecology.stressFlow[s][j], state_.ecology.stressLevel[s][j]);
  Chart1.changed();

  for (int s = 0; s < 2; ++s) {
    charting::Chart& chart = s == kWet ? Chart2 : Chart3;
    chart.clearAll();
    const std::array<int, 3> kindSeries = {kFrequencyNatural, kFrequencyPresent, kFrequencyScenario};
    for (int kind = kNatural; kind <= kScenario; ++kind) {
      const int32_t n = w.yearCount[kind][s];
      auto& series = chart.series[static_cast<std::size_t>(kindSeries[static_cast<std::size_t>(kind)])];
      for (int32_t j = 0; j < n; ++j) series.add(duration(j, n), state_.ecology.stressSeries[s][kind][j]);
    }
    const int32_t n = w.curveCount[s];
    for (std::size_t i = 0; i < kShownCategories.size(); ++i) {
      auto& series = chart.series[kFrequencyFirstCategory + i];
      for (int32_t r = 0; r < n; ++r) series.add(duration(r, n), w.categoryCurve[s][kShownCategories[i]][r]);
    }
    chart.changed();
  }

  const int s = rg1.itemIndex == 1 ? kDry : kWet;
  Chart4.clearAll();
  for (int kind = kNatural; kind <= kPresentDay; ++kind) {
    const int32_t n = w.yearCount[kind][s];
    auto& series = Chart4.series[static_cast<std::size_t>(kind == kNatural ? kDurationNatural : kDurationPresent)];
    for (int32_t r = 0; r < n; ++r) series.add(duration(r, n), w.seasonFlows[kind][s][r]);
  }
  const int32_t n = w.curveCount[s];
  for (std::size_t i = 0; i < kShownCategories.size(); ++i) {
    auto& series = Chart4.series[kDurationFirstCategory + i];
    const auto& flows = w.categoryFlows[s][kShownCategories[i]];
    for (int32_t r = 0; r < n; ++r) series.add(duration(r, n), flows[n - 1 - r]);
  }
  Chart4.changed();
}

void TForm5::storeParameters() { hostdb::saveEcologicalParameters(state_, tx_, saveDialog_); }

void TForm5::Button14Click() {
  for (int s = 0; s < 2; ++s)
    for (int c : kShownCategories) {
      const int row = shiftRow(s, c);
      StringGrid1.cell(2, row) = formatText("%5.3f", state_.ecology.defaultHighShift[s][c]);
      StringGrid1.cell(4, row) = formatText("%5.3f", state_.ecology.defaultLowShift[s][c]);
    }
}

void TForm5::saveShiftTable() {
  // Every cell is read before anything changes, so a refused cell loses nothing.
  SeasonCategoryValues high = state_.site.highShift;
  SeasonCategoryValues low = state_.site.lowShift;
  for (int s = 0; s < 2; ++s)
    for (int c : kShownCategories) {
      const int row = shiftRow(s, c);
      const char* rowName = kShiftRowNames[static_cast<std::size_t>(row - 1)];
      high[s][c] = cellNumber(StringGrid1, 2, row, "Shift table", rowName, "Current HIGH");
      low[s][c] = cellNumber(StringGrid1, 4, row, "Shift table", rowName, "Current LOW");
    }

  state_.ecology.shiftsAltered = false;
  for (int s = 0; s < 2; ++s)
    for (int c : kShownCategories) {
      state_.site.highShift[s][c] = high[s][c];
      state_.site.lowShift[s][c] = low[s][c];
      if (std::fabs(high[s][c] - state_.ecology.defaultHighShift[s][c]) > 0.001f ||
          std::fabs(low[s][c] - state_.ecology.defaultLowShift[s][c]) > 0.001f)
        state_.ecology.shiftsAltered = true;
    }
  for (auto* table : {&state_.site.highShift, &state_.site.lowShift})
    for (int s = 0; s < 2; ++s)
      for (int c = 1; c < kCategoryCount; c += 2) (*table)[s][c] = ((*table)[s][c - 1] + (*table)[s][c + 1]) / 2;
  state_.site.perennialOption = RadioGroup1.itemIndex;
  state_.site.alignStressOption = RadioGroup2.itemIndex;
  storeParameters();
  processData();
}

void TForm5::Button12Click() { runGuarded(&TForm5::saveShiftTable); }

void TForm5::Button5Click() {
  shiftPanelVisible = false;
  Button12Click();
}

void TForm5::saveWeightTable() {
  std::array<std::array<float, 4>, 2> weights{};
  for (int s = 0; s < 2; ++s) {
    const char* colName = s == kWet ? "Wet Season" : "Dry Season";
    for (int row = 1; row <= 4; ++row)
      weights[static_cast<std::size_t>(s)][static_cast<std::size_t>(row - 1)] =
          cellNumber(StringGrid2, s + 1, row, "Stress weights", kWeightRowNames[static_cast<std::size_t>(row - 1)],
                     colName);
    // Weights adding up to less than 0.1 are replaced by the defaults,
    // stress at zero FS included; otherwise it must fit the table.
    const auto& w = weights[static_cast<std::size_t>(s)];
    const bool inUse = w[1] + w[2] + w[3] >= 0.1f;
    const double s0 = w[0];
    if (inUse && (s0 < kLowestStressAtZeroFs || s0 > kHighestStressAtZeroFs))
      throw ModelError(std::string("Stress at zero FS of the ") + seasonWord(s) + " season must lie between 0.5 and "
                       "9.5; " + trim(StringGrid2.cell(s + 1, 1)) + " was entered and nothing was saved");
  }
  for (int s = 0; s < 2; ++s) {
    const auto& w = weights[static_cast<std::size_t>(s)];
    state_.site.stressAtZeroFs[s] = w[0];
    state_.site.fsWeight[s] = w[1];
    state_.site.fiWeight[s] = w[2];
    state_.site.fdWeight[s] = w[3];
  }
  state_.site.perennialOption = RadioGroup1.itemIndex;
  state_.site.alignStressOption = RadioGroup2.itemIndex;
  storeParameters();
  processData();
  // New weights bring the shifts back to their new defaults.
  Button14Click();
  saveShiftTable();
}

void TForm5::Button13Click() { runGuarded(&TForm5::saveWeightTable); }

void TForm5::Button7Click() {
  weightPanelVisible = false;
  Button13Click();
}

void TForm5::Button4Click() {
  if (!Button4.enabled) return;
  if (!state_.reportLines) {
    ui_.showMessage(kCaption, kNoReport);
    return;
  }
  const auto lines = ecology::ecologyReportLines(state_, RadioGroup1.itemIndex, RadioGroup2.itemIndex);
  state_.reportLines->insert(state_.reportLines->end(), lines.begin(), lines.end());
}

void TForm5::Button10Click() {
  const std::array<const charting::Chart*, 4> charts = {&Chart1, &Chart2, &Chart3, &Chart4};
  for (std::size_t i = 0; i < charts.size(); ++i) {
    if (i >= CheckListBox1.items.size() || !CheckListBox1.items[i].checked) continue;
    FileDialogOptions dialog;
    dialog.filter = "Windows Bitmap|*.bmp";
    dialog.defaultExtension = "bmp";
    dialog.initialDirectory = state_.site.dataDirectory;
    dialog.title = kChartDialogTitles[i];
    const auto chosen = ui_.pickSaveFile(dialog);
    if (!chosen) continue;  // a cancelled dialog skips this chart only
    std::filesystem::path path(*chosen);
    if (!path.has_extension()) path += ".bmp";
    if (!saveChartPicture) {
      ui_.showMessage(kCaption, "Charts cannot be saved as pictures here; " + path.string() + " was not written");
      continue;
    }
    if (!saveChartPicture(*charts[i], path.string()))
      ui_.showMessage(kCaption, "The chart could not be written to " + path.string());
  }
  outputPanelVisible = false;
}

void TForm5::Button11Click() {
  FileDialogOptions dialog;
  dialog.filter = "Text File|*.txt";
  dialog.defaultExtension = "txt";
  dialog.initialDirectory = state_.site.dataDirectory;
  const auto chosen = ui_.pickOpenFile(dialog);
  if (!chosen) return;
  try {
    fsrtValues = ecology::readFsrtFile(*chosen);
  } catch (const ModelError& e) {
    ui_.showMessage(kCaption, e.what());
    return;
  }
  Button1Click();
}

void TForm5::Button2Click() {
  if (!makeHabitatDiagram) {
    ui_.showMessage(kCaption, "The habitat frequency diagram is not available");
    return;
  }
  std::unique_ptr<ModalForm> diagram = makeHabitatDiagram(state_, ui_);
  if (diagram) ui_.showModal(*diagram);
}

void TForm5::Button3Click() {
  if (!Button3.enabled) return;
  modalResult = mrOK;
}

}  // namespace oewr::ecology
