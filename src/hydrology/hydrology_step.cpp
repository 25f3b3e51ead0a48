#include "hydrology/hydrology_step.h"

#include <algorithm>
#include <string>

#include "common/errors.h"
#include "common/text_format.h"
#include "hydrology/hydrology_plots_window.h"
#include "hydrology/hydrology_window.h"

namespace oewr::hydrology {

bool isExceedenceChoice(int exceedence) { return exceedence >= 0 && exceedence <= 50 && exceedence % 5 == 0; }

HydrologyStepCharts runHydrologyStep(HydrologyParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
                                     const HydrologyOptions& options) {
  if (!isExceedenceChoice(options.exceedence))
    throw ModelError("The exceedence point must be one of 5, 10, 15, 20, 25, 30, 35, 40, 45 and 50, not " +
                     std::to_string(options.exceedence));
  TForm3 form(state, tx, ui, saveDialog, options.siteParameters);
  if (!form.refusal.empty()) throw ActionStopped(form.refusal);
  HydrologyStepCharts charts;
  {
    Tform3a plots(state, ui);
    if (options.exceedence > 0 && std::to_string(options.exceedence) != plots.ComboBox1.text) {
      plots.ComboBox1.text = std::to_string(options.exceedence);
      plots.ComboBox1Change();
    }
    plots.Button2Click();
    form.takePlotsResult(plots, plots.modalResult);
    charts = {std::move(plots.Chart1), std::move(plots.Chart2), std::move(plots.Chart3)};
  }
  if (options.useQtotal != form.CheckBox1.checked) form.CheckBox1Click();
  form.Button4Click();
  form.Button1Click();
  if (form.modalResult != mrOK)
    throw ActionStopped("The hydrology step did not finish: no critical months could be chosen");
  return charts;
}

namespace {

constexpr const char* kDurationPoints[21] = {"0.1", "1",  "5",  "10", "15", "20", "25", "30", "35", "40", "50",
                                             "60",  "65", "70", "75", "80", "85", "90", "95", "99", "99.9"};

using MonthTable = BoundedArray<BoundedArray<float, 0, 20>, 0, 11>;

void writeMonthTable(JsonWriter& j, const MonthTable& t) {
  j.beginArray();
  for (int m = 0; m < 12; ++m) j.floats(t[m].begin(), t[m].end());
  j.endArray();
}

void writeSeries(JsonWriter& j, const TimeSeries& s) {
  const int n = std::max(0, std::min(s.header.count, kSeriesCapacity));
  j.beginObject();
  j.key("name").value(s.name);
  j.key("count").value(s.header.count);
  j.key("startYear").value(static_cast<int>(s.header.startYear));
  j.key("startMonth").value(static_cast<int>(s.header.startMonth));
  j.key("mar").value(s.mar);
  j.key("annualSd").value(s.annualSd);
  j.key("annualCv").value(s.annualCv);
  j.key("q75").value(s.q75);
  j.key("bfi").value(s.bfi);
  j.key("hydroIndex").value(s.hydroIndex);
  j.key("pctZero").value(s.pctZero);
  j.key("monthMean").floats(s.monthMean.begin(), s.monthMean.end());
  j.key("monthSd").floats(s.monthSd.begin(), s.monthSd.end());
  j.key("monthCv").floats(s.monthCv.begin(), s.monthCv.end());
  j.key("monthFdc");
  writeMonthTable(j, s.monthFdc);
  j.key("monthBaseFdc");
  writeMonthTable(j, s.monthBaseFdc);
  j.key("baseflows").floats(s.baseflows.begin(), s.baseflows.begin() + n);
  j.endObject();
}

// Calendar month index (0 = January) of each hydrological month, October first.
int calendarIndex(int hydroMonth) { return calendarMonthOf(hydroMonth) - 1; }

std::string monthStatsCsv(const TimeSeries& s) {
  std::string out = "month,mean_mcm,sd_mcm,cv\n";
  for (int h = 0; h < 12; ++h) {
    const int c = calendarIndex(h);
    out += formatText("%s,%.9g,%.9g,%.9g\n", kMonthNames[static_cast<std::size_t>(c)], s.monthMean[c], s.monthSd[c],
                      s.monthCv[c]);
  }
  return out;
}

std::string monthFdcCsv(const MonthTable& t) {
  std::string out = "month";
  for (const char* p : kDurationPoints) out += std::string(",p") + p;
  out += "\n";
  for (int h = 0; h < 12; ++h) {
    const int c = calendarIndex(h);
    out += kMonthNames[static_cast<std::size_t>(c)];
    for (int i = 0; i < 21; ++i) out += formatText(",%.9g", t[c][i]);
    out += "\n";
  }
  return out;
}

std::string flowsCsv(const SiteInputs& site) {
  const TimeSeries& n = site.naturalFlows;
  const TimeSeries& p = site.presentFlows;
  const int count = std::max(0, std::min(n.header.count, kSeriesCapacity));
  const int pc = std::max(0, std::min(p.header.count, kSeriesCapacity));
  std::string out = "year,month,natural_mcm,natural_baseflow_mcm,present_mcm,present_baseflow_mcm\n";
  int year = n.header.startYear, month = n.header.startMonth;
  for (int i = 0; i < count; ++i) {
    out += formatText("%d,%d,%.9g,%.9g", year, month, n.values[i], n.baseflows[i]);
    out += i < pc ? formatText(",%.9g,%.9g\n", p.values[i], p.baseflows[i]) : std::string(",,\n");
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  return out;
}

}  // namespace

void exportHydrologyResults(HydrologyView state, ResultsWriter& out) {
  const SiteInputs& site = state.site;
  JsonWriter& j = out.json;
  j.key("naturalFlows");
  writeSeries(j, site.naturalFlows);
  j.key("presentFlows");
  writeSeries(j, site.presentFlows);
  j.key("scenarioFlows");
  writeSeries(j, site.scenarioFlows);
  j.key("criticalWetMonth").value(state.hydrology.criticalWetMonth);
  j.key("criticalDryMonth").value(state.hydrology.criticalDryMonth);
  j.key("maxBaseflowWet").value(state.hydrology.maxBaseflowWet);
  j.key("maxBaseflowDry").value(state.hydrology.maxBaseflowDry);
  j.key("maxBaseflowExceedence").value(site.maxBaseflowExceedence);
  // The tables are made when they are written, from the state the run keeps.
  const SiteInputs* in = &site;
  out.files.push_back({"flows.csv", [in] { return flowsCsv(*in); }});
  out.files.push_back({"natural_month_stats.csv", [in] { return monthStatsCsv(in->naturalFlows); }});
  out.files.push_back({"present_month_stats.csv", [in] { return monthStatsCsv(in->presentFlows); }});
  out.files.push_back({"natural_month_fdc.csv", [in] { return monthFdcCsv(in->naturalFlows.monthFdc); }});
  out.files.push_back({"natural_month_baseflow_fdc.csv", [in] { return monthFdcCsv(in->naturalFlows.monthBaseFdc); }});
  out.files.push_back({"present_month_fdc.csv", [in] { return monthFdcCsv(in->presentFlows.monthFdc); }});
}

}  // namespace oewr::hydrology
