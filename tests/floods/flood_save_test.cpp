#include <gtest/gtest.h>

#include "common/errors.h"
#include "common/text_format.h"
#include "floods/flood_events.h"
#include "floods/flood_fixture.h"
#include "floods/flood_save.h"
#include "floods/flood_step.h"
#include "floods/flood_window.h"

using namespace oewr;
using namespace oewr::floods;
using oewr::testing::FloodHost;
using oewr::testing::makeFloodState;

namespace {

struct Site {
  FloodHost host;
  std::unique_ptr<ModelState> state = makeFloodState();
  Site() { host.attach(*state); }
  std::unique_ptr<TForm6> open() { return std::make_unique<TForm6>(*state, *host.tx, host.ui, host.saveDialog); }
};

// Depth 30 k cm, frequency (k - 1) % 3, k events, shape k % 3, slope k % 4.
std::vector<float> storedValues() {
  std::vector<float> v;
  for (int k = 1; k <= 5; ++k) {
    v.push_back(30.0f * static_cast<float>(k));
    v.push_back(static_cast<float>((k - 1) % 3));
    v.push_back(static_cast<float>(k));
    v.push_back(static_cast<float>(k % 3));
    v.push_back(static_cast<float>(k % 4));
  }
  return v;
}

}  // namespace

TEST(FloodParameters, SaveNeedsEveryDepth) {
  Site site;
  auto form = site.open();
  form->Button5Click();
  EXPECT_EQ(site.host.ui.texts(), std::vector<std::string>{TForm6::kDepthNotSet});
  form->setDepth(50);
  form->SpinEdit1.value = 1;
  form->Button1Click();
  form->Button5Click();
  EXPECT_EQ(site.host.ui.messages.back().text, TForm6::kCategoryDepthNotSet);
  EXPECT_FALSE(site.host.stored());
}

TEST(FloodParameters, SaveWritesTheRecord) {
  Site site;
  auto form = site.open();
  for (int k = 1; k <= 5; ++k) {
    form->SpinEdit1.value = k;
    form->setDepth(20 * k);
    form->SpinEdit2.value = 6 - k;
    form->RadioGroup1.itemIndex = k % 3;
    form->setShape(k % 3);
    form->setSlope(k % 4);
    form->Button1Click();
  }
  form->Button5Click();
  EXPECT_TRUE(site.host.ui.messages.empty());
  const auto stored = site.host.stored();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->title, "OEWR Saved Flood Parameters");
  EXPECT_EQ(stored->format, "OEWR_SavedFlood_parameters.txp");
  EXPECT_EQ(stored->rows, 5);
  EXPECT_EQ(stored->columns, 5);
  ASSERT_EQ(stored->data.size(), 25u);
  for (int k = 1; k <= 5; ++k) {
    const auto i = static_cast<std::size_t>(5 * (k - 1));
    EXPECT_EQ(stored->data[i], static_cast<float>(20 * k));
    EXPECT_EQ(stored->data[i + 1], static_cast<float>(k % 3));
    EXPECT_EQ(stored->data[i + 2], static_cast<float>(6 - k));
    EXPECT_EQ(stored->data[i + 3], static_cast<float>(k % 3));
    EXPECT_EQ(stored->data[i + 4], static_cast<float>(k % 4));
  }
}

TEST(FloodParameters, RestoreRoundsAndAcceptsEachCategory) {
  Site site;
  std::vector<float> v = storedValues();
  v[2] = 2.6f;    // category 1: 2.6 events become 3
  v[5] = 59.5f;   // category 2: depth 60 cm
  site.host.storeParameters(v);
  auto form = site.open();
  form->Button6Click();
  EXPECT_TRUE(site.host.ui.messages.empty());
  EXPECT_EQ(site.state->floods.floodCategoryTable.cell(4, 1), "3");
  EXPECT_EQ(site.state->floods.savedFloodParameters[0][2], 3.0f);
  EXPECT_EQ(site.state->floods.savedFloodParameters[1][0], 60.0f);
  const int32_t step = floods::ratingStepAtDepth(*site.state, 0.6f);
  EXPECT_EQ(site.state->floods.floodCategoryTable.cell(1, 2), formatText("%10.3f", site.state->floods.floodRatingFlow[step]));
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(site.state->floods.floodCategoryTable.cell(5, k), std::to_string((k - 1) % 3 + 1));
    if (k > 1) {
      EXPECT_EQ(site.state->floods.floodCategoryTable.cell(4, k), std::to_string(k));
    }
  }
  // The controls show the last category.
  EXPECT_EQ(form->SpinEdit1.value, 5);
  EXPECT_EQ(form->SpinEdit4.value, 150);
  EXPECT_EQ(form->RadioGroup2.itemIndex, 2);
  EXPECT_EQ(form->RadioGroup3.itemIndex, 1);
  // The last category's duration is that of its own shape and slope.
  EXPECT_EQ(site.state->floods.floodCategoryTable.cell(2, 5), form->Edit4.text);
  EXPECT_EQ(site.state->floods.floodCategoryTable.cell(3, 5), form->Edit5.text);
}

TEST(FloodParameters, MissingRecordAndNothingSaved) {
  {
    Site site;
    site.host.storeParameters(storedValues(), false);
    auto form = site.open();
    const std::string before = site.state->floods.floodCategoryTable.cell(1, 1);
    form->Button6Click();
    EXPECT_EQ(site.host.ui.texts(), std::vector<std::string>{TForm6::kSavedMissing});
    for (const auto& c : site.state->floods.savedFloodParameters)
      for (float x : c) EXPECT_EQ(x, -9.0f);
    EXPECT_EQ(site.state->floods.floodCategoryTable.cell(1, 1), before);
    // Next time the window opens, the button is disabled.
    EXPECT_FALSE(site.open()->Button6.enabled);
  }
  {
    Site site;
    auto form = site.open();
    form->Button6Click();
    EXPECT_EQ(site.host.ui.texts(), std::vector<std::string>{TForm6::kNoneSaved});
  }
  {
    Site site;
    site.host.storeParameters(storedValues());
    site.state->site.attributeCodes[6] = 0;
    site.open()->Button6Click();
    EXPECT_EQ(site.host.ui.texts(), std::vector<std::string>{TForm6::kNoneSaved});
  }
}

TEST(FloodParameters, ValuesTheWindowCannotTake) {
  Site site;
  std::vector<float> v = storedValues();
  v[5 * 2 + 1] = 7.0f;  // category 3: frequency 7
  site.host.storeParameters(v);
  auto form = site.open();
  const std::string before = site.state->floods.floodCategoryTable.cell(5, 3);
  form->Button6Click();
  EXPECT_EQ(site.host.ui.texts(),
            std::vector<std::string>{
                "Saved flood parameters, category 3: the frequency 7 is not 0 to 2; the categories are unchanged"});
  EXPECT_EQ(site.state->floods.floodCategoryTable.cell(5, 3), before);
  // A short record leaves its missing entries at -9, which the window cannot take either.
  Site shortSite;
  shortSite.host.storeParameters({40, 0, 2, 1, 1});
  shortSite.open()->Button6Click();
  ASSERT_EQ(shortSite.host.ui.messages.size(), 1u);
  EXPECT_NE(shortSite.host.ui.messages[0].text.find("category 2: the depth (cm) -9"), std::string::npos);
}

TEST(FloodRun, HeadlessStepWithSavedParameters) {
  Site site;
  std::vector<float> v = storedValues();
  v[2] = 2.6f;
  site.host.storeParameters(v);
  site.state->reportLines.emplace();
  FloodOptions options;
  options.useSaved = true;
  options.save = true;
  runFloodStep(*site.state, *site.host.tx, site.host.ui, site.host.saveDialog, options);
  EXPECT_TRUE(site.host.ui.messages.empty());
  ASSERT_EQ(site.state->reportLines->size(), 10u);
  EXPECT_EQ((*site.state->reportLines)[1], "HIGH FLOW REQUIREMENT SUMMARY");
  // The record now holds the values as the window took them.
  const auto stored = site.host.stored();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->data[2], 3.0f);
  float total = 0;
  for (int i = 0; i < 240; ++i) total += site.state->floods.highFlowSeries[0][i];
  EXPECT_GT(total, 0.0f);
  const std::string csv = highFlowSeriesCsv(*site.state);
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "year,month,A,A/B,B,B/C,C,C/D,D");
  EXPECT_EQ(csv.substr(csv.find('\n') + 1, 8), "1950,10,");
  EXPECT_NE(floodCategoriesCsv(*site.state).find("\n1,"), std::string::npos);
}

TEST(FloodRun, RefusedGenerationStopsTheStep) {
  Site site;
  oewr::testing::fillNatural(*site.state, 30);
  EXPECT_THROW(runFloodStep(*site.state, *site.host.tx, site.host.ui, site.host.saveDialog, FloodOptions{}),
               ActionStopped);
  ASSERT_EQ(site.host.ui.messages.size(), 1u);
  EXPECT_NE(site.host.ui.messages[0].text.find("2 whole years"), std::string::npos);
}
