#include "cli/results_export.h"

#include "cli/json_writer.h"
#include "common/text_format.h"
#include "ecology/ecology_step.h"
#include "ewr/ewr_step.h"
#include "floods/flood_step.h"
#include "common/atomic_file.h"
#include "hostdb/host_admin.h"

namespace oewr::cli {

namespace {

// Hydrological order of the calendar-month tables: October first.
constexpr int kCalendarFromOctober[12] = {9, 10, 11, 0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr const char* kDurationPoints[21] = {"0.1", "1",  "5",  "10", "15", "20", "25", "30", "35", "40", "50",
                                             "60",  "65", "70", "75", "80", "85", "90", "95", "99", "99.9"};

template <typename Table>
void writeMonthTable(JsonWriter& j, const Table& t) {
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

template <typename Ranks>
void writeMonthCategoryRanks(JsonWriter& j, const Ranks& t, const BoundedArray<int32_t, 0, 11>& counts) {
  j.beginArray();
  for (int m = 0; m < 12; ++m) {
    j.beginArray();
    const int n = std::max(0, std::min(counts[m], ecology::kMaxRanks));
    for (int c = 0; c < kCategoryCount; ++c) j.floats(t[m][c].begin(), t[m][c].begin() + n);
    j.endArray();
  }
  j.endArray();
}

template <typename Arr>
void writeStages(JsonWriter& j, const Arr& a, int count) {
  j.floats(a.begin(), a.begin() + std::max(0, std::min(count, static_cast<int>(a.size()))));
}

void writeHydraulics(JsonWriter& j, const ModelState& s) {
  const int n = s.hydraulics.stageCount;
  j.key("siteParameters").beginObject();
  for (int p = 1; p <= SiteParameters::count; ++p) j.key(SiteParameters::nameAt(p)).value(s.site.siteParameters.at(p));
  j.endObject();
  j.key("stageCount").value(n);
  j.key("stageDischarge");
  writeStages(j, s.hydraulics.stageDischarge, n);
  j.key("stageDischargeLow");
  writeStages(j, s.hydraulics.stageDischargeLow, n);
  j.key("stageDischargeHigh");
  writeStages(j, s.hydraulics.stageDischargeHigh, n);
  j.key("stageWidth");
  writeStages(j, s.hydraulics.stageWidth, n);
  j.key("stageClassShare").beginArray();
  for (int c = 0; c < hydraulics::kHabitatClassCount; ++c) writeStages(j, s.hydraulics.stageClassShare[c], n);
  j.endArray();
  j.key("wetBaseflowStage").value(s.hydraulics.wetBaseflowStage);
  j.key("dryBaseflowStage").value(s.hydraulics.dryBaseflowStage);
  j.key("wetBaseflowDepth").value(s.hydraulics.wetBaseflowDepth);
  j.key("dryBaseflowDepth").value(s.hydraulics.dryBaseflowDepth);
  j.key("modelXsCount").value(s.hydraulics.modelXsCount);
  j.key("modelXsDistance");
  writeStages(j, s.hydraulics.modelXsDistance, s.hydraulics.modelXsCount);
  j.key("modelXsElevation");
  writeStages(j, s.hydraulics.modelXsElevation, s.hydraulics.modelXsCount);
}

template <typename SeasonTable>
void writeSeasons(JsonWriter& j, const char* name, const SeasonTable& t) {
  j.key(name).beginArray();
  for (int season = 0; season < 2; ++season) j.floats(t[season].begin(), t[season].end());
  j.endArray();
}

void writeEcology(JsonWriter& j, const ModelState& s) {
  writeSeasons(j, "stressFlow", s.ecology.stressFlow);
  writeSeasons(j, "stressLevel", s.ecology.stressLevel);
  j.key("stressAtZeroFs").floats(s.site.stressAtZeroFs.begin(), s.site.stressAtZeroFs.end());
  j.key("fsWeight").floats(s.site.fsWeight.begin(), s.site.fsWeight.end());
  j.key("fiWeight").floats(s.site.fiWeight.begin(), s.site.fiWeight.end());
  j.key("fdWeight").floats(s.site.fdWeight.begin(), s.site.fdWeight.end());
  j.key("stressSeries").beginArray();
  for (int season = 0; season < 2; ++season) {
    j.beginArray();
    for (int k = 0; k < ecology::kFlowKindCount; ++k) {
      const int n = std::max(0, std::min(s.ecology.stressSeriesCount[season][k], ecology::kMaxRanks));
      j.floats(s.ecology.stressSeries[season][k].begin(), s.ecology.stressSeries[season][k].begin() + n);
    }
    j.endArray();
  }
  j.endArray();
  j.key("fitShape").beginArray();
  for (int k = 0; k < ecology::kFittedKindCount; ++k) j.floats(s.ecology.fitShape[k].begin(), s.ecology.fitShape[k].end());
  j.endArray();
  j.key("fitOffset").beginArray();
  for (int k = 0; k < ecology::kFittedKindCount; ++k) {
    j.beginArray();
    for (int season = 0; season < 2; ++season) j.value(s.ecology.fitOffset[k][season]);
    j.endArray();
  }
  j.endArray();
  writeSeasons(j, "defaultHighShift", s.ecology.defaultHighShift);
  writeSeasons(j, "defaultLowShift", s.ecology.defaultLowShift);
  writeSeasons(j, "highShift", s.site.highShift);
  writeSeasons(j, "lowShift", s.site.lowShift);
  j.key("ecoLowReq").beginArray();
  for (int m = 0; m < 12; ++m) {
    j.beginArray();
    // The ecological step fills the two critical months; their ranks are the whole years.
    const int n = std::max(0, std::min(std::max(s.ecology.ecoRankCount[0], s.ecology.ecoRankCount[1]), ecology::kMaxRanks));
    for (int c = 0; c < kCategoryCount; ++c) j.floats(s.ecology.ecoLowReq[m][c].begin(), s.ecology.ecoLowReq[m][c].begin() + n);
    j.endArray();
  }
  j.endArray();
}

void writeFloods(JsonWriter& j, const ModelState& s) {
  j.key("bankfullDischarge").value(s.floods.bankfullDischarge);
  j.key("floodCategoryTable").beginArray();
  for (int r = 0; r < floods::FloodCategoryTable::rowCount; ++r) {
    j.beginArray();
    for (int c = 0; c < floods::FloodCategoryTable::colCount; ++c) j.value(s.floods.floodCategoryTable.cell(c, r));
    j.endArray();
  }
  j.endArray();
  const int months = std::max(0, std::min(s.site.naturalFlows.header.count, floods::kMaxFloodMonths));
  j.key("highFlowSeries").beginArray();
  for (int c = 0; c < kCategoryCount; ++c) j.floats(s.floods.highFlowSeries[c].begin(), s.floods.highFlowSeries[c].begin() + months);
  j.endArray();
  const int years = std::max(0, std::min(s.site.naturalFlows.header.count / 12, ecology::kMaxRanks));
  j.key("highFlowAssurance").beginArray();
  for (int m = 0; m < 12; ++m) {
    j.beginArray();
    for (int c = 0; c < kCategoryCount; ++c)
      j.floats(s.floods.highFlowAssurance[m][c].begin(), s.floods.highFlowAssurance[m][c].begin() + years);
    j.endArray();
  }
  j.endArray();
}

std::string monthStatsCsv(const TimeSeries& s) {
  std::string out = "month,mean_mcm,sd_mcm,cv\n";
  for (int c : kCalendarFromOctober)
    out += formatText("%s,%.9g,%.9g,%.9g\n", kMonthNames[static_cast<std::size_t>(c)], s.monthMean[c], s.monthSd[c],
                      s.monthCv[c]);
  return out;
}

std::string monthFdcCsv(const BoundedArray<BoundedArray<float, 0, 20>, 0, 11>& t) {
  std::string out = "month";
  for (const char* p : kDurationPoints) out += std::string(",p") + p;
  out += "\n";
  for (int c : kCalendarFromOctober) {
    out += kMonthNames[static_cast<std::size_t>(c)];
    for (int i = 0; i < 21; ++i) out += formatText(",%.9g", t[c][i]);
    out += "\n";
  }
  return out;
}

std::string flowsCsv(const ModelState& s) {
  const TimeSeries& n = s.site.naturalFlows;
  const TimeSeries& p = s.site.presentFlows;
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

std::string resultsJson(const ModelState& s, const CompletedSteps& steps) {
  JsonWriter j;
  j.beginObject();
  j.key("siteName").value(s.site.siteName);
  j.key("requestSpatialRecord").value(s.site.requestSpatialRecord);
  if (steps.includes("hydrology")) {
    j.key("naturalFlows");
    writeSeries(j, s.site.naturalFlows);
    j.key("presentFlows");
    writeSeries(j, s.site.presentFlows);
    j.key("scenarioFlows");
    writeSeries(j, s.site.scenarioFlows);
    j.key("criticalWetMonth").value(s.hydrology.criticalWetMonth);
    j.key("criticalDryMonth").value(s.hydrology.criticalDryMonth);
    j.key("maxBaseflowWet").value(s.hydrology.maxBaseflowWet);
    j.key("maxBaseflowDry").value(s.hydrology.maxBaseflowDry);
    j.key("maxBaseflowExceedence").value(s.site.maxBaseflowExceedence);
  }
  if (steps.includes("hydraulics")) writeHydraulics(j, s);
  if (steps.includes("ecology")) writeEcology(j, s);
  if (steps.includes("floods")) writeFloods(j, s);
  if (steps.includes("final analysis")) {
    j.key("valuesPerMonth").beginArray();
    for (int m = 0; m < 12; ++m) j.value(s.ewr.valuesPerMonth[m]);
    j.endArray();
    for (int set = 0; set < 2; ++set) {
      j.key(set == 0 ? "sortedFlows" : "sortedPresentFlows").beginArray();
      for (int m = 0; m < 12; ++m) {
        const int n = std::max(0, std::min(s.ewr.valuesPerMonth[m], ecology::kMaxRanks));
        j.floats(s.ewr.sortedFlows[set][m].begin(), s.ewr.sortedFlows[set][m].begin() + n);
      }
      j.endArray();
    }
    j.key("sortedBaseflows").beginArray();
    for (int m = 0; m < 12; ++m) {
      const int n = std::max(0, std::min(s.ewr.valuesPerMonth[m], ecology::kMaxRanks));
      j.floats(s.ewr.sortedBaseflows[0][m].begin(), s.ewr.sortedBaseflows[0][m].begin() + n);
    }
    j.endArray();
    j.key("lowFlowAssurance");
    writeMonthCategoryRanks(j, s.ewr.lowFlowAssurance, s.ewr.valuesPerMonth);
    j.key("totalFlowAssurance");
    writeMonthCategoryRanks(j, s.ewr.totalFlowAssurance, s.ewr.valuesPerMonth);
    j.key("meanLowEwr").floats(s.ewr.meanLowEwr.begin(), s.ewr.meanLowEwr.end());
    j.key("meanTotalEwr").floats(s.ewr.meanTotalEwr.begin(), s.ewr.meanTotalEwr.end());
    const int n = std::max(0, std::min(s.site.naturalFlows.header.count, ewr::kMaxEwrMonths));
    j.key("ewrSeries").floats(s.ewr.ewrSeries.begin(), s.ewr.ewrSeries.begin() + n);
  }
  j.endObject();
  // One copy of a text of a few megabytes at a time: the peak memory of a run.
  std::string text;
  text.reserve(j.text().size() + 1);
  text += j.text();
  text += '\n';
  return text;
}

std::vector<std::filesystem::path> writeResults(const ModelState& s, const CompletedSteps& steps,
                                                const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw ModelError("Cannot create the results directory " + dir.string() + ": " + ec.message());
  std::vector<fs::path> files;
  auto put = [&](const char* name, const std::string& text) {
    writeTextFile(dir / name, text);
    files.push_back(dir / name);
  };
  put("results.json", resultsJson(s, steps));
  if (steps.includes("hydrology")) {
    put("flows.csv", flowsCsv(s));
    put("natural_month_stats.csv", monthStatsCsv(s.site.naturalFlows));
    put("present_month_stats.csv", monthStatsCsv(s.site.presentFlows));
    put("natural_month_fdc.csv", monthFdcCsv(s.site.naturalFlows.monthFdc));
    put("natural_month_baseflow_fdc.csv", monthFdcCsv(s.site.naturalFlows.monthBaseFdc));
    put("present_month_fdc.csv", monthFdcCsv(s.site.presentFlows.monthFdc));
  }
  if (steps.includes("ecology"))
    for (const auto& f : ecology::writeEcologyCsvFiles(s, dir)) files.push_back(f);
  if (steps.includes("floods")) {
    put("flood_categories.csv", floods::floodCategoriesCsv(s));
    put("high_flow_series.csv", floods::highFlowSeriesCsv(s));
  }
  return files;
}

}  // namespace oewr::cli
