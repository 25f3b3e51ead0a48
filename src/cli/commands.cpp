#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <iostream>

namespace oewr::cli {

int runMain(int argc, char** argv) {
  CLI::App app{"oewr: the Orvane EWR model. Determines the environmental water requirements of a river site\n"
               "from its monthly flows, channel and ecological parameters, on a TERAVOX host database."};
  app.require_subcommand(0, 1);
  CLI11_PARSE(app, argc, argv);
  if (app.get_subcommands().empty()) std::cout << app.help();
  return 0;
}

}  // namespace oewr::cli
