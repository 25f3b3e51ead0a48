#pragma once
// `oewr demo [DIR]`: builds the demo site's host database and runs the model
// headless on it.
#include <functional>

namespace CLI {
class App;
}

namespace oewr::cli {
void addDemoCommand(CLI::App& app, std::function<int()>& action);
}
