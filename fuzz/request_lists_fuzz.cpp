// A request's binary lists as the host table module reads them
// (Ttxtab::ReadSpatialOutputList): any entry count against any bytes.
//
// Input: int16 entry count, then the bytes of the list field.
#include "fuzz_support.h"
#include "hostdb/blob_codec.h"
#include "hostdb/host_session.h"
#include "hostdb/host_tables.h"

using namespace oewr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
  // The list reader touches no table: a session without aliases will do.
  static hostdb::HostSession session;
  static fuzz::RecordingUi ui;
  static hostdb::Ttxtab tx(session, "TERAVOX", ui);
  ui.messages.clear();

  fuzz::ControlBytes in(bytes, size);
  const int n = in.int16();
  const hostdb::Blob stream = in.rest();
  hostdb::SpatialList list;
  for (int i = 0; i <= hostdb::kSpatialListCapacity; ++i) list[i] = -1;

  const bool read = tx.ReadSpatialOutputList(n, list, stream);

  if (n > hostdb::kSpatialListCapacity) {
    fuzz::require(!read && ui.messages.size() == 1, "an over-long list was read or not reported");
    return 0;
  }
  fuzz::require(ui.messages.empty(), "a list within the capacity showed a message");
  const std::size_t per = n > 0 ? stream.size() / static_cast<std::size_t>(n) : 0;
  fuzz::require(read == (n > 0 && (per == 2 || per == 4)), "list read for an entry size other than 2 or 4 bytes");
  if (!read) {
    for (int i = 0; i <= hostdb::kSpatialListCapacity; ++i) fuzz::require(list[i] == -1, "a refused list changed entries");
    return 0;
  }
  for (int i = 0; i < n; ++i) {
    const uint8_t* p = stream.data() + static_cast<std::size_t>(i) * per;
    const int32_t expected = per == 4 ? static_cast<int32_t>(hostdb::loadLe32(p))
                                      : static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
    fuzz::require(list[i] == expected, "entry " + std::to_string(i) + " read wrongly");
  }
  for (int i = n; i <= hostdb::kSpatialListCapacity; ++i) fuzz::require(list[i] == -1, "an entry past n was written");
  return 0;
}
