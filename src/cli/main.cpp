// oewr: the Orvane EWR model from the command line.
#include "cli/commands.h"

int main(int argc, char** argv) { return oewr::cli::runMain(argc, argv); }
