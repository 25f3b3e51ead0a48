#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "hydrology/baseflow.h"
#include "hydrology/flow_statistics.h"

using namespace oewr;
using namespace oewr::hydrology;

namespace {

const std::filesystem::path kColorado = std::filesystem::path(OEWR_SHARED_DATA) / "colorado-natural";

// Loads a year,month,volume_mcm record into the natural series of a state.
std::unique_ptr<ModelState> loadRecord(const std::string& gauge) {
  std::ifstream in(kColorado / (gauge + ".csv"));
  if (!in) throw std::runtime_error("cannot open " + gauge);
  auto state = makeModelState();
  TimeSeries& s = state->site.naturalFlows;
  s.name = gauge;
  std::string line;
  std::getline(in, line);  // header
  int n = 0;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::istringstream fields(line);
    std::string year, month, volume;
    std::getline(fields, year, ',');
    std::getline(fields, month, ',');
    std::getline(fields, volume, ',');
    if (n == 0) {
      s.header.startYear = static_cast<int16_t>(std::stoi(year));
      s.header.startMonth = static_cast<int16_t>(std::stoi(month));
    }
    s.values[n++] = std::stof(volume);
  }
  s.header.count = n;
  return state;
}

}  // namespace

TEST(ColoradoRecord, StatisticsOfAPartialFinalYearAndANegativeMonth) {
  if (!std::filesystem::exists(kColorado)) GTEST_SKIP() << "no shared data at " << kColorado;
  auto state = loadRecord("09072500");
  TimeSeries& s = state->site.naturalFlows;
  ASSERT_EQ(s.header.count, 1383);
  ASSERT_EQ(s.header.startMonth, 10);
  ASSERT_FALSE(refusalReason(s, "Natural flows").has_value());
  read_tsdata(s);
  do_baseflow(s, 0.925f, 0.5f);
  naturalBaseflowFdc(s);

  // The annual totals of the 115 full years over Y = 1383 / 12, in double.
  double annualSum = 0, monthSum[12] = {};
  for (int y = 0; y < 115; ++y)
    for (int m = 0; m < 12; ++m) annualSum += s.values[12 * y + m];
  for (int i = 0; i < 1383; ++i) monthSum[(9 + i) % 12] += s.values[i];
  EXPECT_NEAR(s.mar, annualSum / (1383.0 / 12.0), 1e-4 * s.mar);
  for (int m = 0; m < 12; ++m) EXPECT_NEAR(s.monthMean[m], monthSum[m] / (1383.0 / 12.0), 1e-4 * s.monthMean[m]);

  for (float v : {s.mar, s.annualSd, s.annualCv, s.q75, s.pctZero, s.bfi, s.hydroIndex}) EXPECT_TRUE(std::isfinite(v));
  EXPECT_GT(s.annualCv, 0.1f);
  EXPECT_LT(s.annualCv, 0.6f);
  EXPECT_NEAR(s.pctZero, 100.0f / 1383.0f, 1e-4f);  // the one negative month
  EXPECT_GT(s.bfi, 0.2f);
  EXPECT_LT(s.bfi, 1.0f);
  EXPECT_GE(s.hydroIndex, 1.0f);
  // Snowmelt: June is the largest month, February among the smallest.
  EXPECT_GT(s.monthMean[5], 4 * s.monthMean[1]);
  for (int m = 0; m < 12; ++m)
    for (int k = 1; k < kDurationPointCount; ++k) {
      EXPECT_LE(s.monthFdc[m][k], s.monthFdc[m][k - 1]);
      EXPECT_LE(s.monthBaseFdc[m][k], s.monthBaseFdc[m][k - 1]);
    }

  const auto warnings = seriesWarnings(s, "Natural flows");
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find("the last 3 months"), std::string::npos);
  EXPECT_NE(warnings[1].find("1 monthly value is below zero"), std::string::npos);

  const CriticalMonthFlows flows = chooseCriticalMonths(s, 15);
  EXPECT_GE(flows.wetMonth, 5);  // May to July
  EXPECT_LE(flows.wetMonth, 7);
  EXPECT_TRUE(flows.dryMonth <= 3 || flows.dryMonth >= 11) << flows.dryMonth;
  EXPECT_GT(flows.qBaseWet, flows.qBaseDry);
  EXPECT_GT(volumeToFlow(flows.qBaseDry, flows.dryMonth), 0.0f);
}

TEST(ColoradoRecord, ZeroFlowMonthsOfAnEphemeralRiver) {
  if (!std::filesystem::exists(kColorado)) GTEST_SKIP() << "no shared data at " << kColorado;
  auto state = loadRecord("09426000");
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  do_baseflow(s, 0.925f, 0.5f);
  int zeros = 0;
  for (int i = 0; i < s.header.count; ++i)
    if (!(s.values[i] > 0)) ++zeros;
  ASSERT_GT(zeros, 0);
  EXPECT_FLOAT_EQ(s.pctZero, 100.0f * static_cast<float>(zeros) / static_cast<float>(s.header.count));
  for (float v : {s.mar, s.annualSd, s.annualCv, s.q75, s.bfi, s.hydroIndex}) EXPECT_TRUE(std::isfinite(v));
  for (int t = 0; t < s.header.count; ++t)
    if (!(s.values[t] > 0)) {
      EXPECT_EQ(s.baseflows[t], 0.0f);
    }
  const CriticalMonthFlows flows = chooseCriticalMonths(s, 15);
  EXPECT_GT(flows.wetMonth, 0);
  EXPECT_GT(flows.dryMonth, 0);
}
