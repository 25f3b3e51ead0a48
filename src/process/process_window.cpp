#include "process/process_window.h"

#include <filesystem>

#include "common/ini_file.h"
#include "common/text_format.h"
#include "menu/submodel_menu.h"
#include "menu/submodel_windows.h"

namespace oewr::process {

TForm1::TForm1(ModelState& state, Ui& ui, hostdb::Ttable_save& saveDialog, menu::SubModelWindows& windows)
    : state_(state), ui_(ui), saveDialog_(saveDialog), windows_(windows) {}

TForm1::~TForm1() = default;

void TForm1::FormCreate(const std::vector<std::string>& args, const std::string& exeDirectory) {
  OpenDialog1.initialDirectory = exeDirectory;
  if (args.empty()) {
    auto picked = ui_.pickOpenFile(OpenDialog1);
    state_.site.iniFilePath = picked ? *picked : (std::filesystem::path(exeDirectory) / "teravox.ini").string();
  } else {
    state_.site.iniFilePath = args[0];
  }
  // A missing ini file yields the defaults; one that is there but cannot be
  // read is an error, since its settings would silently be replaced.
  std::error_code ec;
  const bool iniPresent = std::filesystem::exists(state_.site.iniFilePath, ec);
  IniFile ini;
  try {
    ini = IniFile::load(state_.site.iniFilePath);
  } catch (const ModelError& e) {
    ui_.showMessage(caption, e.what());
    Button1 = kReadData;
    return;
  }
  state_.site.dataDirectory = ini.value("Startup", "dat_dir", exeDirectory);
  // A relative data directory, like the aliases, is read from the ini file's folder.
  if (const std::filesystem::path dir(state_.site.dataDirectory); !dir.empty() && dir.is_relative()) {
    const std::filesystem::path iniPath(state_.site.iniFilePath);
    state_.site.dataDirectory = ((iniPath.has_parent_path() ? iniPath.parent_path() : std::filesystem::path(".")) / dir)
                               .lexically_normal()
                               .string();
  }
  state_.site.databaseName = ini.value("Startup", "datab_name", "TERAVOX");

  try {
    session_ = hostdb::HostSession::fromIni(state_.site.iniFilePath, state_.site.databaseName, state_.site.dataDirectory, hostAccess);
    session_->setLockWaitHandler(
        [this](const std::string& locked, int waitedMs) { return ui_.keepWaitingForLock(locked, waitedMs); });
    session_->connection(state_.site.databaseName);  // an alias without a database is said as such
    hostTables_ = std::make_unique<hostdb::Ttxtab>(*session_, state_.site.databaseName, ui_);
    state_.hostTables = hostTables_.get();
    hostTables_->rqtable.open();
    hostTables_->rqtable.setFilter(std::string("EXE = '") + toLower(kModelExe) + "'");
    hostTables_->rqtable.setFiltered(true);
  } catch (const ModelError& e) {
    // The window stays open without data.
    std::string text = e.what();
    if (!iniPresent)
      text = "The ini file " + state_.site.iniFilePath + " does not exist, so the defaults are used (dat_dir " +
             state_.site.dataDirectory + ", datab_name " + state_.site.databaseName + "). " + text;
    ui_.showMessage(caption, text);
    Button1 = kReadData;
    return;
  }
  Button1 = kReadData;

  if (args.size() >= 2) {
    long long record = 0;
    if (!parseInteger(args[1], record)) {
      ui_.showMessage(caption, "'" + args[1] + "' is not a valid integer value");
      return;
    }
    if (record >= 0) {
      try {
        moveToRecordNumber(static_cast<int>(std::min<long long>(record, 2147483647)));
      } catch (const ModelError& e) {
        ui_.showMessage(caption, e.what());
        return;
      }
      if (loadInputs()) Button1 = kRunModel;
    }
  }
}

bool TForm1::loadInputs() {
  if (!tablesOpen()) {
    ui_.showMessage(caption, "The request table is not open");
    return false;
  }
  bool ok = false;
  try {
    model_start(state_, *hostTables_, ui_, *this, ok);
  } catch (const ModelError& e) {
    ui_.showMessage(caption, e.what());
  }
  loadedOk = ok;
  return ok;
}

void TForm1::Button1Click() {
  if (Button1 == kReadData) {
    if (loadInputs()) Button1 = kRunModel;
  } else if (Button1 == kRunModel) {
    model_run();
  }
}

void TForm1::model_run() {
  {
    RunContext ctx{state_, *hostTables_, ui_, saveDialog_};
    menu::TForm2 menu(ctx, windows_);
    menu.Label1 = Label2;
    ui_.showModal(menu);
  }
  Button1 = kReadData;
}

void TForm1::FormClose() {
  if (hostTables_) hostTables_->rqtable.close();
}

void TForm1::CheckBox1Click() {
  if (tablesOpen()) hostTables_->rqtable.setFiltered(CheckBox1);
}

std::vector<RequestRow> TForm1::requestRows() {
  std::vector<RequestRow> rows;
  if (!tablesOpen()) return rows;
  auto& rq = hostTables_->rqtable;
  const int keep = rq.recNo();
  for (rq.first(); !rq.eof(); rq.next())
    rows.push_back({rq.field("Description").asText(), hostdb::shortDateText(rq.field("Date").asText()),
                    rq.field("EXE").asText(), hostdb::shortDateText(rq.field("Start Date").asText()),
                    hostdb::shortDateText(rq.field("End Date").asText()), rq.field("Output File").asText()});
  if (keep > 0) rq.setRecNo(keep);
  return rows;
}

int TForm1::currentRequestIndex() {
  if (!tablesOpen() || hostTables_->rqtable.recordCount() == 0) return -1;
  return hostTables_->rqtable.recNo() - 1;
}

void TForm1::moveToRequest(int index) {
  if (tablesOpen()) hostTables_->rqtable.setRecNo(index + 1);
}

void TForm1::moveToRecordNumber(int recordNumber) {
  auto& rq = hostTables_->rqtable;
  // Record numbers count every request of the host, whatever the filter shows.
  const bool wasFiltered = rq.filtered();
  rq.setFiltered(false);
  try {
    rq.setRecNo(recordNumber == 0 ? 1 : recordNumber);
  } catch (...) {
    rq.setFiltered(wasFiltered);
    throw;
  }
  const std::string exe = rq.field("EXE").asText();
  // A record the filter would hide stays under the cursor: the filter comes back
  // on only when it keeps that record in view.
  if (wasFiltered && exe == toLower(kModelExe)) rq.setFiltered(true);
  else CheckBox1 = rq.filtered();
}

void TForm1::showRequest(const std::string& description, const std::string& exe, const std::string& date) {
  Label2 = description;
  Label1 = "TERAVOX PROCESS : " + exe;
  Label3 = hostdb::shortDateText(date);
}

void TForm1::setGauge(int minimum, int maximum, int progress) {
  gaugeMin = minimum;
  gaugeMax = maximum;
  gaugeProgress = progress;
}

void TForm1::advanceGauge(int by) { gaugeProgress = std::min(gaugeMax, gaugeProgress + by); }

}  // namespace oewr::process
