#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numeric>

#include "common/errors.h"
#include "common/safe_file_name.h"
#include "hydraulics/habitat_classes.h"
#include "hydraulics/rating_curve.h"
#include "hydraulics_fixture.h"

using namespace oewr;
using namespace oewr::hydraulics;
using oewr::testing::ScratchDir;
using oewr::testing::ScriptedUi;

namespace {

// A trapezoid 20 m wide and 2 m deep with a 10 m flat bed.
HydraulicSection trapezoid() {
  HydraulicSection s;
  const float x[] = {0, 5, 15, 20};
  const float y[] = {2, 0, 0, 2};
  for (int i = 0; i < 4; ++i) {
    s.x[i] = x[i];
    s.y[i] = y[i];
  }
  s.npt = 4;
  return s;
}

struct Stage {
  SectionHydraulics hyd;
  float Q = 0;
};

Stage flowAt(const HydraulicSection& s, float d) {
  ScriptedUi ui;
  Stage st;
  st.Q = sectionDischarge(s, s.npt, d, 0.01f, 23, 0.084f, 0.07f, 3.0f, st.hyd, ui);
  st.hyd.velocity = st.Q / st.hyd.area;
  return st;
}

float sum(const ClassShares& shares) { return std::accumulate(shares.begin(), shares.end(), 0.0f); }

}  // namespace

TEST(HabitatClasses, DepthClassesSpanZeroTo101PercentOfTheStage) {
  const HydraulicSection s = trapezoid();
  for (float d : {0.05f, 0.4f, 1.7f}) {
    const Stage st = flowAt(s, d);
    DepthClasses depths;
    ASSERT_TRUE(sampleVerticals(s, s.npt, d, st.hyd, depths));
    EXPECT_EQ(depths.lower[0], 0.0f);
    EXPECT_NEAR(depths.upper[19], 1.01f * d, 1e-6f);
    for (int k = 1; k < 20; ++k) EXPECT_EQ(depths.lower[k], depths.upper[k - 1]);
    EXPECT_GE(depths.verticals, 99);
    EXPECT_LE(depths.verticals, 101);
    EXPECT_EQ(depths.counted, depths.verticals);  // every depth above 0 has a class
    EXPECT_NEAR(std::accumulate(depths.frequency.begin(), depths.frequency.end(), 0.0f), 100.0f, 1e-3f);
    // Most verticals stand on the flat bed, in the deepest class.
    EXPECT_GT(depths.frequency[19], 40.0f);
  }
}

TEST(HabitatClasses, StageWithoutWettedWidthHasNoVerticals) {
  // The right point of an earlier stage is still held; the step would be 0.
  const HydraulicSection s = trapezoid();
  SectionHydraulics hyd;
  hyd.wettedWidth = 0;
  hyd.xLeft = 0;
  hyd.xRight = 15;
  DepthClasses depths;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(sampleVerticals(s, s.npt, 0.5f, hyd, depths));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(depths.verticals, 0);
  const StageHabitat h = habitatStep(s, s.npt, 0.5f, 0.0f, hyd, 0.3f);
  EXPECT_EQ(h.width, 0.0f);
  EXPECT_EQ(sum(h.shares), 0.0f);

  // A width too small to move x along the section ends the sampling too.
  hyd.wettedWidth = 1e-9f;
  hyd.xLeft = 10.0f;
  EXPECT_FALSE(sampleVerticals(s, s.npt, 0.5f, hyd, depths));
}

TEST(HabitatClasses, ShallowStageHasOnlyVeryShallowClasses) {
  const HydraulicSection s = trapezoid();
  const Stage st = flowAt(s, 0.05f);
  const StageHabitat h = habitatStep(s, s.npt, 0.05f, st.Q, st.hyd, 0.3f);
  EXPECT_GT(h.shares[kSVS] + h.shares[kFVS], 99.999f);
  for (int c : {kSS, kSD, kFS, kFI, kFD}) EXPECT_EQ(h.shares[c], 0.0f) << kHabitatClassNames[c];
  EXPECT_FLOAT_EQ(h.width, st.hyd.wettedWidth);
}

TEST(HabitatClasses, SharesOfAWetStageSumTo100) {
  const HydraulicSection s = trapezoid();
  for (float d : {0.15f, 0.6f, 1.9f}) {
    const Stage st = flowAt(s, d);
    const StageHabitat h = habitatStep(s, s.npt, d, st.Q, st.hyd, 0.3f);
    EXPECT_TRUE(h.settled);
    EXPECT_NEAR(sum(h.shares), 100.0f, 1e-3f) << "stage " << d;
    for (float share : h.shares) EXPECT_GE(share, 0.0f);
  }
  // Deep water has deep classes.
  const Stage deep = flowAt(s, 1.9f);
  const StageHabitat h = habitatStep(s, s.npt, 1.9f, deep.Q, deep.hyd, 0.3f);
  EXPECT_GT(h.shares[kSD] + h.shares[kFD], 50.0f);
}

TEST(HabitatClasses, NoVelocityMeansAllSlowVeryShallow) {
  const HydraulicSection s = trapezoid();
  Stage st = flowAt(s, 0.5f);
  const StageHabitat h = habitatStep(s, s.npt, 0.5f, 0.0f, st.hyd, 0.3f);
  EXPECT_EQ(h.shares[kSVS], 100.0f);
  EXPECT_EQ(sum(h.shares), 100.0f);
  EXPECT_EQ(h.width, st.hyd.wettedWidth);
}

TEST(HabitatClasses, RoughAndSmoothVelocityDistributions) {
  DepthClasses depths;
  for (int k = 0; k < 20; ++k) {
    depths.upper[k] = 0.05f * static_cast<float>(k + 1);
    depths.lower[k] = 0.05f * static_cast<float>(k);
    depths.frequency[k] = 5.0f;
  }
  // Slow flow over large roughness: s = 1, most of the distribution in the
  // lowest classes (with a small second hump near 2.4 V).
  VelocityClasses rough;
  velocityDistribution(0.5f, 10.0f, 0.1f, 0.5f, 0.02f, depths, rough);
  EXPECT_EQ(rough.shape, 1.0f);
  EXPECT_TRUE(rough.settled);
  EXPECT_EQ(std::max_element(rough.frequency.begin(), rough.frequency.end()), rough.frequency.begin());
  EXPECT_GT(rough.frequency[0], 40.0f);
  EXPECT_GT(rough.frequency[0] + rough.frequency[1], 60.0f);
  EXPECT_NEAR(std::accumulate(rough.frequency.begin(), rough.frequency.end(), 0.0f), 100.0f, 0.2f);

  // Fast flow over small roughness: s = 0, a bell around the mean velocity.
  VelocityClasses smooth;
  velocityDistribution(0.01f, 10.0f, 15.75f, 0.525f, 3.0f, depths, smooth);
  EXPECT_EQ(smooth.shape, 0.0f);
  EXPECT_TRUE(smooth.settled);
  const auto peak = std::max_element(smooth.frequency.begin(), smooth.frequency.end()) - smooth.frequency.begin();
  EXPECT_GT(peak, 2);
  EXPECT_LT(peak, 12);
  for (int i = 1; i <= peak; ++i) EXPECT_GT(smooth.frequency[i], smooth.frequency[i - 1]);
  for (int i = static_cast<int>(peak) + 1; i < 20; ++i) EXPECT_LT(smooth.frequency[i], smooth.frequency[i - 1]);
  const float peakVelocity = smooth.midpoint[static_cast<std::size_t>(peak)];
  EXPECT_NEAR(peakVelocity, 3.0f, smooth.width);
  // Calibrated: the joint distribution carries Q = Ww x mean unit discharge.
  float q = 0;
  for (int i = 0; i < 20; ++i)
    for (int k = 0; k < 20; ++k)
      q += smooth.midpoint[i] * depths.upper[k] * smooth.frequency[i] * depths.frequency[k] / 10000.0f;
  EXPECT_NEAR(10.0f * q, 15.75f, 0.01f);
}

TEST(HabitatClasses, RescalingThatCannotSettleEnds) {
  // A mean depth of 0 gives no shape; the first pass finds no 99.9 % point,
  // and a class width of 0 could never settle.
  DepthClasses depths;
  for (int k = 0; k < 20; ++k) {
    depths.upper[k] = 0.01f * static_cast<float>(k + 1);
    depths.lower[k] = 0.01f * static_cast<float>(k);
    depths.frequency[k] = 5.0f;
  }
  VelocityClasses vel;
  velocityDistribution(0.3f, 5.0f, 1.0f, 0.0f, 1.0f, depths, vel);
  EXPECT_FALSE(vel.settled);
}

TEST(HabitatClasses, ClassBoundaryCases) {
  // One depth class from 0.05 to 0.5 exactly: nothing in SS (no case
  // applies), the rest in the shallow and fast ranges.
  DepthClasses depths;
  depths.lower[0] = 0.05f;
  depths.upper[0] = 0.5f;
  depths.frequency[0] = 100.0f;
  VelocityClasses vel;
  vel.width = 0.2f;
  vel.midpoint[0] = 0.1f;  // 0 .. 0.2: slow
  vel.frequency[0] = 50.0f;
  vel.midpoint[1] = 0.4f;  // 0.3 .. 0.5: lower edge exactly 0.3, neither
  vel.frequency[1] = 50.0f;
  const ClassShares shares = classShares(depths, vel);
  EXPECT_EQ(shares[kSS], 0.0f);
  EXPECT_EQ(shares[kSD], 0.0f);
  EXPECT_GT(shares[kSVS], 0.0f);
  for (int c : {kFVS, kFS, kFI, kFD}) EXPECT_EQ(shares[c], 0.0f) << kHabitatClassNames[c];
  EXPECT_FLOAT_EQ(shares[kSVS], 100.0f);

  // A velocity class across 0.3 splits by its parts.
  vel.midpoint[1] = 0.35f;  // 0.25 .. 0.45: a quarter slow, three quarters fast
  depths.lower[0] = 0.0f;
  depths.upper[0] = 0.05f;
  const ClassShares split = classShares(depths, vel);
  EXPECT_NEAR(split[kSVS], 62.5f, 1e-3f);
  EXPECT_NEAR(split[kFVS], 37.5f, 1e-3f);
}

TEST(HabitatClasses, HabitatFileLayout) {
  ScratchDir dir;
  auto state = makeModelState();
  state->site.dataDirectory = dir.path().string();
  state->site.siteName = "Berg/River: G1H020";
  state->hydraulics.stageCount = 2;
  state->hydraulics.stageDischarge[0] = 0.5f;
  state->hydraulics.stageWidth[0] = 12.25f;
  for (int c = 0; c < 7; ++c) state->hydraulics.stageClassShare[c][0] = static_cast<float>(c + 1);
  state->hydraulics.stageDischarge[1] = 1234.5678f;
  writeHabitatFile(*state);
  const std::filesystem::path file = dir.path() / "Berg_River_ G1H020_habitat.txt";
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(habitatFilePath(*state), file);
  const auto lines = oewr::testing::readLines(file);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Discharge    Width     SVS       SS        SD        FVS       FI        FS        FD\r");
  EXPECT_EQ(lines[1], " (m^s/s)       (m)            Habitat Frequencies as %Width\r");
  EXPECT_EQ(lines[2],
            "     0.500    12.250     1.000     2.000     3.000     4.000     5.000     6.000     7.000\r");
  EXPECT_EQ(lines[3].substr(0, 20), "  1234.568     0.000");
  // Nothing but the file is left in the directory.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(HabitatClasses, HabitatFileIsWrittenCompletelyOrNotAtAll) {
  ScratchDir dir;
  auto state = makeModelState();
  state->site.siteName = "Site";
  state->site.dataDirectory = (dir.path() / "missing").string();
  EXPECT_THROW(writeHabitatFile(*state), ModelError);

  // A file that cannot be replaced keeps what it was, and no temporary
  // file is left behind.
  state->site.dataDirectory = dir.path().string();
  std::filesystem::create_directories(dir.path() / "Site_habitat.txt" / "inside");
  try {
    writeHabitatFile(*state);
    FAIL() << "the habitat file replaced a directory";
  } catch (const ModelError& e) {
    EXPECT_NE(std::string(e.what()).find("Site_habitat.txt"), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "Site_habitat.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Site_habitat.txt.tmp"));
}

TEST(HabitatClasses, SafeFileNames) {
  EXPECT_EQ(safeFileName("Berg River"), "Berg River");
  EXPECT_EQ(safeFileName("a/b\\c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(safeFileName("../../etc/passwd"), ".._.._etc_passwd");
  EXPECT_EQ(safeFileName(".."), "_");
  EXPECT_EQ(safeFileName(""), "_");
  EXPECT_EQ(safeFileName("name. "), "name");
  EXPECT_EQ(safeFileName(std::string("tab\there")), "tab_here");
  EXPECT_EQ(safeFileName("con"), "_con");
  EXPECT_EQ(safeFileName("LPT1.txt"), "_LPT1.txt");
  EXPECT_EQ(safeFileName("Contoso"), "Contoso");
}
