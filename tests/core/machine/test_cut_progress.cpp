#include "core/machine/cut_progress.h"

#include <gtest/gtest.h>

#include "core/app/machine_settings.h"

namespace orvane {
namespace {

TEST(CutProgress, PlansTheBarFromTheTickCount) {
  struct Case {
    const char* name;
    uint64_t ticks, n, maximum, interval;
  };
  const Case cases[] = {
      {"1,500 ticks: s = 1500", 1500, 1, 1500, 25},
      // s = 100000 - 65536 = 34464, less 33 × 1000 = 1464; n = round(68.3)
      {"100,000 ticks: s = 1464", 100000, 68, 1470, 1700},
      {"65,536 ticks: every 1,000", 65536, 40, 1638, 1000},
      {"a multiple of 65,536: every 1,000", 3 * 65536, 40, 4915, 1000},
      // s = 1, n = 65537: a long cut still refreshes, maximum 1
      {"65,537 ticks", 65537, 65537, 1, 25 * 65537},
      {"one tick", 1, 1, 1, 25},
  };
  for (const Case& c : cases) {
    const ProgressPlan plan = PlanProgress(c.ticks);
    EXPECT_EQ(plan.n, c.n) << c.name;
    EXPECT_EQ(plan.maximum, c.maximum) << c.name;
    EXPECT_EQ(plan.interval, c.interval) << c.name;
  }
}

TEST(CutProgress, MovesByTwentyFiveEachIntervalAndCountsTheTimeDown) {
  const ProgressPlan plan = PlanProgress(100000);
  EXPECT_EQ(ProgressAt(plan, 1699, 600).position, 0u);
  // 25 of 1470: 1.7 %, shown 2 %; 600 - 2 × 600 ÷ 100 = 588
  const ProgressView first = ProgressAt(plan, 1700, 600);
  EXPECT_EQ(first.position, 25u);
  EXPECT_EQ(first.percent, 2);
  EXPECT_EQ(first.remainingSeconds, 588u);
  // 58 refreshes: 1450 of 1470, 99 %; the run itself shows 100 % at its end.
  const ProgressView last = ProgressAt(plan, 100000, 600);
  EXPECT_EQ(last.position, 1450u);
  EXPECT_EQ(last.percent, 99);
  EXPECT_EQ(last.remainingSeconds, 6u);
  EXPECT_EQ(ProgressAt(PlanProgress(1500), 1500, 600).percent, 100);
}

// Regression: with the preset at 3110 µs the window counted down from the
// preset's 3:43 while the cut played the configured 5000 µs (about 6 min).
TEST(CutProgress, TheRemainingTimeFollowsTheTicksActuallyPlayed) {
  constexpr uint64_t kTicks = 72000;  // 6 min at 5000 µs
  struct Step {
    const char* what;
    int64_t seconds;  // since the start, on the run's clock
    uint64_t played;
    uint64_t remaining;
    bool restart = false;  // a pause or a pre-heat just ended
  };
  const Step steps[] = {
      {"before any tick: from the period played", 0, 0, 360},
      {"half a second is too short to measure", 0, 100, 360},
      {"5000 µs a tick, as configured", 10, 2000, 350},
      {"5000 µs", 15, 3000, 345},
      {"trimmed to 2500 µs: the last 5 s count", 20, 5000, 168},
      {"still 2500 µs", 25, 7000, 163},
      {"a 60 s pause, then the measure starts again", 85, 7000, 325, true},
      {"1 s later, 400 ticks: 2500 µs", 86, 7400, 162},
      {"the last tick", 250, kTicks, 0},
      {"more ticks than the header says: nothing left", 251, kTicks + 5, 0},
  };
  RemainingTime remaining(kTicks, 5000);
  for (const Step& step : steps) {
    if (step.restart) remaining.Restart();
    // The first look at 0.5 s: too short a span, the period still rules.
    const int64_t now = step.played == 100 ? 500000 : step.seconds * 1000000;
    EXPECT_EQ(remaining.SecondsAt(now, step.played), step.remaining) << step.what;
  }
}

TEST(CutProgress, LineProgressOfShortFilesIsDone) {
  EXPECT_EQ(LineProgressAt(102, 50, 1000).percent, 50);
  EXPECT_EQ(LineProgressAt(102, 50, 1000).remainingSeconds, 500u);
  EXPECT_EQ(LineProgressAt(2, 0, 1000).percent, 100);
  EXPECT_EQ(LineProgressAt(0, 0, 1000).percent, 100);
  EXPECT_EQ(LineProgressAt(3, 5, 1000).percent, 100);
}

TEST(CutProgress, EstimatesLongCutsWithoutOverflow) {
  EXPECT_EQ(FormatDuration(0), "00:00:00");
  EXPECT_EQ(FormatDuration(4261), "01:11:01");
  EXPECT_EQ(FormatDuration(360000), "100:00:00");
  // 5000 µs × 1,000,000 ticks = 5000 s, far past 2^32 µs (71.6 min)
  EXPECT_EQ(EstimateDuration({5000, 5000, 5000, 5000}, 1000000), 5000u);
  EXPECT_EQ(FormatDuration(EstimateDuration({5000, 5000, 5000, 5000}, 1000000)), "01:23:20");
  // mean (1 + 2 + 3 + 5) ÷ 4 = 2; 2 × 750,000 µs = 1.5 s, rounded to 2
  EXPECT_EQ(EstimateDuration({1, 2, 3, 5}, 750000), 2u);
  EXPECT_EQ(EstimateDuration({65535, 65535, 65535, 65535}, uint64_t(1) << 40),
            uint64_t(72056494526));
}

TEST(CutProgress, SpeedPresetShiftsEveryPeriod) {
  MachineSettings settings;
  settings.X1speed = 4000;
  settings.Y1speed = 6000;
  settings.X2step = 400;
  const int maximum = SpeedPresetMaximum(settings);  // (4000 + 6000 + 5000 + 5000) ÷ 4
  ASSERT_EQ(maximum, 5000);
  const SpeedPreset centre = ComputeSpeedPreset(settings, 2500, maximum, 1000);
  EXPECT_EQ(centre.offset, 0);
  EXPECT_EQ(centre.periods[0], 4000);
  EXPECT_DOUBLE_EQ(centre.speeds[2], 1000000.0 / 5000 / 400);
  EXPECT_EQ(centre.durationSeconds, 5u);
  const SpeedPreset faster = ComputeSpeedPreset(settings, 0, maximum, 1000);
  EXPECT_EQ(faster.offset, -2500);
  EXPECT_EQ(faster.periods[0], 1500);
  EXPECT_EQ(faster.periods[1], 3500);
  const SpeedPreset slower = ComputeSpeedPreset(settings, 5000, maximum, 1000);
  EXPECT_EQ(slower.periods[3], 7500);
  settings.X1speed = 100;  // less than the offset: held at 1 µs, not negative
  EXPECT_EQ(ComputeSpeedPreset(settings, 0, SpeedPresetMaximum(settings), 0).periods[0], 1);
}

TEST(CutProgress, LiveTrimStaysWithinAQuarterOfThePeriod) {
  LiveTrim trim(5000);  // maximum 1250, centre 625
  EXPECT_EQ(trim.Maximum(), 1250u);
  EXPECT_EQ(trim.Label(), "0 µs");
  trim.Faster(5000 / 8 + 100);  // held for more than P ÷ 8 ticks
  EXPECT_EQ(trim.Position(), 1250u);
  EXPECT_EQ(trim.Microseconds(), -625);  // both parts: the period shortened by 1250 = P ÷ 4
  EXPECT_EQ(trim.Label(), "-1250 µs");
  trim.Reset();
  trim.Slower(3);
  EXPECT_EQ(trim.Microseconds(), 3);
  EXPECT_EQ(trim.Label(), "+6 µs");
  trim.Slower(100000);
  EXPECT_EQ(trim.Position(), 0u);
}

}  // namespace
}  // namespace orvane
