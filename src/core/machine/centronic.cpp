#include "core/machine/centronic.h"

#include <algorithm>
#include <cmath>

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

uint8_t PauseControlImage(const ControlImages& images, const MachineSettings& s) {
  return s.ActCouple ? images.IdleControlImage
                     : static_cast<uint8_t>(images.IdleControlImage ^ s.BitCouple);
}

namespace {

// Out-of-range settings (a zero speed, a flat slope) give infinities here;
// they saturate instead of wrapping into a nonsense period.
uint16_t RoundToU16(double value) {
  if (!(value > 0)) return 0;
  if (value >= 65535) return 65535;
  return static_cast<uint16_t>(RoundHalfEven(value));
}

uint32_t RoundToU32(double value) {
  if (!(value > 0)) return 0;
  if (value >= 4294967295.0) return 4294967295u;
  return static_cast<uint32_t>(RoundHalfEven(value));
}

}  // namespace

RampPlan PlanRamp(uint32_t totalSteps, int32_t periodUs, uint16_t stepsPerMm, double vRef,
                  double vMin, double vMax, uint8_t slope, uint8_t dutyPercent,
                  bool toWorkingSpeed) {
  RampPlan plan;
  plan.nominal = SplitPeriod(static_cast<uint32_t>(std::max(periodUs, 0)), dutyPercent);
  const double high = plan.nominal.highUs;
  const double low = plan.nominal.lowUs;
  plan.start = {RoundToU16(high * vRef / vMin), RoundToU16(low * vRef / vMin)};
  plan.fast = {RoundToU16(high * vRef / vMax), RoundToU16(low * vRef / vMax)};

  const double theta = slope * 6.28 / 360;
  const double target = toWorkingSpeed ? vRef : vMax;
  const PulseSplit targetParts = toWorkingSpeed ? plan.nominal : plan.fast;
  // A target at or below the start speed needs no acceleration: the formula
  // would give a negative length, which as a count turns the ramp around.
  const bool accelerates = target > vMin;
  const uint32_t ramp =
      accelerates ? RoundToU32(std::cos(theta) * ((target - vMin) / std::sin(theta)) * stepsPerMm)
                  : 0;
  if (ramp != 0) {
    plan.dHigh = (plan.start.highUs - static_cast<double>(targetParts.highUs)) / ramp;
    plan.dLow = (plan.start.lowUs - static_cast<double>(targetParts.lowUs)) / ramp;
  } else {
    plan.start = accelerates ? plan.nominal : targetParts;
  }
  plan.halfSteps = totalSteps / 2;
  plan.rampSteps = std::min(ramp, plan.halfSteps);
  return plan;
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
