#pragma once
// `oewr host ...`: host database administration from the command line.
#include <functional>
#include <memory>

namespace CLI {
class App;
}

namespace oewr::cli {

struct HostOptions;

// Adds `host` and its sub-commands to `app`. When the parse picks one of
// them, `action` is set to its work, which prints what it did and returns the
// exit code (non-zero on failure, with the error on standard error).
class HostCommand {
 public:
  HostCommand(CLI::App& app, std::function<int()>& action);
  ~HostCommand();
  HostCommand(const HostCommand&) = delete;
  HostCommand& operator=(const HostCommand&) = delete;

 private:
  std::unique_ptr<HostOptions> o_;
};

}  // namespace oewr::cli
