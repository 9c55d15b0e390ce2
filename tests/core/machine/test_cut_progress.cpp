// What the cut windows show of a run: the bar, the time left, the speed
// preset and trim, and the step file's runs.

#include "core/machine/cut_progress.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/app/machine_settings.h"
#include "core/machine/step_runs.h"

namespace orvane {
namespace {

TEST(CutProgress, PlansTheBarFromTheTickCountAndMovesItByTwentyFive) {
  struct Case {
    const char* name;
    uint64_t ticks, n, maximum, interval;
  };
  // clang-format off
  const Case cases[] = {
      {"1,500 ticks: s = 1500", 1500, 1, 1500, 25},
      // s = 100000 - 65536 = 34464, less 33 × 1000 = 1464; n = round(68.3)
      {"100,000 ticks: s = 1464", 100000, 68, 1470, 1700},
      {"65,536 ticks: every 1,000", 65536, 40, 1638, 1000},
      // s = 1, n = 65537: a long cut still refreshes, maximum 1
      {"65,537 ticks", 65537, 65537, 1, 25 * 65537},
  };
  // clang-format on
  for (const Case& c : cases) {
    const ProgressPlan plan = PlanProgress(c.ticks);
    EXPECT_EQ((std::vector<uint64_t>{plan.n, plan.maximum, plan.interval}),
              (std::vector<uint64_t>{c.n, c.maximum, c.interval}))
        << c.name;
  }
  const auto at = [](uint64_t ticks, uint64_t played) {
    const ProgressView v = ProgressAt(PlanProgress(ticks), played, 600);
    return std::vector<uint64_t>{v.position, uint64_t(v.percent), v.remainingSeconds};
  };
  EXPECT_EQ(at(100000, 1699)[0], 0u);
  // 25 of 1470: 1.7 %, shown 2 %; 600 - 2 × 600 ÷ 100 = 588
  EXPECT_EQ(at(100000, 1700), (std::vector<uint64_t>{25, 2, 588}));
  // 58 refreshes: 1450 of 1470, 99 %; the run itself shows 100 % at its end.
  EXPECT_EQ(at(100000, 100000), (std::vector<uint64_t>{1450, 99, 6}));
  EXPECT_EQ(at(1500, 1500)[1], 100u);
  // Line files: short ones are done.
  EXPECT_EQ(LineProgressAt(102, 50, 1000).percent, 50);
  EXPECT_EQ(LineProgressAt(102, 50, 1000).remainingSeconds, 500u);
  for (auto [lines, done] : std::initializer_list<std::pair<int, int>>{{2, 0}, {0, 0}, {3, 5}}) {
    EXPECT_EQ(LineProgressAt(lines, done, 1000).percent, 100) << lines << " " << done;
  }
}

// Regression: with the preset at 3110 µs the window counted down from the
// preset's 3:43 while the cut played the configured 5000 µs (about 6 min).
TEST(CutProgress, TheRemainingTimeFollowsTheTicksActuallyPlayed) {
  constexpr uint64_t kTicks = 72000;  // 6 min at 5000 µs
  struct Step {
    const char* what;
    int64_t microseconds;  // since the start, on the run's clock
    uint64_t played;
    uint64_t remaining;
    bool restart = false;  // a pause or a pre-heat just ended
  };
  // clang-format off
  const Step steps[] = {
      {"before any tick: from the period played", 0, 0, 360},
      {"half a second is too short to measure", 500000, 100, 360},
      {"5000 µs a tick, as configured", 10000000, 2000, 350},
      {"5000 µs", 15000000, 3000, 345},
      {"trimmed to 2500 µs: the last 5 s count", 20000000, 5000, 168},
      {"a 60 s pause, then the measure starts again", 85000000, 7000, 325, true},
      {"1 s later, 400 ticks: 2500 µs", 86000000, 7400, 162},
      {"the last tick", 250000000, kTicks, 0},
      {"more ticks than the header says: nothing left", 251000000, kTicks + 5, 0},
  };
  // clang-format on
  RemainingTime remaining(kTicks, 5000);
  for (const Step& step : steps) {
    if (step.restart) remaining.Restart();
    EXPECT_EQ(remaining.SecondsAt(step.microseconds, step.played), step.remaining) << step.what;
  }
}

TEST(CutProgress, EstimatesLongCutsWithoutOverflow) {
  EXPECT_EQ(FormatDuration(4261), "01:11:01");
  EXPECT_EQ(FormatDuration(360000), "100:00:00");
  // 5000 µs × 1,000,000 ticks = 5000 s, far past 2^32 µs (71.6 min)
  EXPECT_EQ(FormatDuration(EstimateDuration({5000, 5000, 5000, 5000}, 1000000)), "01:23:20");
  // mean (1 + 2 + 3 + 5) ÷ 4 = 2; 2 × 750,000 µs = 1.5 s, rounded to 2
  EXPECT_EQ(EstimateDuration({1, 2, 3, 5}, 750000), 2u);
  EXPECT_EQ(EstimateDuration({65535, 65535, 65535, 65535}, uint64_t(1) << 40),
            uint64_t(72056494526));
}

TEST(CutProgress, SpeedPresetShiftsEveryPeriodAndTheTrimStaysWithinAQuarter) {
  MachineSettings settings;
  settings.X1speed = 4000;
  settings.Y1speed = 6000;
  const int maximum = SpeedPresetMaximum(settings);  // (4000 + 6000 + 5000 + 5000) ÷ 4
  ASSERT_EQ(maximum, 5000);
  const SpeedPreset centre = ComputeSpeedPreset(settings, 2500, maximum, 1000);
  EXPECT_EQ(centre.offset, 0);
  EXPECT_EQ(centre.durationSeconds, 5u);
  const SpeedPreset faster = ComputeSpeedPreset(settings, 0, maximum, 1000);
  EXPECT_EQ(faster.offset, -2500);
  EXPECT_EQ(faster.periods, (std::array<int32_t, 4>{1500, 3500, 2500, 2500}));
  settings.X1speed = 100;  // less than the offset: held at 1 µs, not negative
  EXPECT_EQ(ComputeSpeedPreset(settings, 0, SpeedPresetMaximum(settings), 0).periods[0], 1);

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

// Every run of the file, block after block, as the view reads them.
std::vector<StepRun> AllRuns(std::istream& in, const StepRunIndex& index) {
  std::vector<StepRun> all;
  for (uint64_t b = 0; b < index.blockOffsets.size(); ++b) {
    for (const StepRun& r : ReadStepRunBlock(in, index, b)) all.push_back(r);
  }
  return all;
}

TEST(StepRuns, BlocksJoinExactlyOverManyRunsAndLongRuns) {
  // 3000 alternating runs whose lengths cycle 1..7, then one run of 200,000
  // bytes across several read chunks.
  std::string data;
  for (int r = 0; r < 3000; ++r) data.append(size_t(r % 7 + 1), char(r % 2 ? 0x55 : 0x0A));
  data.append(200000, char(0xFF));
  std::istringstream in(data);
  const std::optional<StepRunIndex> index = IndexStepRuns(in);
  ASSERT_TRUE(index);
  EXPECT_EQ(index->runs, 3001u);
  EXPECT_EQ(index->bytes, data.size());
  EXPECT_EQ(index->blockOffsets.size(), 3u);
  const std::vector<StepRun> runs = AllRuns(in, *index);
  ASSERT_EQ(runs.size(), 3001u);
  for (size_t i = 0; i < 3000; ++i) {
    ASSERT_EQ(runs[i].number, i + 1);
    ASSERT_EQ(runs[i].length, i % 7 + 1) << i;
    ASSERT_EQ(runs[i].byte, i % 2 ? 0x55 : 0x0A) << i;
  }
  EXPECT_EQ(runs[3000].length, 200000u);
  EXPECT_EQ(runs[3000].byte, 0xFF);

  std::istringstream empty("");
  const std::optional<StepRunIndex> none = IndexStepRuns(empty);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->runs, 0u);
  EXPECT_TRUE(ReadStepRunBlock(empty, *none, 0).empty());
  // A file that shrank gives the runs it still holds.
  std::istringstream before("\x01\x02\x03\x04"), after("\x01\x02");
  const std::vector<StepRun> kept = ReadStepRunBlock(after, *IndexStepRuns(before), 0);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[1].byte, 2);
  // Reading stops when asked: RunLengthView.EscapeStopsTheReadingAndAMissingFileIsNamed.
}

TEST(StepRuns, CellTexts) {
  // X1 on slot 1 owns bits 2 and 3: 0x0C.
  EXPECT_EQ(AxisBitsText(0x3D, 0x0C), "oooo11oo");
  EXPECT_EQ(HexByteText(0x0A) + HexByteText(0xFF), "0AFF");
  std::istringstream crlf("a\r\nb\r\nc\r\n"), open("a\nb"), none("");
  EXPECT_EQ(CountTextLines(crlf), 3u);
  EXPECT_EQ(CountTextLines(open), 2u);
  EXPECT_EQ(CountTextLines(none), 0u);
  // 4800 bytes for 10 lines of 48 bytes.
  EXPECT_EQ(TransferRatioText(4800, 10), "Rapport n1/n2  =  10.0");
  EXPECT_EQ(TransferRatioText(4800, 0), "");
}

}  // namespace
}  // namespace orvane
