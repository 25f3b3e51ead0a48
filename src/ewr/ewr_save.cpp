#include "ewr/ewr_save.h"

#include "common/errors.h"
#include "ewr/ewr_tables.h"
#include "hostdb/table_save.h"

namespace oewr::ewr {

int saveSlot(EwrSaveItem item) { return 13 + static_cast<int>(item); }

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
  TimeSeriesHeader header = natural;
  header.geogId = title.substr(0, kSeriesTitleLength);
  return header;
}

std::vector<float> ewrSeriesValues(const ModelState& state) {
  const int32_t count = state.naturalFlows.header.count;
  if (count > kMaxEwrMonths)
    throw RangeError("EWR series: " + std::to_string(count) + " months exceed the " + std::to_string(kMaxEwrMonths) +
                     " the series holds");
  std::vector<float> values;
  values.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int32_t i = 0; i < count; ++i) values.push_back(state.ewrSeries[i]);
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

bool saveAssuranceTable(ModelState& state, hostdb::Ttxtab& tx, hostdb::Ttable_save& dialog, int slot,
                        const std::string& title, const std::vector<float>& data) {
  return hostdb::saveArrayAttribute(state, tx, dialog, slot, title, kAssuranceRows, kAssuranceColumns,
                                    kAssuranceFormat, data);
}

bool saveEwrSeriesRecord(ModelState& state, hostdb::Ttxtab& tx, hostdb::Ttable_save& dialog, int slot,
                         const TimeSeriesHeader& header, const std::vector<float>& values) {
  return hostdb::saveTimeSeriesAttribute(state, tx, dialog, slot, header, values);
}

bool saveReportMemo(ModelState& state, hostdb::Ttxtab& tx, hostdb::Ttable_save& dialog, int slot,
                    const std::string& memo) {
  return hostdb::saveMemoAttribute(state, tx, dialog, slot, kReportTitle, memo);
}

}  // namespace oewr::ewr
