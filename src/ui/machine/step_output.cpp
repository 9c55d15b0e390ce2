#include "ui/machine/step_output.h"

#include "core/machine/serial_step.h"
#include "ui/app/app_context.h"

namespace orvane::ui {

StepOutput OpenStepOutput(AppContext& context, const std::string& task) {
  const MachineSettings& s = context.settings;
  StepOutput out;
  if (s.PortType == 0) {
    if ((!context.port || context.portBase != s.Port) && context.openParallelPort) {
      context.port = context.openParallelPort(s.Port);
      context.portBase = s.Port;
    }
    out.port = context.port.get();
    if (!out.port) {
      out.failure = "Port parallèle inaccessible : " + task + " impossible.";
      return out;
    }
    out.output = std::make_unique<ParallelTickOutput>(*out.port, s.Port);
    return out;
  }
  // Step bytes would reach a GRBL controller as G-code text.
  if (s.PortType == 3) {
    out.failure =
        "Le contrôleur GRBL ne reçoit pas de pas : " + task + " impossible sur cette liaison.";
    return out;
  }
  SerialPort& serial = *context.serial;
  if (!serial.IsOpen()) serial.Open();
  if (!serial.IsOpen()) {
    // Ticks sent to a closed port would look like a finished run.
    out.failure = "Port série inaccessible : " + task + " impossible (" + serial.OpenError() + ").";
    return out;
  }
  serial.ClearBuffer(true, true);
  out.output = std::make_unique<SerialTickOutput>(serial);
  return out;
}

}  // namespace orvane::ui
