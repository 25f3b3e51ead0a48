#include "hydraulics/hydraulics_window.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "common/checked_int.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/habitat_diagram_window.h"
#include "hydraulics/hydraulics_report.h"
#include "hydraulics/hydraulics_save.h"
#include "hydraulics/observed_section.h"
#include "hydraulics/rating_curve.h"

namespace oewr::hydraulics {

namespace {

const ParameterRow& rowOf(const std::array<ParameterRow, 16>& rows, int row) {
  if (row < 1 || row > 16) throw RangeError("Range check error: parameter table row " + std::to_string(row));
  return rows[static_cast<std::size_t>(row - 1)];
}

const ParameterRow& observedRowOf(int row) {
  if (row < 1 || row > 6) throw RangeError("Range check error: observed-data table row " + std::to_string(row));
  return kObservedRows[static_cast<std::size_t>(row - 1)];
}

float parseCell(const StringGrid& grid, const char* table, int row, const char* label) {
  const std::string& text = grid.cell(1, row);
  double value = 0;
  if (!parseNumber(text, value))
    throw ModelError("'" + text + "' is not a valid floating point value (" + table + ", row " +
                     std::to_string(row) + " \"" + label + "\")");
  return static_cast<float>(value);
}

// A typed value that cannot be its row's parameter ends the action.
float refuseTyped(std::optional<std::string> problem, const char* table, int row, float value) {
  if (problem) throw ModelError(*problem + " (" + table + ", row " + std::to_string(row) + "): nothing was changed");
  return value;
}

// floor(x * 100 + 0.5): values compared to two decimals.
long long round2(float x) { return static_cast<long long>(std::floor(static_cast<double>(x) * 100.0 + 0.5)); }

}  // namespace

TForm4::TForm4(HydraulicsParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog)
    : charts(makeHydraulicsCharts()), state_(state), tx_(tx), ui_(ui), saveDialog_(saveDialog) {
  parameterGrid.cell(0, 0) = "Hydraulic Parameters";
  parameterGrid.cell(1, 0) = "Values";
  parameterGrid.colWidths[0] = 120;
  for (int row = 1; row <= 16; ++row) parameterGrid.cell(0, row) = rowOf(kParameterRows, row).label;
  observedGrid.cell(0, 0) = "Obs. Hydraulic Data";
  observedGrid.cell(1, 0) = "Values";
  observedGrid.colWidths[0] = 120;
  for (int row = 1; row <= 6; ++row) observedGrid.cell(0, row) = observedRowOf(row).label;
  observedGrid.visible = false;
}

void TForm4::FormCreate() {
  opened = true;
  observedGrid.visible = false;
  observedMode = false;
  savedMode = false;
  datag.items[kSavedSectionItem].checked = state_.site.savedXsCount > 0;
  Button7.enabled = state_.site.savedXsCount > 0;
  datag.items[kObservedSectionItem].checked = state_.site.xsPointCount > 0;
  Button6.enabled = state_.site.xsPointCount > 0;
  datag.items[kRatingTableItem].checked = state_.site.ratingCount > 0;
  checkParametersOnOpen();
  resetCharts();
  if (state_.site.siteParameters.maxDepth == 0.0f) {
    // The estimate ends with a run, and the window opens with another on the
    // same parameters: rePlotGraphs makes both.
    openingPairPending_ = true;
    try {
      recalcParameters();
    } catch (...) {
      openingPairPending_ = false;
      throw;
    }
    const bool pairRan = !openingPairPending_;
    openingPairPending_ = false;
    if (pairRan) return;
  }
  runHydraulicModel(state_, ui_, charts);
}

namespace {

// Keeps the messages of a run instead of showing them; any other dialog
// makes the run one that is not taken.
class QuietUi : public Ui {
 public:
  void showMessage(const std::string&, const std::string&) override { silent = false; }
  bool askYesNo(const std::string&, const std::string&) override { return spoke(false); }
  std::optional<std::string> pickOpenFile(const FileDialogOptions&) override { return spoke(std::nullopt); }
  std::optional<std::string> pickSaveFile(const FileDialogOptions&) override { return spoke(std::nullopt); }
  int showModal(ModalForm&) override { return spoke(mrCancel); }
  int showTableSave(hostdb::Ttable_save&) override { return spoke(mrCancel); }
  bool keepWaitingForLock(const std::string&, int) override { return spoke(false); }
  bool silent = true;

 private:
  template <typename T>
  T spoke(T answer) {
    silent = false;
    return answer;
  }
};

}  // namespace

// Of two runs in a row on the same parameters the second sets again all the
// first one computed, but for what it leaves: the random numbers the first
// one's sections drew (their count is fixed by the layout), the section
// chart, the messages, and the baseflow stages when the second finds no
// crossing. So the first runs its sections only (runSectionsOnly) and the
// second runs whole, both quietly; that pair is taken when neither said
// anything, the second gave numbers and found both crossings. Otherwise
// everything goes back and the two runs are made as they are.
void TForm4::runOpeningPair(const SiteParameters& before, int32_t shapeBefore) {
  const HydraulicsState hydraulicsBefore = state_.hydraulics;
  const HydraulicsCharts chartsBefore = charts;
  QuietUi quiet;
  bool taken = false;
  try {
    if (runSectionsOnly(state_, quiet, charts) && quiet.silent) {
      state_.hydraulics.wetBaseflowStage = -1;
      state_.hydraulics.dryBaseflowStage = -1;
      taken = runHydraulicModel(state_, quiet, charts) && quiet.silent && state_.hydraulics.wetBaseflowStage >= 0 &&
              state_.hydraulics.dryBaseflowStage >= 0;
    }
  } catch (const std::exception&) {
    taken = false;
  }
  if (taken) return;
  state_.hydraulics = hydraulicsBefore;
  charts = chartsBefore;

  bool ran = false;
  try {
    ran = runHydraulicModel(state_, ui_, charts);
  } catch (const ModelError&) {
    state_.site.siteParameters = before;
    state_.hydraulics.xsShape = shapeBefore;
    throw;
  }
  if (!ran) {
    state_.site.siteParameters = before;
    state_.hydraulics.xsShape = shapeBefore;
  }
  runHydraulicModel(state_, ui_, charts);
}

void TForm4::resetCharts() {
  const int sectionRevision = charts.section.revision;
  const int stageRevision = charts.stageDischarge.revision;
  charts = makeHydraulicsCharts();
  charts.section.revision = sectionRevision + 1;
  charts.stageDischarge.revision = stageRevision + 1;
}

void TForm4::offerVariabilityFromHydrology() {
  SiteParameters& p = state_.site.siteParameters;
  const float index = state_.site.naturalFlows.hydroIndex;
  if (round2(p.hydroVariability) == round2(index)) return;
  if (ui_.askYesNo(caption, "Replace hydro. Variability table value with estimate from hydrology?")) {
    p.hydroVariability = index;
    showParameterRow(3);
  }
}

void TForm4::checkParametersOnOpen() {
  SiteParameters& p = state_.site.siteParameters;
  offerVariabilityFromHydrology();
  if (p.maxWidth == 0.0f) {
    ui_.showMessage(caption, "Channel width has not been set and has defaulted to 40m");
    p.maxWidth = 40.0f;
  }
  if (p.widthDepthScaling < 0.34f || p.widthDepthScaling > 0.66f) p.widthDepthScaling = 0.5f;
  if (p.obsMaxGradient == 0.0f)
    for (int offset = 0; offset < 6; ++offset) p.at(19 + offset) = p.at(13 + offset);
  fillParameterTable();
  fillObservedTable();
  // With a maximum depth of 0 the channel set is estimated from the width,
  // the scaling and the micro roughness; otherwise the model runs on it.
  if (p.maxDepth == 0.0f)
    checkHeldParameters({4, 8, 12});
  else
    checkHeldParameters({8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
}

void TForm4::checkHeldParameters(std::initializer_list<int> positions) const {
  for (int position : positions)
    if (auto problem = parameterProblem(position, state_.site.siteParameters.at(position)))
      throw ModelError(kStoredParameters + *problem + ": the hydraulic model is not run with it");
}

void TForm4::fillParameterTable() {
  for (int row = 1; row <= 16; ++row) showParameterRow(row);
}

void TForm4::fillObservedTable() {
  for (int row = 1; row <= 6; ++row) {
    const ParameterRow& r = observedRowOf(row);
    observedGrid.cell(1, row) = formatText(r.format, state_.site.siteParameters.at(r.position));
  }
}

void TForm4::showParameterRow(int row) {
  const ParameterRow& r = rowOf(kParameterRows, row);
  parameterGrid.cell(1, row) = formatText(r.format, state_.site.siteParameters.at(r.position));
}

float TForm4::readNumberRow(int row) const {
  const ParameterRow& r = rowOf(kParameterRows, row);
  const float value = parseCell(parameterGrid, kParameterTable, row, r.label);
  return refuseTyped(std::isfinite(value) ? std::nullopt : parameterProblem(r.position, value), kParameterTable, row,
                     value);
}

float TForm4::readParameterRow(int row) const {
  const ParameterRow& r = rowOf(kParameterRows, row);
  const float value = parseCell(parameterGrid, kParameterTable, row, r.label);
  return refuseTyped(parameterProblem(r.position, value), kParameterTable, row, value);
}

float TForm4::readObservedRow(int row) const {
  const ParameterRow& r = observedRowOf(row);
  const float value = parseCell(observedGrid, kObservedTable, row, r.label);
  return refuseTyped(parameterProblem(r.position, value), kObservedTable, row, value);
}

std::vector<float> TForm4::readParameterTable(int firstRow, int lastRow) const {
  std::vector<float> values;
  for (int row = firstRow; row <= lastRow; ++row) values.push_back(readParameterRow(row));
  return values;
}

void TForm4::storeParameterRows(int firstRow, const std::vector<float>& values) {
  for (std::size_t i = 0; i < values.size(); ++i)
    state_.site.siteParameters.at(rowOf(kParameterRows, firstRow + static_cast<int>(i)).position) = values[i];
}

void TForm4::readObservedTable() {
  std::array<float, 6> values{};
  for (int row = 1; row <= 6; ++row) values[static_cast<std::size_t>(row - 1)] = readObservedRow(row);
  for (int row = 1; row <= 6; ++row)
    state_.site.siteParameters.at(observedRowOf(row).position) = values[static_cast<std::size_t>(row - 1)];
}

int TForm4::readZoneNumber() const {
  const std::string& text = parameterGrid.cell(1, 1);
  long long zone = 0;
  if (!parseInteger(text, zone))
    throw ModelError("'" + text + "' is not a valid integer value (Hydraulic Parameters, row 1 \"Geom. Zone\")");
  return checkedInt32(zone);
}

float TForm4::estimateInput(int row) const {
  const int position = rowOf(kParameterRows, row).position;
  const float held = state_.site.siteParameters.at(position);
  return parameterProblem(position, held) ? readParameterRow(row) : held;
}

void TForm4::recalcParameters() {
  SiteParameters& p = state_.site.siteParameters;
  // What the estimate rests on, typed and held, is checked first, and so is
  // the estimate: a refusal leaves everything as it was.
  const float zoneValue = readNumberRow(1);
  const int zone = readZoneNumber();
  const float variability = readNumberRow(3);
  const float typedSlope = readNumberRow(4);
  const float catchment = readNumberRow(5);
  SiteParameters inputs = p;
  inputs.widthDepthScaling = estimateInput(2);
  inputs.maxWidth = estimateInput(6);
  inputs.microRoughness = estimateInput(10);
  const SlopeCheck slope = checkZoneSlope(zone, typedSlope);
  inputs.valleySlope = slope.slope;
  SiteParameters estimate = inputs;
  float velocity = 0;
  if (zone >= kFirstZone && zone <= kLastZone) {
    estimate = estimateChannelParameters(zoneConstants(zone), inputs, velocity);
    for (int position = 9; position <= 18; ++position)
      if (auto problem = parameterProblem(position, estimate.at(position)))
        throw ModelError("Re-Calc Parameters: the estimate of " + *problem +
                         formatText(" (from Max. Width (m) %g, Width/Depth Scaling %g, Valley Slope (fraction) %g "
                                    "and Micro Roughness (m) %g): nothing was changed",
                                    inputs.maxWidth, inputs.widthDepthScaling, inputs.valleySlope,
                                    inputs.microRoughness));
  }

  informationLines.clear();
  informationLines.emplace_back("Additional information");
  informationLines.emplace_back(" ");

  p.geoZone = zoneValue;

  p.hydroVariability = variability;
  offerVariabilityFromHydrology();

  p.valleySlope = typedSlope;
  if (slope.message) {
    ui_.showMessage(caption, *slope.message);
    p.valleySlope = slope.slope;
  }
  showParameterRow(4);

  p.catchmentArea = catchment;
  p.widthDepthScaling = inputs.widthDepthScaling;
  p.maxWidth = inputs.maxWidth;
  p.microRoughness = inputs.microRoughness;

  // Mean bankfull depth from the width as held (row 6 is not read here
  // unless the width held cannot be used); a zone outside the tables ends
  // the estimation at them, the steps before standing.
  p.maxDepth = bankfullDepth(p.maxWidth, p.widthDepthScaling);
  zoneConstants(zone);
  for (int position = 9; position <= 18; ++position) p.at(position) = estimate.at(position);

  informationLines.emplace_back("  ");
  informationLines.emplace_back("Velocity for micro-roughness");
  informationLines.push_back(formatText("%10.3f m^3/s", velocity));

  for (int row = 6; row <= 16; ++row) showParameterRow(row);

  observedGrid.visible = false;
  parameterGrid.enabled = true;
  savedMode = false;
  if (state_.site.savedXsCount > 0) Button7.enabled = true;
  rePlotGraphs();
}

void TForm4::rePlotGraphs() {
  const std::vector<float> typed = readParameterTable(6, 16);
  observedGrid.visible = false;
  parameterGrid.enabled = true;
  // A run that is refused leaves the parameters as they were.
  const SiteParameters before = state_.site.siteParameters;
  const int32_t shapeBefore = state_.hydraulics.xsShape;
  auto restore = [&] {
    state_.site.siteParameters = before;
    state_.hydraulics.xsShape = shapeBefore;
  };
  storeParameterRows(6, typed);
  state_.hydraulics.xsShape = state_.site.siteParameters.bedWidthFraction > 0.0f ? 0 : 1;
  if (openingPairPending_) {
    openingPairPending_ = false;
    runOpeningPair(before, shapeBefore);
    return;
  }
  bool ran = false;
  try {
    ran = runHydraulicModel(state_, ui_, charts);
  } catch (const ModelError&) {
    restore();
    throw;
  }
  if (!ran) restore();
}


namespace {

charting::Series& curve(charting::Chart& chart, int index) {
  if (index < 0 || index >= static_cast<int>(chart.series.size()))
    throw RangeError("Range check error: curve " + std::to_string(index) + " of the chart \"" + chart.title + "\"");
  return chart.series[static_cast<std::size_t>(index)];
}

constexpr const char* kNoStages =
    " m: no stage lies below it, so no rating curve or habitat frequencies were computed";

}  // namespace

bool TForm4::saveParameters() {
  // Both tables are read whole before any parameter changes.
  const std::vector<float> typed = readParameterTable(1, 16);
  readObservedTable();
  storeParameterRows(1, typed);
  return saveSiteParameters(state_, tx_, saveDialog_);
}

bool TForm4::saveSection() {
  if (state_.hydraulics.modelXsCount >= kMaxSavedPoints) {
    ui_.showMessage(caption, kTooManyPoints);
    return false;
  }
  if (state_.site.attributeCodes[kSavedSectionSlot] < 1) return false;
  if (state_.hydraulics.modelXsCount < 1) {
    // Writing an empty section would replace a saved one with nothing.
    ui_.showMessage(caption, "There is no cross-section in use to save: nothing was written");
    return false;
  }
  if (!saveSectionInUse(state_, tx_, saveDialog_)) return false;
  datag.items[kSavedSectionItem].checked = true;
  Button7.enabled = true;
  return true;
}

void TForm4::addToReport() {
  if (!state_.reportLines) {
    ui_.showMessage(caption, kNoReport);
    return;
  }
  if (observedMode) readObservedTable();
  const std::vector<std::string> lines = hydraulicsReportLines(state_, observedMode, savedMode, charts.stageDischarge);
  state_.reportLines->insert(state_.reportLines->end(), lines.begin(), lines.end());
}

void TForm4::takeSection(const float* distances, const float* elevations, int32_t count) {
  charting::Series& line = curve(charts.section, 0);
  line.clear();
  state_.hydraulics.modelXsCount = count;
  for (int32_t i = 0; i < count; ++i) {
    line.add(static_cast<double>(distances[i]), static_cast<double>(elevations[i]));
    state_.hydraulics.modelXsDistance[i] = distances[i];
    state_.hydraulics.modelXsElevation[i] = elevations[i];
    workingSection_.x[i] = distances[i];
    workingSection_.y[i] = elevations[i];
  }
  workingSection_.npt = count;
  charts.section.changed();
  // A warning for each point behind the one before; the section is computed
  // as it stands.
  const auto problems = chainageProblems(std::span<const float>(distances, static_cast<std::size_t>(count)));
  for (std::size_t n = 0; n < problems.size(); ++n) ui_.showMessage(caption, kChainage);
}

void TForm4::useObservedData() {
  const int32_t count = state_.site.xsPointCount;
  const int32_t capacity = static_cast<int32_t>(std::min(state_.site.xsDistance.size(), state_.hydraulics.modelXsDistance.size()));
  if (count < 1) {
    ui_.showMessage(caption, "There is no observed cross-section to use (slot 8 holds no points)");
    return;
  }
  if (count > capacity) {
    ui_.showMessage(caption, formatText("The observed cross-section has %d points; the window holds at most %d: "
                                        "it is not used",
                                        count, capacity));
    return;
  }
  if (state_.site.ratingCount > kMaxRatingRows) {
    ui_.showMessage(caption, formatText("array bound: the observed rating table has %d rows, more than the %d "
                                        "that can be drawn; nothing was changed",
                                        state_.site.ratingCount, kMaxRatingRows));
    return;
  }
  // The observed set as typed; a text that is no number, or a value that
  // cannot be a channel, ends the action here, as does a stored macro
  // roughness (the habitat classes use the main set's).
  std::array<float, 6> observed{};
  for (int row = 1; row <= 6; ++row) observed[static_cast<std::size_t>(row - 1)] = readObservedRow(row);
  checkHeldParameters({11});

  charting::Chart& sd = charts.stageDischarge;
  curve(sd, kLowerEstimateSeries).title = "Observed Rating Curve";
  curve(sd, kUpperEstimateSeries).title = "Calculated Rating Curve";
  observedMode = true;
  savedMode = false;
  Button7.enabled = false;
  observedGrid.visible = true;
  parameterGrid.enabled = false;

  takeSection(state_.site.xsDistance.data(), state_.site.xsElevation.data(), count);
  const float level = bankLevel(std::span<const float>(state_.site.xsElevation.data(), static_cast<std::size_t>(count)));
  maxDepthBox.text = formatText("%6.2f", level);

  charting::Series& observedCurve = curve(sd, kLowerEstimateSeries);
  observedCurve.clear();
  for (int32_t i = 0; i < state_.site.ratingCount; ++i)
    observedCurve.add(static_cast<double>(state_.site.ratingFlow[i]), static_cast<double>(state_.site.ratingDepth[i]));
  sd.changed();

  for (int row = 1; row <= 6; ++row)
    state_.site.siteParameters.at(observedRowOf(row).position) = observed[static_cast<std::size_t>(row - 1)];
  runSingleSection();
}

void TForm4::useSavedSection() {
  const int32_t count = state_.site.savedXsCount;
  const int32_t capacity =
      static_cast<int32_t>(std::min(state_.site.savedXsDistance.size(), state_.hydraulics.modelXsDistance.size()));
  if (count < 1) {
    ui_.showMessage(caption, "There is no saved cross-section to use (slot 7 holds no points)");
    return;
  }
  if (count > capacity) {
    ui_.showMessage(caption, formatText("The saved cross-section has %d points; the window holds at most %d: "
                                        "it is not used",
                                        count, capacity));
    return;
  }
  // The depth the computation reads, and the main set it runs with; checked
  // before anything changes.
  readParameterRow(7);
  checkHeldParameters({11, 13, 14, 15, 16, 17, 18});

  charting::Chart& sd = charts.stageDischarge;
  curve(sd, kLowerEstimateSeries).clear();
  curve(sd, kUpperEstimateSeries).clear();
  curve(sd, kLowerEstimateSeries).title = "Not used";
  curve(sd, kUpperEstimateSeries).title = "Saved Rating Curve";
  sd.changed();
  parameterGrid.enabled = false;
  observedMode = false;
  savedMode = true;

  takeSection(state_.site.savedXsDistance.data(), state_.site.savedXsElevation.data(), count);
  runSingleSection();
}

void TForm4::runSingleSection() {
  SiteParameters& p = state_.site.siteParameters;
  FlowParameters fp;
  int32_t npt = 0;
  if (observedMode) {
    double depth = 0;
    if (!parseNumber(maxDepthBox.text, depth) || !std::isfinite(static_cast<float>(depth)))
      throw ModelError("'" + maxDepthBox.text + "' is not a valid floating point value (\"" + maxDepthBox.caption +
                       "\")");
    fp.maxDepth = static_cast<float>(depth);
    fp.maxGradient = p.obsMaxGradient;
    fp.minGradient = p.obsMinGradient;
    fp.gradientShapeFactor = p.obsGradientShapeFactor;
    fp.maxManningN = p.obsMaxManningN;
    fp.minManningN = p.obsMinManningN;
    fp.nShapeFactor = p.obsNShapeFactor;
    npt = state_.site.xsPointCount;
  } else {
    fp.maxDepth = readParameterRow(7);
    fp.maxGradient = p.maxGradient;
    fp.minGradient = p.minGradient;
    fp.gradientShapeFactor = p.gradientShapeFactor;
    fp.maxManningN = p.maxManningN;
    fp.minManningN = p.minManningN;
    fp.nShapeFactor = p.nShapeFactor;
    npt = state_.site.savedXsCount;
  }
  if (npt != workingSection_.npt)
    throw ModelError(formatText("The cross-section in use has %d points, not the %d of the %s section: use it again",
                                workingSection_.npt, npt, observedMode ? "observed" : "saved"));
  const float depthBefore = p.maxDepth;
  p.maxDepth = fp.maxDepth;
  if (!computeSingleSection(state_, ui_, workingSection_, npt, fp, p.macroRoughness, charts)) {
    p.maxDepth = depthBefore;
    return;
  }
  if (state_.hydraulics.stageCount == 0)
    ui_.showMessage(caption, (observedMode ? "The bank level of the observed cross-section is "
                                           : "The maximum depth (\"Max. Depth (m)\") of the saved cross-section is ") +
                                 formatText("%.2f", p.maxDepth) + kNoStages);
}

void TForm4::Button9Click() {
  TForm5b diagram(state_, ui_);
  diagram.FormCreate();
  ui_.showModal(diagram);
}

}  // namespace oewr::hydraulics
