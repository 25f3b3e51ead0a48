#include "floods/flood_window.h"

#include <cmath>

#include "common/checked_int.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "floods/flood_events.h"
#include "floods/flood_report.h"
#include "floods/flood_save.h"
#include "floods/high_flows.h"

namespace oewr::floods {

namespace {

constexpr int kSectionSeries = 0;   // black: the section, the rating, the hydrograph
constexpr int kFloodSeries = 1;     // blue: the flood depth and discharge
constexpr int kBaseflowSeries = 2;  // red: the baseflow level and discharge

void setUpChart(charting::Chart& chart, const char* name, const char* title, const char* bottom, const char* left) {
  chart.name = name;
  chart.title = title;
  chart.bottomAxis.title = bottom;
  chart.leftAxis.title = left;
  chart.legend = charting::LegendPosition::Hidden;
}

// Clears floodInitialising however the window's creation ends.
struct InitialisingScope {
  ModelState& state;
  explicit InitialisingScope(ModelState& s) : state(s) { state.floods.floodInitialising = true; }
  ~InitialisingScope() { state.floods.floodInitialising = false; }
  InitialisingScope(const InitialisingScope&) = delete;
  InitialisingScope& operator=(const InitialisingScope&) = delete;
};

bool holdsNumber(const std::string& text) {
  double v = 0;
  return parseNumber(text, v);
}

}  // namespace

TForm6::TForm6(ModelState& state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog)
    : StringGrid1(state.floods.floodCategoryTable), state_(state), tx_(tx), ui_(ui), saveDialog_(saveDialog) {
  StringGrid2.caption = "Total volume analysis relative to mean annual HIGH flows (total runoff - baseflow)";
  setUpCharts();
  FormCreate();
}

void TForm6::setUpCharts() {
  setUpChart(Chart1, "Chart1", "Channel X-Section", "Distance", "Depth (m)");
  Chart1.addSeries("Section", charting::SeriesKind::Line, charting::kBlack, 2);
  Chart1.addSeries("Flood depth", charting::SeriesKind::Line, charting::kBlue, 2);
  Chart1.addSeries("Baseflow level", charting::SeriesKind::Line, charting::kRed, 2);
  setUpChart(Chart2, "Chart2", "Rating Curve", "Discharge (m3/s)", "Depth (m)");
  Chart2.addSeries("Rating", charting::SeriesKind::Line, charting::kBlack, 2);
  Chart2.addSeries("Flood discharge", charting::SeriesKind::Line, charting::kBlue, 2);
  Chart2.addSeries("Baseflow discharge", charting::SeriesKind::Line, charting::kRed, 2);
  setUpChart(Chart3, "Chart3", "Hydrograph", "Time (hours)", "Discharge (m3/s)");
  Chart3.addSeries("Hydrograph", charting::SeriesKind::Line, charting::kBlue, 2);
}

void TForm6::FormCreate() {
  InitialisingScope initialising(state_);
  try {
    bool allSaved = true;
    for (const auto& category : state_.floods.savedFloodParameters)
      for (float v : category)
        if (!(v >= 0.0f)) allSaved = false;
    Button6.enabled = allSaved;

    const char* headings[] = {"Category No:", "Pk. Discharge", "Duration (hours)",
                              "Volume (MCM)", "No. of events", "Frequency"};
    for (int col = 0; col < FloodCategoryTable::colCount; ++col) StringGrid1.cell(col, 0) = headings[col];
    for (int row = 1; row <= kFloodCategoryCount; ++row) {
      StringGrid1.cell(5, row) = "1";
      StringGrid1.cell(4, row) = "1";
      StringGrid1.cell(3, row) = "0.5";
    }
    const char* totals[] = {"Frequency", "Total Vol. (MCM)", "Total Vol. (% Natural MAR)"};
    for (int col = 0; col < 3; ++col) StringGrid2.cell(col, 0) = totals[col];
    StringGrid2.cell(0, 1) = "Annual";
    StringGrid2.cell(0, 2) = "1 year in 2";
    StringGrid2.cell(0, 3) = "1 year in 5";

    drawSection();
    floods::build_flood_rating(state_);
    floods::baseflow_level(state_);
    drawRating();
    floods::peak_scale_root(state_);
    if (state_.hydraulics.stageCount < 1) {
      ui_.showMessage(kCaption, kNoRating);
    } else if (auto why = channelCapacityShortfall(state_)) {
      // Flood events on a channel that cannot hold the baseflows mean nothing.
      refusal = *why;
      Button3.enabled = false;
      ui_.showMessage(kCaption, refusal);
    } else if (!(state_.floods.peakScaleRoot > 0.0f)) {
      ui_.showMessage(kCaption, kBaseflowAboveBankfull);
    }

    setCatchmentText(formatText("%10.3f", state_.site.siteParameters.catchmentArea));
    state_.floods.durationFactor = 4.0f;
    state_.floods.floodConstraint = 0.5f;
    Edit6.text = formatText("%4.2f", 0.5f);
    fillDefaultCategories();
  } catch (const ActionStopped&) {
  } catch (const ModelError& e) {
    ui_.showMessage(kCaption, e.what());
  }
}

void TForm6::drawSection() {
  auto& section = Chart1.series[kSectionSeries];
  section.clear();
  for (int32_t i = 0; i < state_.hydraulics.modelXsCount; ++i)
    section.add(state_.hydraulics.modelXsDistance[i], state_.hydraulics.modelXsElevation[i]);
  Chart1.changed();
}

void TForm6::drawRating() {
  auto& rating = Chart2.series[kSectionSeries];
  rating.clear();
  for (int32_t i = 0; i < state_.hydraulics.stageCount; ++i) rating.add(state_.floods.floodRatingFlow[i], state_.floods.floodDepthStep[i]);
  auto& level = Chart1.series[kBaseflowSeries];
  auto& discharge = Chart2.series[kBaseflowSeries];
  level.clear();
  discharge.clear();
  // Without a rating step at the baseflow there is no level to draw.
  const float hb = state_.floods.floodBaseflowDepth;
  if (hb > 0.0f) {
    const float width = state_.hydraulics.modelXsCount >= 1 ? state_.hydraulics.modelXsDistance[state_.hydraulics.modelXsCount - 1] : 0.0f;
    level.add(0.0, hb);
    level.add(width, hb);
    discharge.add(0.0, hb);
    discharge.add(state_.hydrology.maxBaseflowWet, hb);
    discharge.add(state_.hydrology.maxBaseflowWet, 0.0);
  }
  Chart1.changed();
  Chart2.changed();
}

void TForm6::drawFloodLevel(float depth, float discharge) {
  auto& level = Chart1.series[kFloodSeries];
  auto& flow = Chart2.series[kFloodSeries];
  level.clear();
  flow.clear();
  const float width = state_.hydraulics.modelXsCount >= 1 ? state_.hydraulics.modelXsDistance[state_.hydraulics.modelXsCount - 1] : 0.0f;
  level.add(0.0, depth);
  level.add(width, depth);
  flow.add(0.0, depth);
  flow.add(discharge, depth);
  flow.add(discharge, 0.0);
  Chart1.changed();
  Chart2.changed();
}

void TForm6::fillDefaultCategories() {
  const float variability = state_.site.siteParameters.hydroVariability;
  for (int k = 1; k <= kFloodCategoryCount; ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    SpinEdit1.value = k;
    setPeakText(formatText("%10.3f", floods::defaultPeak(k, variability, state_.floods.bankfullDischarge)));
    SpinEdit2.value = floods::kDefaultEvents[i];
    RadioGroup1.itemIndex = floods::kDefaultFrequencyIndex[i];
    TP_update();
    Button1Click();
    StringGrid1.cell(0, k) = std::to_string(k);
    StringGrid1.cell(1, k) = Edit2.text;
    StringGrid1.cell(2, k) = Edit4.text;
    StringGrid1.cell(3, k) = Edit5.text;
    StringGrid1.cell(4, k) = std::to_string(floods::kDefaultEvents[i]);
    StringGrid1.cell(5, k) = std::to_string(floods::kDefaultFrequencyCode[i]);
  }
}

void TForm6::setDepth(int cm) {
  const int v = SpinEdit4.clamp(cm);
  if (v == SpinEdit4.value) return;
  SpinEdit4.value = v;
  SpinEdit4Change();
}

void TForm6::setPeakText(const std::string& text) {
  Edit2.text = text;
  RG2Click();
}

void TForm6::setCatchmentText(const std::string& text) {
  Edit1.text = text;
  Edit1Change();
}

void TForm6::setShape(int index) {
  if (index == RadioGroup2.itemIndex) return;
  RadioGroup2.itemIndex = index;
  RG2Click();
}

void TForm6::setSlope(int index) {
  if (index == RadioGroup3.itemIndex) return;
  RadioGroup3.itemIndex = index;
  RG2Click();
}

void TForm6::SpinButton1UpClick() { setDepth(SpinEdit4.value + 10); }
void TForm6::SpinButton1DownClick() { setDepth(SpinEdit4.value - 10); }

void TForm6::SpinEdit4Change() {
  const float d = static_cast<float>(SpinEdit4.value) / 100.0f;
  float discharge = 0.0f;
  float shownDepth = d;
  if (state_.hydraulics.stageCount >= 1) {
    int32_t step = floods::ratingStepAtDepth(state_, d);
    if (step < 0) {
      // Above the channel the rating says nothing: the flood is taken at bankfull.
      step = state_.hydraulics.stageCount - 1;
      shownDepth = state_.floods.floodDepthStep[step];
      ui_.showMessage(kCaption, formatText("Depth of %d cm is above the top of the rating curve (%.2f m): the "
                                           "bankfull discharge is used",
                                           SpinEdit4.value, shownDepth));
    }
    discharge = state_.floods.floodRatingFlow[step];
  }
  drawFloodLevel(shownDepth, discharge);
  setPeakText(formatText("%10.3f", discharge));
}

void TForm6::clearTiming() {
  Edit3.text.clear();
  Edit4.text.clear();
  Edit5.text.clear();
  Chart3.series[0].clear();
  Chart3.changed();
}

void TForm6::TP_update() {
  double area = 0, peak = 0;
  // Part-typed or empty boxes give no flood until they hold numbers again.
  if (!parseNumber(Edit1.text, area) || !parseNumber(Edit2.text, peak)) {
    clearTiming();
    return;
  }
  const floods::FloodTiming timing =
      floods::floodTiming(static_cast<float>(area), RadioGroup2.itemIndex, RadioGroup3.itemIndex,
                          static_cast<float>(peak), state_.floods.peakScaleRoot, state_.floods.durationFactor);
  Edit3.text = formatText("%4.0f", static_cast<float>(timing.timeToPeak));
  Edit4.text = formatText("%4.0f", timing.duration);
  hydrograph();
}

void TForm6::hydrograph() {
  auto& series = Chart3.series[0];
  series.clear();
  long long duration = 0, timeToPeak = 0;
  double peak = 0;
  if (!parseInteger(Edit4.text, duration) || !parseInteger(Edit3.text, timeToPeak) || !parseNumber(Edit2.text, peak)) {
    Edit5.text.clear();
    Chart3.changed();
    return;
  }
  const floods::Hydrograph h =
      floods::hydrograph(static_cast<float>(peak), checkedInt32(timeToPeak), checkedInt32(duration));
  series.points = h.points;
  Chart3.changed();
  Edit5.text = formatText("%10.3f", h.volume);
}

void TForm6::Button1Click() {
  try {
    const int k = SpinEdit1.clamp(SpinEdit1.value);
    if (!holdsNumber(Edit1.text)) {
      ui_.showMessage(kCaption, formatText("Catchment Area (km2) \"%s\" is not a number: flood category %d is not "
                                           "accepted",
                                           trim(Edit1.text), k));
      return;
    }
    if (!holdsNumber(Edit2.text) || !holdsNumber(Edit4.text) || !holdsNumber(Edit5.text)) {
      ui_.showMessage(kCaption, formatText("The peak discharge, duration or event volume of flood category %d is not "
                                           "set: it is not accepted",
                                           k));
      return;
    }
    if (!state_.floods.floodInitialising) {
      auto& saved = state_.floods.savedFloodParameters[k - 1];
      saved[0] = static_cast<float>(SpinEdit4.value);
      saved[1] = static_cast<float>(RadioGroup1.itemIndex);
      saved[2] = static_cast<float>(SpinEdit2.value);
      saved[3] = static_cast<float>(RadioGroup2.itemIndex);
      saved[4] = static_cast<float>(RadioGroup3.itemIndex);
    }
    StringGrid1.cell(0, k) = std::to_string(k);
    StringGrid1.cell(1, k) = Edit2.text;
    StringGrid1.cell(2, k) = Edit4.text;
    StringGrid1.cell(3, k) = Edit5.text;
    StringGrid1.cell(4, k) = std::to_string(SpinEdit2.value);
    StringGrid1.cell(5, k) = std::to_string(RadioGroup1.itemIndex + 1);
    if (k < kFloodCategoryCount) SpinEdit1.value = k + 1;
    showTotals();
  } catch (const ActionStopped&) {
  } catch (const ModelError& e) {
    ui_.showMessage(kCaption, e.what());
  }
}

void TForm6::showTotals() {
  const std::array<float, 6> t = floods::volumeTotals(floods::readCategoryRows(StringGrid1));
  // The table has rows for codes 1 to 3; totals of codes 4 and 5 are not
  // shown, and a row whose total is 0 keeps what it showed.
  for (int c = 1; c <= 3; ++c) {
    const float total = t[static_cast<std::size_t>(c)];
    if (!(total > 0.0f)) continue;
    StringGrid2.cell(1, c) = formatText("%10.3f", total);
    StringGrid2.cell(2, c) = formatText("%10.1f", total * 100.0f / state_.site.naturalFlows.mar);
  }
}

void TForm6::Button3Click() {
  if (!Button3.enabled) return;
  try {
    const floods::HighFlowRun run = floods::generate_ts(state_, floods::readCategoryRows(StringGrid1));
    Edit6.text = formatText("%4.2f", run.shownRatio);
    if (run.ratioCut) ui_.showMessage(kCaption, kRatioTooHigh);
    Button2.enabled = true;
    Button4.enabled = true;
  } catch (const ActionStopped&) {
    floods::clearHighFlows(state_);
  } catch (const ModelError& e) {
    // No high flows stay behind that do not belong to the record and categories in use.
    floods::clearHighFlows(state_);
    ui_.showMessage(kCaption, e.what());
  }
}

void TForm6::Button5Click() {
  if (SpinEdit4.value <= 0) {
    ui_.showMessage(kCaption, kDepthNotSet);
    return;
  }
  for (const auto& category : state_.floods.savedFloodParameters)
    if (!(category[0] >= 1.0f)) {
      ui_.showMessage(kCaption, kCategoryDepthNotSet);
      return;
    }
  try {
    floods::saveFloodParameters(state_, tx_, saveDialog_);
  } catch (const ActionStopped&) {
  } catch (const ModelError& e) {
    ui_.showMessage(kCaption, e.what());
  }
}

void TForm6::Button6Click() {
  try {
    restoreSavedParameters();
  } catch (const ActionStopped&) {
  } catch (const ModelError& e) {
    ui_.showMessage(kCaption, e.what());
  }
}

void TForm6::restoreSavedParameters() {
  if (floods::readSavedFloodParameters(state_, tx_) == floods::SavedFloodRead::RecordMissing) {
    ui_.showMessage(kCaption, kSavedMissing);
    return;
  }
  if (state_.floods.savedFloodParameters[0][0] < 0.0f) {
    ui_.showMessage(kCaption, kNoneSaved);
    return;
  }
  floods::RestoredFloodParameters p;
  if (auto problem = floods::restoredParameters(state_, p)) {
    ui_.showMessage(kCaption, *problem);
    return;
  }
  for (int k = 1; k <= kFloodCategoryCount; ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    SpinEdit1.value = k;
    // The peak is taken afresh from the depth even when the depth is unchanged.
    SpinEdit4.value = p.depth[i];
    SpinEdit4Change();
    RadioGroup1.itemIndex = p.frequency[i];
    SpinEdit2.value = p.events[i];
    setShape(p.shape[i]);
    setSlope(p.slope[i]);
    Button1Click();
  }
}

void TForm6::Button2Click() {
  if (!Button2.enabled) return;
  if (!state_.reportLines) {
    ui_.showMessage(kCaption, kNoReport);
    return;
  }
  const std::vector<std::string> lines = floods::floodReportLines(state_);
  state_.reportLines->insert(state_.reportLines->end(), lines.begin(), lines.end());
}

void TForm6::Button4Click() {
  if (!Button4.enabled) return;
  modalResult = mrOK;
}

}  // namespace oewr::floods
