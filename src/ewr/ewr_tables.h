#pragma once
// The tables of the final analysis as they leave the model: values at
// duration points (the report's ten points and the saved tables' seventeen)
// and the stored assurance table of a category.
#include <array>
#include <string>
#include <vector>

#include "ewr/assurance_rules.h"
#include "ewr/ewr_state.h"

namespace oewr::ewr {

// 21 point slots (% of time equalled or exceeded); -1 marks an empty slot.
constexpr int kPointSlotCount = 21;
using PointSlots = std::array<float, kPointSlotCount>;
extern const PointSlots kReportPoints;  // 10 points: 10, 20, ..., 90, 99
extern const PointSlots kSavedPoints;   // 17 points: 0.1, 1, 5, ..., 99.9
constexpr int kSavedPointCount = 17;

// Filled points of a row of slots, in order.
std::vector<float> filledPoints(const PointSlots& slots);

// The values of a month's curve (n values ascending) at the filled points,
// in order of the slots. A point at or beyond the largest value's duration
// (100 / n %) takes the largest value; the others are interpolated linearly
// between the two ranks whose durations enclose them (several points may lie
// between the same two ranks). A month without values gives zeros.
std::vector<float> valuesAtDurationPoints(const RankRow& values, int32_t n, const PointSlots& slots);

// The stored assurance table of category c: 13 blocks of the 17 saved points,
// January to December, then December again (221 values, 884 bytes).
constexpr int kAssuranceBlocks = 13;
std::vector<float> assuranceTableData(EwrView state, const ecology::MonthCategoryRanks& table, int category);

// Name of a category 0 .. 6 ("A" .. "D").
std::string categoryName(int category);
// Name of hydrological month 0 .. 11 ("Oct" .. "Sep").
std::string hydroMonthName(int month);

// The list box of the window after an analysis of category c.
std::vector<std::string> analysisListLines(EwrView state, int category);

}  // namespace oewr::ewr
