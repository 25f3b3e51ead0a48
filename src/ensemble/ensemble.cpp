#include "ensemble/ensemble.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <mutex>
#include <sstream>
#include <thread>

#include "common/errors.h"
#include "common/json_writer.h"
#include "common/text_format.h"
#include "ewr/assurance_rules.h"
#include "ewr/ewr_tables.h"
#include "hostdb/table_save_dialog.h"
#include "process/headless_ui.h"
#include "process/model_state.h"
#include "process/process_window.h"

namespace oewr::ensemble {

namespace {

// A member shows no menu: it runs the steps itself.
class NoMenu : public process::RunMenu {
 public:
  void showMenu(process::RunContext&, const std::string&) override {}
};

double pctOfMar(double mcm, float mar) { return mar > 0 ? mcm * 100.0 / mar : 0.0; }

}  // namespace

void takeResults(ewr::EwrView state, int category, MemberResult& result) {
  result.mar = state.site.naturalFlows.mar;
  for (int c = 0; c < kCategoryCount; ++c) {
    result.meanLowEwr[c] = state.ewr.meanLowEwr[c];
    result.meanTotalEwr[c] = state.ewr.meanTotalEwr[c];
  }
  const ewr::MonthlyRequirements months = ewr::monthlyMeanRequirements(state, category);
  result.monthLowEwr = months.low;
  result.monthTotalEwr = months.total;
  result.siteParameters = state.site.siteParameters;
  result.exceedence = state.site.maxBaseflowExceedence;
}

MemberResult runMember(const MemberRequest& request, uint32_t seed) {
  MemberResult result;
  result.seed = seed;
  std::ostringstream messages;  // a member's messages are those of the standard run
  try {
    process::HeadlessPolicy policy;
    policy.answerYes = request.answerYes;
    policy.alwaysYes = request.alwaysYes;
    policy.lockTimeoutMs = request.lockTimeoutMs;
    process::HeadlessUi ui(policy, messages);
    auto state = makeModelState();
    state->hydraulics.randomSeed = seed;
    hostdb::Ttable_save saveDialog;
    NoMenu menu;
    process::TForm1 form(*state, ui, saveDialog, menu);
    form.hostAccess = hostdb::HostAccess::ReadOnly;
    form.FormCreate({request.ini, std::to_string(request.record)}, std::filesystem::current_path().string());
    if (form.Button1 != process::TForm1::kRunModel) {
      result.reason = ui.messages().empty() ? "the request could not be loaded" : ui.messages().back();
      return result;
    }
    process::RunContext ctx{*state, *form.hostTables(), ui, saveDialog};
    const char* step = "";
    try {
      for (const process::ModelStep& modelStep : process::modelSteps()) {
        step = modelStep.name;
        modelStep.run(ctx, request.options);
      }
    } catch (const std::exception& e) {
      const std::string why = *e.what() || ui.messages().empty() ? std::string(e.what()) : ui.messages().back();
      result.reason = std::string("the ") + step + " step stopped: " + why;
      return result;
    }
    takeResults(ewr::EwrView(*state), request.options.ewr.category, result);
    result.ok = true;
  } catch (const std::exception& e) {
    result.reason = e.what();
  }
  return result;
}

std::vector<MemberResult> runSideBySide(int count, int jobs, const std::function<MemberResult(int index)>& run,
                                        const std::function<bool(int done, int count)>& progress) {
  count = std::max(count, 0);
  std::vector<MemberResult> results(static_cast<std::size_t>(count));
  for (MemberResult& r : results) r.reason = "cancelled";
  std::mutex mutex;
  int next = 0, done = 0;
  bool cancelled = false;
  auto worker = [&] {
    for (;;) {
      int i = 0;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (cancelled || next >= count) return;
        i = next++;
      }
      MemberResult r = run(i);
      std::lock_guard<std::mutex> lock(mutex);
      results[static_cast<std::size_t>(i)] = std::move(r);
      ++done;
      if (progress && !progress(done, count)) cancelled = true;
    }
  };
  const int threads = std::max(1, std::min(jobs, count));
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& t : pool) t.join();
  return results;
}

std::vector<MemberResult> runMembers(const MemberRequest& request, uint32_t firstSeed, int count, int jobs,
                                     const std::function<bool(int done, int count)>& progress) {
  std::vector<MemberResult> results = runSideBySide(
      count, jobs, [&](int i) { return runMember(request, firstSeed + static_cast<uint32_t>(i)); }, progress);
  for (std::size_t i = 0; i < results.size(); ++i) results[i].seed = firstSeed + static_cast<uint32_t>(i);
  return results;
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
  std::sort(values.begin(), values.end());
  const double place = static_cast<double>(values.size() - 1) * std::clamp(p, 0.0, 100.0) / 100.0;
  const std::size_t below = static_cast<std::size_t>(std::floor(place));
  const std::size_t above = std::min(below + 1, values.size() - 1);
  return values[below] + (values[above] - values[below]) * (place - static_cast<double>(below));
}

Spread spreadOf(const std::vector<double>& values) {
  Spread s;
  if (values.empty()) {
    s.min = s.p10 = s.p50 = s.p90 = s.max = std::numeric_limits<double>::quiet_NaN();
    return s;
  }
  s.min = *std::min_element(values.begin(), values.end());
  s.max = *std::max_element(values.begin(), values.end());
  s.p10 = percentile(values, 10);
  s.p50 = percentile(values, 50);
  s.p90 = percentile(values, 90);
  return s;
}

int membersThatRan(const std::vector<MemberResult>& members) {
  return static_cast<int>(std::count_if(members.begin(), members.end(), [](const MemberResult& m) { return m.ok; }));
}

namespace {

// The values of one quantity over the members that ran.
template <typename Take>
std::vector<double> valuesOf(const std::vector<MemberResult>& members, Take take) {
  std::vector<double> v;
  for (const MemberResult& m : members)
    if (m.ok) v.push_back(static_cast<double>(take(m)));
  return v;
}

std::string csvText(std::string text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string q = "\"";
  for (char c : text) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

}  // namespace

std::vector<CategorySpread> categorySpreads(const std::vector<MemberResult>& members) {
  std::vector<CategorySpread> spreads(kCategoryCount);
  for (int c = 0; c < kCategoryCount; ++c) {
    spreads[static_cast<std::size_t>(c)].low = spreadOf(valuesOf(members, [c](const MemberResult& m) { return m.meanLowEwr[c]; }));
    spreads[static_cast<std::size_t>(c)].total =
        spreadOf(valuesOf(members, [c](const MemberResult& m) { return m.meanTotalEwr[c]; }));
  }
  return spreads;
}

std::string ensembleCsv(const std::vector<MemberResult>& members) {
  std::string out = "seed,status,reason";
  for (const char* c : kCategoryColumnNames)
    out += formatText(",low_%s_mcm,low_%s_pct_mar,total_%s_mcm,total_%s_pct_mar", c, c, c, c);
  out += "\n";
  for (const MemberResult& m : members) {
    out += formatText("%u,%s,%s", m.seed, m.ok ? "ok" : "failed", csvText(m.reason));
    for (int c = 0; c < kCategoryCount; ++c) {
      if (!m.ok) {
        out += ",,,,";
        continue;
      }
      // Million m3 written as results.json writes them: member 0's are its text.
      out += "," + floatText(m.meanLowEwr[c]) + formatText(",%.3f,", pctOfMar(m.meanLowEwr[c], m.mar)) +
             floatText(m.meanTotalEwr[c]) + formatText(",%.3f", pctOfMar(m.meanTotalEwr[c], m.mar));
    }
    out += "\n";
  }
  return out;
}

std::string ensembleSummaryCsv(const std::vector<MemberResult>& members) {
  const int ran = membersThatRan(members);
  float mar = 0;
  for (const MemberResult& m : members)
    if (m.ok) mar = m.mar;
  std::string out = "category,quantity,members,min,p10,p50,p90,max\n";
  const std::vector<CategorySpread> spreads = categorySpreads(members);
  for (int c = 0; c < kCategoryCount; ++c) {
    const CategorySpread& s = spreads[static_cast<std::size_t>(c)];
    for (const auto& [quantity, spread] : {std::pair{"low_mcm", &s.low}, {"total_mcm", &s.total}}) {
      const Spread& x = *spread;
      out += ewr::categoryName(c) +
             formatText(",%s,%d,%.6f,%.6f,%.6f,%.6f,%.6f\n", quantity, ran, x.min, x.p10, x.p50, x.p90, x.max);
      const std::string pct = std::string(quantity).substr(0, std::string(quantity).find('_')) + "_pct_mar";
      out += ewr::categoryName(c) + formatText(",%s,%d,%.3f,%.3f,%.3f,%.3f,%.3f\n", pct, ran, pctOfMar(x.min, mar),
                                              pctOfMar(x.p10, mar), pctOfMar(x.p50, mar), pctOfMar(x.p90, mar),
                                              pctOfMar(x.max, mar));
    }
  }
  return out;
}

std::string ensembleMonthsCsv(const std::vector<MemberResult>& members, const MemberResult& standard) {
  std::string out = "month,low_p10_mcm,low_p50_mcm,low_p90_mcm,low_standard_mcm,total_p10_mcm,total_p50_mcm,"
                    "total_p90_mcm,total_standard_mcm\n";
  for (int m = 0; m < 12; ++m) {
    const auto low = valuesOf(members, [m](const MemberResult& r) { return r.monthLowEwr[m]; });
    const auto total = valuesOf(members, [m](const MemberResult& r) { return r.monthTotalEwr[m]; });
    out += formatText("%s,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n", ewr::hydroMonthName(m), percentile(low, 10),
                      percentile(low, 50), percentile(low, 90), standard.monthLowEwr[m], percentile(total, 10),
                      percentile(total, 50), percentile(total, 90), standard.monthTotalEwr[m]);
  }
  return out;
}

charting::Chart fanChart(const std::vector<MemberResult>& members, const MemberResult& standard, int category) {
  charting::Chart chart;
  chart.name = "EnsembleFan";
  chart.title = "Category " + ewr::categoryName(category) + ": monthly total requirement over " +
                std::to_string(membersThatRan(members)) + " cross-section realisations";
  chart.bottomAxis.title = "Month of the hydrological year (1 = October .. 12 = September)";
  chart.bottomAxis.setRange(0, 12);  // ticks at whole quarters: 3 December, 6 March, 9 June
  chart.bottomAxis.valueFormat = "0";
  chart.leftAxis.title = "Requirement (MCM)";
  chart.legend = charting::LegendPosition::Bottom;
  // The band from the 10th to the 90th percentile (filled down to the 10th
  // percentile, a series not drawn itself), the median over it and the
  // standard run's line on top.
  chart.addSeries("10th to 90th percentile", charting::SeriesKind::Area, charting::Color{173, 198, 230});
  chart.addSeries("10th percentile", charting::SeriesKind::Line, charting::Color{173, 198, 230});
  chart.addSeries("Median", charting::SeriesKind::Line, charting::kNavy);
  chart.addSeries("Standard run", charting::SeriesKind::Line, charting::kRed, 2);
  chart.series[0].areaFloor = 1;
  chart.series[1].visible = false;
  for (int m = 0; m < 12; ++m) {
    const auto total = valuesOf(members, [m](const MemberResult& r) { return r.monthTotalEwr[m]; });
    const std::string label = ewr::hydroMonthName(m);
    chart.series[0].add(m + 1, percentile(total, 90), label);
    chart.series[1].add(m + 1, percentile(total, 10), label);
    chart.series[2].add(m + 1, percentile(total, 50), label);
    chart.series[3].add(m + 1, standard.monthTotalEwr[m], label);
  }
  return chart;
}

}  // namespace oewr::ensemble
