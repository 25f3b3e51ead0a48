#include "ecology/ecology_report.h"

#include <array>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr::ecology {

namespace {

const std::array<const char*, 3> kPerennialTexts = {"Non-Perennial Allowed", "Wet Season Perennial Forced",
                                                    "All Seasons Perennial Forced"};
const std::array<const char*, 8> kAlignmentTexts = {"Not Aligned",          " A  Category Aligned",
                                                    "A/B Category Aligned", " B  Category Aligned",
                                                    "B/C Category Aligned", " C  Category Aligned",
                                                    "C/D Category Aligned", " D  Category Aligned"};

}  // namespace

const char* perennialityReportText(int perennialSelection) {
  if (perennialSelection < 0 || perennialSelection > 2)
    throw RangeError("Range check error: perennial flow selection " + std::to_string(perennialSelection));
  return kPerennialTexts[static_cast<std::size_t>(perennialSelection)];
}

const char* alignmentReportText(int alignSelection) {
  if (alignSelection < 0 || alignSelection > 7)
    throw RangeError("Range check error: alignment selection " + std::to_string(alignSelection));
  return kAlignmentTexts[static_cast<std::size_t>(alignSelection)];
}

std::vector<std::string> ecologyReportLines(const ModelState& state, int perennialSelection, int alignSelection) {
  std::vector<std::string> lines = {" ", "FLOW - STRESSOR RESPONSE DATA SUMMARY", " ", "Table of Stress weightings",
                                    "Season          Wet   Dry"};
  lines.push_back(formatText("Stress at 0 FS: %2.0f    %2.0f", state.site.stressAtZeroFs[0], state.site.stressAtZeroFs[1]));
  lines.push_back(formatText("FS Weight:      %2.0f    %2.0f", state.site.fsWeight[0], state.site.fsWeight[1]));
  lines.push_back(formatText("FI Weight:      %2.0f    %2.0f", state.site.fiWeight[0], state.site.fiWeight[1]));
  lines.push_back(formatText("FD Weight:      %2.0f    %2.0f", state.site.fdWeight[0], state.site.fdWeight[1]));

  for (const char* line : {" ", "Table of flows (m3/2) v stress index", "         Wet Season  Dry Season",
                           "Stress      Flow        Flow"})
    lines.emplace_back(line);
  for (int j = 0; j <= 10; ++j)
    lines.push_back(formatText("%4.0f    %8.3f    %8.3f", state.ecology.stressLevel[0][j], state.ecology.stressFlow[0][j],
                               state.ecology.stressFlow[1][j]));

  for (const char* line : {" ", "Table of default/altered SHIFT factors for the Stress Frequency Curves", " ",
                           "Category      High SHIFT            Low SHIFT",
                           "           Default    Altered    Default    Altered"})
    lines.emplace_back(line);
  for (int s = 0; s < 2; ++s) {
    lines.emplace_back(s == 0 ? "Wet season" : "Dry season");
    for (int c = 0; c < kCategoryCount; ++c)
      lines.push_back(formatText("%3s        ", kCategoryNames[static_cast<std::size_t>(c)]) +
                      formatText("%6.3f     %6.3f     %6.3f     %6.3f", state.ecology.defaultHighShift[s][c],
                                 state.site.highShift[s][c], state.ecology.defaultLowShift[s][c], state.site.lowShift[s][c]));
  }

  lines.emplace_back(" ");
  lines.emplace_back("Perenniality Rules");
  lines.emplace_back(perennialityReportText(perennialSelection));
  lines.emplace_back(" ");
  lines.emplace_back("Alignment of maximum stress to Present Day stress");
  lines.emplace_back(alignmentReportText(alignSelection));
  return lines;
}

}  // namespace oewr::ecology
