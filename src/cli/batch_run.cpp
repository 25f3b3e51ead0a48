#include "cli/batch_run.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <thread>

#include "cli/chart_output.h"
#include "common/atomic_file.h"
#include "common/text_format.h"
#include "common/text_input.h"
#include "hostdb/host_admin.h"
#include "hydraulics/rating_curve.h"
#include "process/input_loading.h"

namespace oewr::cli {

std::vector<int> parseRecordList(const std::string& list) {
  std::vector<int> records;
  std::set<long long> seen;
  std::string rest = list;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string part = trim(rest.substr(0, comma));
    rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    if (part.empty()) continue;
    const std::size_t dash = part.find('-', 1);
    long long first = 0, last = 0;
    const bool ok = dash == std::string::npos
                        ? parseInteger(part, first) && (last = first, true)
                        : parseInteger(part.substr(0, dash), first) && parseInteger(part.substr(dash + 1), last);
    if (!ok || first < 0 || last < first || last > 1000000)
      throw ModelError("--record: " + quoteHead(part) + " is not a record number or a range like 5-7");
    for (long long r = first; r <= last; ++r) {
      // A request listed twice would run twice into one folder.
      if (!seen.insert(r).second)
        throw ModelError("--record: request " + std::to_string(r) + " is listed more than once in " + quoteHead(list));
      records.push_back(static_cast<int>(r));
    }
  }
  if (records.empty()) throw ModelError("--record: no record numbers in " + quoteHead(list));
  return records;
}

std::vector<int> modelRequests(const std::string& ini) {
  hostdb::HostAdmin admin{std::filesystem::path(ini), {}, {}, hostdb::HostAccess::ReadOnly};
  std::vector<int> records;
  for (const auto& r : admin.requests())
    if (toLower(r.exe) == process::kModelExe) records.push_back(r.recordNumber);
  return records;
}

namespace {

std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

const char* monthName(int calendarMonth) {
  return calendarMonth >= 1 && calendarMonth <= 12 ? kMonthNames[static_cast<std::size_t>(calendarMonth - 1)] : "";
}

// The shifts of the categories the ecological parameters store (A, B, C,
// D), HIGH and LOW, wet and dry: one column each.
constexpr int kShiftCategories[] = {0, 2, 4, 6};
constexpr const char* kShiftCategoryNames[] = {"A", "B", "C", "D"};
constexpr std::size_t kShiftColumns = 2 * 2 * std::size(kShiftCategories);

}  // namespace

std::string summaryCsv(const std::vector<RunSummary>& runs, bool withSpread) {
  std::string out = "request,site,status,reason,mar_mcm,critical_wet_month,critical_dry_month,"
                    "max_baseflow_wet_m3s,max_baseflow_dry_m3s";
  for (const char* c : kCategoryColumnNames) {
    out += formatText(",low_%s_mcm,low_%s_pct_mar,total_%s_mcm,total_%s_pct_mar", c, c, c, c);
    if (withSpread) out += formatText(",low_%s_p10_mcm,low_%s_p90_mcm,total_%s_p10_mcm,total_%s_p90_mcm", c, c, c, c);
  }
  for (const char* table : {"high", "low"})
    for (const char* season : {"wet", "dry"})
      for (const char* c : kShiftCategoryNames) out += formatText(",%s_shift_%s_%s", table, season, c);
  out += "\n";
  for (const RunSummary& r : runs) {
    out += formatText("%d,%s,%s,%s", r.record, csvField(r.siteName), r.ok ? "ok" : "failed", csvField(r.reason));
    if (r.siteName.empty() && !r.ok) {
      out += std::string(5 + (withSpread ? 56 : 28) + kShiftColumns, ',') + "\n";
      continue;
    }
    out += formatText(",%.3f,%s,%s,%.3f,%.3f", r.mar, monthName(r.criticalWetMonth), monthName(r.criticalDryMonth),
                      r.maxBaseflowWet, r.maxBaseflowDry);
    for (int c = 0; c < 7; ++c) {
      if (!r.ewrDone) {
        out += withSpread ? ",,,,,,,," : ",,,,";
        continue;
      }
      const float pctLow = r.mar > 0 ? 100.0f * r.meanLowEwr[c] / r.mar : 0.0f;
      const float pctTotal = r.mar > 0 ? 100.0f * r.meanTotalEwr[c] / r.mar : 0.0f;
      out += formatText(",%.3f,%.2f,%.3f,%.2f", r.meanLowEwr[c], pctLow, r.meanTotalEwr[c], pctTotal);
      if (!withSpread) continue;
      if (!r.ensembleDone || r.spreads.size() != 7) {
        out += ",,,,";
        continue;
      }
      const ensemble::CategorySpread& s = r.spreads[static_cast<std::size_t>(c)];
      out += formatText(",%.3f,%.3f,%.3f,%.3f", s.low.p10, s.low.p90, s.total.p10, s.total.p90);
    }
    for (const auto* table : {&r.highShift, &r.lowShift})
      for (int season = 0; season < 2; ++season)
        for (int c : kShiftCategories)
          out += r.ecologyDone ? formatText(",%.4f", (*table)[season][c]) : std::string(",");
    out += "\n";
  }
  return out;
}

std::vector<std::string> csvFields(const std::string& record) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (std::size_t i = 0; i < record.size(); ++i) {
    const char c = record[i];
    if (quoted && c == '"' && i + 1 < record.size() && record[i + 1] == '"') {
      out.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::string requestFolderName(int record) { return "request-" + std::to_string(record); }

void writeRunLog(const std::filesystem::path& dir, const std::string& lines, const std::string& messages) {
  try {
    std::ofstream file(dir / "log.txt", std::ios::trunc);
    file << lines << (messages.empty() ? "" : "\nMessages:\n") << messages;
  } catch (const std::exception&) {
  }
}

int runBatch(const RunOptions& options, const std::vector<int>& records, std::ostream& out, std::ostream& err) {
  namespace fs = std::filesystem;
  using Clock = std::chrono::steady_clock;
  const fs::path root = options.outDir.empty() ? fs::path(kDefaultRunsFolder) : fs::path(options.outDir);
  try {
    requireWritableDirectory(root.string(), "--out");
  } catch (const ModelError& e) {
    err << "oewr run: " << e.what() << std::endl;
    return 1;
  }
  const std::size_t total = records.size();
  const int jobs = std::max(1, std::min<int>(options.jobs, static_cast<int>(total)));
  std::vector<RunSummary> summaries(total);
  // Sites side by side keep the cores busy: each site's realisations then run
  // on its own thread.
  if (jobs > 1) hydraulics::setRealisationThreads(1);

  // Charts are drawn by processes of their own, as many as there are jobs:
  // the chart renderer draws on the main thread of a process alone.
  std::mutex mutex;
  std::condition_variable wake;
  std::size_t finished = 0, failed = 0;
  std::optional<ChartWorkers> chartWorkers;
  if (!options.noCharts && !chartWorkerCommand().empty()) chartWorkers.emplace(chartWorkerCommand(), jobs, err);

  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    for (std::size_t i = next++; i < total; i = next++) {
      RunOptions o = options;
      o.record = records[i];
      o.partOfBatch = true;
      o.outDir = (root / requestFolderName(records[i])).string();
      o.exportDir.clear();
      o.chartsDir.clear();
      o.chartWriter = ChartPictureWriter{};
      if (chartWorkers)
        o.chartWriter = [&chartWorkers, record = records[i]](const charting::Chart& chart, const std::string& path,
                                                            std::string&) {
          chartWorkers->submit(record, chart, path);
          return true;
        };
      std::ostringstream log, messages;
      RunSummary summary;
      int code = 1;
      try {
        fs::create_directories(o.outDir);
        code = runRequest(o, log, messages, &summary);
      } catch (const std::exception& e) {
        summary.reason = e.what();
      }
      summary.record = records[i];
      if (code != 0 && summary.reason.empty()) summary.reason = "failed";
      writeRunLog(o.outDir, log.str(), messages.str());
      {
        std::lock_guard<std::mutex> lock(mutex);
        summaries[i] = summary;
        ++finished;
        if (code != 0) ++failed;
        wake.notify_all();
      }
      if (chartWorkers) chartWorkers->notify();
    }
  };

  const auto start = Clock::now();
  std::vector<std::thread> threads;
  struct Joiner {
    std::vector<std::thread>& threads;
    ~Joiner() {
      for (auto& t : threads)
        if (t.joinable()) t.join();
    }
  } joiner{threads};
  for (int j = 0; j < jobs; ++j) threads.emplace_back(worker);

  std::size_t shown = static_cast<std::size_t>(-1);
  for (;;) {
    std::size_t doneNow = 0, failedNow = 0;
    if (chartWorkers) chartWorkers->pump(200);
    {
      std::unique_lock<std::mutex> lock(mutex);
      if (!chartWorkers) wake.wait_for(lock, std::chrono::milliseconds(200), [&] { return finished != shown; });
      doneNow = finished;
      failedNow = failed;
    }
    if (doneNow != shown) {
      shown = doneNow;
      const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      const double left = doneNow > 0 ? elapsed / static_cast<double>(doneNow) * static_cast<double>(total - doneNow) : 0;
      err << formatText("\r%zu of %zu sites done, %zu failed, %.1f s elapsed", doneNow, total, failedNow, elapsed)
          << (doneNow > 0 && doneNow < total ? formatText(", about %.0f s left   ", left) : std::string("   "))
          << std::flush;
    }
    if (doneNow == total) break;
  }
  for (auto& t : threads) t.join();
  if (chartWorkers) {
    chartWorkers->finish();
    // A site whose chart was not written did not give all its outputs.
    for (const LostChart& c : chartWorkers->lost())
      for (RunSummary& r : summaries)
        if (r.record == c.record && r.ok) {
          r.ok = false;
          r.reason = "chart " + c.chart + " not written: " + c.reason;
          ++failed;
        }
  }
  err << std::endl;

  const fs::path summaryFile = root / "summary.csv";
  try {
    writeTextFile(summaryFile, summaryCsv(summaries, options.ensemble > 0));
  } catch (const std::exception& e) {
    err << "oewr run: " << e.what() << std::endl;
    return 1;
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  out << formatText("%zu sites in %.2f s with %d job(s): %zu ran, %zu failed\n", total, elapsed, jobs, total - failed,
                    failed);
  for (const RunSummary& r : summaries)
    if (!r.ok) out << "  request " << r.record << (r.siteName.empty() ? "" : " (" + r.siteName + ")") << ": " << r.reason << "\n";
  out << "  summary: " << summaryFile.string() << "\n  outputs: " << (root / "request-N").string() << "\n";
  return failed > 0 ? 1 : 0;
}

}  // namespace oewr::cli
