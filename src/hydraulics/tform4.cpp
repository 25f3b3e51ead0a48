#include "hydraulics/tform4.h"

#include <algorithm>
#include <cmath>

#include "common/checked_int.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/rating_curve.h"

namespace oewr::hydraulics {

const std::array<ParameterRow, 16> kParameterRows = {{
    {3, "Geom. Zone", "%10.0f"},
    {4, "Width/Depth Scaling", "%10.2f"},
    {5, "Hydro. Variability", "%10.2f"},
    {6, "Valley Slope (fraction)", "%10.5f"},
    {7, "Catchment Area (km^2)", "%10.2f"},
    {8, "Max. Width (m)", "%10.2f"},
    {9, "Max. Depth (m)", "%10.2f"},
    {10, "Bed Width (Fraction)", "%10.2f"},
    {11, "Macro Roughness (m)", "%10.3f"},
    {12, "Micro Roughness (m)", "%10.3f"},
    {13, "Max. Gradient", "%10.5f"},
    {14, "Min. Gradient", "%10.5f"},
    {15, "Gradient Shape Factor", "%10.0f"},
    {16, "Max. Manning n", "%10.3f"},
    {17, "Min. Manning n", "%10.3f"},
    {18, "n Shape Factor", "%10.0f"},
}};

const std::array<ParameterRow, 6> kObservedRows = {{
    {19, "Max. Gradient", "%10.5f"},
    {20, "Min. Gradient", "%10.5f"},
    {21, "Gradient Shape Factor", "%10.0f"},
    {22, "Max. Manning n", "%10.3f"},
    {23, "Min. Manning n", "%10.3f"},
    {24, "n Shape Factor", "%10.0f"},
}};

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

// floor(x * 100 + 0.5): values compared to two decimals.
long long round2(float x) { return static_cast<long long>(std::floor(static_cast<double>(x) * 100.0 + 0.5)); }

}  // namespace

StringGrid::StringGrid(int colCount, int rowCount)
    : colWidths(static_cast<std::size_t>(colCount), 64),
      cols_(colCount),
      rows_(rowCount),
      cells_(static_cast<std::size_t>(colCount * rowCount)) {}

std::size_t StringGrid::index(int col, int row) const {
  if (col < 0 || col >= cols_ || row < 0 || row >= rows_)
    throw RangeError("Range check error: grid cell (" + std::to_string(col) + ", " + std::to_string(row) + ")");
  return static_cast<std::size_t>(row * cols_ + col);
}

std::string& StringGrid::cell(int col, int row) { return cells_[index(col, row)]; }
const std::string& StringGrid::cell(int col, int row) const { return cells_[index(col, row)]; }

TForm4::TForm4(ModelState& state, Ui& ui) : charts(makeHydraulicsCharts()), state_(state), ui_(ui) {
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
  observedGrid.visible = false;
  observedMode = false;
  savedMode = false;
  checkParametersOnOpen();
  charts = makeHydraulicsCharts();
  if (state_.siteParameters.maxDepth == 0.0f) recalcParameters();
  runHydraulicModel(state_, ui_, charts);
}

void TForm4::offerVariabilityFromHydrology() {
  SiteParameters& p = state_.siteParameters;
  const float index = state_.naturalFlows.hydroIndex;
  if (round2(p.hydroVariability) == round2(index)) return;
  if (ui_.askYesNo(caption, "Replace hydro. Variability table value with estimate from hydrology?")) {
    p.hydroVariability = index;
    showParameterRow(3);
  }
}

void TForm4::checkParametersOnOpen() {
  SiteParameters& p = state_.siteParameters;
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
}

void TForm4::fillParameterTable() {
  for (int row = 1; row <= 16; ++row) showParameterRow(row);
}

void TForm4::fillObservedTable() {
  for (int row = 1; row <= 6; ++row) {
    const ParameterRow& r = observedRowOf(row);
    observedGrid.cell(1, row) = formatText(r.format, state_.siteParameters.at(r.position));
  }
}

void TForm4::showParameterRow(int row) {
  const ParameterRow& r = rowOf(kParameterRows, row);
  parameterGrid.cell(1, row) = formatText(r.format, state_.siteParameters.at(r.position));
}

float TForm4::readParameterRow(int row) const {
  return parseCell(parameterGrid, "Hydraulic Parameters", row, rowOf(kParameterRows, row).label);
}

float TForm4::readObservedRow(int row) const {
  return parseCell(observedGrid, "Obs. Hydraulic Data", row, observedRowOf(row).label);
}

void TForm4::readParameterTable(int firstRow, int lastRow) {
  for (int row = firstRow; row <= lastRow; ++row)
    state_.siteParameters.at(rowOf(kParameterRows, row).position) = readParameterRow(row);
}

void TForm4::readObservedTable() {
  for (int row = 1; row <= 6; ++row) state_.siteParameters.at(observedRowOf(row).position) = readObservedRow(row);
}

int TForm4::readZoneNumber() const {
  const std::string& text = parameterGrid.cell(1, 1);
  long long zone = 0;
  if (!parseInteger(text, zone))
    throw ModelError("'" + text + "' is not a valid integer value (Hydraulic Parameters, row 1 \"Geom. Zone\")");
  return checkedInt32(zone);
}

void TForm4::recalcParameters() {
  SiteParameters& p = state_.siteParameters;
  informationLines.clear();
  informationLines.emplace_back("Additional information");
  informationLines.emplace_back(" ");

  p.geoZone = readParameterRow(1);
  const int zone = readZoneNumber();

  p.hydroVariability = readParameterRow(3);
  offerVariabilityFromHydrology();

  p.valleySlope = readParameterRow(4);
  const SlopeCheck slope = checkZoneSlope(zone, p.valleySlope);
  if (slope.message) {
    ui_.showMessage(caption, *slope.message);
    p.valleySlope = slope.slope;
  }
  showParameterRow(4);

  p.catchmentArea = readParameterRow(5);

  // Mean bankfull depth from the width as held (row 6 is not read here).
  const float W = p.maxWidth;
  const float D = bankfullDepth(W, p.widthDepthScaling);
  p.maxDepth = D;

  const ZoneConstants& z = zoneConstants(zone);
  const float widthDepth = W / D;
  p.macroRoughness = D * std::min(z.macroCoefficient * std::pow(widthDepth, z.macroExponent), z.macroCap);

  p.minGradient = p.valleySlope;
  p.maxGradient = z.maxGradientFactor * p.valleySlope + z.maxGradientOffset;
  p.gradientShapeFactor = gradientShapeFactorOf(p.maxGradient, p.minGradient);

  p.minManningN = z.nCoefficient * std::pow(widthDepth, kNExponent);
  // The micro roughness held before this estimation (re-estimated below).
  p.maxManningN = 0.4f * std::sqrt(p.microRoughness) + 0.1f * p.macroRoughness;
  if (1.2f * p.minManningN > p.maxManningN) p.maxManningN = 1.2f * p.minManningN;

  p.nShapeFactor = nShapeFactorOf(p.macroRoughness, D);

  // From the mean depth to the channel's maximum depth.
  const float bedPercent = z.bedWidthPercent;
  p.maxDepth = D / (((100.0f - bedPercent) / 2.0f + bedPercent) / 100.0f);
  p.maxDepth = p.maxDepth + p.macroRoughness / 2.0f;
  p.bedWidthFraction = bedPercent / 100.0f;

  const float velocity =
      microRoughnessVelocity(p.bedWidthFraction, W, p.minGradient, p.maxGradient, p.minManningN);
  p.microRoughness = microRoughnessOf(velocity, p.macroRoughness);

  informationLines.emplace_back("  ");
  informationLines.emplace_back("Velocity for micro-roughness");
  informationLines.push_back(formatText("%10.3f m^3/s", velocity));

  for (int row = 6; row <= 16; ++row) showParameterRow(row);

  observedGrid.visible = false;
  parameterGrid.enabled = true;
  savedMode = false;
  rePlotGraphs();
}

void TForm4::rePlotGraphs() {
  observedGrid.visible = false;
  parameterGrid.enabled = true;
  readParameterTable(6, 16);
  state_.xsShape = state_.siteParameters.bedWidthFraction > 0.0f ? 0 : 1;
  runHydraulicModel(state_, ui_, charts);
}

}  // namespace oewr::hydraulics
