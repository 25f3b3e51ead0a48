#include "hydrology/hydrology_plots_window.h"

#include <algorithm>

#include "common/errors.h"
#include "common/text_format.h"
#include "hostdb/timeseries_codec.h"
#include "hydrology/flow_statistics.h"

namespace oewr::hydrology {

namespace {

const char* const kSeriesTitles[4] = {"Total Nat.", "Baseflow Nat.", "Total P.Day", "Baseflow P.Day"};
const char* const kFlowVolumeTitle = "Flow Volume (mill. m^3)";

// Adds an ascending sort of the values to a duration curve: the i-th of M
// values lies at (M - i) 100 / M % of the time.
void addDurationCurve(charting::Series& series, std::vector<float> values) {
  std::sort(values.begin(), values.end());
  const int m = static_cast<int>(values.size());
  for (int i = 0; i < m; ++i)
    series.add(static_cast<float>((m - i) * 100) / static_cast<float>(m), values[static_cast<std::size_t>(i)]);
}

}  // namespace

Tform3a::Tform3a(ModelState& state, Ui& ui) : state_(state), ui_(ui) { FormCreate(); }

void Tform3a::FormCreate() {
  Chart1.name = "Chart1";
  Chart1.legend = charting::LegendPosition::Top;
  Chart1.bottomAxis.dateTime = true;
  Chart1.bottomAxis.dateFormat = "mm.yy";
  Chart2.name = "Chart2";
  Chart2.legend = charting::LegendPosition::Hidden;
  Chart2.bottomAxis.title = "% Time Equalled or Exceeded";
  Chart2.leftAxis.title = kFlowVolumeTitle;
  Chart3.name = "Chart3";
  Chart3.legend = charting::LegendPosition::Hidden;
  Chart3.leftAxis.title = kFlowVolumeTitle;
  for (int i = 0; i < 4; ++i) {
    const charting::Color colour = charting::paletteColor(i);
    Chart1.addSeries(kSeriesTitles[i], charting::SeriesKind::Line, colour, 1);
    Chart2.addSeries(kSeriesTitles[i], charting::SeriesKind::Line, colour, 2);
    charting::Series& bars = Chart3.addSeries(kSeriesTitles[i], charting::SeriesKind::Bar, colour, 1);
    bars.barWidthPercent = 5;
    bars.showMarks = false;
  }

  int point = state_.site.maxBaseflowExceedence;
  if (point == 0) {
    ui_.showMessage(kCaption, formatText("No maximum baseflow exceedence point is set for this site: the %d%% point "
                                         "is used",
                                         kDefaultPoint));
    point = kDefaultPoint;
  } else if (point < 1 || point > 99) {
    ui_.showMessage(kCaption, formatText("The maximum baseflow exceedence point of %d%% is not a percentage from 1 to "
                                         "99: the %d%% point is used",
                                         point, kDefaultPoint));
    point = kDefaultPoint;
  }
  ComboBox1.text = std::to_string(point);
  Button1Click();
}

void Tform3a::Button1Click() {
  try {
    draw();
  } catch (const ActionStopped&) {
  } catch (const ModelError& e) {
    ui_.showMessage(kCaption, e.what());
  }
}

void Tform3a::draw() {
  if (ComboBox1.text == kNoPointSelected) {
    ui_.showMessage(kCaption, "Please select a FDC %point for monthly distribution plots");
    return;
  }
  long long typed = 0;
  if (!parseInteger(ComboBox1.text, typed) || typed < 1 || typed > 99) {
    ui_.showMessage(kCaption, formatText("The FDC %%point \"%s\" is not a whole percentage from 1 to 99: please select "
                                         "a FDC %%point for monthly distribution plots",
                                         ComboBox1.text));
    return;
  }
  const int point = static_cast<int>(typed);
  Chart3.title = "Monthly Distribution for " + std::to_string(point) + "% FDC Precent. Point";
  Chart1.clearAll();
  Chart2.clearAll();
  Chart3.clearAll();

  const TimeSeries& natural = state_.site.naturalFlows;
  drawSeries(natural, 0, CheckBox1.checked, CheckBox2.checked, point);
  criticalFlows = hydrology::chooseCriticalMonths(natural, point);
  state_.hydrology.criticalWetMonth = criticalFlows.wetMonth;
  state_.hydrology.criticalDryMonth = criticalFlows.dryMonth;
  drawSeries(state_.site.presentFlows, 2, CheckBox3.checked, CheckBox4.checked, point);
  drawnPoint = point;
  Chart1.changed();
  Chart2.changed();
  Chart3.changed();

  if (hydrology::fullYears(natural) < 1)
    ui_.showMessage(kCaption, "The natural flows hold no full year: the critical months cannot be chosen");
  else if (criticalFlows.wetMonth == 0)
    ui_.showMessage(kCaption, formatText("No month has a natural baseflow above 0 at the %d%% point: the critical high "
                                         "flow month is not chosen; select a lower %%point",
                                         point));
}

void Tform3a::drawSeries(const TimeSeries& s, std::size_t first, bool totals, bool baseflows, int point) {
  const int years = hydrology::fullYears(s);
  if (years < 1) return;
  const int months = 12 * years;

  // Time series, each month at the 15th day of its month.
  charting::Series& totalLine = Chart1.series[first];
  charting::Series& baseLine = Chart1.series[first + 1];
  std::vector<float> allTotals, allBases;
  allTotals.reserve(static_cast<std::size_t>(months));
  allBases.reserve(static_cast<std::size_t>(months));
  for (int i = 0; i < months; ++i) {
    int year = 0, month = 0;
    hydrology::dateOfValue(s, i, year, month);
    const double x = hostdb::encodeDateTime(year, month, 15, 0, 0);
    if (totals) totalLine.add(x, s.values[i]);
    if (baseflows) baseLine.add(x, s.baseflows[i]);
    allTotals.push_back(s.values[i]);
    allBases.push_back(s.baseflows[i]);
  }

  // Flow-duration curves of all months.
  if (totals) addDurationCurve(Chart2.series[first], std::move(allTotals));
  if (baseflows) addDurationCurve(Chart2.series[first + 1], std::move(allBases));

  // Each month's flows at the point, October to September.
  const auto totalByMonth = hydrology::valuesByCalendarMonth(s, s.values, years);
  const auto baseByMonth = hydrology::valuesByCalendarMonth(s, s.baseflows, years);
  for (int h = 0; h < 12; ++h) {
    const auto m = static_cast<std::size_t>(calendarMonthOf(h) - 1);
    const std::string label = kMonthNames[m];
    if (totals) Chart3.series[first].add(h, hydrology::exceedenceValue(totalByMonth[m], point), label);
    if (baseflows) Chart3.series[first + 1].add(h, hydrology::exceedenceValue(baseByMonth[m], point), label);
  }
}

}  // namespace oewr::hydrology
