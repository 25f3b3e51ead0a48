// Observed rating segments: the stored record as input loading builds the
// rating table from it (readRatingTable), the strict reading of the host
// administration (ratingSegmentsOf) with its write-back, and the text form
// that `oewr host set-array --kind rating-segments` reads.
//
// Input: the bytes of the `Data` field, read once as the record and once as text.
#include <cmath>
#include <memory>

#include "fuzz_support.h"
#include "hostdb/blob_codec.h"
#include "hostdb/host_admin.h"
#include "process/input_loading.h"
#include "process/model_state.h"

using namespace oewr;
using namespace oewr::process;
using hostdb::RatingSegment;

namespace {

bool sameSegments(const std::vector<RatingSegment>& a, const std::vector<RatingSegment>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!fuzz::sameBits(a[i].a, b[i].a) || !fuzz::sameBits(a[i].b, b[i].b) || !fuzz::sameBits(a[i].c, b[i].c) ||
        !fuzz::sameBits(a[i].d, b[i].d))
      return false;
  return true;
}

bool sameData(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!fuzz::sameBits(a[i], b[i])) return false;
  return true;
}

void checkRatingTable(ModelState& state, const hostdb::Blob& data) {
  readRatingTable(state, data);
  fuzz::require(state.site.ratingCount >= 0 && state.site.ratingCount <= static_cast<int>(state.site.ratingDepth.size()),
                "rating count " + std::to_string(state.site.ratingCount) + " outside the table");
  for (int i = 0; i < state.site.ratingCount; ++i)
    fuzz::require(!(state.site.ratingFlow[i] < 0), "negative discharge in rating row " + std::to_string(i));
}

// A segment list the host accepts is written, read back and exported as text
// without losing a bit.
void checkWriteBack(const std::vector<RatingSegment>& segments) {
  // Text holds finite numbers only; a stored NaN or infinity has no text form to read back.
  for (const RatingSegment& s : segments)
    if (!std::isfinite(s.a) || !std::isfinite(s.b) || !std::isfinite(s.c) || !std::isfinite(s.d)) return;
  hostdb::ArrayValue stored;
  try {
    stored = hostdb::ratingSegmentsArray(segments);
  } catch (const ModelError&) {
    return;  // refused with its reason
  }
  fuzz::require(sameSegments(hostdb::ratingSegmentsOf(stored.data), segments), "segments changed on write-back");
  const std::string text = hostdb::arrayCsv(stored);
  const hostdb::ArrayValue reread = hostdb::arrayFromText(hostdb::ArrayKind::RatingSegments, text, "export");
  fuzz::require(sameData(reread.data, stored.data), "segments changed through their text form:\n" + text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
  static std::unique_ptr<ModelState> state = makeModelState();
  const hostdb::Blob data(bytes, bytes + size);

  checkRatingTable(*state, data);

  std::vector<RatingSegment> segments;
  bool strict = true;
  try {
    segments = hostdb::ratingSegmentsOf(hostdb::blobToFloats(data));
  } catch (const ModelError&) {
    strict = false;
  }
  if (strict) checkWriteBack(segments);

  const std::string text(reinterpret_cast<const char*>(bytes), size);
  try {
    const hostdb::ArrayValue a = hostdb::arrayFromText(hostdb::ArrayKind::RatingSegments, text, "segments.csv");
    fuzz::require(a.rows == hostdb::kRatingRows && a.columns == 8, "a rating record of another shape");
    const std::vector<RatingSegment> read = hostdb::ratingSegmentsOf(a.data);
    fuzz::require(!read.empty(), "an accepted text gave no segment");
    checkWriteBack(read);
    checkRatingTable(*state, hostdb::floatsToBlob(a.data));
  } catch (const ModelError&) {
    // refused with the file, line and field
  }
  return 0;
}
