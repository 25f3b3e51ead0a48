#pragma once
// Error types of the model. A ModelError ends the action that raised it; the
// window (or the headless run) reports its text. RangeError is raised by a
// checked bound or a checked integer operation.
#include <stdexcept>
#include <string>

namespace oewr {

class ModelError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RangeError : public ModelError {
 public:
  using ModelError::ModelError;
};

// An action stopped on purpose after its message was shown (for example a
// refused input); the caller ends the action without a second message.
class ActionStopped : public ModelError {
 public:
  using ModelError::ModelError;
};

}  // namespace oewr
