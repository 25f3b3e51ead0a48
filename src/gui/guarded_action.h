#pragma once
// Runs a handler of a window so that an error which ends the action is shown
// to the person instead of reaching Qt's event loop, which would end the
// program with the work of the session.
#include <exception>
#include <string>

#include "common/errors.h"

namespace oewr::gui {

// Runs `handler`; an error it throws goes to `report` with its text. Returns
// false when the handler ended with an error.
template <typename Handler, typename Report>
bool runShowingErrors(Handler&& handler, Report&& report) {
  try {
    handler();
    return true;
  } catch (const ActionStopped&) {
    // Its message was shown before it was thrown.
  } catch (const std::exception& e) {
    report(std::string(e.what()));
  }
  return false;
}

}  // namespace oewr::gui
