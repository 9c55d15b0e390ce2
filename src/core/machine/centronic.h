#pragma once

#include <cstdint>
#include <string>

namespace orvane {

class Clock;
struct MachineSettings;

// One-byte output to an I/O address of the parallel port. Addresses are the
// data register at `Port` and the control register at `Port` + 2.
class PortOutput {
 public:
  virtual ~PortOutput() = default;
  virtual void WriteByte(uint16_t address, uint8_t value) = 0;
  // What the user is told about where the bytes go.
  virtual std::string Description() const = 0;
  // The last write of a dying process, from a fatal-signal handler: only
  // async-signal-safe calls. A port that cannot do that writes nothing.
  virtual void WriteByteFromSignal(uint16_t /*address*/, uint8_t /*value*/) noexcept {}
};

bool WritePortByte(PortOutput& port, uint16_t address, uint8_t value);

// Busy-waits on the counter: no sleep, no yield, no message processing.
void DelayMicroseconds(Clock& clock, uint64_t count);

// Pattern, high time, 0, low time. A zero pattern still takes the full time so
// the time grid of a step sequence stays intact.
void StepPulse(PortOutput& port, Clock& clock, uint16_t address, uint8_t pattern, uint32_t highUs,
               uint16_t lowUs);

uint8_t AxisPattern(uint8_t slot, uint8_t withDirection);
uint8_t AxisPairMask(uint8_t slot);
uint8_t AxisStepBit(uint8_t slot);

struct PulseSplit {
  uint16_t highUs;
  uint16_t lowUs;
};
PulseSplit SplitPeriod(uint32_t periodUs, uint8_t dutyPercent);

// Control-register values: while cutting, and while the machine rests.
struct ControlImages {
  uint8_t RunControlImage;
  uint8_t IdleControlImage;
};
ControlImages ComputeControlImages(const MachineSettings& settings);

// Value written while a cut is paused: heating off, the hold kept active.
uint8_t PauseControlImage(const ControlImages& images, const MachineSettings& settings);

// Value written at program end to release the motor hold.
uint8_t ExitControlImage(const ControlImages& images, const MachineSettings& settings);
// Whether the program end writes the exit image at all.
bool ReleasesHoldOnExit(const MachineSettings& settings);

// The acceleration ramp of one move. Callers start at `start`, move the parts
// by `dHigh`, `dLow` after each of the first `rampSteps` steps and back over
// the last ones, rounding to whole microseconds before each pulse.
struct RampPlan {
  uint32_t rampSteps = 0;
  double dLow = 0;
  double dHigh = 0;
  PulseSplit fast{};
  PulseSplit nominal{};
  PulseSplit start{};
  uint32_t halfSteps = 0;  // totalSteps / 2, the value the routine returns
};
RampPlan PlanRamp(uint32_t totalSteps, int32_t periodUs, uint16_t stepsPerMm, double vRef,
                  double vMin, double vMax, uint8_t slope, uint8_t dutyPercent,
                  bool toWorkingSpeed);

// Brings the parallel port's outputs to rest: no step, heating off, hold as set.
ControlImages ParallelLinkStartUp(PortOutput& port, const MachineSettings& settings);

}  // namespace orvane
