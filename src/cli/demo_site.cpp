#include "cli/demo_site.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace oewr::cli {

namespace {

// A small deterministic generator (splitmix64), so the demo is the same on
// every machine.
class DemoRandom {
 public:
  explicit DemoRandom(uint64_t seed) : s_(seed) {}
  double uniform() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return (static_cast<double>(z >> 11) + 0.5) / 9007199254740992.0;
  }
  double normal() {
    const double u1 = uniform(), u2 = uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
  }

 private:
  uint64_t s_;
};

}  // namespace

DemoSite makeDemoSite(int years) {
  DemoSite d;
  d.years = years;
  DemoRandom rnd(20170803);
  // Mean monthly volumes (million m3), October to September: a summer-rainfall
  // river, wet from December to April, driest in August and September.
  const double monthMean[12] = {6.0, 10.0, 18.0, 30.0, 36.0, 28.0, 16.0, 9.0, 6.2, 4.6, 3.6, 3.9};
  const int dryYears[] = {12, 13, 31, 47, 58};
  double annualState = 0;
  double carry = 0;  // groundwater carry-over from month to month
  for (int y = 0; y < d.years; ++y) {
    annualState = 0.35 * annualState + 0.42 * rnd.normal();
    double yearFactor = std::exp(annualState - 0.09);
    if (std::find(std::begin(dryYears), std::end(dryYears), y) != std::end(dryYears)) yearFactor *= 0.35;
    for (int m = 0; m < 12; ++m) {
      const bool wet = m >= 2 && m <= 6;
      const double noise = std::exp((wet ? 0.35 : 0.18) * rnd.normal());
      double q = monthMean[m] * yearFactor * noise;
      q = 0.8 * q + 0.2 * carry;
      carry = q;
      d.natural.push_back(static_cast<float>(std::round(q * 1000.0) / 1000.0));
    }
  }
  for (float n : d.natural) {
    // Abstractions take a fixed volume a month where they can, which cuts the
    // low flows far more than the high flows; a dam takes a share of all.
    const double p = n - std::min(0.55 * n, 1.2) - 0.05 * n;
    const double s = n - std::min(0.7 * n, 2.0) - 0.08 * n;
    d.present.push_back(static_cast<float>(std::round(std::max(0.0, p) * 1000.0) / 1000.0));
    d.scenario.push_back(static_cast<float>(std::round(std::max(0.0, s) * 1000.0) / 1000.0));
  }
  // baseflowA, baseflowB, geoZone, widthDepthScaling, hydroVariability,
  // valleySlope, catchmentArea, maxWidth, maxDepth (0: estimated), then the
  // channel parameters that the hydraulics estimate.
  // The observed set (the last six) is a calibration against the surveyed
  // section's rating, used with --section observed.
  d.siteParameters = {0.925f, 0.5f, 4, 0.5f, 0, 0.01f, 1250, 40, 0, 0, 0, 0.02f,
                      0,      0,    0, 0,    0, 0,     0.03f, 0.01f, 13, 0.09f, 0.07f, 23};
  // The ecological parameters a site starts from: the exceedence point and
  // the stress weights, but no category shifts yet, so that the ecology
  // window offers the default shifts of the site's own flows.
  d.ecologicalParameters = {15, 0, 0,
                            // HIGH shifts: wet A, B, C, D, dry A, B, C, D
                            0, 0, 0, 0, 0, 0, 0, 0,
                            // LOW shifts
                            0, 0, 0, 0, 0, 0, 0, 0,
                            // wet: stress at zero FS, FS, FI, FD; then dry
                            9, 2, 1, 1, 5, 3, 1, 1};
  // A surveyed section 42 m wide, banks about 3.4 m above the bed.
  const float elevations[] = {103.40f, 102.80f, 102.10f, 101.30f, 100.70f, 100.35f, 100.20f, 100.05f,
                              100.00f, 100.12f, 100.08f, 100.18f, 100.10f, 100.25f, 100.30f, 100.55f,
                              100.90f, 101.60f, 102.30f, 102.90f, 103.50f};
  for (int i = 0; i < 21; ++i) {
    d.xsDistance.push_back(static_cast<float>(5 + 2.1 * i));
    d.xsElevation.push_back(elevations[i]);
  }
  // depth = C + A Q^B: a low-flow control up to 15 m3/s, then the channel.
  d.rating = {{0.30f, 0.45f, 0.10f, 15.0f}, {0.3164f, 0.35f, 0.30f, 900.0f}};
  return d;
}

DemoSite siteWithNaturalFlows(const std::string& name, int startYear, int startMonth, std::vector<float> natural) {
  DemoSite site = makeDemoSite();
  site.name = name;
  site.startYear = startYear;
  site.startMonth = startMonth;
  site.years = static_cast<int>(natural.size() / 12);
  site.natural = std::move(natural);
  site.present.clear();
  site.scenario.clear();
  return site;
}

DemoDatabase buildDemoDatabase(const std::filesystem::path& directory, const DemoSite& site) {
  DemoDatabase db;
  db.requestRecord = buildSitesDatabase(directory, {site}, db.iniFile).front();
  db.databaseDirectory = directory / "db";
  return db;
}

std::vector<int> buildSitesDatabase(const std::filesystem::path& directory, const std::vector<DemoSite>& sites,
                                    std::filesystem::path& iniFile) {
  namespace fs = std::filesystem;
  using namespace hostdb;
  fs::create_directories(directory);
  iniFile = directory / "teravox.ini";
  const fs::path databaseDirectory = directory / "db";
  std::error_code ec;
  fs::remove(iniFile, ec);
  for (const char* suffix : {"", "-wal", "-shm"})
    fs::remove(databaseDirectory / (std::string(kHostDatabaseFile) + suffix), ec);
  HostAdmin::createDatabase(iniFile, kDefaultDatabaseName, databaseDirectory, true);
  HostAdmin admin(iniFile, kDefaultDatabaseName);

  const std::string feature = "River sites";
  admin.addFeature(feature, "river_sites", "ID", "Name");
  struct Attr {
    int slot;
    const char* name;
    int type;
  };
  const Attr attrs[] = {{3, "Site name", kText},
                        {4, "OEWR hydraulic parameters", kArray},
                        {5, "OEWR ecological parameters", kArray},
                        {6, "OEWR flood parameters", kArray},
                        {7, "OEWR saved cross-section", kArray},
                        {8, "Observed cross-section", kArray},
                        {9, "Observed rating segments", kArray},
                        {10, "Natural flows", kTimeseries},
                        {11, "Present day flows", kTimeseries},
                        {12, "Scenario flows", kTimeseries},
                        {13, "EWR total flow assurance", kArray},
                        {14, "EWR low flow assurance", kArray},
                        {15, "EWR total flow series", kTimeseries},
                        {16, "EWR low flow series", kTimeseries},
                        {17, "EWR report", kMemo}};
  std::vector<int32_t> codes(kRequestSlotCount, 0);
  for (const Attr& a : attrs) codes[static_cast<std::size_t>(a.slot)] = admin.addAttribute(feature, a.name, a.type);

  std::vector<int> requests;
  for (std::size_t i = 0; i < sites.size(); ++i) {
    const DemoSite& site = sites[i];
    const int32_t siteId = static_cast<int32_t>(i + 1);
    admin.addSite(feature, siteId, site.name);
    auto target = [&](const char* attribute) { return ValueTarget{attribute, siteId, feature}; };
    admin.setText(target("Site name"), site.name);
    admin.setArray(target("OEWR hydraulic parameters"), siteParametersArray(site.siteParameters));
    admin.setArray(target("OEWR ecological parameters"), ecologicalParametersArray(site.ecologicalParameters));
    admin.setArray(target("Observed cross-section"), crossSectionArray(site.xsDistance, site.xsElevation));
    admin.setArray(target("Observed rating segments"), ratingSegmentsArray(site.rating));
    const float area = site.siteParameters.size() > 6 ? site.siteParameters[6] : 0.0f;
    admin.setMonthlyFlows(target("Natural flows"), site.startYear, site.startMonth, site.natural, "Natural flows", area);
    if (!site.present.empty())
      admin.setMonthlyFlows(target("Present day flows"), site.startYear, site.startMonth, site.present,
                            "Present day flows", area);
    if (!site.scenario.empty())
      admin.setMonthlyFlows(target("Scenario flows"), site.startYear, site.startMonth, site.scenario, "Scenario flows",
                            area);
    std::string description = "EWR, " + site.name;
    if (description.size() > 40) description.resize(40);
    requests.push_back(admin.addRequest(description, "2017-08-03", feature, siteId, codes));
  }
  return requests;
}

}  // namespace oewr::cli
