#pragma once
// TForm1, the process window: finds the ini file, opens the host's request
// table under the database alias, shows this model's requests and drives the
// action button through "Read Data" and "Run Model".
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/ui.h"
#include "hostdb/host_session.h"
#include "hostdb/host_tables.h"
#include "process/input_loading.h"
#include "process/model_state.h"
#include "process/run_context.h"

namespace oewr::process {

struct RequestRow {
  std::string description, date, exe, startDate, endDate, outputFile;
};

class TForm1 : public InputLoadingView {
 public:
  static constexpr const char* kCaption = "Orvane EWR Model : TERAVOX Process (updated 3 August 2017)";
  static constexpr const char* kReadData = "Read Data";
  static constexpr const char* kRunModel = "Run Model";

  TForm1(ModelState& state, Ui& ui, hostdb::Ttable_save& saveDialog, RunMenu& runMenu);
  ~TForm1() override;

  // Window state
  std::string caption = kCaption;
  std::string Label1 = "TERAVOX PROCESS : ";
  std::string Label2 = "Description";
  std::string Label3 = "Date";
  int gaugeMin = 0, gaugeMax = 100, gaugeProgress = 0;
  std::string Button1 = "";
  bool CheckBox1 = true;  // "Filter on model name"
  FileDialogOptions OpenDialog1{"TERAVOX ini File|*.ini", "ini", "", ""};
  bool loadedOk = false;  // the last input loading reported success
  // How FormCreate opens the host's databases: a run that writes nothing
  // opens them for reading only.
  hostdb::HostAccess hostAccess = hostdb::HostAccess::ReadWrite;

  // Handlers. `args` are the command-line arguments after the program name.
  void FormCreate(const std::vector<std::string>& args, const std::string& exeDirectory);
  void Button1Click();
  void model_run();
  void FormClose();
  void CheckBox1Click();
  // Runs input loading on the record under the cursor; true on success.
  bool loadInputs();

  // The request grid and its navigator.
  std::vector<RequestRow> requestRows();
  int currentRequestIndex();  // 0-based, -1 without records
  void moveToRequest(int index);
  // Moves the cursor to the request with this record number (1-based over
  // the whole table; 0 is the first record); throws ModelError when absent.
  void moveToRecordNumber(int recordNumber);

  bool tablesOpen() const { return hostTables_ && hostTables_->rqtable.active(); }
  hostdb::Ttxtab* hostTables() { return hostTables_.get(); }
  ModelState& state() { return state_; }
  Ui& ui() { return ui_; }

  // InputLoadingView
  void showRequest(const std::string& description, const std::string& exe, const std::string& date) override;
  void setGauge(int minimum, int maximum, int progress) override;
  void advanceGauge(int by) override;
  std::string messageCaption() const override { return caption; }

 private:
  ModelState& state_;
  Ui& ui_;
  hostdb::Ttable_save& saveDialog_;
  RunMenu& runMenu_;
  std::unique_ptr<hostdb::HostSession> session_;
  std::unique_ptr<hostdb::Ttxtab> hostTables_;
};

}  // namespace oewr::process
