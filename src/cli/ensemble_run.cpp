#include "cli/ensemble_run.h"

#include <chrono>
#include <filesystem>
#include <ostream>

#include "common/atomic_file.h"
#include "common/text_format.h"
#include "common/text_input.h"
#include "ecology/ecology_window.h"
#include "ewr/ewr_tables.h"
#include "hydraulics/rating_curve.h"

namespace oewr::cli {

namespace {

// The standard run's request as its members repeat it: from the host for
// reading only, saving nothing.
ensemble::MemberRequest memberRequestOf(const RunOptions& o, const process::StepOptions& stepOptions) {
  ensemble::MemberRequest r;
  r.ini = o.ini;
  r.record = o.record;
  r.options = stepOptions;
  r.options.hydraulics.saveParameters = false;
  r.options.hydraulics.saveSection = false;
  r.options.floods.save = false;
  ewr::EwrOptions& e = r.options.ewr;
  e.saveTotalAssurance = e.saveLowAssurance = e.saveTotalSeries = e.saveLowSeries = e.saveReport = false;
  r.answerYes = o.answer != "no";
  if (o.restoreDefaultShifts) r.alwaysYes.push_back(ecology::TForm5::kRestoreQuestion);
  r.lockTimeoutMs = static_cast<int>(o.lockTimeoutSeconds * 1000);
  return r;
}

// Progress of a study, at most five times a second, where the run shows it:
// on the terminal, not in log.txt; not in a batch, which shows its own.
class StudyProgress {
 public:
  StudyProgress(std::ostream* err, std::string what) : err_(err), what_(std::move(what)) {}
  bool operator()(int done, int count) {
    if (!err_) return true;
    const auto now = Clock::now();
    if (done < count && now - last_ < std::chrono::milliseconds(200)) return true;
    last_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    *err_ << formatText("\r%s: %d of %d run, %.1f s", what_, done, count, elapsed)
         << (done == count ? "\n" : "   ") << std::flush;
    return true;
  }

 private:
  using Clock = std::chrono::steady_clock;
  std::ostream* err_;
  std::string what_;
  Clock::time_point start_ = Clock::now(), last_ = Clock::time_point{};
};

// The first failure among the results, as "<what> <n>: <reason>", and how many failed.
std::string firstFailure(const std::vector<ensemble::MemberResult>& results, const std::string& what, int& failed,
                         const std::function<std::string(std::size_t)>& name) {
  std::string first;
  failed = 0;
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (results[i].ok) continue;
    ++failed;
    if (first.empty()) first = what + " " + name(i) + ": " + results[i].reason;
  }
  return first;
}

}  // namespace

std::string runStudies(const RunOptions& o, const std::vector<ensemble::Variation>& variations,
                       const process::StepOptions& stepOptions, const ModelState& standard, const std::string& dir,
                       const StudyOutput& output, RunSummary& summary) {
  namespace fs = std::filesystem;
  const int jobs = std::max(1, o.partOfBatch ? 1 : o.jobs);
  // Members side by side keep the cores busy: each one's realisations then run on its own thread.
  if (jobs > 1) hydraulics::setRealisationThreads(1);
  const ensemble::MemberRequest request = memberRequestOf(o, stepOptions);
  const int category = stepOptions.ewr.category;
  ensemble::MemberResult standardResult;
  standardResult.ok = true;
  ensemble::takeResults(standard, category, standardResult);
  std::vector<NamedText> files;
  std::string failure;

  if (o.ensemble > 0) {
    if (o.ensemble > 1 && stepOptions.hydraulics.section != hydraulics::HydraulicsOptions::Section::Synthetic)
      output.line("Ensemble: the run's cross-section is the " + o.section +
                  " one, the same in every member: only synthetic sections differ from seed to seed\n");
    std::vector<ensemble::MemberResult> members{standardResult};
    if (o.ensemble > 1) {
      StudyProgress progress(o.partOfBatch ? nullptr : o.progress, "Ensemble members");
      std::vector<ensemble::MemberResult> others = ensemble::runMembers(request, 1, o.ensemble - 1, jobs, std::ref(progress));
      members.insert(members.end(), others.begin(), others.end());
    }
    int failed = 0;
    failure = firstFailure(members, "ensemble member of seed", failed,
                           [&](std::size_t i) { return std::to_string(members[i].seed); });
    summary.ensembleDone = true;
    summary.spreads = ensemble::categorySpreads(members);
    output.line(formatText("Ensemble: %d members (seeds 0 to %d), %d failed; category %s's mean total requirement "
                           "%.3f MCM in the standard run, %.3f to %.3f MCM from the 10th to the 90th percentile\n",
                           o.ensemble, o.ensemble - 1, failed, ewr::categoryName(category),
                           standardResult.meanTotalEwr[category], summary.spreads[static_cast<std::size_t>(category)].total.p10,
                           summary.spreads[static_cast<std::size_t>(category)].total.p90));
    files.push_back({"ensemble.csv", [members] { return ensemble::ensembleCsv(members); }});
    files.push_back({"ensemble_summary.csv", [members] { return ensemble::ensembleSummaryCsv(members); }});
    files.push_back({"ensemble_months.csv",
                     [members, standardResult] { return ensemble::ensembleMonthsCsv(members, standardResult); }});
    output.chart(ensemble::fanChart(members, standardResult, category), "ensemble_fan");
  }

  if (!variations.empty()) {
    std::vector<ensemble::SensitivityRun> runs;
    std::vector<ensemble::MemberRequest> requests;
    for (const ensemble::Variation& v : variations)
      for (const float value : v.values) {
        runs.push_back({v.name, value, {}});
        requests.push_back(ensemble::withValue(request, v, value));
      }
    StudyProgress progress(o.partOfBatch ? nullptr : o.progress, "Sensitivity runs");
    const std::vector<ensemble::MemberResult> results = ensemble::runSideBySide(
        static_cast<int>(requests.size()), jobs,
        [&](int i) { return ensemble::runMember(requests[static_cast<std::size_t>(i)], 0); }, std::ref(progress));
    for (std::size_t i = 0; i < runs.size(); ++i) runs[i].result = results[i];
    int failed = 0;
    const std::string first = firstFailure(results, "sensitivity run", failed, [&](std::size_t i) {
      return runs[i].name + "=" + shortestText(runs[i].value);
    });
    if (failure.empty()) failure = first;
    output.line(formatText("Sensitivity: %zu runs of %zu inputs, %d failed\n", runs.size(), variations.size(), failed));
    files.push_back({"sensitivity.csv", [runs, standardResult] { return ensemble::sensitivityCsv(runs, standardResult); }});
    output.chart(ensemble::tornadoChart(runs, standardResult, category), "sensitivity_tornado");
  }

  for (const fs::path& f : writeTextFiles(dir, files)) output.line("  results: " + f.string() + "\n");
  return failure;
}

}  // namespace oewr::cli
