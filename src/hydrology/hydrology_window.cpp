#include "hydrology/hydrology_window.h"

#include "common/errors.h"
#include "common/text_format.h"
#include "hostdb/sqlite_connection.h"
#include "hostdb/table_save.h"
#include "hostdb/timeseries_codec.h"
#include "hydrology/flow_statistics.h"
#include "hydrology/hydrology_input.h"
#include "hydrology/hydrology_plots_window.h"
#include "hydrology/hydrology_report.h"

namespace oewr::hydrology {

namespace {

const char* const kNaturalLabel = "Natural flows";
const char* const kPresentLabel = "Present day flows";
const char* const kScenarioLabel = "Scenario flows";

// A flow of the critical month as the edits show it: m3/s with "%10.3f"; a
// month not chosen shows 0.
std::string flowText(float volume, int calendarMonth) {
  const float flow = calendarMonth >= 1 && calendarMonth <= 12 ? hydrology::volumeToFlow(volume, calendarMonth) : 0.0f;
  return formatText("%10.3f", flow);
}

}  // namespace

TForm3::TForm3(HydrologyParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
               std::vector<ParameterReplacement> replaced)
    : state_(state), tx_(tx), ui_(ui), saveDialog_(saveDialog), replaced_(std::move(replaced)) {
  FormCreate();
}

void TForm3::FormCreate() {
  try {
    tx_.ddt3.open();
    tx_.ddt4.open();
    if (hydrology::readSiteParameters(state_, tx_, ui_, kCaption, replaced_)) datag.items[0].checked = true;
    readFlowSeries(hydrology::kNaturalFlowSlot, state_.site.naturalFlows, 1, kNaturalLabel, true);
    readFlowSeries(hydrology::kPresentFlowSlot, state_.site.presentFlows, 2, kPresentLabel, false);
    readFlowSeries(hydrology::kScenarioFlowSlot, state_.site.scenarioFlows, 3, kScenarioLabel, false);
    Label1 = "Reading data - Complete";
    tx_.ddt3.close();
    tx_.ddt4.close();

    const SiteParameters& site = state_.site.siteParameters;
    if (state_.site.naturalFlows.header.count >= 1) {
      hydrology::do_baseflow(state_.site.naturalFlows, site.baseflowA, site.baseflowB);
      ListBox1 = hydrology::display_qdata(state_.site.naturalFlows, true, site);
    }
    if (state_.site.presentFlows.header.count >= 1) {
      hydrology::do_baseflow(state_.site.presentFlows, site.baseflowA, site.baseflowB);
      ListBox2 = hydrology::display_qdata(state_.site.presentFlows, false, site);
    }
    if (state_.site.scenarioFlows.header.count >= 1)
      hydrology::do_baseflow(state_.site.scenarioFlows, site.baseflowA, site.baseflowB);
    hydrology::naturalBaseflowFdc(state_.site.naturalFlows);
  } catch (const ActionStopped& e) {
    refusal = *e.what() ? e.what() : "Reading the data was stopped";
  } catch (const ModelError& e) {
    ui_.showMessage(kCaption, e.what());
    refusal = e.what();
  }
  // Data the window cannot analyse leave nothing to plot or choose from.
  if (!refusal.empty()) Button3.enabled = false;
  tx_.DTable.close();
  tx_.ddt3.close();
  tx_.ddt4.close();
}

void TForm3::readFlowSeries(int slot, TimeSeries& series, std::size_t item, const char* label, bool octoberCheck) {
  series.header.count = 0;
  // Values a short record does not reach read as 0, not as a previous series'.
  series.values.fill(0.0f);
  // The natural flows are what every step stands on: without them the run
  // cannot go on. Another series is left out of the analysis.
  const bool natural = slot == hydrology::kNaturalFlowSlot;
  try {
    if (!hostdb::readSeriesFromSlot(state_.site, tx_, slot, series)) return;
  } catch (const hostdb::DatabaseError&) {
    throw;
  } catch (const ModelError& e) {
    if (natural) throw;
    ui_.showMessage(kCaption, e.what());
    return;
  }
  auto why = hydrology::runLimitReason(series, label,
                                      natural ? "the run cannot go on" : "the series is left out of the analysis");
  if (!why) why = hydrology::refusalReason(series, label);
  if (why) {
    series.header.count = 0;
    if (natural) throw ModelError(*why);
    ui_.showMessage(kCaption, *why);
    return;
  }
  if (octoberCheck && series.header.startMonth != 10)
    ui_.showMessage(kCaption, "Flow data must start with October in this version");
  hydrology::read_tsdata(series);
  for (const auto& warning : hydrology::seriesWarnings(series, label)) ui_.showMessage(kCaption, warning);
  datag.items[item].checked = true;
}

void TForm3::Button3Click() {
  if (!Button3.enabled) return;
  Tform3a plots(state_, ui_);
  const int result = ui_.showModal(plots);
  takePlotsResult(plots, result);
}

void TForm3::takePlotsResult(const Tform3a& plots, int result) {
  if (result == mrOK && plots.drawnPoint > 0) {
    Button1.enabled = true;
    SpinEdit1.value = state_.hydrology.criticalWetMonth;
    SpinEdit2.value = state_.hydrology.criticalDryMonth;
    plotFlows = plots.criticalFlows;
    Edit1.text = flowText(plotFlows.qTotal75Wet, state_.hydrology.criticalWetMonth);
    Edit2.text = flowText(plotFlows.qBaseWet, state_.hydrology.criticalWetMonth);
    Edit3.text = flowText(plotFlows.qTotal75Dry, state_.hydrology.criticalDryMonth);
    Edit4.text = flowText(plotFlows.qBaseDry, state_.hydrology.criticalDryMonth);
    Label7 = "Using QBase " + std::to_string(plots.drawnPoint) + "%";
    state_.site.maxBaseflowExceedence = plots.drawnPoint;
    try {
      hostdb::saveEcologicalParameters(state_.site, tx_, saveDialog_);
    } catch (const ActionStopped&) {
    } catch (const ModelError& e) {
      ui_.showMessage(kCaption, e.what());
    }
  }
  Button4.enabled = true;
}

void TForm3::Button1Click() {
  if (!Button1.enabled) return;
  if (SpinEdit1.value <= 0) {
    // Without critical months the hydrology step is not finished: the window
    // stays open for the plots.
    ui_.showMessage(kCaption, kNoCriticalMonths);
    return;
  }
  const bool useQTotal = CheckBox1.checked;
  const Edit& wetEdit = useQTotal ? Edit1 : Edit2;
  const Edit& dryEdit = useQTotal ? Edit3 : Edit4;
  double wet = 0, dry = 0;
  if (!parseNumber(wetEdit.text, wet) || wet < 0) {
    ui_.showMessage(kCaption, formatText("The maximum baseflow of the high flow month, \"%s\", is not a flow of 0 "
                                         "m3/s or more",
                                         trim(wetEdit.text)));
    return;
  }
  if (!parseNumber(dryEdit.text, dry) || dry < 0) {
    ui_.showMessage(kCaption, formatText("The maximum baseflow of the low flow month, \"%s\", is not a flow of 0 "
                                         "m3/s or more",
                                         trim(dryEdit.text)));
    return;
  }
  state_.hydrology.maxBaseflowWet = static_cast<float>(wet);
  state_.hydrology.maxBaseflowDry = static_cast<float>(dry);
  modalResult = mrOK;
}

void TForm3::Button4Click() {
  if (!Button4.enabled) return;
  hydrology::HydrologyReportInput input;
  input.naturalSummary = ListBox1;
  input.presentSummary = ListBox2;
  input.useQTotal = CheckBox1.checked;
  input.wetText = CheckBox1.checked ? Edit1.text : Edit2.text;
  input.dryText = CheckBox1.checked ? Edit3.text : Edit4.text;
  hydrology::addHydrologyReport(state_, input);
}

void TForm3::CheckBox1Click() {
  CheckBox1.checked = !CheckBox1.checked;
  CheckBox2.checked = !CheckBox1.checked;
}

void TForm3::CheckBox2Click() {
  CheckBox2.checked = !CheckBox2.checked;
  CheckBox1.checked = !CheckBox2.checked;
}

}  // namespace oewr::hydrology
