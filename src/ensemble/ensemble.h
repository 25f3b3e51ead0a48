#pragma once
// Ensembles over the synthetic cross-sections: the whole model run again
// with the random-number sequence of the sections started from seed 0, 1,
// 2, ... (seed 0 is the standard run), everything else as the standard run,
// and the spread of the requirements that the sections alone make.
//
// A member loads its request from the host for reading only and writes
// nothing; members run side by side on threads of their own.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "charting/chart.h"
#include "common/bounded_array.h"
#include "model/site_parameters.h"
#include "ewr/ewr_state.h"
#include "process/model_steps.h"

namespace oewr::ensemble {

// What one member leaves.
struct MemberResult {
  uint32_t seed = 0;
  bool ok = false;
  std::string reason;  // why it failed
  float mar = 0;       // natural mean annual runoff, million m3
  // Long-term mean requirements of each category, million m3 a year.
  BoundedArray<float, 0, kCategoryCount - 1> meanLowEwr;
  BoundedArray<float, 0, kCategoryCount - 1> meanTotalEwr;
  // Mean requirement of each hydrological month (October first) of the
  // chosen category, million m3.
  BoundedArray<float, 0, 11> monthLowEwr;
  BoundedArray<float, 0, 11> monthTotalEwr;
  // The site parameters and the exceedence point the run used, after the
  // model's rules.
  SiteParameters siteParameters;
  int32_t exceedence = 0;
};


// The run a member repeats.
struct MemberRequest {
  std::string ini;
  int record = 0;
  process::StepOptions options;
  bool answerYes = true;
  std::vector<std::string> alwaysYes;  // questions answered Yes whatever answerYes says
  int lockTimeoutMs = 60000;
};

// Fills the results of a member from the state that the final analysis left.
void takeResults(ewr::EwrView state, int category, MemberResult& result);

// Runs one member: the request with the sections' random numbers started
// from `seed`. Never throws: a member that stops says why in `reason`.
MemberResult runMember(const MemberRequest& request, uint32_t seed);

// Runs run(0) .. run(count - 1) on `jobs` threads (the calling one among
// them). After each, `progress` is called, one call at a time, with the
// number done; once it returns false the runs not started are not made (they
// come back with ok false and reason "cancelled"). Results in order.
std::vector<MemberResult> runSideBySide(int count, int jobs, const std::function<MemberResult(int index)>& run,
                                        const std::function<bool(int done, int count)>& progress = {});

// Runs the members of seeds `firstSeed` .. firstSeed + count - 1 on `jobs`
// threads. After each member `progress` is called with the number done;
// once it returns false the members not started are not run (they come back
// with ok false and reason "cancelled"). Results in seed order.
std::vector<MemberResult> runMembers(const MemberRequest& request, uint32_t firstSeed, int count, int jobs,
                                     const std::function<bool(int done, int count)>& progress = {});

// The p-th percentile (0 .. 100) of the values: sorted ascending, the value
// at place (n - 1) x p / 100, linearly between the two values around it.
// NaN for no values.
double percentile(std::vector<double> values, double p);

// The spread of one quantity over the members that ran.
struct Spread {
  double min = 0, p10 = 0, p50 = 0, p90 = 0, max = 0;
};
Spread spreadOf(const std::vector<double>& values);

// The spread of each category's long-term means over the members that ran.
struct CategorySpread {
  Spread low, total;  // million m3 a year
};
std::vector<CategorySpread> categorySpreads(const std::vector<MemberResult>& members);

// Members whose run finished.
int membersThatRan(const std::vector<MemberResult>& members);

// ensemble.csv: one row a member, its seed and status, and each category's
// mean low and total requirement in million m3 and % of MAR.
std::string ensembleCsv(const std::vector<MemberResult>& members);
// ensemble_summary.csv: per category and quantity, min, 10th, 50th, 90th
// percentile and max over the members that ran.
std::string ensembleSummaryCsv(const std::vector<MemberResult>& members);
// ensemble_months.csv: the 10th, 50th and 90th percentile of the chosen
// category's monthly low and total requirements, October first, beside the
// standard run's.
std::string ensembleMonthsCsv(const std::vector<MemberResult>& members, const MemberResult& standard);

// The fan chart: the band of the chosen category's monthly total
// requirements from the 10th to the 90th percentile, its median, and the
// standard run's line on it.
charting::Chart fanChart(const std::vector<MemberResult>& members, const MemberResult& standard, int category);

}  // namespace oewr::ensemble
