#pragma once
// The results of the final analysis as host records: the five items of
// "Select Data To Save ", the request slots that receive them, and the
// writers that put them into the host's tables.
#include <array>
#include <string>
#include <vector>

#include "hostdb/table_save.h"
#include "ewr/ewr_state.h"

namespace oewr::ewr {

enum class EwrSaveItem { TotalAssurance = 0, LowAssurance = 1, TotalSeries = 2, LowSeries = 3, Report = 4 };
constexpr int kSaveItemCount = 5;
constexpr std::array<EwrSaveItem, kSaveItemCount> kSaveItems = {
    EwrSaveItem::TotalAssurance, EwrSaveItem::LowAssurance, EwrSaveItem::TotalSeries, EwrSaveItem::LowSeries,
    EwrSaveItem::Report};

// Slot 13 .. 17 of the request's attribute list.
int saveSlot(EwrSaveItem item);
// The check-list caption ("Total Flow Assurance Data", ...).
const char* saveItemCaption(EwrSaveItem item);

constexpr int kAssuranceRows = 17;
constexpr int kAssuranceColumns = 13;
constexpr const char* kAssuranceFormat = "durc.txp";
constexpr const char* kReportTitle = "MEOR Report";
constexpr std::size_t kSeriesTitleLength = 41;

// "IFR Total Ass. Class" or "IFR Lowflow Ass. Class" joined to the category name.
std::string assuranceTableTitle(bool total, int category);
// "Total Flow EWR for " or "Low Flow EWR for " and the category name.
std::string ewrSeriesTitle(bool total, int category);
// The natural series' header with its GeogID replaced by the title, cut to
// 41 characters, and the unit million m3: the saved series keeps the natural
// dates and count.
TimeSeriesHeader ewrSeriesHeader(const TimeSeriesHeader& natural, const std::string& title);
// The first `count` values of ewrSeries (count of the natural series).
std::vector<float> ewrSeriesValues(EwrView state);
// The report lines, each followed by a carriage return and line feed.
std::string reportMemoText(const std::vector<std::string>& lines);

// The records of the items, for one save of all ticked items together
// (hostdb::saveSlotRecords: all are written or none).
hostdb::SlotWrite assuranceTableWrite(int slot, const std::string& title, std::vector<float> data);
hostdb::SlotWrite ewrSeriesWrite(int slot, const TimeSeriesHeader& header, std::vector<float> values);
hostdb::SlotWrite reportMemoWrite(int slot, std::string memo);

}  // namespace oewr::ewr
