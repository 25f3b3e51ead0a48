#pragma once
// The `oewr` command and its sub-commands.
namespace oewr::cli {
int runMain(int argc, char** argv);
}
