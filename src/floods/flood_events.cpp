#include "floods/flood_events.h"

#include <cmath>
#include <string>

#include "common/checked_int.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "hydraulics/rating_curve.h"
#include "model/s_curve.h"

namespace oewr::floods {

const std::array<const char*, 3> kShapeNames = {"Round ", "Oval", "Elongated"};
const std::array<float, 3> kShapeFactors = {2.4f, 3.5f, 5.0f};
const std::array<const char*, 4> kSlopeNames = {"Gentle", "Moderate", "Steep", "Very Steep"};
const std::array<float, 4> kSlopeValues = {0.2f, 0.6f, 1.4f, 4.0f};
const std::array<const char*, 3> kFrequencyNames = {"Annual or better", "1 year in 2", "1 year in 5"};

const std::array<float, 5> kPeakFractionT1 = {0.073f, 0.131f, 0.281f, 0.5f, 0.8f};
const std::array<float, 5> kPeakFractionT2 = {0.047f, 0.085f, 0.18f, 0.32f, 0.64f};
const std::array<float, 5> kPeakFractionT3 = {0.036f, 0.065f, 0.138f, 0.246f, 0.492f};
const std::array<int32_t, 5> kDefaultEvents = {4, 3, 1, 1, 1};
const std::array<int32_t, 5> kDefaultFrequencyIndex = {0, 0, 0, 1, 2};
const std::array<int32_t, 5> kDefaultFrequencyCode = {1, 1, 1, 2, 5};

void build_flood_rating(FloodParts state) {
  float depth = 0.0f;
  for (int32_t i = 0; i < state.hydraulics.stageCount; ++i) {
    depth = hydraulics::nextStage(depth);
    state.floods.floodDepthStep[i] = depth;
    state.floods.floodRatingFlow[i] = (state.hydraulics.stageDischargeLow[i] + state.hydraulics.stageDischargeHigh[i]) * 0.5f;
  }
  state.floods.bankfullDischarge = state.hydraulics.stageCount >= 1 ? state.floods.floodRatingFlow[state.hydraulics.stageCount - 1] : 0.0f;
}

float baseflow_level(FloodParts state) {
  state.floods.floodBaseflowDepth = 0.0f;
  const float q = state.hydrology.maxBaseflowWet;
  for (int32_t i = 0; i + 1 < state.hydraulics.stageCount; ++i)
    if (state.floods.floodRatingFlow[i] <= q && q <= state.floods.floodRatingFlow[i + 1]) {
      state.floods.floodBaseflowDepth = state.floods.floodDepthStep[i];
      break;
    }
  return state.floods.floodBaseflowDepth;
}

float peak_scale_root(FloodParts state) {
  state.floods.peakScaleRoot = std::sqrt(state.floods.bankfullDischarge) - std::sqrt(state.hydrology.maxBaseflowWet);
  return state.floods.peakScaleRoot;
}

float defaultPeak(int k, float hydroVariability, float bankfullDischarge) {
  if (k < 1 || k > kFloodCategoryCount) throw RangeError("Flood category " + std::to_string(k) + " is not 1 to 5");
  const auto i = static_cast<std::size_t>(k - 1);
  if (hydroVariability >= 2.0f) {
    const float x = hydroVariability >= 40.0f ? 1.0f : hydroVariability / 40.0f;
    const float p = sCurve(x, 10.0f);
    return ((kPeakFractionT3[i] - kPeakFractionT2[i]) * p + kPeakFractionT2[i]) * bankfullDischarge;
  }
  return kPeakFractionT1[i] * bankfullDischarge;
}

int32_t ratingStepAtDepth(FloodView state, float d) {
  for (int32_t i = 0; i < state.hydraulics.stageCount; ++i)
    if (d - state.floods.floodDepthStep[i] < 0.001f) return i;
  return -1;
}

FloodTiming floodTiming(float catchmentArea, int shapeIndex, int slopeIndex, float peak, float peakScaleRoot,
                        float durationFactor) {
  FloodTiming timing;
  if (!(peakScaleRoot > 0.0f) || !(catchmentArea > 0.0f) || !(peak >= 0.0f)) return timing;
  const float shape = kShapeFactors.at(static_cast<std::size_t>(shapeIndex));
  const float slope = kSlopeValues.at(static_cast<std::size_t>(slopeIndex));
  const float length = 2.0f * std::sqrt(catchmentArea * 7.0f / 22.0f) * shape;
  const float t = std::pow(0.87f * (length * length) / (10.0f * slope), 0.385f);
  const float f = (std::sqrt(peak) / peakScaleRoot + 1.0f) * 0.5f;
  int32_t tp = roundToInt(static_cast<double>(t * f));
  // The box shows whole hours: a catchment that peaks in under half an hour
  // counts one hour rather than none.
  if (tp < 1) tp = 1;
  timing.timeToPeak = tp;
  const float tpf = static_cast<float>(tp);
  timing.duration = tpf * durationFactor + (2.0f / tpf) * durationFactor;
  return timing;
}

Hydrograph hydrograph(float peak, int32_t timeToPeak, int32_t duration) {
  Hydrograph h;
  if (timeToPeak <= 0 || duration <= 0) return h;
  const float tp = static_cast<float>(timeToPeak);
  const float td = static_cast<float>(duration);
  const float degree = 3.14159265358979f / 180.0f;
  float previous = 0.0f;
  h.points.reserve(1001);
  for (int i = 0; i <= 1000; ++i) {
    const float a = static_cast<float>(i * 360) / 1000.0f - 90.0f;
    const float q = (std::sin(a * degree) + 1.0f) * peak / 2.0f;
    float t;
    if (a <= 90.0f)
      t = (a + 90.0f) * tp / 180.0f;
    else if (a <= 210.0f)
      t = (a - 90.0f) * 1.5f * tp / 120.0f + tp;
    else
      t = 2.5f * tp + (td - 2.5f * tp) * (a - 210.0f) / 60.0f;
    h.points.push_back({static_cast<double>(t), static_cast<double>(q), {}});
    h.volume += q * (t - previous) * 3.6f / 1000.0f;
    previous = t;
  }
  return h;
}

namespace {

const std::array<const char*, 6> kColumnNames = {"Category No:", "Pk. Discharge", "Duration (hours)",
                                                 "Volume (MCM)",  "No. of events", "Frequency"};

[[noreturn]] void badCell(int col, int row, const std::string& text, const char* what) {
  throw ModelError(formatText("Flood category table, category %d, \"%s\": \"%s\" %s", row,
                              kColumnNames[static_cast<std::size_t>(col)], text, what));
}

float cellNumber(const FloodCategoryTable& table, int col, int row) {
  double v = 0;
  const std::string& text = table.cell(col, row);
  if (!parseNumber(text, v) || !std::isfinite(v)) badCell(col, row, text, "is not a number");
  return static_cast<float>(v);
}

int32_t cellInteger(const FloodCategoryTable& table, int col, int row) {
  long long v = 0;
  const std::string& text = table.cell(col, row);
  if (!parseInteger(trim(text), v)) badCell(col, row, text, "is not a whole number");
  return checkedInt32(v);
}

}  // namespace

std::vector<FloodCategoryRow> readCategoryRows(const FloodCategoryTable& table) {
  std::vector<FloodCategoryRow> rows;
  for (int row = 1; row <= kFloodCategoryCount; ++row) {
    FloodCategoryRow r;
    r.volume = cellNumber(table, 3, row);
    r.events = cellInteger(table, 4, row);
    r.code = cellInteger(table, 5, row);
    if (r.events > 5) badCell(4, row, table.cell(4, row), "is more than the 5 events a category holds");
    if (r.code < 1 || r.code > 5) badCell(5, row, table.cell(5, row), "is not a frequency code 1 to 5");
    rows.push_back(r);
  }
  return rows;
}

std::array<float, 6> volumeTotals(const std::vector<FloodCategoryRow>& rows) {
  std::array<float, 6> t{};
  for (const FloodCategoryRow& r : rows) {
    const float volume = static_cast<float>(r.events) * r.volume;
    if (r.code == 1)
      t[1] += volume;
    else if (r.code >= 2 && r.code <= 5)
      t[static_cast<std::size_t>(r.code)] = volume + t[1];
  }
  return t;
}

}  // namespace oewr::floods
