#include "floods/flood_save.h"

#include <array>
#include <cmath>

#include "common/text_format.h"
#include "hostdb/blob_codec.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save.h"

namespace oewr::floods {

std::vector<float> floodParameterValues(const ModelState& state) {
  std::vector<float> values;
  values.reserve(kFloodCategoryCount * kFloodParameterCount);
  for (int k = 0; k < kFloodCategoryCount; ++k)
    for (int j = 0; j < kFloodParameterCount; ++j) values.push_back(state.floods.savedFloodParameters[k][j]);
  return values;
}

bool saveFloodParameters(ModelState& state, hostdb::Ttxtab& tx, hostdb::Ttable_save& dialog) {
  return hostdb::saveArrayAttribute(state, tx, dialog, kFloodParameterSlot, kFloodParameterTitle, kFloodCategoryCount,
                                    kFloodParameterCount, kFloodParameterFormat, floodParameterValues(state));
}

SavedFloodRead readSavedFloodParameters(ModelState& state, hostdb::Ttxtab& tx) {
  for (auto& category : state.floods.savedFloodParameters) category.fill(-9.0f);
  if (state.site.attributeCodes[kFloodParameterSlot] <= 0) return SavedFloodRead::NoneSaved;
  struct CloseData {
    hostdb::Ttxtab& tx;
    ~CloseData() { tx.DTable.close(); }
  } closer{tx};
  const auto record = hostdb::findSlotRecord(state, tx, kFloodParameterSlot);
  if (!record) return SavedFloodRead::NoneSaved;
  if (!record->recordFound) return SavedFloodRead::RecordMissing;
  const hostdb::Blob data = tx.DTable.readBlob("Data");
  hostdb::BlobReader reader(data);
  for (int k = 0; k < kFloodCategoryCount; ++k)
    for (int j = 0; j < kFloodParameterCount; ++j) {
      float v = 0.0f;
      if (!reader.readFloat(v)) return SavedFloodRead::Read;
      state.floods.savedFloodParameters[k][j] = v;
    }
  return SavedFloodRead::Read;
}

std::optional<std::string> restoredParameters(const ModelState& state, RestoredFloodParameters& out) {
  struct Entry {
    const char* name;
    int lo, hi;
  };
  static const std::array<Entry, kFloodParameterCount> entries = {{{"depth (cm)", 0, 1000},
                                                                   {"frequency", 0, 2},
                                                                   {"number of events", 1, 5},
                                                                   {"catchment shape", 0, 2},
                                                                   {"river slope", 0, 3}}};
  for (int k = 0; k < kFloodCategoryCount; ++k) {
    int whole[kFloodParameterCount] = {};
    for (int j = 0; j < kFloodParameterCount; ++j) {
      const float v = state.floods.savedFloodParameters[k][j];
      const Entry& e = entries[static_cast<std::size_t>(j)];
      const double r = std::floor(static_cast<double>(v) + 0.5);
      if (!(r >= e.lo && r <= e.hi))
        return formatText("Saved flood parameters, category %d: the %s %g is not %d to %d; the categories are unchanged",
                          k + 1, e.name, static_cast<double>(v), e.lo, e.hi);
      whole[j] = static_cast<int>(r);
    }
    out.depth[k] = whole[0];
    out.frequency[k] = whole[1];
    out.events[k] = whole[2];
    out.shape[k] = whole[3];
    out.slope[k] = whole[4];
  }
  return std::nullopt;
}

}  // namespace oewr::floods
