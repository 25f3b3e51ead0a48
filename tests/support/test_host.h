#pragma once
// A host database in a temporary directory with one site and a request for
// the model, built with the host administration code.
#include <filesystem>
#include <string>
#include <vector>

#include "hostdb/host_admin.h"
#include "support/temp_dir.h"

namespace oewr::testing {

// Slot attribute names of the test site, by request slot.
inline const char* slotAttributeName(int slot) {
  static const char* names[] = {"", "", "", "Site name", "Site parameters", "Ecological parameters",
                                "Flood parameters", "Saved cross-section", "Observed cross-section", "Rating segments",
                                "Natural flows", "Present day flows", "Scenario flows", "Total assurance",
                                "Low assurance", "Total EWR series", "Low EWR series", "Report"};
  return names[slot];
}

inline int slotDataType(int slot) {
  using namespace hostdb;
  if (slot == 3) return kText;
  if (slot >= 10 && slot <= 12) return kTimeseries;
  if (slot == 15 || slot == 16) return kTimeseries;
  if (slot == 17) return kMemo;
  return kArray;
}

class TestHost {
 public:
  static constexpr int32_t kSite = 7;
  static constexpr const char* kFeature = "Sites";

  TestHost() {
    ini = dir.path() / "teravox.ini";
    hostdb::HostAdmin::createDatabase(ini, "TERAVOX", dir.path() / "db", true);
    admin = std::make_unique<hostdb::HostAdmin>(ini, "TERAVOX");
    admin->addFeature(kFeature, "sites");
    admin->addSite(kFeature, kSite, "Test River at Gauge");
    codes.assign(hostdb::kRequestSlotCount, 0);
    for (int slot = 3; slot <= 17; ++slot)
      codes[static_cast<std::size_t>(slot)] = admin->addAttribute(kFeature, slotAttributeName(slot), slotDataType(slot));
  }

  hostdb::ValueTarget target(int slot, int32_t site = kSite) const {
    return {slotAttributeName(slot), site, kFeature};
  }
  int addRequest(const std::string& exe = "new_oewr.exe") {
    int n = admin->addRequest("Test request", "2017-08-03", kFeature, kSite, codes);
    if (exe != "new_oewr.exe") {
      // Another process's request: rewrite EXE of the record just added.
      hostdb::HostTable rq(admin->session(), "TERAVOX", "proc_run");
      rq.open();
      rq.setRecNo(n);
      rq.edit();
      rq.setField("EXE", exe);
      rq.post();
    }
    return n;
  }

  TempDir dir;
  std::filesystem::path ini;
  std::unique_ptr<hostdb::HostAdmin> admin;
  std::vector<int32_t> codes;
};

}  // namespace oewr::testing
