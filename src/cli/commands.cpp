#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <iostream>

#include "cli/demo_command.h"
#include "cli/host_command.h"
#include "cli/run_command.h"
#include "cli/shards.h"

namespace oewr::cli {

int runMain(int argc, char** argv) {
  CLI::App app{"oewr: the Orvane EWR model. Determines the environmental water requirements of a river site\n"
               "from its monthly flows, channel and ecological parameters, on a TERAVOX host database."};
  app.require_subcommand(0, 1);
  // The chosen sub-command's work, set while parsing and run after it.
  std::function<int()> action;
  addRunCommand(app, action);
  addMergeCommand(app, action);
  addDemoCommand(app, action);
  HostCommand host(app, action);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (action) return action();
  std::cout << app.help();
  return 0;
}

}  // namespace oewr::cli
