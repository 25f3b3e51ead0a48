#pragma once
// The demo site: a generated perennial river with a wet and a dry season,
// year-to-year variability and a few dry years, its present-day and scenario
// flows, parameters (the ecological ones without category shifts yet), an
// observed cross-section and rating; and the host database that holds it.
#include <filesystem>
#include <string>
#include <vector>

#include "hostdb/host_admin.h"

namespace oewr::cli {

struct DemoSite {
  std::string name = "Orvane River at Demo Weir";
  int startYear = 1950;  // hydrological years from October 1950
  int startMonth = 10;
  int years = 70;
  // Million m3 a month from the start month; an empty present-day or
  // scenario series is not stored.
  std::vector<float> natural, present, scenario;
  std::vector<float> siteParameters;              // 24 values
  std::vector<float> ecologicalParameters;        // 27 values
  std::vector<float> xsDistance, xsElevation;
  std::vector<hostdb::RatingSegment> rating;
};

// The same site every time (a fixed seed), with `years` hydrological years.
DemoSite makeDemoSite(int years = 70);

// A site with the demo's parameters and the given natural flows only.
DemoSite siteWithNaturalFlows(const std::string& name, int startYear, int startMonth, std::vector<float> natural);

struct DemoDatabase {
  std::filesystem::path iniFile;
  std::filesystem::path databaseDirectory;
  int requestRecord = 0;
};

// Builds the host database of a site in `directory` (its ini file, the
// database under alias TERAVOX, the site, its attributes and a request).
// An existing database there is replaced.
DemoDatabase buildDemoDatabase(const std::filesystem::path& directory, const DemoSite& site);

// The same for several sites in one database: site i gets spatial record
// i + 1 and a request of its own; returns the requests' record numbers.
std::vector<int> buildSitesDatabase(const std::filesystem::path& directory, const std::vector<DemoSite>& sites,
                                    std::filesystem::path& iniFile);

}  // namespace oewr::cli
