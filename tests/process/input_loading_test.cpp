#include <gtest/gtest.h>

#include <fstream>

#include <cmath>
#include <cstdlib>

#include "ewr/ewr_fixture.h"
#include "ewr/final_analysis_window.h"
#include "hostdb/blob_codec.h"
#include "hostdb/table_save_dialog.h"
#include "menu/submodel_windows.h"
#include "process/input_loading.h"
#include "process/process_window.h"
#include "support/scripted_ui.h"
#include "support/test_host.h"

using namespace oewr;
using namespace oewr::ewr;
using namespace oewr::menu;
using namespace oewr::process;
using oewr::testing::ScriptedUi;
using oewr::testing::TestHost;

namespace {

std::vector<float> ecoParams(float first, std::vector<float> wetWeights = {9, 2, 1, 1}) {
  std::vector<float> v = {first, 0, 0, 10, 20, 30, 40, 50, 60, 70, 80, 1, 2, 3, 4, 5, 6, 7, 8};
  v.insert(v.end(), wetWeights.begin(), wetWeights.end());
  for (float w : {5.0f, 3.0f, 1.0f, 1.0f}) v.push_back(w);
  return v;
}

struct Loaded {
  std::unique_ptr<ModelState> state = makeModelState();
  ScriptedUi ui;
  hostdb::Ttable_save dialog;
  ModelWindows windows;
  std::unique_ptr<TForm1> form;
};

std::unique_ptr<Loaded> start(TestHost& host, std::vector<std::string> args) {
  auto l = std::make_unique<Loaded>();
  l->form = std::make_unique<TForm1>(*l->state, l->ui, l->dialog, l->windows);
  for (auto& a : args)
    if (a == "INI") a = host.ini.string();
  l->form->FormCreate(args, host.dir.path().string());
  return l;
}

}  // namespace

TEST(ProcessStart, LoadsTheRequestGivenAsSecondArgument) {
  TestHost host;
  host.admin->setText(host.target(3), "Test River at Gauge");
  int rec = host.addRequest();
  auto l = start(host, {"INI", std::to_string(rec)});
  EXPECT_EQ(l->form->Button1, "Run Model");
  EXPECT_EQ(l->state->site.siteName, "Test River at Gauge");
  EXPECT_EQ(l->form->Label1, "TERAVOX PROCESS : new_oewr.exe");
  EXPECT_EQ(l->form->Label2, "Test request");
  EXPECT_EQ(l->form->gaugeProgress, 1);
  EXPECT_EQ(l->state->site.requestSpatialRecord, TestHost::kSite);
  EXPECT_TRUE(l->ui.messages.empty());
}

TEST(ProcessStart, ArgumentsThatLoadNothing) {
  TestHost host;
  host.admin->setText(host.target(3), "Site");
  host.addRequest();
  auto one = start(host, {"INI"});
  EXPECT_EQ(one->form->Button1, "Read Data");
  EXPECT_TRUE(one->state->site.siteName.empty());
  auto negative = start(host, {"INI", "-1"});
  EXPECT_EQ(negative->form->Button1, "Read Data");
  EXPECT_TRUE(negative->ui.messages.empty());
  auto text = start(host, {"INI", "abc"});
  EXPECT_EQ(text->form->Button1, "Read Data");
  EXPECT_TRUE(text->ui.said("'abc' is not a valid integer value"));
  // The user then picks the request and presses "Read Data".
  one->form->moveToRequest(0);
  one->form->Button1Click();
  EXPECT_EQ(one->form->Button1, "Run Model");
  EXPECT_EQ(one->state->site.siteName, "Site");
}

TEST(ProcessStart, IniFileAndItsDefaults) {
  TestHost host;
  auto l = start(host, {"INI"});
  EXPECT_EQ(l->state->site.iniFilePath, host.ini.string());
  EXPECT_EQ(l->state->site.databaseName, "TERAVOX");
  // No arguments, the open dialog cancelled: the executable's directory and teravox.ini.
  auto s = makeModelState();
  ScriptedUi ui;
  hostdb::Ttable_save d;
  ModelWindows w;
  TForm1 f(*s, ui, d, w);
  f.FormCreate({}, "/opt/oewr");
  EXPECT_EQ(s->site.iniFilePath, "/opt/oewr/teravox.ini");
  EXPECT_EQ(s->site.dataDirectory, "/opt/oewr");
  EXPECT_EQ(s->site.databaseName, "TERAVOX");
  EXPECT_EQ(f.Button1, "Read Data");

  // A relative dat_dir is the ini file's folder's, wherever the program starts.
  {
    std::ofstream out(host.dir.path() / "relative.ini");
    out << "[Startup]\ndat_dir=db\ndatab_name=TERAVOX\n";
  }
  auto r = start(host, {(host.dir.path() / "relative.ini").string()});
  EXPECT_EQ(r->state->site.dataDirectory, (host.dir.path() / "db").string());
  EXPECT_EQ(r->form->Button1, "Read Data");
}

TEST(ProcessStart, AMissingOrUnreadableIniFileIsSaidAndCreatesNothing) {
  TestHost host;
  const std::filesystem::path exeDir = host.dir.path() / "bin";
  std::filesystem::create_directories(exeDir);
  auto startWith = [&](const std::string& ini) {
    auto l = std::make_unique<Loaded>();
    l->form = std::make_unique<TForm1>(*l->state, l->ui, l->dialog, l->windows);
    l->form->FormCreate({ini, "1"}, exeDir.string());
    return l;
  };
  // Missing: the defaults name the executable's directory, which holds no database.
  const std::string missing = (host.dir.path() / "none.ini").string();
  auto l = startWith(missing);
  EXPECT_EQ(l->form->Button1, "Read Data");
  ASSERT_EQ(l->ui.messages.size(), 1u);
  const std::string file = (std::filesystem::weakly_canonical(exeDir) / "teravox.sqlite").string();
  EXPECT_EQ(l->ui.messages[0].text, "The ini file " + missing + " does not exist, so the defaults are used (dat_dir " +
                                        exeDir.string() + ", datab_name TERAVOX). Database alias 'TERAVOX' holds no "
                                        "host database: " + file + " does not exist (`oewr host create` makes one)");
  EXPECT_FALSE(std::filesystem::exists(file));
  // There but unreadable (a directory): said, and its defaults are not taken for its settings.
  const std::filesystem::path folder = host.dir.path() / "folder.ini";
  std::filesystem::create_directories(folder);
  l = startWith(folder.string());
  ASSERT_EQ(l->ui.messages.size(), 1u);
  EXPECT_EQ(l->ui.messages[0].text, "The ini file " + folder.string() + ": is a directory, not a file");
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(ProcessStart, ExecutableNameComparedInLowerCase) {
  TestHost host;
  host.admin->setText(host.target(3), "Site");
  int upper = host.addRequest("NEW_OEWR.EXE");
  int path = host.addRequest("C:\\teravox\\new_oewr.exe");
  auto a = start(host, {"INI", std::to_string(upper)});
  EXPECT_EQ(a->form->Button1, "Run Model");
  auto b = start(host, {"INI", std::to_string(path)});
  EXPECT_EQ(b->form->Button1, "Read Data");
  EXPECT_TRUE(b->ui.said("Incompatible Requirement Record. Please Select an New Orvane EWR Model Application"));
  EXPECT_TRUE(b->state->site.siteName.empty());
}

TEST(ProcessStart, FilterOnModelNameHidesOtherProcesses) {
  TestHost host;
  host.addRequest();
  host.addRequest("other.exe");
  auto l = start(host, {"INI"});
  EXPECT_EQ(l->form->requestRows().size(), 1u);
  l->form->CheckBox1 = false;
  l->form->CheckBox1Click();
  ASSERT_EQ(l->form->requestRows().size(), 2u);
  l->form->moveToRequest(1);
  l->form->Button1Click();
  EXPECT_TRUE(l->ui.said("Incompatible Requirement Record. Please Select an New Orvane EWR Model Application"));
  EXPECT_EQ(l->form->Button1, "Read Data");
}

TEST(InputLoading, MissingSiteNameStopsLoadingButSucceeds) {
  TestHost host;
  host.admin->setArray(host.target(5), hostdb::ecologicalParametersArray(ecoParams(20)));
  int rec = host.addRequest();
  auto l = start(host, {"INI", std::to_string(rec)});
  EXPECT_TRUE(l->ui.said("The site name attribute has not been populated"));
  EXPECT_EQ(l->form->Button1, "Run Model");
  EXPECT_EQ(l->state->site.maxBaseflowExceedence, 0);  // not reached
}

TEST(InputLoading, EcologicalParameters) {
  for (auto [first, expected, message] : {std::tuple{4.9f, 5, false}, {4.8f, 15, true}, {15.4f, 15, false},
                                          {15.5f, 16, false}}) {
    TestHost host;
    host.admin->setText(host.target(3), "Site");
    host.admin->setArray(host.target(5), hostdb::ecologicalParametersArray(ecoParams(first)));
    auto l = start(host, {"INI", std::to_string(host.addRequest())});
    EXPECT_EQ(l->state->site.maxBaseflowExceedence, expected) << first;
    EXPECT_EQ(l->ui.said("The maximum baseflow exceedence frequency has been set to 15%"), message) << first;
    if (first == 4.9f) {
      const float wet[] = {10, 15, 20, 25, 30, 35, 40};
      const float dry[] = {50, 55, 60, 65, 70, 75, 80};
      for (int c = 0; c < 7; ++c) {
        EXPECT_FLOAT_EQ(l->state->site.highShift[0][c], wet[c]);
        EXPECT_FLOAT_EQ(l->state->site.highShift[1][c], dry[c]);
      }
      EXPECT_FLOAT_EQ(l->state->site.lowShift[0][1], 1.5f);
      EXPECT_FLOAT_EQ(l->state->site.stressAtZeroFs[0], 9);
      EXPECT_FLOAT_EQ(l->state->site.fdWeight[1], 1);
    }
  }
}

TEST(InputLoading, WetWeightsBelowFiveStopTheLoading) {
  TestHost host;
  host.admin->setText(host.target(3), "Site");
  host.admin->setArray(host.target(5), hostdb::ecologicalParametersArray(ecoParams(15, {1, 1, 1, 1})));
  host.admin->setArray(host.target(8), hostdb::crossSectionArray({10, 12, 15}, {5.2f, 3.1f, 4.0f}));
  host.admin->setArray(host.target(9), hostdb::ratingSegmentsArray({{0.5f, 0.6f, 0.1f, 20}}));
  auto l = start(host, {"INI", std::to_string(host.addRequest())});
  EXPECT_TRUE(l->ui.said("The stress weight parameters for the wet season are not set"));
  EXPECT_EQ(l->form->Button1, "Run Model");
  EXPECT_EQ(l->state->site.xsPointCount, 0);
  EXPECT_EQ(l->state->site.ratingCount, 0);
}

TEST(InputLoading, ObservedCrossSectionIsShiftedToItsFirstPointAndLowestBed) {
  TestHost host;
  host.admin->setText(host.target(3), "Site");
  host.admin->setArray(host.target(8), hostdb::crossSectionArray({10, 12, 15}, {5.2f, 3.1f, 4.0f}));
  auto l = start(host, {"INI", std::to_string(host.addRequest())});
  ModelState& s = *l->state;
  ASSERT_EQ(s.site.xsPointCount, 3);
  EXPECT_FLOAT_EQ(s.site.xsDistance[0], 0);
  EXPECT_FLOAT_EQ(s.site.xsDistance[1], 2);
  EXPECT_FLOAT_EQ(s.site.xsDistance[2], 5);
  EXPECT_NEAR(s.site.xsElevation[0], 2.1, 1e-5);
  EXPECT_FLOAT_EQ(s.site.xsElevation[1], 0);
  EXPECT_NEAR(s.site.xsElevation[2], 0.9, 1e-5);
  EXPECT_EQ(s.site.ratingCount, 0);
  EXPECT_EQ(s.site.savedXsCount, 0);
}

TEST(InputLoading, CrossSectionWithoutClosingRowStopsAtItsRows) {
  auto s = makeModelState();
  readObservedCrossSection(*s, 2, hostdb::floatsToBlob({0, 4, 1.5f, 0.5f}));
  EXPECT_EQ(s->site.xsPointCount, 2);
  EXPECT_FLOAT_EQ(s->site.xsElevation[0], 1.0f);
  // A record whose Data is shorter than its rows reads zeros, never past the end.
  readObservedCrossSection(*s, 500, hostdb::floatsToBlob({0, 4}));
  EXPECT_EQ(s->site.xsPointCount, 500);
  readObservedCrossSection(*s, 600, {});
  EXPECT_EQ(s->site.xsPointCount, 501);
}

TEST(InputLoading, SavedCrossSectionCountsToItsMissingRow) {
  auto s = makeModelState();
  readSavedCrossSection(*s, 4, hostdb::floatsToBlob({0, 1, 2, -999, 3, 2, 3, -999}));
  EXPECT_EQ(s->site.savedXsCount, 3);
  EXPECT_FLOAT_EQ(s->site.savedXsElevation[1], 2);
  // More rows than the 401 held: the elevations are still found after the distances.
  std::vector<float> big;
  for (int i = 0; i < 450; ++i) big.push_back(static_cast<float>(i));
  for (int i = 0; i < 450; ++i) big.push_back(i == 10 ? -999.0f : 1000.0f + static_cast<float>(i));
  readSavedCrossSection(*s, 450, hostdb::floatsToBlob(big));
  EXPECT_EQ(s->site.savedXsCount, 10);
  EXPECT_FLOAT_EQ(s->site.savedXsElevation[400], 1400);
}

TEST(InputLoading, RatingTableFromOneSegment) {
  auto s = makeModelState();
  hostdb::ArrayValue a = hostdb::ratingSegmentsArray({{0.5f, 0.6f, 0.1f, 20}});
  readRatingTable(*s, hostdb::floatsToBlob(a.data));
  ASSERT_GT(s->site.ratingCount, 50);
  for (int i = 0; i <= 10; ++i) EXPECT_EQ(s->site.ratingFlow[i], 0.0f) << i;
  EXPECT_NEAR(s->site.ratingDepth[50], 0.5, 1e-6);
  EXPECT_NEAR(s->site.ratingFlow[50], 0.689, 0.001);
  // The table ends at the first depth whose discharge exceeds 20 m3/s.
  const int n = s->site.ratingCount;
  EXPECT_LE(s->site.ratingFlow[n - 1], 20.0f);
  const double next = std::pow((n * 0.01 - 0.1) / 0.5, 1 / 0.6);
  EXPECT_GT(next, 20.0);
}

TEST(InputLoading, RatingTableOfTwoSegmentsAndItsCap) {
  auto s = makeModelState();
  hostdb::ArrayValue a = hostdb::ratingSegmentsArray({{0.5f, 0.6f, 0.1f, 2}, {0.6f, 0.5f, 0.0f, 1e9f}});
  readRatingTable(*s, hostdb::floatsToBlob(a.data));
  EXPECT_EQ(s->site.ratingCount, 501);  // never beyond the 501 rows held
  // Past 2 m3/s the second law takes over: depth = 0.6 Q^0.5.
  EXPECT_NEAR(s->site.ratingFlow[300], std::pow(3.0 / 0.6, 2.0), 1e-3);
}

TEST(InputLoading, ASecondRequestCarriesNothingOfTheFirstIntoItsResults) {
  TestHost host;
  constexpr int32_t kSecondSite = 8;
  host.admin->addSite(TestHost::kFeature, kSecondSite, "Second River at Weir");
  host.admin->setText(host.target(3), "Test River at Gauge");
  host.admin->setText(host.target(3, kSecondSite), "Second River at Weir");
  host.admin->setArray(host.target(5), hostdb::ecologicalParametersArray(ecoParams(20)));
  host.admin->setArray(host.target(8), hostdb::crossSectionArray({10, 12, 15}, {5.2f, 3.1f, 4.0f}));
  const int first = host.addRequest();  // all 18 slots, results in slots 13 to 17
  std::vector<int32_t> twelve(host.codes.begin(), host.codes.begin() + 12);
  const int second = host.admin->addRequest("Second request", "2017-08-04", TestHost::kFeature, kSecondSite, twelve);

  auto l = start(host, {"INI", std::to_string(first)});
  ModelState& s = *l->state;
  ASSERT_EQ(s.site.attributeCodes[13], host.codes[13]);
  ASSERT_EQ(s.site.maxBaseflowExceedence, 20);
  ASSERT_EQ(s.site.xsPointCount, 3);
  // What a run of the first site leaves behind.
  s.reportLines = std::vector<std::string>{"HYDROLOGY of Test River at Gauge"};
  s.hydrology.criticalWetMonth = 2;
  s.floods.highFlowSeries[2][0] = 5.0f;

  // "Read Data" on the second request, as after closing the menu.
  l->form->moveToRequest(second - 1);
  l->form->Button1 = TForm1::kReadData;
  l->form->Button1Click();
  ASSERT_EQ(l->form->Button1, TForm1::kRunModel);
  EXPECT_EQ(s.site.siteName, "Second River at Weir");
  EXPECT_EQ(s.site.requestSpatialRecord, kSecondSite);
  EXPECT_EQ(s.site.attributeCodes[10], host.codes[10]);
  for (int slot = 12; slot <= 17; ++slot) EXPECT_EQ(s.site.attributeCodes[slot], 0) << "slot " << slot;
  EXPECT_EQ(s.site.maxBaseflowExceedence, 0);
  EXPECT_EQ(s.site.highShift[0][0], 0.0f);
  EXPECT_EQ(s.site.fsWeight[0], 0.0f);
  EXPECT_EQ(s.site.xsPointCount, 0);
  EXPECT_FALSE(s.reportLines.has_value());
  EXPECT_EQ(s.hydrology.criticalWetMonth, 0);
  EXPECT_EQ(s.floods.highFlowSeries[2][0], 0.0f);
  EXPECT_EQ(s.site.databaseName, "TERAVOX");
  EXPECT_EQ(s.hostTables, l->form->hostTables());

  // "Save Results to TERAVOX" of a run of the second site: its request names
  // no result attributes, so nothing is written anywhere.
  oewr::testing::fillSeries(s.site.naturalFlows, 30 * 12, 10, 11u);
  oewr::testing::fillEcology(s, 3, 9);
  oewr::testing::fillHighFlows(s);
  s.reportLines = std::vector<std::string>{"HYDROLOGY of Second River at Weir"};
  {
    TForm7 ewrWindow(s, *l->form->hostTables(), l->ui, l->dialog);
    for (ewr::EwrSaveItem item : ewr::kSaveItems) ewrWindow.setSaveItemTicked(item, true);
    ewrWindow.save_go();
    ASSERT_TRUE(ewrWindow.analysed());
  }
  for (int32_t site : {TestHost::kSite, kSecondSite}) {
    EXPECT_FALSE(host.admin->readArray(host.target(13, site))) << "site " << site;
    EXPECT_FALSE(host.admin->readArray(host.target(14, site))) << "site " << site;
    EXPECT_FALSE(host.admin->readTimeSeries(host.target(15, site))) << "site " << site;
    EXPECT_FALSE(host.admin->readTimeSeries(host.target(16, site))) << "site " << site;
    EXPECT_FALSE(host.admin->readMemo(host.target(17, site))) << "site " << site;
  }

  // Reading the same request again keeps its report; another request drops it.
  l->form->Button1 = TForm1::kReadData;
  l->form->Button1Click();
  ASSERT_TRUE(s.reportLines.has_value());
  EXPECT_EQ(s.reportLines->front(), "HYDROLOGY of Second River at Weir");
  EXPECT_EQ(s.site.naturalFlows.header.count, 0);
  l->form->moveToRequest(first - 1);
  l->form->Button1 = TForm1::kReadData;
  l->form->Button1Click();
  EXPECT_FALSE(s.reportLines.has_value());
  EXPECT_EQ(s.site.attributeCodes[17], host.codes[17]);
}

TEST(ProcessStart, RequestDatesInTheShortDateFormatOfTheLocale) {
  // The C locale's short date is month/day/year of two digits.
  const char* before = std::getenv("LC_ALL");
  const std::string saved = before ? before : "";
  setenv("LC_ALL", "C", 1);
  TestHost host;
  host.admin->setText(host.target(3), "Site");
  auto l = start(host, {"INI", std::to_string(host.addRequest())});
  EXPECT_EQ(l->form->Label3, "08/03/17");
  ASSERT_EQ(l->form->requestRows().size(), 1u);
  EXPECT_EQ(l->form->requestRows()[0].date, "08/03/17");
  if (before) setenv("LC_ALL", saved.c_str(), 1);
  else unsetenv("LC_ALL");
}
