#include "hydraulics/habitat_diagram_window.h"

#include <array>
#include <cmath>
#include <filesystem>

#include "common/errors.h"
#include "common/safe_file_name.h"
#include "common/text_format.h"
#include "hydraulics/habitat_classes.h"

namespace oewr::hydraulics {

namespace {

const std::array<charting::Color, kHabitatClassCount> kClassColors = {
    charting::kSilver, charting::kAqua, charting::kNavy,  charting::kYellow,  // SVS, SS, SD, FVS
    charting::kTeal,   charting::kRed,  charting::kMaroon};                     // FS, FI, FD

}  // namespace

TForm5b::TForm5b(ModelState& state, Ui& ui) : state_(state), ui_(ui) {
  Chart1.name = "Chart1";
  Chart1.title = kTitlePrefix;
  Chart1.bottomAxis.title = "Discharge (m^3 / s)";
  Chart1.leftAxis.title = "% Frequency of habitats";
  Chart1.legend = charting::LegendPosition::Top;
  Chart2.name = "Chart2";
  Chart2.bottomAxis.title = "Discharge (m^3/s)";
  Chart2.leftAxis.title = "Wetted Width (m)";
  Chart2.legend = charting::LegendPosition::Hidden;
}

float TForm5b::defaultLimit(const ModelState& state) {
  return std::ceil(state.hydraulics.stageDischarge[state.hydraulics.wetBaseflowStage] / 10.0f) * 10.0f;
}

void TForm5b::makeSeries() {
  Chart1.removeAllSeries();
  for (int c = 0; c < kHabitatClassCount; ++c) {
    charting::Series& s = Chart1.addSeries(kHabitatClassNames[static_cast<std::size_t>(c)],
                                           charting::SeriesKind::Area, kClassColors[static_cast<std::size_t>(c)]);
    s.stackGroup = kHabitatStack;
  }
  Chart2.removeAllSeries();
  Chart2.addSeries("Wetted width", charting::SeriesKind::Line, charting::kBlack, 2);
}

void TForm5b::FormCreate() {
  opened = true;
  Edit1.text = formatText("%10.3f", defaultLimit(state_));
  Chart1.title = kTitlePrefix + state_.site.siteName;
  makeSeries();
  Button1Click();
}

void TForm5b::Button1Click() {
  // The limit is read before anything is cleared: a text that is no number
  // leaves the charts as they are.
  double value = 0;
  if (!parseNumber(Edit1.text, value))
    throw ModelError("'" + Edit1.text + "' is not a valid floating point value (\"" + Edit1.caption + "\")");
  const float limit = static_cast<float>(value);
  if (Chart1.series.size() != kHabitatClassCount || Chart2.series.empty()) makeSeries();
  Chart1.clearAll();
  Chart2.clearAll();
  charting::Series& width = Chart2.series.front();
  for (int32_t j = 0; j < state_.hydraulics.stageCount; ++j) {
    const float q = state_.hydraulics.stageDischarge[j];
    if (q > limit) break;
    for (int c = 0; c < kHabitatClassCount; ++c)
      Chart1.series[static_cast<std::size_t>(c)].add(static_cast<double>(q),
                                                     static_cast<double>(state_.hydraulics.stageClassShare[c][j]));
    width.add(static_cast<double>(q), static_cast<double>(state_.hydraulics.stageWidth[j]));
  }
  Chart1.changed();
  Chart2.changed();
}

void TForm5b::Button2Click() {
  struct Output {
    const charting::Chart* chart;
    const char* title;
    const char* ending;
  };
  const std::array<Output, 2> outputs = {{{&Chart1, "Save the Habitat Frequency Plot", "_habitat.bmp"},
                                          {&Chart2, "Save the Wetted Width Plot", "_width.bmp"}}};
  for (const Output& out : outputs) {
    FileDialogOptions dialog;
    dialog.filter = "Windows Bitmap File|*.bmp";
    dialog.defaultExtension = "bmp";
    dialog.title = out.title;
    // The dialog opens in the data directory on the name the site suggests.
    dialog.initialDirectory =
        (std::filesystem::path(state_.site.dataDirectory) / safeFileName(state_.site.siteName + out.ending)).string();
    const auto chosen = ui_.pickSaveFile(dialog);
    if (!chosen) continue;  // a cancelled dialog skips this chart only
    std::filesystem::path path(*chosen);
    if (!path.has_extension()) path += ".bmp";
    if (!saveChartPicture) {
      ui_.showMessage(kCaption, "Charts cannot be saved as pictures here; " + path.string() + " was not written");
      continue;
    }
    std::string error;
    if (!saveChartPicture(*out.chart, path.string(), error))
      ui_.showMessage(kCaption, "The chart could not be written to " + path.string() +
                                    (error.empty() ? std::string() : ": " + error));
  }
}

std::unique_ptr<ModalForm> makeHabitatDiagram(ModelState& state, Ui& ui) {
  auto diagram = std::make_unique<TForm5b>(state, ui);
  diagram->FormCreate();
  return diagram;
}

}  // namespace oewr::hydraulics
