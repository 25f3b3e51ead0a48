#include "cli/demo_command.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/demo_site.h"
#include "cli/run_command.h"

namespace oewr::cli {

namespace {

int runDemo(const std::string& dir) {
  namespace fs = std::filesystem;
  const fs::path root = fs::absolute(dir);
  std::cout << "Building the demo site's host database in " << root.string() << " ..." << std::endl;
  DemoDatabase db;
  try {
    db = buildDemoDatabase(root, makeDemoSite());
  } catch (const std::exception& e) {
    std::cerr << "oewr demo: " << e.what() << std::endl;
    return 1;
  }
  std::cout << "  host ini file:     " << db.iniFile.string() << "\n"
            << "  host database:     " << (db.databaseDirectory / hostdb::kHostDatabaseFile).string() << "\n"
            << "  request record:    " << db.requestRecord << "\n"
            << "Running the model on request " << db.requestRecord << " ..." << std::endl;
  RunOptions options;
  options.ini = db.iniFile.string();
  options.record = db.requestRecord;
  options.outDir = (root / "output").string();
  return runRequest(options, std::cout, std::cerr);
}

}  // namespace

void addDemoCommand(CLI::App& app, std::function<int()>& action) {
  auto dir = std::make_shared<std::string>("oewr-demo");
  CLI::App* demo = app.add_subcommand(
      "demo", "Build a host database with a generated sample site (70 years of natural, present-day and scenario "
              "monthly flows, parameters, an observed cross-section and rating) and run the model headless on it.");
  demo->add_option("DIR", *dir, "Directory for the demo database and its outputs (default ./oewr-demo)");
  demo->callback([dir, &action] { action = [dir] { return runDemo(*dir); }; });
}

}  // namespace oewr::cli
