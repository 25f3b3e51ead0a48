#include "ensemble/sensitivity.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>

#include "common/errors.h"
#include "common/text_format.h"
#include "common/text_input.h"
#include "ewr/ewr_tables.h"

namespace oewr::ensemble {

namespace {

constexpr int kDefaultSteps = 5;
constexpr int kMaxSteps = 101;
constexpr double kFloatMax = std::numeric_limits<float>::max();

// The values an input may take: from `lo` to `hi`, each end in or out.
struct Range {
  double lo = 0;
  double hi = kFloatMax;
  bool loOpen = false;
  bool hiOpen = false;
  double grain = 0;  // values are whole multiples of it (0: any)

  bool holds(double v) const {
    return std::isfinite(v) && (loOpen ? v > lo : v >= lo) && (hiOpen ? v < hi : v <= hi);
  }
  std::string text() const {
    std::string t;
    if (hi >= kFloatMax) t = formatText(loOpen ? "above %g" : "at least %g", lo);
    else if (hiOpen) t = formatText(loOpen ? "above %g and below %g" : "at least %g and below %g", lo, hi);
    else t = formatText(loOpen ? "above %g and at most %g" : "from %g to %g", lo, hi);
    if (grain == 1) t += ", whole numbers";
    else if (grain > 0) t += formatText(", in steps of %g", grain);
    return t;
  }
};

// The range of each input: the values with which the model's formulas hold
// and a channel can exist (the zone's rules may still replace a value, as
// they would a stored one; sensitivity.csv shows the value used).
Range rangeOf(int position) {
  switch (position) {
    case 0: return {5, 50, false, false, 5};              // exceedence point, %
    case 1: return {0, 1, false, true};                   // baseflowA
    case 2: return {0, 1};                                // baseflowB
    case 3: return {1, 6, false, false, 1};               // geoZone
    case 4: return {0.34, 0.66};                          // widthDepthScaling
    case 6: return {0, 1, true, false};                   // valleySlope, m/m
    case 10: return {0, 1, false, true};                  // bedWidthFraction
    case 5:                                               // hydroVariability
    case 9:                                               // maxDepth (0: estimated)
    case 12: case 15: case 18: case 21: case 24:          // micro roughness, shape factors
      return {0, kFloatMax};
    default:  // catchment area, widths, roughness, gradients, Manning n
      return {0, kFloatMax, true, false};
  }
}

int positionOf(const std::string& name) {
  if (equalsIgnoreCase(name, kExceedenceName)) return 0;
  for (int p = 1; p <= SiteParameters::count; ++p)
    if (equalsIgnoreCase(name, SiteParameters::nameAt(p))) return p;
  return -1;
}

std::string nameOf(int position) { return position == 0 ? kExceedenceName : SiteParameters::nameAt(position); }

// A number a stored (32-bit) value can hold.
double parseNumber(const std::string& text, const std::string& whole, const char* what) {
  std::string why;
  const std::optional<float> v = storedFloat(trim(text), why);
  if (!v) throw ModelError("--vary " + quoteHead(whole) + ": " + what + " " + quoteHead(trim(text)) + " " + why);
  return *v;
}

}  // namespace

std::string variableInputs() {
  std::string out;
  for (int p = 0; p <= SiteParameters::count; ++p) out += "  " + nameOf(p) + ": " + rangeOf(p).text() + "\n";
  return out;
}

Variation parseVariation(const std::string& text) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos)
    throw ModelError("--vary " + quoteHead(text) + ": not NAME=LOW:HIGH or NAME=LOW:HIGH:STEPS");
  Variation v;
  v.name = trim(text.substr(0, eq));
  v.position = positionOf(v.name);
  if (v.position < 0)
    throw ModelError("--vary " + quoteHead(text) + ": " + quoteHead(v.name) +
                     " is not an input that can be varied; one of exceedence, " +
                     [] {
                       std::string names;
                       for (int p = 1; p <= SiteParameters::count; ++p)
                         names += std::string(p > 1 ? ", " : "") + SiteParameters::nameAt(p);
                       return names;
                     }());
  v.name = nameOf(v.position);
  std::vector<std::string> parts;
  std::string rest = text.substr(eq + 1);
  for (std::size_t colon; (colon = rest.find(':')) != std::string::npos; rest = rest.substr(colon + 1))
    parts.push_back(rest.substr(0, colon));
  parts.push_back(rest);
  if (parts.size() < 2 || parts.size() > 3)
    throw ModelError("--vary " + quoteHead(text) + ": not NAME=LOW:HIGH or NAME=LOW:HIGH:STEPS");
  const double lo = parseNumber(parts[0], text, "LOW");
  const double hi = parseNumber(parts[1], text, "HIGH");
  int steps = kDefaultSteps;
  if (parts.size() == 3) {
    long long n = 0;
    if (!parseInteger(trim(parts[2]), n) || n < 2 || n > kMaxSteps)
      throw ModelError("--vary " + quoteHead(text) + ": STEPS " + quoteHead(trim(parts[2])) +
                       " is not a whole number from 2 to " + std::to_string(kMaxSteps));
    steps = static_cast<int>(n);
  }
  if (lo > hi)
    throw ModelError("--vary " + quoteHead(text) + ": LOW " + shortestText(lo) + " is above HIGH " + shortestText(hi));
  const Range range = rangeOf(v.position);
  for (const double x : {lo, hi})
    if (!range.holds(x))
      throw ModelError("--vary " + quoteHead(text) + ": " + shortestText(x) + " is outside the range of " + v.name +
                       " (" + range.text() + ")");
  for (int k = 0; k < steps; ++k) {
    double x = lo + (hi - lo) * k / (steps - 1);
    if (range.grain > 0) x = std::floor(x / range.grain + 0.5) * range.grain;
    const float value = static_cast<float>(x);
    if (std::find(v.values.begin(), v.values.end(), value) == v.values.end()) v.values.push_back(value);
  }
  return v;
}

MemberRequest withValue(const MemberRequest& standard, const Variation& variation, float value) {
  MemberRequest r = standard;
  if (variation.position == 0)
    r.options.hydrology.exceedence = static_cast<int>(value);
  else
    r.options.hydrology.siteParameters.push_back({variation.position, value});
  return r;
}

namespace {

float usedValue(const MemberResult& r, int position) {
  return position == 0 ? static_cast<float>(r.exceedence) : r.siteParameters.at(position);
}

}  // namespace

std::string sensitivityCsv(const std::vector<SensitivityRun>& runs, const MemberResult& standard) {
  std::string out = "input,value,value_used,status,reason";
  for (const char* c : kCategoryColumnNames)
    out += formatText(",low_%s_mcm,low_%s_change_mcm,total_%s_mcm,total_%s_change_mcm", c, c, c, c);
  out += "\n";
  auto row = [&](const std::string& name, const std::string& value, const std::string& used, const MemberResult& r) {
    std::string reason = r.reason;
    std::replace_if(reason.begin(), reason.end(), [](char c) { return c == ',' || c == '\n' || c == '"'; }, ' ');
    out += name + "," + value + "," + used + "," + (r.ok ? "ok" : "failed") + "," + reason;
    for (int c = 0; c < kCategoryCount; ++c) {
      if (!r.ok) {
        out += ",,,,";
        continue;
      }
      out += formatText(",%.6f,%.6f,%.6f,%.6f", r.meanLowEwr[c], r.meanLowEwr[c] - standard.meanLowEwr[c],
                        r.meanTotalEwr[c], r.meanTotalEwr[c] - standard.meanTotalEwr[c]);
    }
    out += "\n";
  };
  row("standard", "", "", standard);
  for (const SensitivityRun& s : runs) {
    const int position = positionOf(s.name);
    row(s.name, shortestText(s.value), s.result.ok && position >= 0 ? shortestText(usedValue(s.result, position)) : "",
        s.result);
  }
  return out;
}

charting::Chart tornadoChart(const std::vector<SensitivityRun>& runs, const MemberResult& standard, int category) {
  // Each input's smallest and largest change over its values.
  struct Effect {
    std::string name;
    double lowest = 0, highest = 0;
  };
  std::vector<Effect> effects;
  std::map<std::string, std::size_t> index;
  for (const SensitivityRun& s : runs) {
    if (!s.result.ok) continue;
    const double change = static_cast<double>(s.result.meanTotalEwr[category]) - standard.meanTotalEwr[category];
    const auto [it, added] = index.try_emplace(s.name, effects.size());
    if (added) effects.push_back({s.name, change, change});
    Effect& e = effects[it->second];
    e.lowest = std::min(e.lowest, change);
    e.highest = std::max(e.highest, change);
  }
  std::stable_sort(effects.begin(), effects.end(),
                   [](const Effect& a, const Effect& b) { return a.highest - a.lowest > b.highest - b.lowest; });
  charting::Chart chart;
  chart.name = "Tornado";
  chart.title = "Category " + ewr::categoryName(category) + ": change of the mean total requirement (MCM) against " +
                formatText("the standard run's %.3f", standard.meanTotalEwr[category]);
  chart.bottomAxis.title = "Input, by the range of its effect";
  chart.leftAxis.title = "Change (MCM)";
  chart.legend = charting::LegendPosition::Bottom;
  chart.addSeries("Smallest change", charting::SeriesKind::Bar, charting::kBlue);
  chart.addSeries("Largest change", charting::SeriesKind::Bar, charting::kRed);
  for (std::size_t i = 0; i < effects.size(); ++i) {
    chart.series[0].add(static_cast<double>(i), effects[i].lowest, effects[i].name);
    chart.series[1].add(static_cast<double>(i), effects[i].highest, effects[i].name);
  }
  return chart;
}

}  // namespace oewr::ensemble
