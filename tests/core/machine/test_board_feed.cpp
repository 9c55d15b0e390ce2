#include "core/machine/board_feed.h"

#include <gtest/gtest.h>

#include "core/app/machine_settings.h"

namespace orvane {
namespace {

TEST(BoardCutFeed, ARealRunAveragesTheAxisFeedsAtThePresetsPeriods) {
  MachineSettings s;
  s.X1step = 200, s.Y1step = 100, s.X2step = 200, s.Y2step = 100;
  struct Case {
    const char* name;
    std::array<int32_t, 4> periods;  // X1, X2, Y1, Y2
    uint16_t feed;
  };
  const Case cases[] = {
      // 60e6 / (4000 × 200) = 75, / (5000 × 200) = 60, / (6000 × 100) = 100,
      // / (2500 × 100) = 240: 475 ÷ 4 = 118 (pairing X2 with Y1's steps gives 121)
      {"mixed periods", {4000, 5000, 6000, 2500}, 118},
      // X1 62.5 → 62 and X2 187.5 → 188 (halves to even), Y1 60, Y2 125:
      // 435 ÷ 4 = 108 (rounding halves up would give 436 ÷ 4 = 109)
      {"halves to even", {4800, 1600, 10000, 4800}, 108},
      // A period the preset pushed to nothing moves that axis at no feed:
      // (0 + 60 + 100 + 240) ÷ 4 = 100
      {"a period of 0", {0, 5000, 6000, 2500}, 100},
      {"a negative period", {-3, 5000, 6000, 2500}, 100},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BoardCutFeed(s, c.periods, false), c.feed) << c.name;
  }
  // The configured periods play no part in a real run.
  s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 1;
  EXPECT_EQ(BoardCutFeed(s, {4000, 5000, 6000, 2500}, false), 118);
}

// The sum of the four feeds is held in 16 bits; wrapping made the fastest
// presets crawl (80,000 would have become 14,464 ÷ 4 = 3616).
TEST(BoardCutFeed, AFeedPastSixteenBitsStaysAtTheTop) {
  MachineSettings s;  // 200 steps/mm on every axis
  // 60e6 / (15 × 200) = 20,000 per axis: 80,000 in all
  EXPECT_EQ(BoardCutFeed(s, {15, 15, 15, 15}, false), 65535 / 4);
  s.X1step = s.Y1step = s.X2step = s.Y2step = 1;
  // 60e6 / 3663 = 16,380.05: 65,520 fits and is not touched
  EXPECT_EQ(BoardCutFeed(s, {3663, 3663, 3663, 3663}, false), 16380);
  // 60e6 / 3662 = 16,384.49: 65,536 is one past the top
  EXPECT_EQ(BoardCutFeed(s, {3662, 3662, 3662, 3662}, false), 16383);
  EXPECT_EQ(BoardCutFeed(s, {1, 1, 1, 1}, false), 16383);
}

TEST(BoardCutFeed, ASimulationRunsAtTwiceVmaxScaledFromTheConfiguredFeed) {
  MachineSettings s;  // 5000 µs at 200 steps/mm: 60 mm/min, 1 mm/s; Vmax 2
  const std::array<int32_t, 4> preset{100, 100, 100, 100};
  // 60 × (2 / 1) × 2
  EXPECT_EQ(BoardCutFeed(s, preset, true), 240);
  EXPECT_EQ(BoardSimulationCaption(240), "Orvane - Simulation à 4 mm/s");

  // 247.5 and 232.5 round to the even neighbour
  s.Vmax = 2.0625;
  EXPECT_EQ(BoardCutFeed(s, preset, true), 248);
  s.Vmax = 1.9375;
  EXPECT_EQ(BoardCutFeed(s, preset, true), 232);

  // Feeds 60, 120, 60, 60: Fc = 75; speeds 1, 2, 1, 1 mm/s: Vc = 1.25;
  // 75 × (3.5 / 1.25) × 2 = 420, shown as 7 mm/s
  s.Y1speed = 2500;
  s.Y2speed = 10000, s.Y2step = 100;
  s.Vmax = 3.5;
  EXPECT_EQ(BoardCutFeed(s, preset, true), 420);
  EXPECT_EQ(BoardSimulationCaption(420), "Orvane - Simulation à 7 mm/s");
  EXPECT_EQ(BoardSimulationCaption(100), "Orvane - Simulation à 2 mm/s");

  s.Vmax = 1e9;
  EXPECT_EQ(BoardCutFeed(s, preset, true), 65535);
}

TEST(BoardCutFeed, ASimulationWithNoConfiguredSpeedSendsNoFeed) {
  MachineSettings s;
  s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 0;
  EXPECT_EQ(BoardCutFeed(s, {5000, 5000, 5000, 5000}, true), 0);
}

}  // namespace
}  // namespace orvane
