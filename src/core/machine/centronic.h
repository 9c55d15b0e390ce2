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

// Value written at program end to release the motor hold.
uint8_t ExitControlImage(const ControlImages& images, const MachineSettings& settings);
// Whether the program end writes the exit image at all.
bool ReleasesHoldOnExit(const MachineSettings& settings);

// Brings the parallel port's outputs to rest: no step, heating off, hold as set.
ControlImages ParallelLinkStartUp(PortOutput& port, const MachineSettings& settings);

}  // namespace orvane
