#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/errors.h"
#include "common/text_format.h"
#include "floods/flood_events.h"
#include "floods/flood_fixture.h"
#include "floods/flood_step.h"
#include "floods/flood_window.h"

using namespace oewr;
using namespace oewr::floods;
using oewr::testing::FloodHost;
using oewr::testing::makeFloodState;

namespace {

struct Window {
  FloodHost host;
  std::unique_ptr<ModelState> state;
  std::unique_ptr<TForm6> form;

  explicit Window(std::unique_ptr<ModelState> s) : state(std::move(s)) {
    host.attach(*state);
    form = std::make_unique<TForm6>(*state, *host.tx, host.ui, host.saveDialog);
  }
  const std::string& cell(int col, int row) const { return state->floods.floodCategoryTable.cell(col, row); }
  float number(const std::string& text) const {
    double v = 0;
    EXPECT_TRUE(parseNumber(text, v)) << text;
    return static_cast<float>(v);
  }
};

}  // namespace

TEST(FloodWindow, DefaultCategoriesAtCreation) {
  Window w(makeFloodState(1.0f));  // low variability: T1
  TForm6& f = *w.form;
  EXPECT_TRUE(w.host.ui.messages.empty());
  const float bankfull = w.state->floods.bankfullDischarge;
  EXPECT_EQ(w.cell(1, 5), formatText("%10.3f", 0.8f * bankfull));
  EXPECT_EQ(w.cell(1, 1), formatText("%10.3f", 0.073f * bankfull));
  const char* events[] = {"4", "3", "1", "1", "1"};
  const char* codes[] = {"1", "1", "1", "2", "5"};
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(w.cell(0, k), std::to_string(k));
    EXPECT_EQ(w.cell(4, k), events[k - 1]);
    EXPECT_EQ(w.cell(5, k), codes[k - 1]);
    EXPECT_GT(w.number(w.cell(3, k)), 0.0f);
  }
  EXPECT_EQ(w.cell(0, 0), "Category No:");
  EXPECT_EQ(w.cell(5, 0), "Frequency");
  // Accepting category 5 leaves the category number at 5.
  EXPECT_EQ(f.SpinEdit1.value, 5);
  // The defaults do not touch the saved parameters.
  for (const auto& c : w.state->floods.savedFloodParameters)
    for (float v : c) EXPECT_EQ(v, 0.0f);
  EXPECT_FALSE(w.state->floods.floodInitialising);
  EXPECT_TRUE(f.Button6.enabled);
  EXPECT_FALSE(f.Button2.enabled);
  EXPECT_FALSE(f.Button4.enabled);
  EXPECT_EQ(f.Edit1.text, "   500.000");
  EXPECT_EQ(f.Edit6.text, "0.50");
  EXPECT_FLOAT_EQ(w.state->floods.durationFactor, 4.0f);
  EXPECT_FLOAT_EQ(w.state->floods.floodConstraint, 0.5f);

  // Right after creation all three totals show: the last default accept saw code 3 in row 5.
  const float v1 = w.number(w.cell(3, 1)), v2 = w.number(w.cell(3, 2)), v3 = w.number(w.cell(3, 3));
  const float v4 = w.number(w.cell(3, 4)), v5 = w.number(w.cell(3, 5));
  const float annual = 4.0f * v1 + 3.0f * v2 + 1.0f * v3;
  EXPECT_EQ(f.StringGrid2.cell(1, 1), formatText("%10.3f", annual));
  EXPECT_EQ(f.StringGrid2.cell(1, 2), formatText("%10.3f", v4 + annual));
  EXPECT_EQ(f.StringGrid2.cell(1, 3), formatText("%10.3f", v5 + annual));
  EXPECT_EQ(f.StringGrid2.cell(2, 1), formatText("%10.1f", annual * 100.0f / w.state->site.naturalFlows.mar));
  EXPECT_EQ(f.StringGrid2.cell(0, 3), "1 year in 5");

  // Charts: the section, the rating and the baseflow level in red.
  EXPECT_EQ(f.Chart1.series[0].points.size(), 5u);
  EXPECT_EQ(f.Chart2.series[0].points.size(), static_cast<std::size_t>(w.state->hydraulics.stageCount));
  ASSERT_EQ(f.Chart1.series[2].points.size(), 2u);
  EXPECT_FLOAT_EQ(static_cast<float>(f.Chart1.series[2].points[1].x), 20.0f);
  EXPECT_GT(w.state->floods.floodBaseflowDepth, 0.0f);
  EXPECT_EQ(f.Chart2.series[2].points[1].x, 1.0);
  EXPECT_EQ(f.Chart1.legend, charting::LegendPosition::Hidden);
}

TEST(FloodWindow, LaterAcceptKeepsTheOneInFiveTotal) {
  Window w(makeFloodState());
  TForm6& f = *w.form;
  const std::string oneInFive = f.StringGrid2.cell(1, 3);
  // The boxes still show category 5; category 2 takes them as an annual event.
  f.SpinEdit1.value = 2;
  f.SpinEdit2.value = 1;
  f.RadioGroup1.itemIndex = 0;
  f.Button1Click();
  EXPECT_EQ(w.cell(4, 2), "1");
  EXPECT_EQ(w.cell(3, 2), f.Edit5.text);
  EXPECT_EQ(f.SpinEdit1.value, 3);
  const float annual = 4.0f * w.number(w.cell(3, 1)) + w.number(w.cell(3, 2)) + w.number(w.cell(3, 3));
  EXPECT_EQ(f.StringGrid2.cell(1, 1), formatText("%10.3f", annual));
  EXPECT_EQ(f.StringGrid2.cell(1, 2), formatText("%10.3f", w.number(w.cell(3, 4)) + annual));
  // Row 5 holds code 5 now: its total is not shown and the row keeps its value.
  EXPECT_EQ(f.StringGrid2.cell(1, 3), oneInFive);
  // A later accept stores the category's choices.
  const auto& saved = w.state->floods.savedFloodParameters[1];
  EXPECT_EQ(saved[0], 0.0f);
  EXPECT_EQ(saved[1], 0.0f);
  EXPECT_EQ(saved[2], 1.0f);
  EXPECT_EQ(saved[3], 1.0f);
  EXPECT_EQ(saved[4], 1.0f);
  f.SpinEdit1.value = 5;
  f.Button1Click();
  EXPECT_EQ(f.SpinEdit1.value, 5);
}

TEST(FloodWindow, DepthGivesThePeakOfTheRating) {
  Window w(makeFloodState());
  TForm6& f = *w.form;
  f.SpinEdit4Change();  // 0 cm: the first step
  EXPECT_EQ(f.Edit2.text, formatText("%10.3f", w.state->floods.floodRatingFlow[0]));
  f.SpinButton1UpClick();
  EXPECT_EQ(f.SpinEdit4.value, 10);
  const int32_t step = floods::ratingStepAtDepth(*w.state, 0.1f);
  EXPECT_EQ(f.Edit2.text, formatText("%10.3f", w.state->floods.floodRatingFlow[step]));
  ASSERT_EQ(f.Chart1.series[1].points.size(), 2u);
  EXPECT_FLOAT_EQ(static_cast<float>(f.Chart1.series[1].points[0].y), 0.1f);
  ASSERT_EQ(f.Chart2.series[1].points.size(), 3u);
  EXPECT_FLOAT_EQ(static_cast<float>(f.Chart2.series[1].points[1].x), w.state->floods.floodRatingFlow[step]);
  // The time to peak follows the new peak.
  EXPECT_FALSE(trim(f.Edit3.text).empty());
  f.SpinButton1DownClick();
  f.SpinButton1DownClick();
  EXPECT_EQ(f.SpinEdit4.value, 0);
  EXPECT_TRUE(w.host.ui.messages.empty());
  // Above the top of the rating the bankfull discharge is taken, with a message.
  f.setDepth(500);
  EXPECT_EQ(f.Edit2.text, formatText("%10.3f", w.state->floods.bankfullDischarge));
  ASSERT_EQ(w.host.ui.messages.size(), 1u);
  const float top = w.state->floods.floodDepthStep[w.state->hydraulics.stageCount - 1];
  EXPECT_EQ(w.host.ui.messages[0].text, formatText("Depth of 500 cm is above the top of the rating curve (%.2f m): "
                                                   "the bankfull discharge is used",
                                                   top));
  EXPECT_FLOAT_EQ(static_cast<float>(f.Chart1.series[1].points[0].y), top);
  f.setDepth(5000);
  EXPECT_EQ(f.SpinEdit4.value, 1000);
}

TEST(FloodWindow, TenHoursToPeak) {
  Window w(makeFloodState());
  TForm6& f = *w.form;
  const float root = w.state->floods.peakScaleRoot;
  f.setCatchmentText("175");
  f.setPeakText(formatText("%10.3f", root * root));
  EXPECT_EQ(f.Edit3.text, "  10");
  EXPECT_EQ(f.Edit4.text, "  41");
  const auto& points = f.Chart3.series[0].points;
  ASSERT_EQ(points.size(), 1001u);
  const auto top =
      std::max_element(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.y < b.y; });
  EXPECT_NEAR(top->x, 10.0, 1e-4);
  EXPECT_NEAR(points.back().x, 41.0, 1e-4);
  double peak = 0;
  ASSERT_TRUE(parseNumber(f.Edit2.text, peak));
  EXPECT_EQ(f.Edit5.text, formatText("%10.3f", floods::hydrograph(static_cast<float>(peak), 10, 41).volume));
  // Shape and slope change the time to peak.
  f.setShape(2);
  EXPECT_NE(f.Edit3.text, "  10");
}

TEST(FloodWindow, CatchmentAreaThatIsNoNumber) {
  Window w(makeFloodState());
  TForm6& f = *w.form;
  const std::string row2 = w.cell(3, 2);
  f.setCatchmentText("12a");
  EXPECT_EQ(f.Edit3.text, "");
  EXPECT_EQ(f.Edit5.text, "");
  EXPECT_TRUE(f.Chart3.series[0].points.empty());
  f.SpinEdit1.value = 2;
  f.Button1Click();
  EXPECT_EQ(w.cell(3, 2), row2);
  EXPECT_EQ(f.SpinEdit1.value, 2);
  ASSERT_EQ(w.host.ui.messages.size(), 1u);
  EXPECT_EQ(w.host.ui.messages[0].text, "Catchment Area (km2) \"12a\" is not a number: flood category 2 is not accepted");
  f.setCatchmentText("  500.0 ");
  EXPECT_FALSE(f.Edit5.text.empty());
}

TEST(FloodWindow, BaseflowAtOrAboveBankfull) {
  auto s = makeFloodState();
  s->hydrology.maxBaseflowWet = 1000.0f;
  Window w(std::move(s));
  // One plain message: the limit passed (the 2 m deep test channel full
  // carries 20 x 2^(5/3) m3/s) and what to check.
  ASSERT_EQ(w.host.ui.messages.size(), 1u);
  const std::string text = w.host.ui.messages[0].text;  // a copy: later messages grow the list
  const std::string full = formatText("%.3f m3/s the channel carries when full", 20.0 * std::pow(2.0, 5.0 / 3.0));
  EXPECT_NE(text.find("critical wet month, 1000.000 m3/s, is not below the " + full), std::string::npos) << text;
  EXPECT_NE(text.find("Check the channel's maximum width and depth"), std::string::npos) << text;
  EXPECT_EQ(w.form->refusal, text);
  EXPECT_LT(w.state->floods.peakScaleRoot, 0.0f);
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(w.cell(2, k), "   0");
    EXPECT_EQ(w.cell(3, k), "     0.000");
  }
  // No baseflow level on the charts: the baseflow lies above the rating.
  EXPECT_TRUE(w.form->Chart1.series[2].points.empty());
  // No high flows are generated on such a channel: the step cannot finish.
  EXPECT_FALSE(w.form->Button3.enabled);
  w.form->Button3Click();
  EXPECT_EQ(w.host.ui.messages.size(), 1u);
  EXPECT_FALSE(w.form->Button4.enabled);
  try {
    runFloodStep(*w.state, *w.host.tx, w.host.ui, w.host.saveDialog, FloodOptions{});
    ADD_FAILURE() << "the flood step went on";
  } catch (const ActionStopped& e) {
    EXPECT_EQ(std::string(e.what()), text);
  }
}

TEST(FloodWindow, NoRating) {
  auto s = makeFloodState();
  s->hydraulics.stageCount = 0;
  Window w(std::move(s));
  ASSERT_FALSE(w.host.ui.messages.empty());
  EXPECT_EQ(w.host.ui.messages[0].text, TForm6::kNoRating);
  EXPECT_EQ(w.host.ui.messages.size(), 1u);
  EXPECT_EQ(w.cell(1, 3), "     0.000");
  w.form->setDepth(40);
  EXPECT_EQ(w.form->Edit2.text, "     0.000");
}

TEST(FloodWindow, GenerateShowsTheRatioAndItsLimits) {
  // Low high flows: the ratio is above 0.7 and cut, with the message.
  auto low = makeFloodState();
  for (int i = 0; i < 240; ++i) {
    low->site.naturalFlows.values[i] *= 0.001f;
    low->site.naturalFlows.baseflows[i] *= 0.001f;
  }
  Window w(std::move(low));
  w.form->Button3Click();
  ASSERT_EQ(w.host.ui.messages.size(), 1u);
  EXPECT_EQ(w.host.ui.messages[0].text, "Bankfull channel discharge is very high - check hydraulics");
  double shown = 0;
  ASSERT_TRUE(parseNumber(w.form->Edit6.text, shown));
  EXPECT_GT(shown, 0.7);
  EXPECT_FLOAT_EQ(w.state->floods.floodVolumeRatio, 0.7f);
  EXPECT_TRUE(w.form->Button2.enabled);
  EXPECT_TRUE(w.form->Button4.enabled);

  // High flows far above the floods: raised to 0.5, no message.
  auto high = makeFloodState();
  for (int i = 0; i < 240; ++i) {
    high->site.naturalFlows.values[i] *= 1000.0f;
    high->site.naturalFlows.baseflows[i] *= 1000.0f;
  }
  Window v(std::move(high));
  v.form->Button3Click();
  EXPECT_TRUE(v.host.ui.messages.empty());
  EXPECT_EQ(v.form->Edit6.text, "0.50");
  EXPECT_FLOAT_EQ(v.state->floods.floodVolumeRatio, 0.5f);
}

TEST(FloodWindow, RefusedGenerateLeavesNoHighFlows) {
  Window w(makeFloodState(10.0f, 3 * 12 + 6));
  w.state->floods.highFlowSeries[2][5] = 9.0f;  // from an earlier record
  w.state->floods.highFlowAssurance[1][2][0] = 9.0f;
  w.form->Button3Click();
  ASSERT_EQ(w.host.ui.messages.size(), 1u);
  EXPECT_NE(w.host.ui.messages[0].text.find("3 whole years"), std::string::npos);
  EXPECT_EQ(w.state->floods.highFlowSeries[2][5], 0.0f);
  EXPECT_EQ(w.state->floods.highFlowAssurance[1][2][0], 0.0f);
  EXPECT_FALSE(w.form->Button4.enabled);
  w.form->Button4Click();
  EXPECT_EQ(w.form->modalResult, mrNone);
}

TEST(FloodWindow, ReportSection) {
  Window w(makeFloodState());
  TForm6& f = *w.form;
  f.Button3Click();
  f.Button2Click();
  EXPECT_TRUE(w.host.ui.said(TForm6::kNoReport));
  w.state->reportLines.emplace();
  w.state->reportLines->push_back("earlier");
  f.Button2Click();
  const auto& lines = *w.state->reportLines;
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[1], " ");
  EXPECT_EQ(lines[2], "HIGH FLOW REQUIREMENT SUMMARY");
  EXPECT_EQ(lines[3], formatText("Bankfull channel discharge (m3/s) = %10.3f", w.state->floods.bankfullDischarge));
  EXPECT_EQ(lines[5], "Category Frequency    Peak(m3/s) Duration(hours) N. Events Volume(MCM)");
  EXPECT_EQ(lines[6], "   1      Annual   " + w.cell(1, 1) + "        " + w.cell(2, 1) + "        4" + w.cell(3, 1));
  EXPECT_EQ(lines[9].substr(0, 19), "   4     1:2 year  ");
  EXPECT_EQ(lines[10].substr(0, 19), "   5     1:5 year  ");
  f.Button4Click();
  EXPECT_EQ(f.modalResult, mrOK);
}
