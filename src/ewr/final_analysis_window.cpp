#include "ewr/final_analysis_window.h"

#include "common/errors.h"
#include "ewr/assurance_rules.h"
#include "ewr/ewr_report.h"
#include "ewr/ewr_tables.h"
#include "hostdb/timeseries_codec.h"

namespace oewr::ewr {

namespace {

void setUpChart(charting::Chart& chart, const char* name, const char* title, const char* bottom, const char* left,
                int width) {
  chart.name = name;
  chart.title = title;
  chart.bottomAxis.title = bottom;
  chart.leftAxis.title = left;
  chart.addSeries("Nat.", charting::SeriesKind::Line, charting::kBlack, width);
  chart.addSeries("P.Day", charting::SeriesKind::Line, charting::kGray, width);
  chart.addSeries("EWR", charting::SeriesKind::Line, charting::kBlue, width);
}

}  // namespace

TForm7::TForm7(ModelState& state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog)
    : state_(state), tx_(tx), ui_(ui), saveDialog_(saveDialog) {
  setUpChart(Chart1, "Chart1", "Flow duration curves for selected Month & Category", "% Time Equalled or Exceeded",
             "Flow (mill. m^3)", 2);
  setUpChart(Chart2, "Chart2", "Time series for selected category", "Date", "Flow (Mill. m^3)", 1);
  Chart2.bottomAxis.dateTime = true;
  for (ewr::EwrSaveItem item : ewr::kSaveItems) CheckListBox1.items.push_back({ewr::saveItemCaption(item), false});
}

void TForm7::calc_ewr_months(int category) {
  // The duration-curve chart is emptied with the duration curves.
  Chart1.clearAll();
  ewr::calc_ewr_months(state_, category, constraintMode(), CheckBox1.checked);
}

void TForm7::Button2Click() {
  if (constraintMode() == ewr::kToPresentDayFlows && state_.site.presentFlows.header.count == 0) {
    ui_.showMessage(kCaption, kNoPresentDay);
    setConstraintMode(ewr::kNoConstraint);
    return;
  }
  const int month = selectedMonth();
  const int category = selectedCategory();
  try {
    calc_ewr_months(category);
    Button3.enabled = true;
    analysed_ = true;
    showAnalysis(month, category);
  } catch (const ActionStopped&) {
  } catch (const ModelError& e) {
    // No results of a refused analysis stay on show.
    ListBox1.clear();
    Chart1.clearAll();
    Chart2.clearAll();
    ui_.showMessage(kCaption, e.what());
  }
}

void TForm7::showAnalysis(int month, int category) {
  const std::vector<std::string> list = ewr::analysisListLines(state_, category);
  ListBox1.assign(list.begin(), list.begin() + 3);
  Chart1.clearAll();
  Chart2.clearAll();

  const bool present = state_.site.presentFlows.header.count >= 1;
  const int32_t n = state_.ewr.valuesPerMonth[month];
  for (int32_t r = 0; r < n; ++r) {
    const double x = static_cast<double>(static_cast<float>((n - r) * 100) / static_cast<float>(n));
    Chart1.series[0].add(x, state_.ewr.sortedFlows[0][month][r]);
    if (present) Chart1.series[1].add(x, state_.ewr.sortedFlows[1][month][r]);
    const float ewr = CheckBox1.checked ? state_.ewr.totalFlowAssurance[month][category][r]
                                        : state_.ewr.lowFlowAssurance[month][category][r];
    Chart1.series[2].add(x, ewr);
  }
  Chart1.changed();

  const TimeSeries& natural = state_.site.naturalFlows;
  int year = natural.header.startYear;
  int calendar = natural.header.startMonth;
  const int32_t months = ewr::wholeYears(natural) * 12;
  for (int32_t i = 0; i < months; ++i) {
    const double x = hostdb::encodeDateTime(year, calendar, 15, 0, 0);
    Chart2.series[0].add(x, natural.values[i]);
    if (present) Chart2.series[1].add(x, state_.site.presentFlows.values[i]);
    Chart2.series[2].add(x, state_.ewr.ewrSeries[i]);
    if (++calendar > 12) {
      calendar = 1;
      ++year;
    }
  }
  Chart2.changed();

  ListBox1.insert(ListBox1.end(), list.begin() + 3, list.end());
}

void TForm7::Button3Click() {
  if (!Button3.enabled) return;
  if (!state_.reportLines) {
    ui_.showMessage(kCaption, kNoReport);
    return;
  }
  if (!CheckBox1.checked && !ui_.askYesNo(kCaption, kNoHighFlows)) return;
  const std::vector<std::string> lines = ewr::finalReportLines(state_, constraintMode());
  state_.reportLines->insert(state_.reportLines->end(), lines.begin(), lines.end());
}

void TForm7::Button6Click() {
  const std::string question =
      "Selected category is " + ewr::categoryName(selectedCategory()) + " Do you wish to continue?";
  if (!ui_.askYesNo(kCaption, question)) return;
  Panel1Visible = true;
}

void TForm7::Button4Click() {
  save_go();
  Panel1Visible = false;
}

void TForm7::Button5Click() { Panel1Visible = false; }

void TForm7::setIncludeHighFlows(bool on) {
  if (CheckBox1.checked == on) return;
  CheckBox1.checked = on;
  CheckBox1Click();
}

void TForm7::setConstraintMode(int mode) {
  if (RadioGroup3.itemIndex == mode) return;
  RadioGroup3.itemIndex = mode;
  RadioGroup3Click();
}

bool TForm7::saveItemTicked(ewr::EwrSaveItem item) const {
  return CheckListBox1.items.at(static_cast<std::size_t>(item)).checked;
}

void TForm7::setSaveItemTicked(ewr::EwrSaveItem item, bool ticked) {
  CheckListBox1.items.at(static_cast<std::size_t>(item)).checked = ticked;
}

void TForm7::save_go() {
  // The assurance tables leave as the last analysis made them: without one
  // in this window, the window's choices are analysed first.
  if (!analysed_) {
    Button2Click();
    if (!analysed_) return;
  }
  const int category = selectedCategory();
  try {
    // The ticked results are saved as one whole: all of this analysis or none.
    std::vector<hostdb::SlotWrite> writes;
    for (ewr::EwrSaveItem item : ewr::kSaveItems) {
      if (!saveItemTicked(item)) continue;
      if (state_.site.attributeCodes[ewr::saveSlot(item)] < 1) continue;
      if (auto write = saveItemWrite(item, category)) writes.push_back(std::move(*write));
    }
    if (!writes.empty()) hostdb::saveSlotRecords(state_, tx_, saveDialog_, writes);
  } catch (const ActionStopped&) {
  } catch (const ModelError& e) {
    ui_.showMessage(kCaption, e.what());
  }
}

std::optional<hostdb::SlotWrite> TForm7::saveItemWrite(ewr::EwrSaveItem item, int category) {
  const int slot = ewr::saveSlot(item);
  switch (item) {
    case ewr::EwrSaveItem::TotalAssurance:
    case ewr::EwrSaveItem::LowAssurance: {
      const bool total = item == ewr::EwrSaveItem::TotalAssurance;
      return ewr::assuranceTableWrite(
          slot, ewr::assuranceTableTitle(total, category),
          ewr::assuranceTableData(state_, total ? state_.ewr.totalFlowAssurance : state_.ewr.lowFlowAssurance, category));
    }
    case ewr::EwrSaveItem::TotalSeries:
    case ewr::EwrSaveItem::LowSeries: {
      const bool total = item == ewr::EwrSaveItem::TotalSeries;
      setIncludeHighFlows(total);
      calc_ewr_months(category);
      const TimeSeriesHeader header =
          ewr::ewrSeriesHeader(state_.site.naturalFlows.header, ewr::ewrSeriesTitle(total, category));
      return ewr::ewrSeriesWrite(slot, header, ewr::ewrSeriesValues(state_));
    }
    case ewr::EwrSaveItem::Report:
      if (!state_.reportLines) {
        // An empty memo would replace a report stored before.
        ui_.showMessage(kCaption, kNoReport);
        return std::nullopt;
      }
      return ewr::reportMemoWrite(slot, ewr::reportMemoText(*state_.reportLines));
  }
  return std::nullopt;
}

}  // namespace oewr::ewr
