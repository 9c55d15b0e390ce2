#pragma once

#include <array>
#include <cstdint>

#include "core/machine/axis_positions.h"

namespace orvane {

struct MachineSettings;

// Follows the axis positions from the tick bytes: for each axis, both bits of
// its pair set is one step with the direction bit, the step bit alone one
// step without; the direction flag (`X1clockwise` ..) says which way is up.
class StepDecoder {
 public:
  StepDecoder() = default;  // follows nothing
  explicit StepDecoder(const MachineSettings& settings);

  void Apply(uint8_t pattern, AxisPositions& positions) const {
    for (size_t i = 0; i < kAxisCount; ++i) {
      const uint8_t bits = pattern & pair_[i];
      if (bits == 0) continue;
      if (bits == pair_[i]) {
        positions.Move(static_cast<MotorAxis>(i), sign_[i]);
      } else if (bits == step_[i]) {
        positions.Move(static_cast<MotorAxis>(i), -sign_[i]);
      }
    }
  }
  // Net steps of each axis over a sequence of bytes.
  AxisSteps Delta(const uint8_t* bytes, size_t count) const;

 private:
  std::array<uint8_t, kAxisCount> pair_{};
  std::array<uint8_t, kAxisCount> step_{};
  std::array<int8_t, kAxisCount> sign_{};
};

}  // namespace orvane
