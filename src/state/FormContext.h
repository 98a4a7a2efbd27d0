#pragma once

#include "platform/Host.h"
#include "state/FormComponents.h"
#include "state/SharedState.h"

namespace quorvane {

// What every subsystem of the main window works with: the platform, the
// shared state and the window's controls.
struct FormContext {
  Host& host;
  SharedState& s;
  FormComponents& ui;
};

}  // namespace quorvane
