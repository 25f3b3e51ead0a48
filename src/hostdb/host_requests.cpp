// Requests for the model in the host's request table (proc_run): adding one
// and listing them.
#include <algorithm>
#include <utility>

#include "common/errors.h"
#include "common/text_format.h"
#include "hostdb/blob_codec.h"
#include "hostdb/host_admin.h"
#include "hostdb/host_checks.h"

namespace oewr::hostdb {

using detail::dateOrToday;
using detail::inQuotes;
using detail::int16Checked;
using detail::OpenTable;
using detail::requireLength;

int HostAdmin::addRequest(const std::string& descriptionText, const std::string& date, const std::string& featureRef,
                          int32_t site, const std::vector<int32_t>& codes) {
  const std::string description = trim(descriptionText);
  requireLength("The request description", description, 40, true);
  const std::string when = dateOrToday(date);
  if (codes.empty() || codes.size() > static_cast<std::size_t>(kAttributeSlots))
    throw ModelError("A request lists 1 to " + std::to_string(kAttributeSlots) + " attribute slots; " +
                     std::to_string(codes.size()) + " given");
  HostTransaction tx(*session_);
  FeatureInfo f = feature(featureRef);
  requireSite(f.code, site);
  const std::vector<AttributeInfo> all = attributes();
  for (std::size_t slot = 0; slot < codes.size(); ++slot) {
    if (codes[slot] == 0) continue;
    const std::string where = "Slot " + std::to_string(slot) + ": ";
    auto it = std::find_if(all.begin(), all.end(), [&](const AttributeInfo& a) { return a.code == codes[slot]; });
    if (it == all.end()) throw ModelError(where + "no attribute of code " + std::to_string(codes[slot]));
    if (it->featureCode != f.code)
      throw ModelError(where + "attribute " + inQuotes(it->name) + " belongs to another feature than " + inQuotes(f.name));
    for (const auto& s : modelSlots())
      if (s.slot == static_cast<int>(slot) && it->dataType != kLinked && it->dataType != s.dataType)
        throw ModelError(where + "the " + s.description + " is a " + dataTypeName(s.dataType) + " attribute; " +
                         inQuotes(it->name) + " holds " + dataTypeName(it->dataType) + " values");
  }
  OpenTable t(*session_, alias_, kRequestTable);
  t->append();
  t->setField("Description", description);
  t->setField("Date", when);
  t->setField("EXE", kModelExeName);
  t->setField("Feature", f.code);
  t->setField("Spatial Elements", 1);
  t->setField("Attributes", static_cast<int>(codes.size()));
  t->writeBlob("Attribute List", int32sToBlob(codes));
  t->writeBlob("Spatial Input List", int32sToBlob({site}));
  t->post();
  const int recordNumber = t->recNo();
  tx.commit();
  return recordNumber;
}

std::vector<RequestInfo> HostAdmin::requests() {
  std::vector<RequestInfo> out;
  OpenTable t(*session_, alias_, kRequestTable);
  for (t->first(); !t->eof(); t->next()) {
    RequestInfo r;
    r.recordNumber = t->recNo();
    r.description = t->field("Description").asText();
    r.date = t->field("Date").asText();
    r.exe = t->field("EXE").asText();
    r.feature = static_cast<int>(t->field("Feature").asInteger());
    const int n = int16Checked(t->field("Attributes"), "Attributes");
    const Blob list = t->readBlob("Attribute List");
    BlobReader rd(list);
    const std::size_t per = n > 0 ? list.size() / static_cast<std::size_t>(n) : 0;
    for (int i = 0; i < n && (per == 4 || per == 2); ++i) {
      int32_t v32 = 0;
      int16_t v16 = 0;
      if (per == 4 && rd.readInt32(v32)) r.attributeCodes.push_back(v32);
      if (per == 2 && rd.readInt16(v16)) r.attributeCodes.push_back(v16);
    }
    const Blob sp = t->readBlob("Spatial Input List");
    BlobReader spr(sp);
    int32_t v = 0;
    while (spr.readInt32(v)) r.spatialInputs.push_back(v);
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace oewr::hostdb
