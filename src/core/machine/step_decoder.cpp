#include "core/machine/step_decoder.h"

#include "core/app/machine_settings.h"
#include "core/machine/centronic.h"

namespace orvane {

StepDecoder::StepDecoder(const MachineSettings& s) {
  const uint16_t slots[kAxisCount] = {s.X1io, s.Y1io, s.X2io, s.Y2io};
  const uint16_t flags[kAxisCount] = {s.X1clockwise, s.Y1clockwise, s.X2clockwise, s.Y2clockwise};
  for (size_t i = 0; i < kAxisCount; ++i) {
    const auto slot = static_cast<uint8_t>(slots[i] > 3 ? 4 : slots[i]);
    pair_[i] = AxisPairMask(slot);
    step_[i] = AxisStepBit(slot);
    sign_[i] = flags[i] == 0 ? 1 : -1;
  }
}

AxisSteps StepDecoder::Delta(const uint8_t* bytes, size_t count) const {
  AxisPositions positions;
  for (size_t i = 0; i < count; ++i) Apply(bytes[i], positions);
  return positions.Steps();
}

}  // namespace orvane
