#include "core/machine/settings_outputs.h"

#include "core/app/machine_settings.h"

namespace orvane {

ControlImages ApplySettingsToOutputs(const MachineSettings& settings, uint8_t resting,
                                     PortOutput* port) {
  const ControlImages images = ComputeControlImages(settings);
  if (port && settings.PortType == 0 && images.IdleControlImage != resting) {
    WritePortByte(*port, static_cast<uint16_t>(settings.Port + 2), images.IdleControlImage);
  }
  return images;
}

}  // namespace orvane
