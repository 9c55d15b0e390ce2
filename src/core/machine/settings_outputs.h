#pragma once

#include "core/machine/centronic.h"

namespace orvane {

struct MachineSettings;

// The settings in memory changed (a reset, a reload, a save, the parameters
// window, a configuration load): the control images are recomputed from them
// and, on a parallel link that is running, the machine rests on the new idle
// image at once. Later writes (a pause, the exit) then never combine images of
// old settings with new heating or hold bits. `resting` is the idle image the
// port holds now: an unchanged image is not written again. `port` is null
// before the link has started; the images are still returned.
ControlImages ApplySettingsToOutputs(const MachineSettings& settings, uint8_t resting,
                                     PortOutput* port);

}  // namespace orvane
