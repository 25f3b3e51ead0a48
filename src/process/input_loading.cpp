#include "process/input_loading.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/checked_int.h"
#include "common/text_format.h"
#include "model/request_slots.h"

namespace oewr::process {

using hostdb::BlobReader;
using hostdb::FieldValue;

namespace {
constexpr int kSiteNameSlot = slot::kSiteName;
constexpr int kEcologySlot = slot::kEcologicalParameters;
constexpr int kSavedXsSlot = slot::kSavedSection;
constexpr int kObservedXsSlot = slot::kObservedSection;
constexpr int kRatingSlot = slot::kRating;
constexpr int kRatingRows = 15;
constexpr int kMaxSegments = 11;

struct TableCloser {
  hostdb::Ttxtab& tx;
  ~TableCloser() {
    tx.DTable.close();
    tx.ddt3.close();
    tx.ddt4.close();
  }
};

// Passes over the values of rows [held, rows) of a column. Once the bytes are
// used up there is nothing left to pass, however many rows the record states.
void skipRows(BlobReader& in, int held, int rows) {
  for (int i = std::max(held, 0); i < rows && in.remaining() >= 4; ++i) in.nextFloat();
}

int rowsOf(const hostdb::HostTable& t) {
  const int64_t r = t.field("Rows").asInteger();
  return static_cast<int>(std::clamp<int64_t>(r, 0, std::numeric_limits<int32_t>::max()));
}
}  // namespace

bool readEcologicalParameters(ModelState& state, const hostdb::Blob& data, Ui& ui, const std::string& caption) {
  BlobReader in(data);
  const float x = in.nextFloat();
  state.site.maxBaseflowExceedence = roundToInt(x);
  if (x < 4.9f) {
    ui.showMessage(caption, "The maximum baseflow exceedence frequency has been set to 15%");
    state.site.maxBaseflowExceedence = 15;
  }
  state.site.perennialOption = roundToInt(in.nextFloat());
  state.site.alignStressOption = roundToInt(in.nextFloat());
  // Stored categories A, B, C, D sit at positions 0, 2, 4, 6 of the seven.
  for (auto* shift : {&state.site.highShift, &state.site.lowShift}) {
    for (int season = 0; season < 2; ++season)
      for (int c = 0; c < 4; ++c) (*shift)[season][2 * c] = in.nextFloat();
    for (int season = 0; season < 2; ++season)
      for (int c = 1; c < kCategoryCount; c += 2)
        (*shift)[season][c] = ((*shift)[season][c - 1] + (*shift)[season][c + 1]) / 2;
  }
  for (int season = 0; season < 2; ++season) {
    state.site.stressAtZeroFs[season] = in.nextFloat();
    state.site.fsWeight[season] = in.nextFloat();
    state.site.fiWeight[season] = in.nextFloat();
    state.site.fdWeight[season] = in.nextFloat();
    const float sum = state.site.stressAtZeroFs[season] + state.site.fsWeight[season] + state.site.fiWeight[season] +
                      state.site.fdWeight[season];
    if (sum < 5) {
      ui.showMessage(caption, season == 0 ? "The stress weight parameters for the wet season are not set"
                                          : "The stress weight parameters for the dry season are not set");
      return false;
    }
  }
  return true;
}

void readSavedCrossSection(ModelState& state, int rows, const hostdb::Blob& data) {
  state.site.savedXsCount = 0;
  const int held = std::min(rows, static_cast<int>(state.site.savedXsDistance.size()));
  BlobReader in(data);
  // Distances, then elevations; rows beyond the 401 held are skipped.
  for (int column = 0; column < 2; ++column) {
    auto& target = column == 0 ? state.site.savedXsDistance : state.site.savedXsElevation;
    for (int i = 0; i < held; ++i) {
      const float v = in.nextFloat();
      target[i] = v;
      if (v < -900) state.site.savedXsCount = i;
    }
    skipRows(in, held, rows);
  }
}

void readObservedCrossSection(ModelState& state, int rows, const hostdb::Blob& data) {
  const int held = std::min(rows, static_cast<int>(state.site.xsDistance.size()));
  BlobReader in(data);
  for (int column = 0; column < 2; ++column) {
    auto& target = column == 0 ? state.site.xsDistance : state.site.xsElevation;
    for (int i = 0; i < held; ++i) target[i] = in.nextFloat();
    skipRows(in, held, rows);
  }
  float lowest = 100000;
  for (int i = 0; i < held; ++i)
    if (state.site.xsElevation[i] >= 0 && state.site.xsElevation[i] < lowest) lowest = state.site.xsElevation[i];
  const float firstDistance = held > 0 ? state.site.xsDistance[0] : 0.0f;
  // The walk stops at the closing missing row, or after the last row read.
  int i = 0;
  for (; i < held; ++i) {
    if (!(state.site.xsDistance[i] > -998) || !(state.site.xsElevation[i] > -998)) break;
    state.site.xsDistance[i] = state.site.xsDistance[i] - firstDistance;
    state.site.xsElevation[i] = state.site.xsElevation[i] - lowest;
  }
  state.site.xsPointCount = i;
}

void readRatingTable(ModelState& state, const hostdb::Blob& data) {
  struct Segment {
    float a, b, c, d;
  };
  std::vector<Segment> segments;
  BlobReader in(data);
  for (int row = 0; row < kRatingRows; ++row) {
    float lead[4];
    for (float& v : lead) v = in.nextFloat();
    if (lead[3] > 0) {
      Segment s{in.nextFloat(), in.nextFloat(), in.nextFloat(), in.nextFloat()};
      if (static_cast<int>(segments.size()) < kMaxSegments) segments.push_back(s);
    }
  }
  state.site.ratingCount = 0;
  if (segments.empty()) return;
  const int lastRow = static_cast<int>(state.site.ratingDepth.size()) - 1;  // 500
  state.site.ratingDepth[0] = 0;
  state.site.ratingFlow[0] = 0;
  int i = 0;
  std::size_t k = 0;
  bool done = false;
  while (!done && i <= lastRow) {
    state.site.ratingDepth[i] = static_cast<float>(i * 0.01);
    for (;;) {
      const Segment& s = segments[k];
      double q = (static_cast<double>(state.site.ratingDepth[i]) - static_cast<double>(s.c)) / static_cast<double>(s.a);
      q = q > 0 ? std::pow(q, 1.0 / static_cast<double>(s.b)) : 0.0;
      state.site.ratingFlow[i] = static_cast<float>(q);
      if (state.site.ratingFlow[i] > s.d) {
        if (++k >= segments.size()) {
          done = true;
          break;
        }
        continue;
      }
      ++i;
      break;
    }
  }
  state.site.ratingCount = i;
}

void model_start(ModelState& state, hostdb::Ttxtab& tx, Ui& ui, InputLoadingView& view, bool& ok) {
  ok = true;
  const std::string caption = view.messageCaption();
  hostdb::HostTable& rq = tx.rqtable;
  const std::string exe = rq.field("EXE").asText();
  if (toLower(exe) != kModelExe) {
    ui.showMessage(caption, "Incompatible Requirement Record. Please Select an New Orvane EWR Model Application");
    ok = false;
    return;
  }
  view.showRequest(rq.field("Description").asText(), exe, rq.field("Date").asText());

  const int n = static_cast<int>(std::max<int64_t>(0, rq.field("Attributes").asInteger()));
  {
    std::vector<int32_t> codes(kAttributeSlots, 0);
    const hostdb::Blob list = rq.readBlob("Attribute List");
    BlobReader in(list);
    const int held = std::min(n, kAttributeSlots);
    for (int i = 0; i < held; ++i) in.readInt32(codes[static_cast<std::size_t>(i)]);
    const hostdb::Blob inputs = rq.readBlob("Spatial Input List");
    BlobReader site(inputs);
    int32_t record = 0;
    site.readInt32(record);
    // Nothing of a request read before (its slots beyond this one's, its
    // inputs, the sub-model results) may be shown or saved under this one.
    // Its report stays only when the same inputs are read again.
    bool sameInputs = record == state.site.requestSpatialRecord;
    for (int i = 0; i < kAttributeSlots && sameInputs; ++i)
      sameInputs = state.site.attributeCodes[i] == codes[static_cast<std::size_t>(i)];
    clearRequestData(state, sameInputs);
    for (int i = 0; i < kAttributeSlots; ++i) state.site.attributeCodes[i] = codes[static_cast<std::size_t>(i)];
    state.site.requestSpatialRecord = record;
  }
  view.setGauge(0, 1, 0);
  TableCloser closer{tx};
  tx.ddt3.open();
  tx.ddt4.open();

  // Site name
  {
    auto rec = hostdb::findSlotRecord(state.site, tx, kSiteNameSlot);
    if (!rec || !rec->recordFound) {
      ui.showMessage(caption, "The site name attribute has not been populated");
      return;
    }
    std::string name = tx.DTable.field("Text").asText();
    state.site.siteName = name.size() > 80 ? name.substr(0, 80) : name;
    tx.DTable.close();
    view.advanceGauge(1);
  }

  // Ecological parameters
  if (auto rec = hostdb::findSlotRecord(state.site, tx, kEcologySlot)) {
    if (!rec->recordFound) {
      ui.showMessage(caption, "Could not find ecological parameter data");
      return;
    }
    const bool go = readEcologicalParameters(state, tx.DTable.readBlob("Data"), ui, caption);
    tx.DTable.close();
    if (!go) return;
  }
  tx.DTable.close();

  // Saved channel cross-section
  state.site.savedXsCount = 0;
  if (auto rec = hostdb::findSlotRecord(state.site, tx, kSavedXsSlot); rec && rec->recordFound)
    readSavedCrossSection(state, rowsOf(tx.DTable), tx.DTable.readBlob("Data"));
  tx.DTable.close();

  // Observed channel cross-section
  if (auto rec = hostdb::findSlotRecord(state.site, tx, kObservedXsSlot); rec && rec->recordFound)
    readObservedCrossSection(state, rowsOf(tx.DTable), tx.DTable.readBlob("Data"));
  else
    state.site.xsPointCount = 0;
  tx.DTable.close();

  // Observed rating table
  if (auto rec = hostdb::findSlotRecord(state.site, tx, kRatingSlot); rec && rec->recordFound)
    readRatingTable(state, tx.DTable.readBlob("Data"));
  else
    state.site.ratingCount = 0;
}

}  // namespace oewr::process
