// The widget application of the view tests lives from the first test that
// needs it to the end of the test run, and goes before the program exits.
#include <gtest/gtest.h>

#include "render/chart_render.h"

namespace {
class GuiEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { oewr::render::releaseGuiApplication(); }
};
[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);
}  // namespace
