#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "charting/stacking.h"
#include "common/errors.h"
#include "hydraulics/habitat_diagram_window.h"
#include "support/scripted_ui.h"

using namespace oewr;
using namespace oewr::hydraulics;
using oewr::testing::ScriptedUi;

namespace {

// Five stages whose discharge falls back once (12 then 9).
std::unique_ptr<ModelState> stagesState() {
  auto s = makeModelState();
  s->site.siteName = "Vaal at Site 3";
  s->site.dataDirectory = "/data";
  const float discharge[] = {1.0f, 4.0f, 12.0f, 9.0f, 30.0f};
  s->hydraulics.stageCount = 5;
  for (int j = 0; j < 5; ++j) {
    s->hydraulics.stageDischarge[j] = discharge[j];
    s->hydraulics.stageWidth[j] = 10.0f + static_cast<float>(j);
    for (int c = 0; c < kHabitatClassCount; ++c) s->hydraulics.stageClassShare[c][j] = static_cast<float>(c + j);
  }
  s->hydraulics.wetBaseflowStage = 2;
  return s;
}

std::size_t pointsOf(const charting::Chart& chart, std::size_t series) { return chart.series[series].points.size(); }

// A Ui whose save dialogs answer in turn and that keeps what they were asked.
class FileUi : public ScriptedUi {
 public:
  std::deque<std::optional<std::string>> files;
  std::vector<FileDialogOptions> asked;
  std::optional<std::string> pickSaveFile(const FileDialogOptions& dialog) override {
    asked.push_back(dialog);
    auto f = files.front();
    files.pop_front();
    return f;
  }
};

}  // namespace

TEST(HabitatDiagram, OpensWithTheDefaultLimitAndTheSevenStackedClasses) {
  auto s = stagesState();
  ScriptedUi ui;
  TForm5b form(*s, ui);
  form.FormCreate();
  // ceil(12 / 10) x 10
  EXPECT_EQ(form.Edit1.text, "    20.000");
  EXPECT_EQ(form.Edit1.caption, "Maximum Discharge (m^3/s)");
  EXPECT_EQ(form.Chart1.title, "Habitat Frequency Plot for: Vaal at Site 3");
  EXPECT_EQ(form.Chart1.bottomAxis.title, "Discharge (m^3 / s)");
  EXPECT_EQ(form.Chart1.leftAxis.title, "% Frequency of habitats");
  EXPECT_EQ(form.Chart1.legend, charting::LegendPosition::Top);

  const std::vector<std::string> titles = {"SVS", "SS", "SD", "FVS", "FS", "FI", "FD"};
  const std::vector<charting::Color> colours = {charting::kSilver, charting::kAqua, charting::kNavy,
                                                charting::kYellow, charting::kTeal, charting::kRed,
                                                charting::kMaroon};
  ASSERT_EQ(form.Chart1.series.size(), 7u);
  for (std::size_t c = 0; c < 7; ++c) {
    EXPECT_EQ(form.Chart1.series[c].title, titles[c]);
    EXPECT_EQ(form.Chart1.series[c].color, colours[c]);
    EXPECT_EQ(form.Chart1.series[c].kind, charting::SeriesKind::Area);
  }
  EXPECT_EQ(charting::stackLayers(form.Chart1, TForm5b::kHabitatStack).size(), 7u);

  ASSERT_EQ(form.Chart2.series.size(), 1u);
  EXPECT_EQ(form.Chart2.series[0].color, charting::kBlack);
  EXPECT_EQ(form.Chart2.series[0].width, 2);
  EXPECT_TRUE(form.Chart2.title.empty());
  EXPECT_EQ(form.Chart2.legend, charting::LegendPosition::Hidden);
  EXPECT_EQ(form.Chart2.leftAxis.title, "Wetted Width (m)");

  // Plotted to the first stage above 20: the falling stage 3 is included,
  // stage 4 (30) ends the plot.
  EXPECT_EQ(pointsOf(form.Chart1, 0), 4u);
  EXPECT_EQ(form.Chart1.series[6].points[3].x, 9.0);
  EXPECT_EQ(form.Chart1.series[6].points[3].y, 9.0);  // class 6 at stage 3
  EXPECT_EQ(form.Chart2.series[0].points[2].y, 12.0);
}

TEST(HabitatDiagram, DefaultLimitWithoutAWetSeasonCrossing) {
  auto s = stagesState();
  s->hydraulics.wetBaseflowStage = 0;
  s->hydraulics.stageDischarge[0] = 0.4f;
  EXPECT_EQ(TForm5b::defaultLimit(*s), 10.0f);
  s->hydraulics.stageDischarge[0] = 10.0f;
  EXPECT_EQ(TForm5b::defaultLimit(*s), 10.0f);  // a multiple of 10 stays
  s->hydraulics.stageDischarge[0] = 0.0f;
  EXPECT_EQ(TForm5b::defaultLimit(*s), 0.0f);
}

TEST(HabitatDiagram, TheLimitDecidesHowManyStagesArePlotted) {
  auto s = stagesState();
  ScriptedUi ui;
  TForm5b form(*s, ui);
  form.FormCreate();

  form.Edit1.text = "0.5";  // below the first stage
  form.Button1Click();
  for (std::size_t c = 0; c < 7; ++c) EXPECT_EQ(pointsOf(form.Chart1, c), 0u);
  EXPECT_EQ(pointsOf(form.Chart2, 0), 0u);

  form.Edit1.text = "100";  // above the last stage
  form.Button1Click();
  for (std::size_t c = 0; c < 7; ++c) EXPECT_EQ(pointsOf(form.Chart1, c), 5u);
  EXPECT_EQ(pointsOf(form.Chart2, 0), 5u);

  form.Edit1.text = "12";  // equal is not above
  form.Button1Click();
  EXPECT_EQ(pointsOf(form.Chart2, 0), 4u);

  form.Edit1.text = "9";  // the plot ends at 12, though 9 follows
  form.Button1Click();
  EXPECT_EQ(pointsOf(form.Chart2, 0), 2u);

  // A limit that is no number leaves the charts as they were.
  form.Edit1.text = "twelve";
  EXPECT_THROW(form.Button1Click(), ModelError);
  EXPECT_EQ(pointsOf(form.Chart2, 0), 2u);

  // Without stages both charts stay empty.
  s->hydraulics.stageCount = 0;
  form.Edit1.text = "100";
  form.Button1Click();
  EXPECT_EQ(pointsOf(form.Chart1, 0), 0u);
  EXPECT_EQ(pointsOf(form.Chart2, 0), 0u);

  form.Button3Click();
  EXPECT_EQ(form.modalResult, mrCancel);
}

TEST(HabitatDiagram, OutputGraphsAsksForEachChartInTurn) {
  auto s = stagesState();
  FileUi ui;
  TForm5b form(*s, ui);
  form.FormCreate();
  std::vector<std::pair<std::string, std::string>> written;  // chart title, path
  form.saveChartPicture = [&written](const charting::Chart& chart, const std::string& path, std::string&) {
    written.emplace_back(chart.name, path);
    return true;
  };

  ui.files = {std::string("/out/habitat"), std::string("/out/width.bmp")};
  form.Button2Click();
  EXPECT_EQ(written, (std::vector<std::pair<std::string, std::string>>{{"Chart1", "/out/habitat.bmp"},
                                                                        {"Chart2", "/out/width.bmp"}}));
  ASSERT_EQ(ui.asked.size(), 2u);
  EXPECT_EQ(ui.asked[0].filter, "Windows Bitmap File|*.bmp");
  EXPECT_EQ(ui.asked[0].defaultExtension, "bmp");
  EXPECT_EQ(ui.asked[0].initialDirectory, "/data/Vaal at Site 3_habitat.bmp");
  EXPECT_EQ(ui.asked[1].initialDirectory, "/data/Vaal at Site 3_width.bmp");

  // A cancelled dialog skips only its chart.
  written.clear();
  ui.files = {std::nullopt, std::string("/out/w.bmp")};
  form.Button2Click();
  EXPECT_EQ(written, (std::vector<std::pair<std::string, std::string>>{{"Chart2", "/out/w.bmp"}}));

  // A picture that cannot be written is said, with the reason.
  form.saveChartPicture = [](const charting::Chart&, const std::string&, std::string& error) {
    error = "disk full";
    return false;
  };
  ui.files = {std::string("/out/h.bmp"), std::nullopt};
  form.Button2Click();
  EXPECT_EQ(ui.texts(), (std::vector<std::string>{"The chart could not be written to /out/h.bmp: disk full"}));
}

TEST(HabitatDiagram, MadeForAnotherWindowAlreadyPlotted) {
  auto s = stagesState();
  ScriptedUi ui;
  auto diagram = makeHabitatDiagram(*s, ui);
  auto& form = dynamic_cast<TForm5b&>(*diagram);
  EXPECT_TRUE(form.opened);
  EXPECT_EQ(pointsOf(form.Chart2, 0), 4u);
  EXPECT_EQ(form.formCaption(), "Habitat Frequency Diagram");
}
