#include "cli/run_command.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "cli/batch_run.h"
#include "cli/chart_output.h"
#include "cli/ensemble_run.h"
#include "cli/option_checks.h"
#include "cli/results_export.h"
#include "cli/shards.h"
#include "common/ini_file.h"
#include "common/text_format.h"
#include "common/text_input.h"
#include "ecology/ecology_step.h"
#include "ecology/ecology_window.h"
#include "floods/flood_step.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "hydraulics/hydraulics_step.h"
#include "hydrology/hydrology_input.h"
#include "hydrology/hydrology_step.h"
#include "menu/report_review.h"
#include "menu/submodel_windows.h"
#include "process/headless_ui.h"
#include "process/model_state.h"
#include "process/model_steps.h"
#include "process/process_window.h"

namespace oewr::cli {

namespace {

void printLoaded(const ModelState& s, std::ostream& out) {
  out << "Site: " << s.site.siteName << " (spatial record " << s.site.requestSpatialRecord << ")\n";
  out << formatText("Maximum baseflow exceedence: %d %%\n", s.site.maxBaseflowExceedence);
  out << formatText("Perennial option: %d, alignment option: %d\n", s.site.perennialOption, s.site.alignStressOption);
  for (int season = 0; season < 2; ++season) {
    out << (season == 0 ? "Wet" : "Dry") << " season shifts HIGH:";
    for (int c = 0; c < kCategoryCount; ++c) out << formatText(" %s=%.2f", kCategoryNames[static_cast<std::size_t>(c)], s.site.highShift[season][c]);
    out << "  LOW:";
    for (int c = 0; c < kCategoryCount; ++c) out << formatText(" %s=%.2f", kCategoryNames[static_cast<std::size_t>(c)], s.site.lowShift[season][c]);
    out << formatText("\n  weights: stress at zero FS %.2f, FS %.2f, FI %.2f, FD %.2f\n", s.site.stressAtZeroFs[season],
                      s.site.fsWeight[season], s.site.fiWeight[season], s.site.fdWeight[season]);
  }
  out << "Saved cross-section points: " << s.site.savedXsCount << "\n";
  out << "Observed cross-section points: " << s.site.xsPointCount << "\n";
  out << "Observed rating table rows: " << s.site.ratingCount << "\n";
}

}  // namespace

namespace {

int indexOf(const std::vector<std::string>& names, const std::string& v) {
  for (std::size_t i = 0; i < names.size(); ++i)
    if (equalsIgnoreCase(names[i], v)) return static_cast<int>(i);
  return -1;
}

// Waits are counted in whole milliseconds of an int: at most a day.
constexpr double kMaxLockTimeoutSeconds = 86400;

const std::vector<std::string> kCategories = {"A", "A/B", "B", "B/C", "C", "C/D", "D"};
const std::vector<std::string> kHydroMonths = {"Oct", "Nov", "Dec", "Jan", "Feb", "Mar",
                                               "Apr", "May", "Jun", "Jul", "Aug", "Sep"};
const std::vector<std::string> kConstraints = {"none", "natural", "present"};
const std::vector<std::string> kSaveItems = {"total-assurance", "low-assurance", "total-series", "low-series",
                                             "report"};

// The final analysis options from their texts; throws ModelError naming the option.
ewr::EwrOptions ewrOptionsOf(const RunOptions& o) {
  ewr::EwrOptions e;
  e.category = indexOf(kCategories, o.category);
  if (e.category < 0) throw ModelError("--category: '" + o.category + "' is not one of A, A/B, B, B/C, C, C/D, D");
  e.month = indexOf(kHydroMonths, o.month);
  if (e.month < 0) throw ModelError("--month: '" + o.month + "' is not one of Oct .. Sep");
  e.constraint = indexOf(kConstraints, o.constraint);
  if (e.constraint < 0) throw ModelError("--constraint: '" + o.constraint + "' is not none, natural or present");
  e.highFlows = !o.noHighFlows;
  if (o.save != "all") {
    bool* flags[] = {&e.saveTotalAssurance, &e.saveLowAssurance, &e.saveTotalSeries, &e.saveLowSeries,
                     &e.saveReport};
    for (bool* f : flags) *f = false;
    std::string rest = o.save;
    while (!rest.empty()) {
      const std::size_t comma = rest.find(',');
      const std::string item = trim(rest.substr(0, comma));
      rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
      if (item.empty() || item == "none") continue;
      const int i = indexOf(kSaveItems, item);
      if (i < 0)
        throw ModelError("--save: '" + item +
                         "' is not one of all, none, total-assurance, low-assurance, total-series, low-series, report");
      *flags[i] = true;
    }
  }
  return e;
}

// Writes one chart's picture. Returns the reason, also printed, when the
// picture was not written; a program built without the chart renderer says
// so for each chart and fails nothing.
std::string writeChart(const ChartPictureWriter& writer, const charting::Chart& chart, const std::filesystem::path& dir,
                       const std::string& name, std::ostream& out, std::ostream& err) {
  if (!writer) {
    err << "oewr run: the chart drawing program " << charting::kChartWorkerProgram
        << " is not beside this program (built without the chart renderer?); " << name << " not written" << std::endl;
    return {};
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::string path = (dir / (name + ".png")).string();
  std::string error;
  if (writer(chart, path, error)) {
    out << "  chart: " << path << "\n";
    return {};
  }
  err << "oewr run: " << error << std::endl;
  return error;
}

// The charts of one run drawn beside it by a drawing process of its own,
// which starts with the run and draws while the later steps compute. The
// lines the run prints are held, in order, until finish(): each chart's line
// then says whether it was drawn, as if the charts had been drawn in turn.
class ChartsBesideTheRun {
 public:
  ChartsBesideTheRun(std::vector<std::string> command, int record)
      : workers_(std::move(command), 1, processMessages_), record_(record), pump_([this] {
          while (!stop_) workers_.pump(50);
        }) {}
  ~ChartsBesideTheRun() { stopPump(); }
  ChartsBesideTheRun(const ChartsBesideTheRun&) = delete;
  ChartsBesideTheRun& operator=(const ChartsBesideTheRun&) = delete;

  void line(const std::string& text) { held_.push_back({text, {}, {}}); }
  void chart(const charting::Chart& chart, const std::filesystem::path& dir, const std::string& name) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::string path = (dir / (name + ".png")).string();
    workers_.submit(record_, chart, path);
    held_.push_back({{}, name, path});
  }
  // Waits for the charts and prints the lines held; returns the reason of the
  // first chart not written (each one's is printed).
  std::string finish(std::ostream& out, std::ostream& err) {
    stopPump();
    workers_.finish();
    std::map<std::string, std::string> lost;
    for (const LostChart& c : workers_.lost()) lost.emplace(c.chart, c.reason);
    std::string first;
    for (const Held& h : held_) {
      if (h.chart.empty()) {
        out << h.text;
      } else if (const auto it = lost.find(h.chart); it != lost.end()) {
        const std::string why = "chart " + h.chart + " not written: " + it->second;
        err << "oewr run: " << why << std::endl;
        if (first.empty()) first = why;
      } else {
        out << "  chart: " << h.path << "\n";
      }
    }
    held_.clear();
    return first;
  }

 private:
  struct Held {
    std::string text;   // a line, or
    std::string chart;  // a chart's name and its picture's path
    std::string path;
  };
  void stopPump() {
    stop_ = true;
    workers_.notify();
    if (pump_.joinable()) pump_.join();
  }
  std::ostringstream processMessages_;  // each lost chart is told in finish()
  ChartWorkers workers_;
  int record_;
  std::vector<Held> held_;
  std::atomic<bool> stop_{false};
  std::thread pump_;
};

// What the steps that finished leave for the batch summary.
void takeSummary(const ModelState& s, const CompletedSteps& done, RunSummary& sum) {
  if (done.includes("hydrology")) {
    sum.mar = s.site.naturalFlows.mar;
    sum.criticalWetMonth = s.hydrology.criticalWetMonth;
    sum.criticalDryMonth = s.hydrology.criticalDryMonth;
    sum.maxBaseflowWet = s.hydrology.maxBaseflowWet;
    sum.maxBaseflowDry = s.hydrology.maxBaseflowDry;
  }
  sum.ecologyDone = done.includes("ecology");
  if (done.includes("ecology"))
    for (int season = 0; season < 2; ++season)
      for (int c = 0; c < kCategoryCount; ++c) {
        sum.highShift[season][c] = s.site.highShift[season][c];
        sum.lowShift[season][c] = s.site.lowShift[season][c];
      }
  sum.ewrDone = done.includes("final analysis");
  if (done.includes("final analysis"))
    for (int c = 0; c < kCategoryCount; ++c) {
      sum.meanLowEwr[c] = s.ewr.meanLowEwr[c];
      sum.meanTotalEwr[c] = s.ewr.meanTotalEwr[c];
    }
}

// The choices of each step, from the run's options.
process::StepOptions stepOptionsOf(const RunOptions& o) {
  process::StepOptions so;
  so.hydrology.exceedence = o.exceedence;
  so.hydrology.useQtotal = o.useQtotal;
  so.hydraulics.section = o.section == "observed" ? hydraulics::HydraulicsOptions::Section::Observed
                          : o.section == "saved"  ? hydraulics::HydraulicsOptions::Section::Saved
                                                  : hydraulics::HydraulicsOptions::Section::Synthetic;
  so.hydraulics.saveParameters = o.saveParameters;
  so.hydraulics.saveSection = o.saveSection;
  so.ecology.perennial = o.perennial;
  so.ecology.align = o.align;
  so.floods.useSaved = o.useSavedFloods;
  so.floods.save = o.saveFloods;
  so.ewr = o.ewr;
  return so;
}

// True when the run writes nothing to the host.
bool writesNothing(const RunOptions& o) {
  const ewr::EwrOptions& e = o.ewr;
  return !(e.saveTotalAssurance || e.saveLowAssurance || e.saveTotalSeries || e.saveLowSeries || e.saveReport ||
           o.saveParameters || o.saveSection || o.saveFloods);
}

// The hydraulics step cannot run without the site parameters (slot 4): the
// geomorphological zone picks its tables. Says so, and how to add them.
std::optional<std::string> missingSiteParameters(ModelState& s, hostdb::Ttxtab& tx, const RunOptions& o) {
  const int slot = hydrology::kSiteParameterSlot;
  const bool named = s.site.attributeCodes[slot] > 0;
  if (named) {
    const auto record = hostdb::findSlotRecord(s.site, tx, slot);
    tx.DTable.close();
    if (record && record->recordFound) return std::nullopt;
  }
  const std::string site = std::to_string(s.site.requestSpatialRecord);
  const std::string ini = o.ini.find_first_of(" '\"") == std::string::npos ? o.ini : "\"" + o.ini + "\"";
  std::string text = "request " + std::to_string(o.record) + " (site " + site + ") has no site parameters (slot " +
                     std::to_string(slot) + ", hydrology/hydraulic parameters): " +
                     (named ? "its attribute " + std::to_string(s.site.attributeCodes[slot]) + " holds no value for the site"
                            : "the request names no attribute for them") +
                     ". The hydraulics step needs them (geomorphological zone, valley slope, channel width). "
                     "To add them:\n"
                     "  oewr host set-array --kind site-parameters --template > site-parameters.txt\n"
                     "  (edit the values for the site: every line is named and explained)\n";
  if (named) {
    text += "  oewr host set-array --ini " + ini + " --attribute " + std::to_string(s.site.attributeCodes[slot]) +
            " --site " + site + " --kind site-parameters --file site-parameters.txt";
  } else {
    text += "  oewr host add-attribute --ini " + ini + " --name \"Site parameters\" --type array\n"
            "  oewr host set-array --ini " + ini + " --attribute \"Site parameters\" --site " + site +
            " --kind site-parameters --file site-parameters.txt\n"
            "  and a request that names it: oewr host add-request ... --slot site-parameters=\"Site parameters\"";
  }
  return text;
}

}  // namespace

void requireWritableDirectory(const std::string& dir, const std::string& option) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(dir, ec) && !fs::is_directory(dir, ec))
    throw ModelError(option + " " + dir + ": is a file, not a directory");
  fs::create_directories(dir, ec);
  if (ec) throw ModelError(option + " " + dir + ": cannot be made (" + ec.message() + ")");
  const fs::path probe = fs::path(dir) / (".oewr-write-test-" + std::to_string(::getpid()));
  {
    std::ofstream f(probe, std::ios::binary | std::ios::trunc);
    if (!f || !(f << "x") || !f.flush()) {
      f.close();
      fs::remove(probe, ec);
      throw ModelError(option + " " + dir + ": cannot be written");
    }
  }
  fs::remove(probe, ec);
}

int runRequest(const RunOptions& options, std::ostream& out, std::ostream& err, RunSummary* summary) {
  namespace fs = std::filesystem;
  RunOptions o = options;
  RunSummary unused;
  RunSummary& sum = summary ? *summary : unused;
  sum = RunSummary{};
  sum.record = o.record;
  std::vector<ensemble::Variation> variations;
  try {
    for (const std::string& v : o.vary) variations.push_back(ensemble::parseVariation(v));
    o.ewr = ewrOptionsOf(options);
    if (!hydrology::isExceedenceChoice(o.exceedence)) throw ModelError("--exceedence: one of 5, 10, ..., 50");
    if (!(o.lockTimeoutSeconds >= 0 && o.lockTimeoutSeconds <= kMaxLockTimeoutSeconds))
      throw ModelError(formatText("--lock-timeout: %g is not 0 to %g seconds", o.lockTimeoutSeconds,
                                  kMaxLockTimeoutSeconds));
  } catch (const ModelError& e) {
    err << "oewr run: " << e.what() << std::endl;
    sum.reason = e.what();
    return 2;
  }
  if (!o.outDir.empty()) {
    if (o.exportDir.empty()) o.exportDir = o.outDir;
    if (o.chartsDir.empty()) o.chartsDir = (fs::path(o.outDir) / "charts").string();
  }
  if (o.noCharts) o.chartsDir.clear();
  if ((o.ensemble > 0 || !variations.empty()) && o.exportDir.empty()) {
    const std::string why = "--ensemble and --vary write their tables beside results.json: give --out or --export";
    err << "oewr run: " << why << std::endl;
    sum.reason = why;
    return 2;
  }
  // What the run needs from outside is checked before it reads or writes the host.
  try {
    if (!fs::exists(o.ini)) throw ModelError("--ini " + o.ini + ": no such ini file");
    IniFile::load(o.ini);
    for (const auto& [dir, option] : {std::pair{o.outDir, "--out"}, {o.exportDir, "--export"}, {o.chartsDir, "--charts"}})
      if (!dir.empty()) requireWritableDirectory(dir, option);
  } catch (const ModelError& e) {
    err << "oewr run: " << e.what() << std::endl;
    sum.reason = e.what();
    return 1;
  }
  // The drawing process starts now, so that it is ready by the first chart.
  const ChartPictureWriter& writer = o.chartWriter;
  std::optional<ChartsBesideTheRun> beside;
  if (!writer && !o.chartsDir.empty() && !chartWorkerCommand().empty())
    beside.emplace(chartWorkerCommand(), o.record);
  std::string chartFailure;  // the first chart not written
  auto say = [&](const std::string& text) {
    if (beside)
      beside->line(text);
    else
      out << text;
  };
  // A chart of the run: drawn beside it, or written at once.
  auto emitChart = [&](const charting::Chart& chart, const std::string& name) {
    if (o.chartsDir.empty()) return;
    if (beside) {
      beside->chart(chart, o.chartsDir, name);
      return;
    }
    const std::string why = writeChart(writer, chart, o.chartsDir, name, out, err);
    if (chartFailure.empty()) chartFailure = why;
  };
  auto chartsDrawn = [&] {
    if (!beside) return;
    const std::string why = beside->finish(out, err);
    if (chartFailure.empty()) chartFailure = why;
  };
  process::HeadlessPolicy policy;
  policy.answerYes = o.answer != "no";
  policy.lockTimeoutMs = static_cast<int>(o.lockTimeoutSeconds * 1000);
  if (o.restoreDefaultShifts) policy.alwaysYes.push_back(ecology::TForm5::kRestoreQuestion);
  process::HeadlessUi ui(policy, err);
  auto state = makeModelState();
  hostdb::Ttable_save saveDialog;
  menu::ModelWindows windows;
  process::TForm1 form(*state, ui, saveDialog, windows);
  if (writesNothing(o)) form.hostAccess = hostdb::HostAccess::ReadOnly;
  const std::string exeDir = fs::current_path().string();
  try {
    form.FormCreate({o.ini, std::to_string(o.record)}, exeDir);
  } catch (const ModelError& e) {
    err << "oewr run: " << e.what() << std::endl;
    sum.reason = e.what();
    return 1;
  }
  if (form.Button1 != process::TForm1::kRunModel) {
    err << "oewr run: request " << o.record << " of " << o.ini << " could not be loaded" << std::endl;
    sum.reason = ui.messages().empty() ? "the request could not be loaded" : ui.messages().back();
    return 1;
  }
  sum.siteName = state->site.siteName;
  if (!writesNothing(o) && form.hostTables()->session().connection(state->site.databaseName).readOnly()) {
    const std::string why = "this user may not write the host database " +
                            form.hostTables()->session().databaseFile(state->site.databaseName).string() +
                            " (or its directory), and the run saves to it; --save none runs it without saving";
    err << "oewr run: " << why << std::endl;
    sum.reason = why;
    return 1;
  }
  if (auto missing = missingSiteParameters(*state, *form.hostTables(), o)) {
    err << "oewr run: " << *missing << std::endl;
    sum.reason = "no site parameters (slot 4)";
    return 1;
  }
  out << "Request " << o.record << ": " << form.Label2 << " (" << form.Label1 << ", " << form.Label3 << ")\n";
  printLoaded(*state, out);

  ModelState& s = *state;
  hostdb::Ttxtab& tx = *form.hostTables();
  CompletedSteps done;
  const char* step = process::modelSteps().front().name;
  using Clock = std::chrono::steady_clock;
  auto mark = Clock::now();
  std::vector<std::pair<std::string, double>> timings;
  process::StepOptions stepOptions = stepOptionsOf(o);
  process::RunContext ctx{s, tx, ui, saveDialog};
  try {
    for (const process::ModelStep& modelStep : process::modelSteps()) {
      step = modelStep.name;
      std::vector<process::NamedChart> charts = modelStep.run(ctx, stepOptions);
      ++done.count;
      say(modelStep.finishedLine(s, stepOptions));
      for (const process::NamedChart& c : charts) emitChart(c.chart, c.name);
      charts = {};  // handed on: their points are let go before the next step
      timings.emplace_back(modelStep.name, std::chrono::duration<double, std::milli>(Clock::now() - mark).count());
      mark = Clock::now();
    }
  } catch (const std::exception& e) {
    chartsDrawn();
    // An action stopped after its message carries the message as its reason.
    const std::string why = *e.what() || ui.messages().empty() ? std::string(e.what()) : ui.messages().back();
    err << "oewr run: the " << step << " step stopped: " << why << std::endl;
    sum.reason = std::string(step) + ": " + why;
    takeSummary(s, done, sum);
    try {
      if (!o.exportDir.empty()) writeResults(s, done, stepOptions, o.exportDir);
    } catch (const std::exception&) {
    }
    return 1;
  }
  takeSummary(s, done, sum);

  std::string studyFailure;  // a member or a sensitivity run that failed
  try {
    if (!o.exportDir.empty()) {
      for (const auto& f : writeResults(s, done, stepOptions, o.exportDir)) say("  results: " + f.string() + "\n");
    }
    if (!o.outDir.empty() && s.reportLines) {
      const fs::path report = fs::path(o.outDir) / "report.txt";
      menu::writeReportFile(report.string(), *s.reportLines);
      say("  report: " + report.string() + "\n");
    }
    if (o.ensemble > 0 || !variations.empty())
      studyFailure = runStudies(o, variations, stepOptions, s, o.exportDir, StudyOutput{say, emitChart}, sum);
  } catch (const ModelError& e) {
    chartsDrawn();
    err << "oewr run: " << e.what() << std::endl;
    sum.reason = e.what();
    return 1;
  }
  chartsDrawn();
  if (o.timing) {
    double total = 0;
    for (const auto& [name, ms] : timings) total += ms;
    out << (beside ? "Timing (ms, charts drawn beside the steps):" : "Timing (ms, charts included where asked):");
    for (const auto& [name, ms] : timings) out << formatText(" %s %.1f;", name, ms);
    out << formatText(" all steps %.1f\n", total);
  }
  // A chart asked for and not written fails the run, its other outputs kept.
  if (!chartFailure.empty()) {
    sum.reason = chartFailure;
    return 1;
  }
  // So does a study that is not whole, its tables written with the failures named.
  if (!studyFailure.empty()) {
    err << "oewr run: " << studyFailure << std::endl;
    sum.reason = studyFailure;
    return 1;
  }
  sum.ok = true;
  return 0;
}

namespace {

// Writes what it is given to two streams.
class TeeBuffer : public std::streambuf {
 public:
  TeeBuffer(std::streambuf* first, std::streambuf* second) : first_(first), second_(second) {}

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    first_->sputc(ch);
    second_->sputc(ch);
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    first_->sputn(s, n);
    return second_->sputn(s, n);
  }
  int sync() override { return first_->pubsync() | second_->pubsync(); }

 private:
  std::streambuf* first_;
  std::streambuf* second_;
};

// A request run alone without --out, --export or --charts writes where a
// batch would put it, oewr-runs/request-N, with its lines and messages,
// shown on the terminal as they come, also in log.txt there. Where that
// folder cannot be made the run writes no files, as it says.
int runAloneIntoRunsFolder(RunOptions o, std::ostream& out, std::ostream& err) {
  o.outDir = (std::filesystem::path(kDefaultRunsFolder) / requestFolderName(o.record)).string();
  try {
    requireWritableDirectory(o.outDir, "--out");
  } catch (const ModelError& e) {
    // A folder this user may not write to: the run goes on, saving to the host alone.
    err << "oewr run: the outputs are not written to files (" << e.what() << "); give --out DIR to write them"
        << std::endl;
    o.outDir.clear();
    return runRequest(o, out, err);
  }
  std::ostringstream lines, messages;
  TeeBuffer outTee(out.rdbuf(), lines.rdbuf()), errTee(err.rdbuf(), messages.rdbuf());
  std::ostream teeOut(&outTee), teeErr(&errTee);
  const int code = runRequest(o, teeOut, teeErr);
  teeOut.flush();
  teeErr.flush();
  std::error_code ec;
  if (std::filesystem::is_directory(o.outDir, ec)) {
    writeRunLog(o.outDir, lines.str(), messages.str());
    out << "  log: " << (std::filesystem::path(o.outDir) / "log.txt").string() << "\n";
  }
  return code;
}

}  // namespace

void addRunCommand(CLI::App& app, std::function<int()>& action) {
  auto opts = std::make_shared<RunOptions>();
  CLI::App* run = app.add_subcommand("run", "Run the model headless on one request of the host database, in the order "
                                            "hydrology, hydraulics, ecology, floods, final analysis, accepting every "
                                            "default a hydrologist would accept unless told otherwise.");
  run->add_option("--ini", opts->ini, "The host's ini file (section Startup: dat_dir, datab_name; section Aliases)")
      ->required();
  auto* record = run->add_option(
      "--record", opts->records,
      "The request's record number in the host's request table (1-based over all requests; 0 is the first), or a "
      "list such as 1,3,5-7 to run many requests");
  auto* all = run->add_flag("--all", opts->all, "Run every request of the model in the host database");
  record->excludes(all);
  run->add_option("--jobs", opts->jobs,
                  "Requests run side by side (default 1). Each runs as a fresh program start would, with its own "
                  "outputs in --out/request-N and a row in --out/summary.csv. A single request's --ensemble members "
                  "and --vary runs run side by side on as many")
      ->check(wholeNumberIn(1, 64));
  run->add_option("--shard", opts->shard,
                  "Run the K-th of N slices of the requests of --all or of a --record list (K from 1 to N), for a "
                  "cluster array job: the requests, in their order, are cut into N slices of consecutive requests "
                  "whose sizes differ by at most one, the larger first (10 requests in 3 shards: 4, 3, 3; a shard "
                  "beyond the requests runs none). Give each shard --save none and an --out of its own, and join "
                  "them with oewr merge")
      ->check(shardValue());
  run->add_option("--answer", opts->answer,
                  "Answer to the questions the windows ask as they open and as their buttons are pressed (default "
                  "yes); each is written with its answer beside the messages. \"Overwrite existing table? (not "
                  "undoable)\" is always answered No: a headless run never empties a table. Where a window would "
                  "offer several existing tables for a result, the first is used.")
      ->check(CLI::IsMember({"yes", "no"}));
  run->add_option("--lock-timeout", opts->lockTimeoutSeconds,
                  "Seconds to wait for a record another program holds locked before giving up (default 60)")
      ->check(numberIn(0, kMaxLockTimeoutSeconds, "seconds"));
  run->add_option("--out", opts->outDir,
                  "Directory for all outputs: report.txt, results.json and CSV tables, charts/ as PNG (default, when no --export or --charts is given either: oewr-runs/request-N, with the run's lines and messages in log.txt)");
  run->add_option("--export", opts->exportDir, "Directory for results.json and the CSV tables (default: --out)");
  run->add_option("--charts", opts->chartsDir, "Directory for the charts as PNG (default: --out/charts)");
  run->add_option("--exceedence", opts->exceedence,
                  "Hydrology: the flow-duration point (5, 10, ..., 50 %) for the maximum baseflows and critical months "
                  "(default: the site's stored point, 15 when none)")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            long long v = 0;
            if (!parseInteger(text, v) || v < 5 || v > 50 || v % 5 != 0)
              return quoteHead(text) + " is not one of 5, 10, ..., 50";
            return {};
          },
          "5, 10, ..., 50"));
  run->add_flag("--use-qtotal", opts->useQtotal,
                "Hydrology: maximum baseflows from the 75 % total flows of the critical months instead of their "
                "baseflows at the point");
  run->add_option("--section", opts->section,
                  "Hydraulics: the cross-section, synthetic (default), observed (the surveyed section with the stored "
                  "observed gradients and roughness) or saved")
      ->check(CLI::IsMember({"synthetic", "observed", "saved"}));
  run->add_flag("--save-parameters", opts->saveParameters, "Hydraulics: save the parameters to the host (slot 4)");
  run->add_flag("--save-section", opts->saveSection, "Hydraulics: save the cross-section to the host (slot 7)");
  run->add_option("--perennial", opts->perennial,
                  "Ecology: 0 Non-Perennial Allowed, 1 wet season perennial, 2 all seasons perennial (default: stored; "
                  "a changed option is saved with the shift table and so stored)")
      ->check(wholeNumberIn(0, 2));
  run->add_option("--align", opts->align,
                  "Ecology: align the maximum stress to present day, 0 Don't Align, 1..7 to category A..D "
                  "(default: stored)")
      ->check(wholeNumberIn(0, 7));
  run->add_flag("--restore-default-shifts", opts->restoreDefaultShifts,
                "Ecology: answer Yes to the ecology window's question \"Current category shift parameters are NOT "
                "defaults. Do you want to restore defaults?\" even with --answer no (--answer yes, the default, "
                "already does)");
  run->add_flag("--use-saved-floods", opts->useSavedFloods, "Floods: start from the saved flood parameters (slot 6)");
  run->add_flag("--save-floods", opts->saveFloods, "Floods: save the flood parameters to the host (slot 6)");
  run->add_option("--ensemble", opts->ensemble,
                  "After the run, run the whole model N times in all (the run itself is the first, seed 0), member i "
                  "with the random numbers of the synthetic cross-sections started from seed i, everything else as "
                  "the run; side by side on --jobs threads, reading the host and writing nothing to it. Writes "
                  "ensemble.csv (each member's mean requirements), ensemble_summary.csv (per category: min, 10th, "
                  "50th, 90th percentile, max; percentiles interpolated linearly between the sorted members), "
                  "ensemble_months.csv (the --category's monthly requirements as 10/50/90 bands) beside "
                  "results.json, and the fan chart ensemble_fan.png; in a batch, summary.csv gains the 10th and "
                  "90th percentiles beside each mean")
      ->check(wholeNumberIn(1, 100000));
  run->add_option("--vary", opts->vary,
                  "NAME=LOW:HIGH[:STEPS] (repeatable): after the run, run the model again with one input at STEPS "
                  "values (default 5, 2 to 101) evenly from LOW to HIGH, everything else as the run, reading the host "
                  "and writing nothing to it. NAME is a site parameter as stored (read as if the host held the value; "
                  "the model's rules for it still apply) or exceedence. Writes sensitivity.csv (each run's means and "
                  "their change against the run) beside results.json and the tornado chart "
                  "sensitivity_tornado.png (the inputs ranked by their effect on the --category's mean total "
                  "requirement). The inputs and their ranges:\n" + ensemble::variableInputs())
      ->type_name("NAME=LOW:HIGH[:STEPS]");
  run->add_flag("--timing", opts->timing, "Print the time each step took");
  run->add_flag("--no-charts", opts->noCharts,
                "Write no chart pictures (drawing them takes about as long as the model; in a batch they are drawn by "
                "as many chart drawing processes as there are jobs)");
  run->add_option("--category", opts->category, "Final analysis: category A, A/B, B, B/C, C, C/D or D (default B)");
  run->add_option("--month", opts->month, "Final analysis: month shown, Oct .. Sep (default Feb)");
  run->add_option("--constraint", opts->constraint,
                  "Final analysis: constrain the EWR to none, natural or present flows (default none)");
  run->add_flag("--no-high-flows", opts->noHighFlows, "Final analysis: leave the flood high flows out");
  run->add_option("--save", opts->save,
                  "Final analysis: results saved to the host, comma-separated: total-assurance, low-assurance, "
                  "total-series, low-series, report; or all (default) or none. With none (and no --save-parameters, "
                  "--save-section or --save-floods) the run writes nothing at all to the host: the database is "
                  "opened for reading only, so the ecological parameters that the hydrology and ecology steps "
                  "store (slot 5) are not stored either");
  run->callback([opts, &action] {
    action = [opts] {
      std::vector<int> records;
      try {
        // A study asked for wrongly is refused before any request runs.
        for (const std::string& v : opts->vary) ensemble::parseVariation(v);
        if (opts->all) records = modelRequests(opts->ini);
        else if (!opts->records.empty()) records = parseRecordList(opts->records);
        else throw ModelError("--record or --all is required");
      } catch (const std::exception& e) {
        std::cerr << "oewr run: " << e.what() << std::endl;
        return 2;
      }
      if (records.empty()) {
        std::cerr << "oewr run: the host database holds no request of the model" << std::endl;
        return 1;
      }
      if (!opts->shard.empty()) return runShard(*opts, records, std::cout, std::cerr);
      if (records.size() == 1 && !opts->all) {
        RunOptions one = *opts;
        one.record = records.front();
        one.progress = &std::cerr;
        if (one.outDir.empty() && one.exportDir.empty() && one.chartsDir.empty())
          return runAloneIntoRunsFolder(one, std::cout, std::cerr);
        return runRequest(one, std::cout, std::cerr);
      }
      return runBatch(*opts, records, std::cout, std::cerr);
    };
  });
}

}  // namespace oewr::cli
