// Stored records stranger than their header: a cross-section whose Rows field
// states far more rows than its Data holds is read at once, as far as its
// bytes go.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>

#include "hostdb/blob_codec.h"
#include "process/input_loading.h"

using namespace oewr;
using namespace oewr::process;

TEST(RecordDecoding, ACrossSectionStatingBillionsOfRowsIsReadAsFarAsItsBytesGo) {
  auto s = makeModelState();
  constexpr int kRows = std::numeric_limits<int32_t>::max();
  const auto started = std::chrono::steady_clock::now();

  readSavedCrossSection(*s, kRows, hostdb::floatsToBlob({0, 1, 2, -999}));
  EXPECT_EQ(s->site.savedXsCount, 3);
  EXPECT_FLOAT_EQ(s->site.savedXsDistance[2], 2);
  EXPECT_FLOAT_EQ(s->site.savedXsElevation[0], 0);  // past the bytes: zeros

  readObservedCrossSection(*s, kRows, hostdb::floatsToBlob({10, 12, 15, -999}));
  EXPECT_EQ(s->site.xsPointCount, 3);
  EXPECT_FLOAT_EQ(s->site.xsDistance[2], 5);

  // Rows past those held that the bytes do hold are passed over, so the
  // elevations are found after all the distances.
  std::vector<float> data(2 * 600, 7.0f);
  data[600] = 3.0f;
  readObservedCrossSection(*s, 600, hostdb::floatsToBlob(data));
  EXPECT_FLOAT_EQ(s->site.xsElevation[1], 4.0f);  // 7 - lowest elevation 3

  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1000);
}
