// The parallel port's images, patterns and ramps, the positions the output
// thread moves, and the analysis of a recorded run.

#include "core/machine/centronic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/app/machine_settings.h"
#include "core/machine/axis_positions.h"
#include "core/machine/pulse_analysis.h"
#include "core/machine/settings_outputs.h"
#include "core/machine/step_decoder.h"
#include "support/recording_port.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

using test::RecordingPort;

// Worked by hand: "active" is bit = 1 unless inverted. The pause keeps the
// hold as while cutting with the heating as at rest; the exit releases the
// hold (looked at only where the hold is kept at rest on its own bit).
TEST(ControlImages, FollowTheSixStepsForEveryCombination) {
  struct Case {
    const char* name;
    uint8_t bitCouple, bitChauffe;
    bool actCouple, actChauffe, invCouple, invChauffe;
    uint8_t run, idle, pause;
    int exit;  // -1: not looked at
  };
  // clang-format off
  const Case cases[] = {
      {"factory: hold on, heat off",     1, 2, true,  false, false, false, 0x01, 0x01, 0x01, 0x00},
      {"automatic heating",              1, 2, true,  true,  false, false, 0x03, 0x01, 0x01, 0x00},
      {"no hold at rest",                1, 2, false, true,  false, false, 0x03, 0x00, 0x01, -1},
      {"inverted hold, no hold at rest", 2, 1, false, false, true,  false, 0x00, 0x02, 0x00, -1},
      {"inverted heating",               1, 2, true,  true,  false, true,  0x01, 0x03, 0x03, 0x02},
      {"everything inverted",            4, 8, true,  true,  true,  true,  0x00, 0x08, 0x08, 0x0C},
      {"one bit for both: heating off",  1, 1, true,  true,  false, false, 0x01, 0x00, 0x00, -1},
  };
  // clang-format on
  for (const Case& c : cases) {
    MachineSettings s;
    s.BitCouple = c.bitCouple, s.BitChauffe = c.bitChauffe;
    s.ActCouple = c.actCouple, s.ActChauffe = c.actChauffe;
    s.InvCouple = c.invCouple, s.InvChauffe = c.invChauffe;
    const ControlImages images = ComputeControlImages(s);
    EXPECT_EQ(images.RunControlImage, c.run) << c.name;
    EXPECT_EQ(images.IdleControlImage, c.idle) << c.name;
    EXPECT_EQ(PauseControlImage(images, s), c.pause) << c.name;
    EXPECT_TRUE(c.exit < 0 || ExitControlImage(images, s) == c.exit) << c.name;
  }
}

TEST(ParallelLink, NewSettingsRestThePortOnAChangedIdleImageOnly) {
  MachineSettings s;  // heating bit 2, hold bit 1, hold kept at rest
  std::vector<std::pair<uint16_t, uint8_t>> expected{{890, 1}};
  RecordingPort port;
  const auto writes = [&port] {
    std::vector<std::pair<uint16_t, uint8_t>> out;
    for (const auto& w : port.writes) out.emplace_back(w.address, w.value);
    return out;
  };
  ControlImages images = ApplySettingsToOutputs(s, 0, &port);
  ApplySettingsToOutputs(s, images.IdleControlImage, &port);  // nothing changed
  EXPECT_EQ(writes(), expected);
  s.ActCouple = false;
  images = ApplySettingsToOutputs(s, images.IdleControlImage, &port);
  expected.emplace_back(890, 0);
  EXPECT_EQ(writes(), expected);
  // The other links and a link not yet started get the images, not a write.
  s.ActChauffe = true;
  s.PortType = 2;
  EXPECT_EQ(ApplySettingsToOutputs(s, images.IdleControlImage, &port).RunControlImage, 3);
  ApplySettingsToOutputs(s, 0xFF, nullptr);
  EXPECT_EQ(writes(), expected);
}

TEST(AxisPattern, GivesAStepWithOrWithoutDirection) {
  EXPECT_EQ(AxisPattern(2, 1), 48);
  EXPECT_EQ(AxisPattern(3, 0), 64);
  EXPECT_EQ(AxisPattern(1, 2), 0);
  EXPECT_EQ(AxisPairMask(3), 192);
  EXPECT_EQ(AxisStepBit(2), 16);
  EXPECT_EQ(AxisStepBit(4), 0);
  const std::pair<int, int> splits[][2] = {// period, duty: high, low (halves to even)
                                           {{2000, 50}, {1000, 1000}},
                                           {{2001, 50}, {1000, 1001}},
                                           {{2003, 50}, {1002, 1001}},
                                           {{7, 75}, {5, 2}}};
  for (const auto& [in, out] : splits) {
    const PulseSplit split = SplitPeriod(in.first, uint8_t(in.second));
    EXPECT_EQ(std::make_pair(int(split.highUs), int(split.lowUs)), out) << in.first;
  }
}

// Every axis on any pair, both ways, with and without its direction flag:
// the positions the windows show and the run checks compare come from here.
TEST(StepDecoder, CountsEachAxisOnItsPairBothWaysWithItsFlag) {
  const uint16_t layouts[][4] = {{0, 1, 2, 3}, {3, 2, 1, 0}};
  for (const auto& slots : layouts) {
    for (size_t axis = 0; axis < kAxisCount; ++axis) {
      for (uint16_t flag : {0, 1}) {
        MachineSettings s;
        s.X1io = slots[0], s.Y1io = slots[1], s.X2io = slots[2], s.Y2io = slots[3];
        uint16_t* flags[4] = {&s.X1clockwise, &s.Y1clockwise, &s.X2clockwise, &s.Y2clockwise};
        *flags[axis] = flag;
        const StepDecoder decoder(s);
        for (uint8_t direction : {0, 1}) {
          const uint8_t pattern = AxisPattern(uint8_t(slots[axis]), direction);
          const uint8_t bytes[] = {pattern, 0, pattern, pattern};
          AxisSteps expected{};
          expected[axis] = (direction == 1) == (flag == 0) ? 3 : -3;
          EXPECT_EQ(decoder.Delta(bytes, 4), expected)
              << "slot " << slots[axis] << " axis " << axis << " flag " << flag << " dir "
              << int(direction);
        }
      }
    }
  }
}

TEST(StepPulse, AZeroPatternStillTakesTheWholePeriod) {
  test::FakeClock clock;
  clock.ticksPerMicrosecond = 10;
  RecordingPort port(&clock);
  StepPulse(port, clock, 888, 0, 30, 70);
  ASSERT_EQ(port.writes.size(), 2u);
  EXPECT_EQ(port.writes[0].value + port.writes[1].value, 0);
  EXPECT_GE(port.writes[1].time - port.writes[0].time, 30 * 10);
  // The whole period, and the busy-wait stops as soon as it is reached.
  EXPECT_GE(clock.now, (30 + 70) * 10);
  EXPECT_LE(clock.now, (30 + 70) * 10 + 4);
}

// Working speed 1 mm/s at 5000 µs (2500 + 2500 at 50 %), start 0.33 mm/s,
// fast 2 mm/s, 200 steps/mm: (vMax - vMin) x steps = 334 steps before the
// slope factor cos(θ) / sin(θ), θ = Pente x 6.28 / 360.
TEST(PlanRamp, FollowsTheSlopeWithSixPointTwoEightForTwoPi) {
  struct Case {
    const char* name;
    uint32_t total;
    uint16_t steps;
    double vRef, vMin, vMax;
    uint8_t slope;
    bool working;
    int64_t rampSteps;  // -1, NAN: not looked at
    int startHigh;
    double dHigh;
  };
  constexpr double kFast = (7576.0 - 1250.0) / 334;
  // clang-format off
  const Case cases[] = {
      // Factors 1.0008 at 45° and 2.749 at 20° (6.28, not 2π): 334.27 and 918.16.
      {"45°", 100000, 200, 1.0, 0.33, 2.0, 45, false, 334, 7576, kFast},  // 2500 / 0.33 = 7575.76
      {"20°", 100000, 200, 1.0, 0.33, 2.0, 20, false, 918, 7576, (7576.0 - 1250.0) / 918},
      // At 90° the factor is 0.0008: 9.67 mm/s x 800 steps/mm gives 6.16 steps.
      {"90°, 800 steps/mm", 100000, 800, 1.0, 0.33, 10.0, 90, false, 6, 7576, (7576.0 - 250.0) / 6},
      // At working speed the ramp ends at the nominal parts: 0.67 x 200 x 1.0008 = 134.1.
      {"working speed", 100000, 200, 1.0, 0.33, 2.0, 45, true, 134, 7576, (7576.0 - 2500.0) / 134},
      // A short move cuts the ramp to half but keeps its rate: it just peaks lower.
      {"short move", 401, 200, 1.0, 0.33, 2.0, 45, false, 200, 7576, kFast},
      {"a ramp rounded to 0", 1000, 200, 1.0, 0.33, 2.0, 90, false, 0, 2500, 0},
      // Regression: a target below the start speed gave a negative ramp that
      // wrapped to billions of steps and a ramp running the wrong way.
      {"fast below the start", 1000, 200, 1.0, 0.33, 0.2, 45, false, 0, 12500, 0},  // 2500 / 0.2
      {"working below the start", 1000, 200, 0.3, 0.33, 2.0, 45, true, 0, 2500, 0},
      // Settings out of range saturate instead of wrapping.
      {"a start speed of 0", 1000, 200, 1.0, 0.0, 2.0, 45, true, -1, 65535, NAN},
      {"a flat slope: an endless ramp, cut to half", 1000, 200, 1.0, 0.33, 2.0, 0, false, 500, -1, NAN},
  };
  // clang-format on
  for (const Case& c : cases) {
    const RampPlan plan =
        PlanRamp(c.total, 5000, c.steps, c.vRef, c.vMin, c.vMax, c.slope, 50, c.working);
    EXPECT_TRUE(c.startHigh < 0 || plan.start.highUs == c.startHigh) << c.name;
    EXPECT_TRUE(c.rampSteps < 0 || plan.rampSteps == c.rampSteps) << c.name;
    EXPECT_TRUE(std::isnan(c.dHigh) || std::abs(plan.dHigh - c.dHigh) < 1e-9) << c.name;
  }
  const RampPlan plan = PlanRamp(100000, 5000, 200, 1.0, 0.33, 2.0, 45, 50, false);
  EXPECT_EQ(plan.nominal.highUs, 2500);
  EXPECT_EQ(plan.fast.highUs, 1250);
  EXPECT_EQ(plan.halfSteps, 50000u);
}

TEST(AxisPositions, AnUnknownPositionIsNeverTakenForTheOrigin) {
  AxisPositions positions;
  EXPECT_TRUE(positions.AtOrigin());
  positions.MarkUnknown();
  // The counters still read 0, but a return to origin must not think it is there.
  EXPECT_FALSE(positions.AtOrigin());
  positions.Set({-300, 0, 12, 0});
  EXPECT_TRUE(positions.Known());
  EXPECT_FALSE(positions.AtOrigin());
  positions.MarkUnknown();
  positions.SetOrigin();
  EXPECT_TRUE(positions.AtOrigin());
}

TEST(PulseAnalysis, JudgesPeriodsWidthsAndBytesFromTheWrites) {
  // Nominal 100 µs. Ticks start at 0, 100.5, 200, 300 µs: periods 100.5,
  // 99.5 and 100, so the mean is exact, the errors 0.5, 0.5, 0 and the
  // shortest 99.5. Highs of 30, 31, 29 and 30 µs.
  PulseAnalyzer analyzer(100);
  analyzer.Add(0, 2, 0x03);
  const long long starts[] = {0, 100500, 200000, 300000}, highs[] = {30000, 31000, 29000, 30000};
  const uint8_t bytes[] = {0x05, 0x05, 0x00, 0x0F};
  for (int k = 0; k < 4; ++k) {
    analyzer.Add(starts[k], 0, bytes[k]);
    analyzer.Add(starts[k] + highs[k], 0, 0);
  }
  analyzer.Add(400000, 2, 0x01);
  const PulseAnalysis a = analyzer.Result();
  EXPECT_EQ(a.ticks, 4u);
  EXPECT_EQ((std::vector<double>{a.meanPeriodUs, a.meanErrorUs, a.maxAbsErrorUs, a.shortestPeriodUs,
                                 a.longestPeriodUs, a.minHighUs, a.meanHighUs, a.maxHighUs}),
            (std::vector<double>{100, 0, 0.5, 99.5, 100.5, 29, 30, 31}));
  EXPECT_NEAR(a.p50AbsErrorUs, 0.5, 0.01);
  EXPECT_NEAR(a.p99AbsErrorUs, 0.5, 0.01);
  EXPECT_EQ((std::vector<uint64_t>{a.bytes[0x05], a.bytes[0x00], a.bytes[0x0F]}),
            (std::vector<uint64_t>{2, 1, 1}));
  EXPECT_EQ((std::vector<int>{int(a.controlWrites), a.firstControl, a.lastControl}),
            (std::vector<int>{2, 3, 1}));

  // 199 periods on time and one 40 µs late: p50 0, p99 still 0 (1 in 200 is
  // half a percent), max 40; a run cut mid-tick counts its last tick.
  PulseAnalyzer late(100);
  long long t = 0;
  for (int k = 0; k <= 200; ++k) {
    late.Add(t, 0, 1);
    if (k < 200) late.Add(t + 50000, 0, 0);  // the last tick never falls
    t += k == 100 ? 140000 : 100000;
  }
  const PulseAnalysis b = late.Result();
  EXPECT_EQ(b.ticks, 201u);
  EXPECT_LT(b.p50AbsErrorUs, 0.02);
  EXPECT_LT(b.p99AbsErrorUs, 0.02);
  EXPECT_DOUBLE_EQ(b.maxAbsErrorUs, 40);
  EXPECT_DOUBLE_EQ(b.meanHighUs, 50);
  EXPECT_EQ(b.lastControl, -1);
}

}  // namespace
}  // namespace orvane
