#pragma once
// "Read Data": loads the request's inputs that belong to no single sub-model
// window into the model state: the site name, the ecological parameters, the
// saved and observed cross-sections and the observed rating table.
#include "common/ui.h"
#include "hostdb/blob_codec.h"
#include "hostdb/host_tables.h"
#include "process/model_state.h"

namespace oewr::process {

constexpr const char* kModelExe = "new_oewr.exe";

// What the loading shows on the process window.
class InputLoadingView {
 public:
  virtual ~InputLoadingView() = default;
  virtual void showRequest(const std::string& description, const std::string& exe, const std::string& date) = 0;
  virtual void setGauge(int minimum, int maximum, int progress) = 0;
  virtual void advanceGauge(int by) = 0;
  virtual std::string messageCaption() const = 0;
};

// Reads the record under the request table's cursor. `ok` is false only when
// the record belongs to another process.
void model_start(ModelState& state, hostdb::Ttxtab& tx, Ui& ui, InputLoadingView& view, bool& ok);

// The stored layouts, decoded from the bytes of a record (usable on their own).
// Ecological parameters; returns false after the message that stops loading.
bool readEcologicalParameters(ModelState& state, const hostdb::Blob& data, Ui& ui, const std::string& caption);
void readSavedCrossSection(ModelState& state, int rows, const hostdb::Blob& data);
void readObservedCrossSection(ModelState& state, int rows, const hostdb::Blob& data);
void readRatingTable(ModelState& state, const hostdb::Blob& data);

}  // namespace oewr::process
