#include "cli/demo_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <vector>

#include "cli/demo_site.h"
#include "cli/run_command.h"

namespace oewr::cli {

namespace {

// What of a host `dir` holds: its ini file or a host database where the demo
// would put its own. Empty when the demo replaces nothing.
std::vector<std::filesystem::path> hostFilesIn(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (const auto& f : {dir / "teravox.ini", dir / hostdb::kHostDatabaseFile, dir / "db" / hostdb::kHostDatabaseFile})
    if (std::filesystem::exists(f, ec)) found.push_back(f);
  return found;
}

int runDemo(const std::string& dir, bool force) {
  namespace fs = std::filesystem;
  const fs::path root = fs::absolute(dir);
  std::error_code ec;
  if (fs::exists(root, ec) && !fs::is_directory(root, ec)) {
    std::cerr << "oewr demo: " << root.string() << " is a file, not a directory" << std::endl;
    return 1;
  }
  if (const auto found = hostFilesIn(root); !found.empty() && !force) {
    std::cerr << "oewr demo: " << root.string() << " already holds a host:";
    for (const auto& f : found) std::cerr << " " << f.string();
    std::cerr << "\nThe demo would replace its ini file and database, and everything in them. Give the demo a new "
                 "or empty directory, or add --force to replace them."
              << std::endl;
    return 1;
  }
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
  auto force = std::make_shared<bool>(false);
  CLI::App* demo = app.add_subcommand(
      "demo", "Build a host database with a generated sample site (70 years of natural, present-day and scenario "
              "monthly flows, parameters, an observed cross-section and rating) and run the model headless on it.");
  demo->add_option("DIR", *dir, "Directory for the demo database and its outputs (default ./oewr-demo)");
  demo->add_flag("--force", *force,
                 "Replace the host already in DIR (its teravox.ini and database); without it such a DIR is refused");
  demo->callback([dir, force, &action] { action = [dir, force] { return runDemo(*dir, *force); }; });
}

}  // namespace oewr::cli
