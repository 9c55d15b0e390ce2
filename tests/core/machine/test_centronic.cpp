#include "core/machine/centronic.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/app/machine_settings.h"
#include "support/recording_port.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

using test::RecordingPort;

struct ImageCase {
  const char* name;
  uint8_t bitCouple, bitChauffe;
  bool actCouple, actChauffe, invCouple, invChauffe;
  uint8_t run, idle;
};

TEST(ControlImages, FollowTheSixStepsForEveryCombination) {
  // Worked by hand: "active" is bit = 1 unless inverted.
  const ImageCase cases[] = {
      {"factory: hold on, heat off", 1, 2, true, false, false, false, 0x01, 0x01},
      {"automatic heating", 1, 2, true, true, false, false, 0x03, 0x01},
      {"no hold at rest", 1, 2, false, true, false, false, 0x03, 0x00},
      {"inverted hold, no hold at rest", 2, 1, false, false, true, false, 0x00, 0x02},
      {"inverted heating", 1, 2, true, true, false, true, 0x01, 0x03},
      {"everything inverted", 4, 8, true, true, true, true, 0x00, 0x08},
      {"one bit for both", 1, 1, true, true, false, false, 0x01, 0x00},
  };
  for (const ImageCase& c : cases) {
    MachineSettings s;
    s.BitCouple = c.bitCouple;
    s.BitChauffe = c.bitChauffe;
    s.ActCouple = c.actCouple;
    s.ActChauffe = c.actChauffe;
    s.InvCouple = c.invCouple;
    s.InvChauffe = c.invChauffe;
    ControlImages images = ComputeControlImages(s);
    EXPECT_EQ(images.RunControlImage, c.run) << c.name;
    EXPECT_EQ(images.IdleControlImage, c.idle) << c.name;
  }
}

TEST(ControlImages, InvertedHoldBitTwoIsSetAtRestAndClearWhileCutting) {
  MachineSettings s;
  s.InvCouple = true;
  s.ActCouple = false;
  s.BitCouple = 2;
  s.BitChauffe = 1;
  ControlImages images = ComputeControlImages(s);
  EXPECT_TRUE(images.IdleControlImage & 2);
  EXPECT_FALSE(images.RunControlImage & 2);
}

TEST(ParallelLink, StartUpRestsTheOutputsAndExitReleasesTheHold) {
  MachineSettings s;
  s.Port = 0x278;
  RecordingPort port;
  ControlImages images = ParallelLinkStartUp(port, s);
  ASSERT_EQ(port.writes.size(), 2u);
  EXPECT_EQ(port.writes[0].address, 0x278);
  EXPECT_EQ(port.writes[0].value, 0);
  EXPECT_EQ(port.writes[1].address, 0x27A);
  EXPECT_EQ(port.writes[1].value, images.IdleControlImage);
  EXPECT_EQ(ExitControlImage(images, s), images.IdleControlImage ^ 1);

  EXPECT_TRUE(ReleasesHoldOnExit(s));
  s.LibCouple = false;
  EXPECT_FALSE(ReleasesHoldOnExit(s));
  s.LibCouple = true;
  s.PortType = 2;
  EXPECT_FALSE(ReleasesHoldOnExit(s));
}

TEST(AxisPattern, GivesAStepWithOrWithoutDirection) {
  EXPECT_EQ(AxisPattern(2, 1), 48);
  EXPECT_EQ(AxisPattern(3, 0), 64);
  EXPECT_EQ(AxisPattern(1, 2), 0);
  EXPECT_EQ(AxisPairMask(3), 192);
  EXPECT_EQ(AxisStepBit(2), 16);
  EXPECT_EQ(AxisStepBit(4), 0);
}

TEST(SplitPeriod, RoundsHalvesToEven) {
  auto check = [](uint32_t period, uint8_t duty, uint16_t high, uint16_t low) {
    PulseSplit split = SplitPeriod(period, duty);
    EXPECT_EQ(split.highUs, high) << period << " at " << int(duty);
    EXPECT_EQ(split.lowUs, low) << period << " at " << int(duty);
  };
  check(2000, 50, 1000, 1000);
  check(2001, 50, 1000, 1001);
  check(2003, 50, 1002, 1001);
  check(5000, 25, 1250, 3750);
  check(7, 75, 5, 2);
}

TEST(StepPulse, AZeroPatternStillTakesTheWholePeriod) {
  test::FakeClock clock;
  clock.ticksPerMicrosecond = 10;
  RecordingPort port(&clock);
  const int64_t start = clock.now;
  StepPulse(port, clock, 888, 0, 30, 70);
  ASSERT_EQ(port.writes.size(), 2u);
  EXPECT_EQ(port.writes[0].value, 0);
  EXPECT_EQ(port.writes[1].value, 0);
  EXPECT_GE(port.writes[1].time - port.writes[0].time, 30 * 10);
  EXPECT_GE(clock.now - start, (30 + 70) * 10);
  // The busy-wait stops as soon as the target is reached.
  EXPECT_LE(clock.now - start, (30 + 70) * 10 + 4);
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// Working speed 1 mm/s at 5000 µs (2500 + 2500 at 50 %), start 0.33 mm/s,
// fast 2 mm/s, 200 steps/mm: (vMax - vMin) x steps = 334 steps before the
// slope factor cos(θ) / sin(θ), θ = Pente x 6.28 / 360.
RampPlan FastPlan(uint32_t total, uint8_t slope) {
  return PlanRamp(total, 5000, 200, 1.0, 0.33, 2.0, slope, 50, false);
}

TEST(PlanRamp, FollowsTheSlopeWithThePartsConstant) {
  // Factors 1.0008 at 45° and 2.749 at 20° (6.28, not 2π): 334.27 and 918.16.
  EXPECT_EQ(FastPlan(100000, 45).rampSteps, 334u);
  EXPECT_EQ(FastPlan(100000, 20).rampSteps, 918u);
  // At 90° the factor is 0.0008: 9.67 mm/s x 800 steps/mm gives 6.16 steps.
  EXPECT_EQ(PlanRamp(100000, 5000, 800, 1.0, 0.33, 10.0, 90, 50, false).rampSteps, 6u);

  const RampPlan plan = FastPlan(100000, 45);
  EXPECT_EQ(plan.nominal.highUs, 2500);
  EXPECT_EQ(plan.start.highUs, 7576);  // 2500 / 0.33 = 7575.76
  EXPECT_EQ(plan.start.lowUs, 7576);
  EXPECT_EQ(plan.fast.highUs, 1250);
  EXPECT_DOUBLE_EQ(plan.dHigh, (7576.0 - 1250.0) / 334);
  EXPECT_DOUBLE_EQ(plan.dLow, (7576.0 - 1250.0) / 334);
  EXPECT_EQ(plan.halfSteps, 50000u);

  // At working speed the ramp ends at the nominal parts.
  const RampPlan work = PlanRamp(100000, 5000, 200, 1.0, 0.33, 2.0, 45, 50, true);
  EXPECT_EQ(work.rampSteps, 134u);  // 0.67 x 200 x 1.0008 = 134.1
  EXPECT_DOUBLE_EQ(work.dHigh, (7576.0 - 2500.0) / 134);
}

TEST(PlanRamp, AShortMoveCutsTheRampToHalfButKeepsItsRate) {
  const RampPlan plan = FastPlan(401, 45);
  EXPECT_EQ(plan.rampSteps, 200u);
  EXPECT_EQ(plan.halfSteps, 200u);
  // The change per step is that of the whole ramp: the move just peaks lower.
  EXPECT_DOUBLE_EQ(plan.dHigh, (7576.0 - 1250.0) / 334);
}

TEST(PlanRamp, NoRampRunsEveryStepAtOnePeriod) {
  // A ramp rounded to 0 (a steep slope): no change, start at the nominal parts.
  const RampPlan steep = FastPlan(1000, 90);
  EXPECT_EQ(steep.rampSteps, 0u);
  EXPECT_EQ(steep.dHigh, 0);
  EXPECT_EQ(steep.start.highUs, 2500);

  // Regression: a target below the start speed gave a negative ramp that
  // wrapped to billions of steps and a ramp running the wrong way.
  const RampPlan slowFast = PlanRamp(1000, 5000, 200, 1.0, 0.33, 0.2, 45, 50, false);
  EXPECT_EQ(slowFast.rampSteps, 0u);
  EXPECT_EQ(slowFast.dHigh, 0);
  EXPECT_EQ(slowFast.start.highUs, 12500);  // the target period, 2500 x 1 / 0.2
  const RampPlan slowWork = PlanRamp(1000, 5000, 200, 0.3, 0.33, 2.0, 45, 50, true);
  EXPECT_EQ(slowWork.rampSteps, 0u);
  EXPECT_EQ(slowWork.start.highUs, 2500);
  const RampPlan equal = PlanRamp(1000, 5000, 200, 0.33, 0.33, 2.0, 45, 50, true);
  EXPECT_EQ(equal.rampSteps, 0u);
}

TEST(PlanRamp, SettingsOutOfRangeSaturateInsteadOfWrapping) {
  const RampPlan zeroStart = PlanRamp(1000, 5000, 200, 1.0, 0.0, 2.0, 45, 50, true);
  EXPECT_EQ(zeroStart.start.highUs, 65535);
  const RampPlan flat = PlanRamp(1000, 5000, 200, 1.0, 0.33, 2.0, 0, 50, false);
  EXPECT_EQ(flat.rampSteps, 500u);  // an endless ramp, cut to half the move
}

TEST(ControlImages, PauseKeepsTheHoldAndExitReleasesIt) {
  MachineSettings s;
  s.BitCouple = 1;
  s.BitChauffe = 2;
  s.ActChauffe = true;
  for (bool inverted : {false, true}) {
    s.InvCouple = inverted;
    for (bool actCouple : {true, false}) {
      s.ActCouple = actCouple;
      const ControlImages images = ComputeControlImages(s);
      const uint8_t pause = PauseControlImage(images, s);
      // Heating as at rest (off), hold as while cutting (active), either polarity.
      EXPECT_EQ(pause & 2, images.IdleControlImage & 2);
      EXPECT_EQ(pause & 1, images.RunControlImage & 1) << inverted << actCouple;
      if (actCouple) {
        EXPECT_NE(ExitControlImage(images, s) & 1, images.RunControlImage & 1);
      }
    }
  }
}

}  // namespace
}  // namespace orvane
