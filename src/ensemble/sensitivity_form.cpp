#include "ensemble/sensitivity_form.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "common/errors.h"
#include "common/text_format.h"
#include "ewr/ewr_tables.h"
#include "hostdb/host_admin.h"
#include "hydrology/hydrology_step.h"
#include "process/input_loading.h"

namespace oewr::ensemble {

namespace {

// True when "Generate T/S" has made the high flows the final analysis adds:
// without them the run's totals are its low flows, and so are the members'.
bool highFlowsMade(ewr::EwrView state) {
  const int32_t months = std::min(state.site.naturalFlows.header.count, floods::kMaxFloodMonths);
  for (int c = 0; c < kCategoryCount; ++c)
    for (int32_t i = 0; i < months; ++i)
      if (state.floods.highFlowSeries[c][i] != 0.0f) return true;
  return false;
}

std::string cellText(double value) { return std::isnan(value) ? std::string() : formatText("%.3f", value); }

// Columns of the table: the 10th, 50th and 90th percentile and the standard
// run, of the low and of the total requirement.
constexpr int kLowColumn = 1;
constexpr int kTotalColumn = 5;

}  // namespace

std::optional<int> loadedRequestRecord(ewr::EwrView state) {
  const SiteInputs& site = state.site;
  hostdb::HostAdmin host(site.iniFilePath, site.databaseName, {}, hostdb::HostAccess::ReadOnly);
  for (const hostdb::RequestInfo& r : host.requests()) {
    if (toLower(r.exe) != process::kModelExe) continue;
    if ((r.spatialInputs.empty() ? 0 : r.spatialInputs.front()) != site.requestSpatialRecord) continue;
    bool same = true;
    for (int i = 0; i < kAttributeSlots && same; ++i) {
      const auto at = static_cast<std::size_t>(i);
      same = (at < r.attributeCodes.size() ? r.attributeCodes[at] : 0) == site.attributeCodes[i];
    }
    if (same) return r.recordNumber;
  }
  return std::nullopt;
}

MemberRequest sensitivityRequest(ewr::EwrView state, int record, const ewr::TForm7& window) {
  MemberRequest request;
  request.ini = state.site.iniFilePath;
  request.record = record;
  process::StepOptions& o = request.options;
  const int exceedence = state.site.maxBaseflowExceedence;
  o.hydrology.exceedence = hydrology::isExceedenceChoice(exceedence) ? exceedence : 0;
  const int perennial = state.site.perennialOption;
  const int align = state.site.alignStressOption;
  o.ecology.perennial = perennial >= 0 && perennial <= 2 ? perennial : -1;
  o.ecology.align = align >= 0 && align <= 7 ? align : -1;
  o.hydraulics.saveParameters = false;
  o.hydraulics.saveSection = false;
  o.floods.save = false;
  o.ewr.category = window.selectedCategory();
  o.ewr.month = window.selectedMonth();
  o.ewr.constraint = window.constraintMode();
  o.ewr.highFlows = window.CheckBox1.checked && highFlowsMade(state);
  o.ewr.addToReport = false;
  o.ewr.saveTotalAssurance = o.ewr.saveLowAssurance = o.ewr.saveTotalSeries = o.ewr.saveLowSeries =
      o.ewr.saveReport = false;
  return request;
}

SensitivityForm::SensitivityForm(const ewr::TForm7& window, Ui& ui) : ui_(ui), category_(window.selectedCategory()) {
  const ewr::EwrView state = window.parts();
  standard_.ok = true;
  takeResults(state, category_, standard_);
  const char* const headings[kColumns] = {"Category",  "Low p10",   "Low p50",   "Low p90",       "Low standard",
                                          "Total p10", "Total p50", "Total p90", "Total standard"};
  for (int col = 0; col < kColumns; ++col) StringGrid1.cell(col, 0) = headings[col];
  for (int c = 0; c < kCategoryCount; ++c) StringGrid1.cell(0, c + 1) = ewr::categoryName(c);
  showStandard();

  std::string problem;
  if (!window.analysed()) {
    problem = "The final analysis has not been made yet: press \"Do Analysis\" first";
  } else {
    try {
      if (const std::optional<int> record = loadedRequestRecord(state))
        request_ = sensitivityRequest(state, *record, window);
      else
        problem = "No request of this model in " + state.site.iniFilePath +
                  " holds the inputs of this run any more, so the members cannot read them";
    } catch (const ModelError& e) {
      problem = std::string("The members cannot read the host: ") + e.what();
    }
  }
  Button1.enabled = request_.has_value();
  Label1 = request_ ? "Each member runs the whole model again with this run's exceedence point, ecological options "
                      "and final analysis choices, answering Yes to every question, its synthetic cross-sections "
                      "from a seed of its own (0, 1, 2, ...); nothing is saved"
                    : problem;
}

SensitivityForm::~SensitivityForm() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

void SensitivityForm::showStandard() {
  for (int c = 0; c < kCategoryCount; ++c) {
    StringGrid1.cell(kLowColumn + 3, c + 1) = cellText(standard_.meanLowEwr[c]);
    StringGrid1.cell(kTotalColumn + 3, c + 1) = cellText(standard_.meanTotalEwr[c]);
  }
}

void SensitivityForm::Button1Click() {
  if (running_) return;
  const int count = SpinEdit1.value;
  if (count < kMinMembers || count > kMaxMembers) {
    ui_.showMessage(kCaption, formatText("The number of members must be %d to %d, not %d", kMinMembers, kMaxMembers,
                                         count));
    return;
  }
  if (!request_) {
    ui_.showMessage(kCaption, Label1);
    return;
  }
  done_ = 0;
  cancel_ = false;
  finished_ = false;
  error_.clear();
  const int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  worker_ = std::thread([this, count, jobs, request = *request_] {
    try {
      results_ = runMembers(request, 0, count, jobs, [this](int done, int) {
        done_ = done;
        return !cancel_;
      });
    } catch (const std::exception& e) {
      error_ = e.what();
    }
    finished_ = true;
  });
  running_ = true;
  members_.clear();
  showResults();
  progressMax = count;
  progress = 0;
  Button1.enabled = false;
  Button2.enabled = true;
  Label1 = formatText("0 of %d members run", count);
}

void SensitivityForm::Button2Click() {
  if (!running_ || cancel_) return;
  cancel_ = true;
  Button2.enabled = false;
  Label1 = formatText("Cancelling after %d of %d members: waiting for the members running to finish",
                      done_.load(), progressMax);
}

bool SensitivityForm::poll() {
  if (!running_) return false;
  bool changed = false;
  const int done = done_;
  if (done != progress) {
    progress = done;
    if (!cancel_) Label1 = formatText("%d of %d members run", done, progressMax);
    changed = true;
  }
  if (!finished_) return changed;

  worker_.join();
  running_ = false;
  members_ = std::move(results_);
  results_.clear();
  progress = done_;
  const int failed = progress - membersThatRan(members_);
  if (!error_.empty())
    Label1 = "The members stopped: " + error_;
  else if (cancel_ && progress < progressMax)
    Label1 = formatText("Cancelled after %d of %d members", progress, progressMax);
  else
    Label1 = formatText("%d members run, %d failed", progress, failed);
  // The first failure says why, so that a person can mend it.
  for (const MemberResult& m : members_)
    if (!m.ok && m.reason != "cancelled") {
      Label1 += formatText(" (seed %u: %s)", m.seed, m.reason);
      break;
    }
  Button1.enabled = true;
  Button2.enabled = false;
  showResults();
  return true;
}

void SensitivityForm::showResults() {
  const bool any = membersThatRan(members_) > 0;
  const std::vector<CategorySpread> spreads = categorySpreads(members_);
  for (int c = 0; c < kCategoryCount; ++c) {
    const CategorySpread& s = spreads[static_cast<std::size_t>(c)];
    for (const auto& [column, spread] : {std::pair{kLowColumn, &s.low}, {kTotalColumn, &s.total}}) {
      StringGrid1.cell(column, c + 1) = any ? cellText(spread->p10) : std::string();
      StringGrid1.cell(column + 1, c + 1) = any ? cellText(spread->p50) : std::string();
      StringGrid1.cell(column + 2, c + 1) = any ? cellText(spread->p90) : std::string();
    }
  }
  // A new chart is a change the view draws again.
  const int revision = Chart1.revision;
  Chart1 = any ? fanChart(members_, standard_, category_) : charting::Chart{};
  Chart1.revision = revision + 1;
}

}  // namespace oewr::ensemble
