// The ecology window as a person uses it: the option groups.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QRadioButton>
#include <QTest>
#include <algorithm>

#include "ecology/ecology_fixture.h"
#include "ecology/ecology_window.h"
#include "render/chart_render.h"
#include "view_testing.h"

using namespace oewr;
using namespace oewr::ecology;
using oewr::testing::radio;
using oewr::testing::whileShown;

namespace {

struct EcologyWindow {
  oewr::testing::EcologyHost h;
  std::unique_ptr<TForm5> form;
  gui::QtUi qtUi;
  explicit EcologyWindow(std::unique_ptr<ModelState> s) : h(std::move(s)) {
    render::ensureGuiApplication();
    gui::QtUi::registerModelViews();
    form = std::make_unique<TForm5>(*h.state, *h.tx, h.ui, h.saveDialog);
  }
};

const QString kAlign = "Align Max. Stress to Present Day";
const QString kSeason = "Season for FDC plots";

}  // namespace

TEST(EcologyView, AlignmentCannotBeChosenWithoutPresentDayFlows) {
  EcologyWindow w(oewr::testing::makeEcologyState(40, 0, false));
  whileShown(w.qtUi, *w.form, [&](QDialog* d) {
    QRadioButton* alignA = radio(d, kAlign, "Align A");
    ASSERT_NE(alignA, nullptr);
    EXPECT_FALSE(alignA->isEnabled());
    oewr::testing::clickRadio(alignA);
    EXPECT_EQ(w.form->RadioGroup2.itemIndex, 0);
    EXPECT_TRUE(radio(d, kAlign, "Don't Align")->isChecked());
    EXPECT_TRUE(radio(d, "Perennial Flow", "Non-Perennial Allowed")->isEnabled());
  });

  EcologyWindow withPresentDay(oewr::testing::makeEcologyState(40, 0));
  whileShown(withPresentDay.qtUi, *withPresentDay.form, [&](QDialog* d) {
    QRadioButton* alignA = radio(d, kAlign, "Align A");
    ASSERT_NE(alignA, nullptr);
    EXPECT_TRUE(alignA->isEnabled());
  });
}

TEST(EcologyView, TheSeasonChoosesTheFlowDurationCurvesOfTheNextRunOnly) {
  EcologyWindow w(oewr::testing::makeEcologyState(40, 0));
  whileShown(w.qtUi, *w.form, [&](QDialog* d) {
    auto stored = w.h.storedParameters();
    ASSERT_TRUE(stored.has_value());
    ASSERT_EQ(stored->data.at(0), 15.0f);  // the exceedence point comes first
    // A run from here on would store 33.
    w.h.state->site.maxBaseflowExceedence = 33;
    const int durationRevision = w.form->Chart4.revision;
    const int stressRevision = w.form->Chart2.revision;

    QRadioButton* dry = radio(d, kSeason, "Dry");
    ASSERT_NE(dry, nullptr);
    oewr::testing::clickRadio(dry);
    EXPECT_TRUE(dry->isChecked());
    EXPECT_EQ(w.form->rg1.itemIndex, 1);
    EXPECT_EQ(w.form->Chart4.revision, durationRevision);
    EXPECT_EQ(w.form->Chart2.revision, stressRevision);
    EXPECT_EQ(w.h.storedParameters()->data.at(0), 15.0f);

    // "Process Data" runs with the dry season: the flow duration curve of the
    // natural flows reaches the largest September flow, in m3/s.
    oewr::testing::click(d, "Process Data");
    EXPECT_EQ(w.h.storedParameters()->data.at(0), 33.0f);
    EXPECT_TRUE(dry->isChecked());
    float september = 0;
    const TimeSeries& natural = w.h.state->site.naturalFlows;
    for (int32_t i = 11; i < natural.header.count; i += 12) september = std::max(september, natural.values[i]);
    double largest = 0;
    for (const auto& p : w.form->Chart4.series[0].points) largest = std::max(largest, p.y);
    EXPECT_NEAR(largest, september * 1.0e6 / (30 * 86400.0), 1e-4);
  });
}
