#include "ewr/ewr_save.h"

#include "common/errors.h"
#include "ewr/ewr_tables.h"
#include "hostdb/timeseries_codec.h"
#include "model/request_slots.h"

namespace oewr::ewr {

int saveSlot(EwrSaveItem item) { return slot::kTotalAssurance + static_cast<int>(item); }

const char* saveItemCaption(EwrSaveItem item) {
  switch (item) {
    case EwrSaveItem::TotalAssurance: return "Total Flow Assurance Data";
    case EwrSaveItem::LowAssurance: return "Low Flow Assurance Data";
    case EwrSaveItem::TotalSeries: return "Total EWR Time Series";
    case EwrSaveItem::LowSeries: return "Low Flow EWR Time Series";
    case EwrSaveItem::Report: return "Report";
  }
  return "";
}

std::string assuranceTableTitle(bool total, int category) {
  return std::string(total ? "IFR Total Ass. Class" : "IFR Lowflow Ass. Class") + categoryName(category);
}

std::string ewrSeriesTitle(bool total, int category) {
  return std::string(total ? "Total Flow EWR for " : "Low Flow EWR for ") + categoryName(category);
}

TimeSeriesHeader ewrSeriesHeader(const TimeSeriesHeader& natural, const std::string& title) {
  return hostdb::derivedSeriesHeader(natural, title.substr(0, kSeriesTitleLength));
}

std::vector<float> ewrSeriesValues(EwrView state) {
  const int32_t count = state.site.naturalFlows.header.count;
  if (count > kMaxEwrMonths)
    throw RangeError("EWR series: " + std::to_string(count) + " months exceed the " + std::to_string(kMaxEwrMonths) +
                     " the series holds");
  std::vector<float> values;
  values.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int32_t i = 0; i < count; ++i) values.push_back(state.ewr.ewrSeries[i]);
  return values;
}

std::string reportMemoText(const std::vector<std::string>& lines) {
  std::string memo;
  for (const auto& line : lines) {
    memo += line;
    memo += "\r\n";
  }
  return memo;
}

hostdb::SlotWrite assuranceTableWrite(int slot, const std::string& title, std::vector<float> data) {
  return hostdb::arrayRecordWrite(slot, title, kAssuranceRows, kAssuranceColumns, kAssuranceFormat, std::move(data));
}

hostdb::SlotWrite ewrSeriesWrite(int slot, const TimeSeriesHeader& header, std::vector<float> values) {
  return hostdb::timeSeriesRecordWrite(slot, header, std::move(values));
}

hostdb::SlotWrite reportMemoWrite(int slot, std::string memo) {
  return hostdb::memoRecordWrite(slot, kReportTitle, std::move(memo));
}

}  // namespace oewr::ewr
