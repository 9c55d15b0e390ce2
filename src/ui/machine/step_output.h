#pragma once
// The tick output of the step links for a cut or a manual move.

#include <memory>
#include <string>

#include "core/machine/tick_output.h"

namespace orvane {

class PortOutput;

namespace ui {

struct AppContext;

struct StepOutput {
  PortOutput* port = nullptr;  // the parallel port, for the heat guard; null on the serial link
  std::unique_ptr<TickOutput> output;
  std::string failure;  // why there is no output
};

// The parallel port (opened again when its address changed) or the serial
// port, open and emptied; `task` names what cannot be done without it.
StepOutput OpenStepOutput(AppContext& context, const std::string& task);

}  // namespace ui
}  // namespace orvane
