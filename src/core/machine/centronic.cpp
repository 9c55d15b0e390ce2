#include "core/machine/centronic.h"

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/common/text_number.h"

namespace orvane {

bool WritePortByte(PortOutput& port, uint16_t address, uint8_t value) {
  port.WriteByte(address, value);
  return true;
}

void DelayMicroseconds(Clock& clock, uint64_t count) {
  if (count == 0) return;
  const int64_t target =
      clock.Counter() + static_cast<int64_t>(count) * clock.TicksPerMicrosecond();
  while (clock.Counter() < target) {
  }
}

void StepPulse(PortOutput& port, Clock& clock, uint16_t address, uint8_t pattern, uint32_t highUs,
               uint16_t lowUs) {
  port.WriteByte(address, pattern);
  DelayMicroseconds(clock, highUs);
  port.WriteByte(address, 0);
  DelayMicroseconds(clock, lowUs);
}

uint8_t AxisPattern(uint8_t slot, uint8_t withDirection) {
  if (slot > 3 || withDirection > 1) return 0;
  return static_cast<uint8_t>((withDirection ? 3 : 1) << (2 * slot));
}

uint8_t AxisPairMask(uint8_t slot) {
  return slot > 3 ? 0 : static_cast<uint8_t>(3 << (2 * slot));
}

uint8_t AxisStepBit(uint8_t slot) {
  return slot > 3 ? 0 : static_cast<uint8_t>(1 << (2 * slot));
}

PulseSplit SplitPeriod(uint32_t periodUs, uint8_t dutyPercent) {
  const uint32_t product = periodUs * dutyPercent;
  const auto high = static_cast<uint16_t>(RoundHalfEven(product / 100.0));
  return {high, static_cast<uint16_t>(periodUs - high)};
}

ControlImages ComputeControlImages(const MachineSettings& s) {
  uint8_t run = s.BitCouple | s.BitChauffe;
  if (s.InvChauffe) run ^= s.BitChauffe;
  if (s.InvCouple) run ^= s.BitCouple;
  uint8_t idle = run ^ s.BitCouple ^ s.BitChauffe;
  if (!s.ActChauffe) run ^= s.BitChauffe;
  if (s.ActCouple) idle ^= s.BitCouple;
  return {run, idle};
}

bool ReleasesHoldOnExit(const MachineSettings& s) {
  return s.PortType == 0 && s.ActCouple && s.LibCouple;
}

uint8_t ExitControlImage(const ControlImages& images, const MachineSettings& s) {
  return images.IdleControlImage ^ s.BitCouple;
}

ControlImages ParallelLinkStartUp(PortOutput& port, const MachineSettings& settings) {
  WritePortByte(port, settings.Port, 0);
  ControlImages images = ComputeControlImages(settings);
  WritePortByte(port, static_cast<uint16_t>(settings.Port + 2), images.IdleControlImage);
  return images;
}

}  // namespace orvane
