// The stored array and time-series records as input loading decodes them:
// ecological parameters, the saved and observed cross-sections and the values
// of a time series, from any bytes and any stated row count.
//
// Input: int32 Rows of the cross-section records, int16 stored Var. Type,
// int16 Var. Unit, int32 No. Records, then the bytes of the `Data` field.
#include <algorithm>
#include <cmath>
#include <memory>

#include "fuzz_support.h"
#include "hostdb/timeseries_codec.h"
#include "process/input_loading.h"
#include "process/model_state.h"

using namespace oewr;
using namespace oewr::process;

namespace {

void checkEcologicalParameters(ModelState& state, const hostdb::Blob& data) {
  fuzz::RecordingUi ui;
  bool go = false;
  try {
    go = readEcologicalParameters(state, data, ui, "Orvane EWR");
  } catch (const RangeError&) {
    return;  // a stored value that rounds to no 32-bit integer is reported as such
  }
  if (!go) fuzz::require(!ui.messages.empty(), "loading stopped without a message");
  const bool reset = !ui.messages.empty() && ui.messages.front().text.find("15%") != std::string::npos;
  if (reset) fuzz::require(state.site.maxBaseflowExceedence == 15, "exceedence not reset to 15 after its message");
}

void checkSavedCrossSection(ModelState& state, int rows, const hostdb::Blob& data) {
  readSavedCrossSection(state, rows, data);
  const int held = static_cast<int>(state.site.savedXsDistance.size());
  fuzz::require(state.site.savedXsCount >= 0 && state.site.savedXsCount < std::max(1, std::min(rows, held)),
                "saved cross-section count " + std::to_string(state.site.savedXsCount) + " outside the rows read");
}

void checkObservedCrossSection(ModelState& state, int rows, const hostdb::Blob& data) {
  readObservedCrossSection(state, rows, data);
  const int held = std::min(std::max(rows, 0), static_cast<int>(state.site.xsDistance.size()));
  fuzz::require(state.site.xsPointCount >= 0 && state.site.xsPointCount <= held,
                "observed cross-section count " + std::to_string(state.site.xsPointCount) + " outside the rows read");
}

void checkTimeSeries(TimeSeries& series, int16_t varType, int16_t varUnit, int32_t count, const hostdb::Blob& data) {
  series.header.varType = static_cast<int16_t>(varType - 1);
  series.header.varUnit = varUnit;
  series.header.count = count;
  hostdb::readTimeSeriesValues(series, data);
  const std::size_t whole = std::min<std::size_t>(data.size() / 4, static_cast<std::size_t>(kSeriesCapacity));
  const float factor = hostdb::unitFactor(varType, varUnit);
  const std::vector<float> stored = hostdb::blobToFloats(data);
  for (std::size_t i = 0; i < whole; ++i) {
    const float expected = static_cast<int64_t>(i) < count ? stored[i] * factor : stored[i];
    fuzz::require(fuzz::sameBits(series.values[static_cast<int>(i)], expected) ||
                      (std::isnan(expected) && std::isnan(series.values[static_cast<int>(i)])),
                  "time-series value " + std::to_string(i) + " differs from the stored one");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
  // One state for the whole run: it is large, and every reader sets what it reads.
  static std::unique_ptr<ModelState> state = makeModelState();
  static std::unique_ptr<TimeSeries> series = std::make_unique<TimeSeries>();
  fuzz::ControlBytes in(bytes, size);
  const int32_t rows = in.int32();
  const int16_t varType = in.int16();
  const int16_t varUnit = in.int16();
  const int32_t count = in.int32();
  const hostdb::Blob data = in.rest();

  checkEcologicalParameters(*state, data);
  checkSavedCrossSection(*state, rows, data);
  checkObservedCrossSection(*state, rows, data);
  checkTimeSeries(*series, varType, varUnit, count, data);
  return 0;
}
