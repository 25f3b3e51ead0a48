#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/errors.h"
#include "common/text_format.h"
#include "hostdb/timeseries_codec.h"
#include "hydrology/flow_statistics.h"
#include "hydrology/hydrology_input.h"
#include "hydrology/hydrology_plots_window.h"
#include "hydrology/hydrology_step.h"
#include "hydrology/hydrology_window.h"
#include "hydrology_host.h"

using namespace oewr;
using namespace oewr::hydrology;
using oewr::testing::HydrologyHost;

namespace {

// A seasonal record: high in late summer (January to March), low in winter.
std::vector<float> seasonalFlows(int months, int startMonth, float scale = 1.0f) {
  static const float level[12] = {8, 9, 7, 5, 3, 2, 1.5f, 1.2f, 1.5f, 2.5f, 4, 6};  // January first
  std::vector<float> v;
  for (int i = 0; i < months; ++i) {
    const int month = (startMonth - 1 + i) % 12;
    const int year = (startMonth - 1 + i) / 12;
    v.push_back(scale * level[month] * (1.0f + 0.15f * static_cast<float>((year * 7) % 5)));
  }
  return v;
}

struct TidySite : HydrologyHost {
  TidySite() {
    setSiteParameters(oewr::testing::tidySiteParameters());
    setSeries(kNatural, 1960, 10, seasonalFlows(480, 10));
    setSeries(kPresent, 1960, 10, seasonalFlows(480, 10, 0.6f));
  }
};

// Presses "Finished" in the plots window after choosing `point` ("" keeps it).
std::function<int(ModalForm&)> finishPlotsAt(std::string point) {
  return [point](ModalForm& form) {
    auto& plots = dynamic_cast<Tform3a&>(form);
    if (!point.empty()) {
      plots.ComboBox1.text = point;
      plots.ComboBox1Change();
    }
    plots.Button2Click();
    return plots.modalResult;
  };
}

}  // namespace

TEST(HydrologyWindow, OpeningReadsSummarisesAndSeparatesBaseflows) {
  TidySite host;
  ModelState& state = *host.state;
  TForm3 form(state, *host.tx, host.ui, host.saveDialog);
  EXPECT_TRUE(host.ui.messages.empty()) << host.ui.texts().front();
  EXPECT_EQ(form.Label1, "Reading data - Complete");
  EXPECT_TRUE(form.datag.items[0].checked);
  EXPECT_TRUE(form.datag.items[1].checked);
  EXPECT_TRUE(form.datag.items[2].checked);
  EXPECT_FALSE(form.datag.items[3].checked);
  EXPECT_FALSE(form.Button1.enabled);
  EXPECT_FALSE(form.Button4.enabled);

  ASSERT_EQ(form.ListBox1.size(), 23u);
  EXPECT_EQ(form.ListBox1[0], "Natural Flows:");
  EXPECT_EQ(form.ListBox2[0], "Present Day Flows:");
  EXPECT_EQ(form.ListBox1[3].substr(0, 8), "  850.00");
  EXPECT_EQ(form.ListBox1[6], "Baseflow Parameters: A = 0.000, B = 0.500");

  const TimeSeries& natural = state.site.naturalFlows;
  EXPECT_EQ(natural.header.count, 480);
  EXPECT_EQ(natural.name, "Test River flows 110");
  EXPECT_GT(natural.mar, 0.0f);
  EXPECT_GT(natural.bfi, 0.0f);
  EXPECT_LE(natural.bfi, 1.0f);
  EXPECT_GT(state.site.presentFlows.bfi, 0.0f);
  for (int m = 0; m < 12; ++m) {
    EXPECT_GT(natural.monthBaseFdc[m][0], 0.0f);
    for (int k = 1; k < kDurationPointCount; ++k) EXPECT_LE(natural.monthBaseFdc[m][k], natural.monthBaseFdc[m][k - 1]);
  }
  EXPECT_FALSE(host.tx->DTable.active());
  EXPECT_FALSE(host.tx->ddt3.active());
}

TEST(HydrologyWindow, SiteParameterRulesAndShortRecords) {
  HydrologyHost host;
  std::vector<float> p = oewr::testing::tidySiteParameters();
  p[2] = 0.0f;  // zone
  p[5] = 0.0f;  // valley slope
  p[6] = 0.0f;  // catchment area
  host.setSiteParameters(p);
  host.state->hydraulics.xsShape = 1;
  TForm3 form(*host.state, *host.tx, host.ui, host.saveDialog);
  EXPECT_EQ(host.ui.texts(), (std::vector<std::string>{"Geo Zone out of range (1 - 6): set to 4",
                                                       "Valley slope is reset to 0.005",
                                                       "Catchment area is read as zero"}));
  EXPECT_EQ(host.state->site.siteParameters.geoZone, 4.0f);
  EXPECT_EQ(host.state->site.siteParameters.valleySlope, 0.005f);
  EXPECT_EQ(host.state->hydraulics.xsShape, 0);
  EXPECT_TRUE(form.datag.items[0].checked);
  EXPECT_FALSE(form.datag.items[1].checked);  // no flows stored
  EXPECT_TRUE(form.ListBox1.empty());

  // A record of 10 values keeps the later parameters as they were.
  auto state = makeModelState();
  state->site.siteParameters.obsNShapeFactor = 0.7f;
  auto messages = storeSiteParameters(*state, std::vector<float>(10, 2.0f));
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0], "The hydrology/hydraulic parameters hold 10 of their 24 values; the others keep their "
                         "previous values");
  EXPECT_EQ(state->site.siteParameters.bedWidthFraction, 2.0f);
  EXPECT_EQ(state->site.siteParameters.obsNShapeFactor, 0.7f);
}

TEST(HydrologyWindow, StoredParametersThatAreNoNumberAreReadAsZero) {
  auto state = makeModelState();
  std::vector<float> stored = oewr::testing::tidySiteParameters();
  stored[0] = std::numeric_limits<float>::quiet_NaN();   // baseflow A
  stored[2] = -std::numeric_limits<float>::infinity();   // zone
  stored[6] = std::numeric_limits<float>::infinity();    // catchment area
  stored[7] = std::numeric_limits<float>::quiet_NaN();   // maximum width
  stored[23] = std::numeric_limits<float>::quiet_NaN();  // observed n shape factor
  EXPECT_EQ(storeSiteParameters(*state, stored),
            (std::vector<std::string>{
                "Site parameters (slot 4): Baseflow Parameter A is nan; it must be a finite number: it is read as 0",
                "Site parameters (slot 4): Geom. Zone is -inf; it must be a finite number: it is read as 0",
                "Geo Zone out of range (1 - 6): set to 4",
                "Site parameters (slot 4): Catchment Area (km^2) is inf; it must be a finite number: it is read as 0",
                "Catchment area is read as zero",
                "Site parameters (slot 4): Max. Width (m) is nan; it must be a finite number: it is read as 0",
                "Site parameters (slot 4): n Shape Factor (Obs. Hydraulic Data) is nan; it must be a finite number: "
                "it is read as 0"}));
  const SiteParameters& p = state->site.siteParameters;
  EXPECT_EQ(p.baseflowA, 0.0f);
  EXPECT_EQ(p.geoZone, 4.0f);
  EXPECT_EQ(p.catchmentArea, 0.0f);
  EXPECT_EQ(p.maxWidth, 0.0f);  // not set: the hydraulics window's 40 m default
  EXPECT_EQ(p.obsNShapeFactor, 0.0f);
  EXPECT_EQ(p.baseflowB, 0.5f);
}

TEST(HydrologyWindow, NaturalFlowsNotStartingInOctober) {
  HydrologyHost host;
  host.setSeries(HydrologyHost::kNatural, 1960, 1, seasonalFlows(120, 1));
  TForm3 form(*host.state, *host.tx, host.ui, host.saveDialog);
  EXPECT_EQ(host.ui.texts(), std::vector<std::string>{"Flow data must start with October in this version"});
  EXPECT_TRUE(form.datag.items[1].checked);
  EXPECT_GT(host.state->site.naturalFlows.mar, 0.0f);
  // Months are counted from January: the January mean is the January level.
  EXPECT_GT(host.state->site.naturalFlows.monthMean[1], host.state->site.naturalFlows.monthMean[6]);
}

TEST(HydrologyWindow, RealRecordsGetClearMessages) {
  HydrologyHost host;
  std::vector<float> natural = seasonalFlows(27, 10);
  natural[4] = -0.3f;  // February 1961
  host.setSeries(HydrologyHost::kNatural, 1960, 10, natural);
  host.setSeries(HydrologyHost::kPresent, 1960, 10, seasonalFlows(2002, 10));
  host.setSeries(HydrologyHost::kScenario, 1960, 10, {1.0f, 2.0f});
  TForm3 form(*host.state, *host.tx, host.ui, host.saveDialog);
  const auto texts = host.ui.texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_NE(texts[0].find("Natural flows: the last 3 months"), std::string::npos) << texts[0];
  EXPECT_NE(texts[1].find("Natural flows: 1 monthly value is below zero (the first, -0.300, in Feb 1961)"),
            std::string::npos)
      << texts[1];
  EXPECT_EQ(texts[2], "Present day flows: the record holds 166 years of monthly flows (2002 months from Oct 1960), "
                      "more than the 121 years the model takes (its ecological, flood and final tables hold 121 "
                      "years); the series is left out of the analysis. Import a shorter period, at most 121 "
                      "hydrological years, and run again");
  EXPECT_NE(texts[3].find("Scenario flows: the series is too short (2 monthly values"), std::string::npos);
  EXPECT_TRUE(form.datag.items[1].checked);
  EXPECT_FALSE(form.datag.items[2].checked);
  EXPECT_EQ(host.state->site.presentFlows.header.count, 0);
  EXPECT_TRUE(form.ListBox2.empty());
  EXPECT_TRUE(std::isfinite(host.state->site.scenarioFlows.hydroIndex));
  EXPECT_EQ(host.state->site.scenarioFlows.bfi, 0.0f);
}

TEST(HydrologyWindow, NaturalFlowsTheModelCannotTakeStopTheRunWithOnePlainMessage) {
  struct Case {
    const char* what;
    std::vector<float> values;
    int storedCount;  // "No. Records" as stored; -1: the number of values
    std::string expected;
  };
  std::vector<float> huge = seasonalFlows(480, 10);
  huge[13] = 1.0e8f;  // November 1961
  const std::vector<Case> cases = {
      {"200 years", seasonalFlows(2400, 10), -1,
       "Natural flows: the record holds 200 years of monthly flows (2400 months from Oct 1960), more than the 121 "
       "years the model takes (its ecological, flood and final tables hold 121 years); the run cannot go on. Import "
       "a shorter period, at most 121 hydrological years, and run again"},
      {"a month of 1e8 million m3", huge, -1,
       "Natural flows: the record holds 100000000 million m3 in Nov 1961, not below the 10000000 million m3 a month "
       "the model takes (no river carries as much); the run cannot go on. Check the unit of the record (flows in m3 "
       "stored as million m3 are 1000000 times too large), import it again with its unit and run again"},
      {"No. Records above the values stored", seasonalFlows(840, 10), 1000,
       "table 'timeseries', record RECID 1 (attribute 'Natural flows' (code 110), site 1), field 'Data': 3360 bytes "
       "where 'No. Records' 1000 needs 4000; the series is not read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HydrologyHost host;
    host.setSiteParameters(oewr::testing::tidySiteParameters());
    host.setSeries(HydrologyHost::kNatural, 1960, 10, c.values);
    if (c.storedCount >= 0) {
      hostdb::HostTable t(*host.session, HydrologyHost::kAlias, "timeseries");
      t.open();
      ASSERT_TRUE(t.findKey({hostdb::FieldValue(1)}));
      t.edit();
      t.setField("No. Records", c.storedCount);
      t.post();
    }
    {
      TForm3 form(*host.state, *host.tx, host.ui, host.saveDialog);
      EXPECT_EQ(host.ui.texts(), std::vector<std::string>{c.expected});
      EXPECT_EQ(form.refusal, c.expected);
      EXPECT_FALSE(form.datag.items[1].checked);
      EXPECT_EQ(host.state->site.naturalFlows.header.count, 0);
      // Nothing to plot or choose from: the window can only be closed.
      EXPECT_FALSE(form.Button3.enabled);
      form.Button3Click();
      EXPECT_EQ(host.ui.messages.size(), 1u);
    }
    // Headless, the step stops with that message as its reason, and says nothing more.
    host.ui.messages.clear();
    try {
      runHydrologyStep(*host.state, *host.tx, host.ui, host.saveDialog, HydrologyOptions{});
      ADD_FAILURE() << "the hydrology step went on";
    } catch (const ActionStopped& e) {
      EXPECT_EQ(std::string(e.what()), c.expected);
    }
    EXPECT_EQ(host.ui.texts(), std::vector<std::string>{c.expected});
  }
}

TEST(HydrologyWindow, OptionBoxesAreExclusive) {
  HydrologyHost host;
  TForm3 form(*host.state, *host.tx, host.ui, host.saveDialog);
  EXPECT_FALSE(form.CheckBox1.checked);
  EXPECT_TRUE(form.CheckBox2.checked);
  form.CheckBox1Click();  // check QTotal
  EXPECT_TRUE(form.CheckBox1.checked);
  EXPECT_FALSE(form.CheckBox2.checked);
  form.CheckBox1Click();  // uncheck QTotal
  EXPECT_FALSE(form.CheckBox1.checked);
  EXPECT_TRUE(form.CheckBox2.checked);
  form.CheckBox2Click();  // uncheck QBase
  EXPECT_TRUE(form.CheckBox1.checked);
  EXPECT_FALSE(form.CheckBox2.checked);
}

TEST(HydrologyWindow, FinishedPlotsSetCriticalMonthsFlowsAndSaveTheirPoint) {
  TidySite host;
  ModelState& state = *host.state;
  state.site.maxBaseflowExceedence = 10;
  TForm3 form(state, *host.tx, host.ui, host.saveDialog);
  host.ui.onModal = finishPlotsAt("20");
  form.Button3Click();
  const CriticalMonthFlows expected = chooseCriticalMonths(state.site.naturalFlows, 20);
  ASSERT_GT(expected.wetMonth, 0);
  EXPECT_EQ(state.hydrology.criticalWetMonth, expected.wetMonth);
  EXPECT_EQ(state.hydrology.criticalDryMonth, expected.dryMonth);
  EXPECT_EQ(form.SpinEdit1.value, expected.wetMonth);
  EXPECT_EQ(form.SpinEdit2.value, expected.dryMonth);
  EXPECT_EQ(form.Edit1.text, formatText("%10.3f", volumeToFlow(expected.qTotal75Wet, expected.wetMonth)));
  EXPECT_EQ(form.Edit2.text, formatText("%10.3f", volumeToFlow(expected.qBaseWet, expected.wetMonth)));
  EXPECT_EQ(form.Edit3.text, formatText("%10.3f", volumeToFlow(expected.qTotal75Dry, expected.dryMonth)));
  EXPECT_EQ(form.Edit4.text, formatText("%10.3f", volumeToFlow(expected.qBaseDry, expected.dryMonth)));
  EXPECT_EQ(form.Label7, "Using QBase 20%");
  EXPECT_TRUE(form.Button1.enabled);
  EXPECT_TRUE(form.Button4.enabled);
  EXPECT_EQ(state.site.maxBaseflowExceedence, 20);
  const auto stored = host.storedEcologicalParameters();
  ASSERT_EQ(stored.size(), 27u);
  EXPECT_EQ(stored[0], 20.0f);

  // The maximum baseflows are the edits' texts as typed.
  form.Edit2.text = " 2.5 ";
  form.Button1Click();
  EXPECT_EQ(form.modalResult, mrOK);
  EXPECT_FLOAT_EQ(state.hydrology.maxBaseflowWet, 2.5f);
  double dry = 0;
  ASSERT_TRUE(parseNumber(form.Edit4.text, dry));
  EXPECT_FLOAT_EQ(state.hydrology.maxBaseflowDry, static_cast<float>(dry));
}

TEST(HydrologyWindow, ReturnWithQTotalAndTheReport) {
  TidySite host;
  ModelState& state = *host.state;
  state.site.maxBaseflowExceedence = 15;
  TForm3 form(state, *host.tx, host.ui, host.saveDialog);
  host.ui.onModal = finishPlotsAt("");
  form.Button3Click();
  form.CheckBox1Click();
  form.Button4Click();
  ASSERT_TRUE(state.reportLines.has_value());
  const auto& r = *state.reportLines;
  ASSERT_EQ(r.size(), 2u + 23u + 4u);
  EXPECT_EQ(r[0], "(Orvane Model outputs for site: Test River at Weir");
  EXPECT_EQ(r[2], formatText("%-40s", "Natural Flows:") + "Present Day Flows:");
  EXPECT_EQ(r[13].substr(0, 4), " Oct");
  EXPECT_EQ(r[24].substr(0, 4), " Sep");
  EXPECT_EQ(r[26], formatText("Critical months: WET : %3s, DRY : %3s", kMonthNames[state.hydrology.criticalWetMonth - 1],
                              kMonthNames[state.hydrology.criticalDryMonth - 1]));
  EXPECT_EQ(r[27], "Using 75th percentile of FDC of Total Q");
  EXPECT_EQ(r[28], formatText("Max. baseflows (m3/s): WET : %-10.10s, DRY : %-10.10s", form.Edit1.text, form.Edit3.text));

  form.Button1Click();
  EXPECT_EQ(form.modalResult, mrOK);
  double wet = 0;
  ASSERT_TRUE(parseNumber(form.Edit1.text, wet));
  EXPECT_FLOAT_EQ(state.hydrology.maxBaseflowWet, static_cast<float>(wet));
}

TEST(HydrologyWindow, ReturnNeedsCriticalMonthsAndNumbers) {
  HydrologyHost host;  // no flows at all
  ModelState& state = *host.state;
  state.hydrology.maxBaseflowWet = 1.25f;
  TForm3 form(state, *host.tx, host.ui, host.saveDialog);
  form.Button1Click();  // still disabled
  EXPECT_EQ(form.modalResult, mrNone);

  host.ui.onModal = finishPlotsAt("");
  state.site.maxBaseflowExceedence = 15;
  form.Button3Click();
  EXPECT_TRUE(host.ui.said("The natural flows hold no full year: the critical months cannot be chosen"));
  EXPECT_EQ(form.SpinEdit1.value, 0);
  form.Button1Click();
  EXPECT_TRUE(host.ui.said(TForm3::kNoCriticalMonths));
  EXPECT_EQ(form.modalResult, mrNone);  // the window stays open
  EXPECT_EQ(state.hydrology.maxBaseflowWet, 1.25f);

  TidySite site;
  TForm3 tidy(*site.state, *site.tx, site.ui, site.saveDialog);
  site.state->site.maxBaseflowExceedence = 15;
  site.ui.onModal = finishPlotsAt("");
  tidy.Button3Click();
  tidy.Edit2.text = "1,5x";
  tidy.Button1Click();
  EXPECT_EQ(tidy.modalResult, mrNone);
  EXPECT_TRUE(site.ui.said("The maximum baseflow of the high flow month, \"1,5x\", is not a flow of 0 m3/s or more"));
  EXPECT_EQ(site.state->hydrology.maxBaseflowWet, 0.0f);
}

TEST(HydrologyWindow, PlotsClosedWithoutFinishedChangeNothingButTheReportButton) {
  TidySite host;
  host.state->site.maxBaseflowExceedence = 15;
  TForm3 form(*host.state, *host.tx, host.ui, host.saveDialog);
  host.ui.onModal = [](ModalForm& f) {
    dynamic_cast<Tform3a&>(f).close();
    return f.modalResult;
  };
  form.Button3Click();
  EXPECT_FALSE(form.Button1.enabled);
  EXPECT_TRUE(form.Button4.enabled);
  EXPECT_EQ(form.Edit2.text, "0.0");
  EXPECT_TRUE(host.storedEcologicalParameters().empty());
}

TEST(HydrologyWindow, SiteWithoutStoredPointUsesFifteen) {
  TidySite host;
  ModelState& state = *host.state;
  ASSERT_EQ(state.site.maxBaseflowExceedence, 0);
  TForm3 form(state, *host.tx, host.ui, host.saveDialog);
  host.ui.onModal = finishPlotsAt("");
  form.Button3Click();
  EXPECT_TRUE(host.ui.said("No maximum baseflow exceedence point is set for this site: the 15% point is used"));
  const CriticalMonthFlows expected = chooseCriticalMonths(state.site.naturalFlows, 15);
  EXPECT_EQ(state.hydrology.criticalWetMonth, expected.wetMonth);
  EXPECT_EQ(form.Edit2.text, formatText("%10.3f", volumeToFlow(expected.qBaseWet, expected.wetMonth)));
  EXPECT_NE(form.Edit2.text, formatText("%10.3f", 0.0));
  EXPECT_EQ(state.site.maxBaseflowExceedence, 15);
  EXPECT_EQ(form.Label7, "Using QBase 15%");
}

TEST(HydrologyPlots, ChartsSeriesAndRedrawing) {
  TidySite host;
  ModelState& state = *host.state;
  state.site.maxBaseflowExceedence = 15;
  TForm3 form(state, *host.tx, host.ui, host.saveDialog);
  Tform3a plots(state, host.ui);
  EXPECT_EQ(plots.ComboBox1.text, "15");
  EXPECT_EQ(plots.drawnPoint, 15);
  for (const charting::Chart* chart : {&plots.Chart1, &plots.Chart2, &plots.Chart3}) {
    ASSERT_EQ(chart->series.size(), 4u);
    EXPECT_EQ(chart->series[3].title, "Baseflow P.Day");
  }
  EXPECT_EQ(plots.Chart3.title, "Monthly Distribution for 15% FDC Precent. Point");

  const charting::Series& total = plots.Chart1.series[0];
  ASSERT_EQ(total.points.size(), 480u);
  EXPECT_DOUBLE_EQ(total.points[0].x, hostdb::encodeDateTime(1960, 10, 15, 0, 0));
  EXPECT_EQ(plots.Chart2.series[0].points[0].x, 100.0);
  ASSERT_EQ(plots.Chart3.series[1].points.size(), 12u);
  EXPECT_EQ(plots.Chart3.series[1].points[0].label, "Oct");
  EXPECT_EQ(plots.Chart3.series[1].points[11].label, "Sep");

  // Choosing 5 redraws at once with the flows equalled or exceeded 5 % of the time.
  plots.ComboBox1.text = "5";
  plots.ComboBox1Change();
  EXPECT_EQ(plots.Chart3.title, "Monthly Distribution for 5% FDC Precent. Point");
  const auto janBase = valuesByCalendarMonth(state.site.naturalFlows, state.site.naturalFlows.baseflows, 40)[0];
  EXPECT_EQ(plots.Chart3.series[1].points[3].y, exceedenceValue(janBase, 5));
  EXPECT_EQ(plots.criticalFlows.wetMonth, chooseCriticalMonths(state.site.naturalFlows, 5).wetMonth);

  // An unticked series leaves all three charts; the months are still chosen.
  state.hydrology.criticalWetMonth = 0;
  plots.CheckBox2.checked = false;
  plots.Button1Click();
  for (const charting::Chart* chart : {&plots.Chart1, &plots.Chart2, &plots.Chart3}) {
    EXPECT_TRUE(chart->series[1].points.empty());
    EXPECT_FALSE(chart->series[0].points.empty());
    EXPECT_FALSE(chart->series[3].points.empty());
  }
  EXPECT_GT(state.hydrology.criticalWetMonth, 0);

  plots.ComboBox1.text = Tform3a::kNoPointSelected;
  plots.Button1Click();
  EXPECT_TRUE(host.ui.said("Please select a FDC %point for monthly distribution plots"));
  plots.ComboBox1.text = "abc";
  plots.Button1Click();
  EXPECT_EQ(plots.drawnPoint, 5);
  EXPECT_NE(host.ui.texts().back().find("\"abc\" is not a whole percentage"), std::string::npos);
}

TEST(HydrologyPlots, OnlyFullYearsAreDrawn) {
  HydrologyHost host;
  host.setSeries(HydrologyHost::kNatural, 2000, 10, seasonalFlows(30, 10));
  host.state->site.maxBaseflowExceedence = 15;
  TForm3 form(*host.state, *host.tx, host.ui, host.saveDialog);
  Tform3a plots(*host.state, host.ui);
  EXPECT_EQ(plots.Chart1.series[0].points.size(), 24u);
  EXPECT_EQ(plots.Chart2.series[0].points.size(), 24u);
  EXPECT_TRUE(plots.Chart1.series[2].points.empty());  // no present-day flows
}

TEST(HydrologyRun, HeadlessStepChoosesSavesAndStartsTheReport) {
  TidySite host;
  ModelState& state = *host.state;
  state.site.maxBaseflowExceedence = 15;
  HydrologyOptions options;
  options.exceedence = 10;
  runHydrologyStep(state, *host.tx, host.ui, host.saveDialog, options);
  const CriticalMonthFlows expected = chooseCriticalMonths(state.site.naturalFlows, 10);
  EXPECT_EQ(state.hydrology.criticalWetMonth, expected.wetMonth);
  EXPECT_EQ(state.hydrology.criticalDryMonth, expected.dryMonth);
  EXPECT_EQ(state.site.maxBaseflowExceedence, 10);
  EXPECT_EQ(host.storedEcologicalParameters().at(0), 10.0f);
  double wet = 0;
  ASSERT_TRUE(parseNumber(formatText("%10.3f", volumeToFlow(expected.qBaseWet, expected.wetMonth)), wet));
  EXPECT_FLOAT_EQ(state.hydrology.maxBaseflowWet, static_cast<float>(wet));
  ASSERT_TRUE(state.reportLines.has_value());
  EXPECT_EQ(state.reportLines->at(27), "Using  10th percentile of FDC of separated baseflows");

  options.useQtotal = true;
  options.exceedence = 0;  // keeps 10
  runHydrologyStep(state, *host.tx, host.ui, host.saveDialog, options);
  ASSERT_TRUE(parseNumber(formatText("%10.3f", volumeToFlow(expected.qTotal75Wet, expected.wetMonth)), wet));
  EXPECT_FLOAT_EQ(state.hydrology.maxBaseflowWet, static_cast<float>(wet));
  EXPECT_EQ(state.reportLines->at(27), "Using 75th percentile of FDC of Total Q");

  options.exceedence = 12;
  EXPECT_THROW(runHydrologyStep(state, *host.tx, host.ui, host.saveDialog, options), ModelError);
  EXPECT_TRUE(isExceedenceChoice(50));
  EXPECT_FALSE(isExceedenceChoice(55));
}

TEST(HydrologyRun, WithoutNaturalFlowsTheStepDoesNotFinish) {
  HydrologyHost host;
  host.state->site.maxBaseflowExceedence = 15;
  EXPECT_THROW(runHydrologyStep(*host.state, *host.tx, host.ui, host.saveDialog, {}), ActionStopped);
  EXPECT_TRUE(host.ui.said(TForm3::kNoCriticalMonths));
}
