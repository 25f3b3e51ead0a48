#pragma once
// The sensitivity window: the run that the final analysis window shows,
// repeated as ensemble members over the synthetic cross-sections on a thread
// of its own, with its progress, the spread of the long-term requirements of
// the seven categories and the fan chart of the chosen category beside the
// run itself. It reads the model state when it opens and changes nothing of
// it; the members read the host and write nothing.
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "charting/chart.h"
#include "common/form_controls.h"
#include "common/ui.h"
#include "ensemble/ensemble.h"
#include "ewr/final_analysis_window.h"

namespace oewr::ensemble {

// The record number of the request whose inputs the state holds: the first
// request of the model in the host's request table with the state's site and
// attribute slots (requests alike in these make the same run); nullopt when
// there is none. Throws ModelError when the host cannot be read.
std::optional<int> loadedRequestRecord(ewr::EwrView state);

// What every member repeats of the run that the final analysis window
// shows: the request, the exceedence point and the ecological options in
// force, and the window's month, category, constraint and high flows. The
// members save nothing.
MemberRequest sensitivityRequest(ewr::EwrView state, int record, const ewr::TForm7& window);

class SensitivityForm : public ModalForm {
 public:
  static constexpr const char* kCaption = "Sensitivity of the requirements to the cross-section";
  static constexpr int kMinMembers = 2;
  static constexpr int kMaxMembers = 500;
  // Columns of the table after the category: low, then total requirement.
  static constexpr int kColumns = 9;
  static constexpr int kRows = 1 + kCategoryCount;  // headings, then A .. D

  // The run of `window` as its last analysis left it.
  SensitivityForm(const ewr::TForm7& window, Ui& ui);
  // Cancels the members and waits for those already running.
  ~SensitivityForm() override;
  SensitivityForm(const SensitivityForm&) = delete;
  SensitivityForm& operator=(const SensitivityForm&) = delete;

  std::string formCaption() const override { return kCaption; }

  SpinEdit SpinEdit1{"Members", 20, kMinMembers, kMaxMembers};
  Button Button1{"Run", true};
  Button Button2{"Cancel", false};
  Button Button3{"Close", true};
  // The progress bar: members finished of those asked for.
  int progressMax = 20;
  int progress = 0;
  std::string Label1;  // the status line
  std::string Label2 =
      "Long-term mean requirements, million m3 a year: 10th, 50th and 90th percentile over the members that ran, "
      "and the run of the final analysis window (standard)";
  // Row 0 the headings; rows 1 .. 7 the categories A .. D.
  TextGrid<kColumns, kRows> StringGrid1;
  // The band of the chosen category's monthly total requirements, with the
  // standard run's line on it; empty until members have run.
  charting::Chart Chart1;

  void Button1Click();                          // "Run"
  void Button2Click();                          // "Cancel"
  void Button3Click() { modalResult = mrOK; }  // "Close"

  // Takes what the members have done since the last call (the window's
  // thread polls it while they run); true when the window shows something new.
  bool poll();
  bool running() const { return running_; }

  // The members of the last run that has finished, in seed order, and the
  // standard run as the window read it.
  const std::vector<MemberResult>& members() const { return members_; }
  const MemberResult& standard() const { return standard_; }

 private:
  void showResults();
  void showStandard();

  Ui& ui_;
  int category_ = 0;
  MemberResult standard_;
  std::optional<MemberRequest> request_;
  std::vector<MemberResult> members_;
  bool running_ = false;  // a run was started and its thread not yet joined

  // Shared with the members' thread: written there, read here.
  std::thread worker_;
  std::atomic<int> done_{0};
  std::atomic<bool> cancel_{false};
  std::atomic<bool> finished_{false};
  // Written by the members' thread before `finished_`, read after the join.
  std::vector<MemberResult> results_;
  std::string error_;
};

}  // namespace oewr::ensemble
