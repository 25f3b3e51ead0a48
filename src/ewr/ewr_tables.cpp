#include "ewr/ewr_tables.h"

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr::ewr {

const PointSlots kReportPoints = {-1, -1, -1, 10, -1, 20, -1, 30, -1, 40, 50,
                                  60, -1, 70, -1, 80, -1, 90, -1, 99, -1};
const PointSlots kSavedPoints = {0.1f, 1, 5, 10, 15, 20, -1, 30, -1, 40, 50,
                                 60,   -1, 70, -1, 80, 85, 90, 95, 99, 99.9f};

std::vector<float> filledPoints(const PointSlots& slots) {
  std::vector<float> points;
  for (float p : slots)
    if (p != -1.0f) points.push_back(p);
  return points;
}

std::vector<float> valuesAtDurationPoints(const RankRow& f, int32_t n, const PointSlots& slots) {
  const std::vector<float> points = filledPoints(slots);
  std::vector<float> out(points.size(), 0.0f);
  if (n < 1) return out;
  auto duration = [n](int32_t r) { return static_cast<float>((n - r) * 100) / static_cast<float>(n); };
  std::size_t k = 0;
  // Points beyond the largest value's duration: the largest value.
  while (k < points.size() && points[k] <= duration(n - 1)) out[k++] = f[n - 1];
  for (int32_t r = n - 2; r >= 0 && k < points.size(); --r) {
    const float pr = duration(r);
    const float pAbove = duration(r + 1);
    while (k < points.size() && pr >= points[k]) {
      const float phi = (points[k] - pAbove) / (pr - pAbove);
      out[k++] = f[r + 1] - (f[r + 1] - f[r]) * phi;
    }
  }
  return out;
}

std::vector<float> assuranceTableData(const ModelState& state, const ecology::MonthCategoryRanks& table, int category) {
  std::vector<float> data;
  data.reserve(kAssuranceBlocks * kSavedPointCount);
  for (int block = 0; block < kAssuranceBlocks; ++block) {
    // Blocks run January .. December; the thirteenth repeats December.
    const int m = block < 12 ? (block + 3) % 12 : 2;
    const auto values = valuesAtDurationPoints(table[m][category], state.ewr.valuesPerMonth[m], kSavedPoints);
    data.insert(data.end(), values.begin(), values.end());
  }
  return data;
}

std::string categoryName(int category) {
  if (category < 0 || category >= kCategoryCount)
    throw RangeError("Range check error: category " + std::to_string(category) + " outside 0..6");
  return kCategoryNames[static_cast<std::size_t>(category)];
}

std::string hydroMonthName(int month) {
  return kMonthNames[static_cast<std::size_t>(calendarMonthOf(month) - 1)];
}

std::vector<std::string> analysisListLines(const ModelState& state, int category) {
  const float total = state.ewr.meanTotalEwr[category];
  return {"MAR (MCM)",
          formatText("Natural      = %10.3f", state.site.naturalFlows.mar),
          formatText("Present Day  = %10.3f", state.site.presentFlows.mar),
          " ",
          "Long Term Mean",
          "Requirements",
          formatText("EWR = %10.3f MCM", total),
          formatText("EWR = %10.1f %%Nat.", total * 100.0f / state.site.naturalFlows.mar)};
}

}  // namespace oewr::ewr
