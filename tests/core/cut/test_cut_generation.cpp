#include "core/cut/cut_generation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/machine_settings.h"
#include "support/profiles.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

StepAxes Axes(uint16_t steps) {
  MachineSettings s;
  s.X1step = s.Y1step = s.X2step = s.Y2step = steps;
  return StepAxesFrom(s);
}

TEST(CutLimits, TheTickCountMayReachButNotPassTwoToThe32) {
  const long double limit = 4294967296.0L;  // 2^32 mm at 1 step/mm
  EXPECT_EQ(CheckCutLimits({{0, 0, 0, 0}, {limit, 0, 0, 0}}, Axes(1)), "");
  EXPECT_EQ(CheckCutLimits({{0, 0, 0, 0}, {limit + 1, 0, 0, 0}}, Axes(1)),
            "Découpe impossible : elle dépasse 4 294 967 296 pas (au point 2).");
  // Counted over the segments, going back and forth.
  EXPECT_NE(
      CheckCutLimits({{0, 0, 0, 0}, {limit / 2, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 0}}, Axes(1)),
      "");
  EXPECT_EQ(CheckCutLimits({}, Axes(1)), "");
}

TEST(CutLimits, APositionBeyondTheStepCountersIsNamed) {
  // 1e17 mm at 200 steps/mm is 2e19 steps, more than a 64-bit counter holds.
  EXPECT_EQ(CheckCutLimits({{0, 0, 0, 0}, {0, 0, 1e17L, 0}}, Axes(200)),
            "Découpe impossible : au point 2, X2 = 1e+17 mm est hors de portée des moteurs.");
  EXPECT_NE(CheckCutLimits({{0, -1e17L, 0, 0}, {0, 0, 0, 0}}, Axes(200)).find("point 1, Y1"),
            std::string::npos);
}

// Regression: a cut of 2e19 ticks was started (and with only the G-code
// wanted, counted for ever) instead of being refused.
TEST(CutLimits, AnAbsurdCutIsRefusedBeforeAnyTickOrFile) {
  struct Watch : GenerationObserver {
    bool Continue(size_t, size_t, uint64_t) override {
      called = true;
      return false;
    }
    bool called = false;
  };
  const Profile p1 = test::MakeProfile({{0, 0}, {1e17, 10}});
  const Profile p2 = test::MakeProfile({{0, 0}, {50, 10}});
  MachineSettings settings;
  ASSERT_NE(CutRefusal(p1.adjusted, p2.adjusted, settings), "");
  for (bool gcodeOnly : {true, false}) {
    test::TempFolder folder;
    Watch watch;
    const CutGeneration g =
        GenerateCut(p1.adjusted, p2.adjusted, settings, folder.Path(), gcodeOnly, &watch);
    EXPECT_EQ(g.error, CutRefusal(p1.adjusted, p2.adjusted, settings));
    EXPECT_FALSE(g.Ok());
    EXPECT_FALSE(watch.called);
    EXPECT_TRUE(fs::is_empty(folder.Path()));
  }
  // An ordinary cut passes the same check.
  const Profile small = test::MakeProfile({{0, 0}, {100, 10}});
  EXPECT_EQ(CutRefusal(small.adjusted, p2.adjusted, settings), "");
}

TEST(CutLimits, ACellThatIsNotANumberIsRefusedFirst) {
  Profile p1 = test::MakeProfile({{0, 0}, {10, 10}});
  const Profile p2 = test::MakeProfile({{0, 0}, {50, 10}});
  p1.adjusted[1].x = "abc";
  EXPECT_EQ(CutRefusal(p1.adjusted, p2.adjusted, MachineSettings{}),
            "Point 2, colonne X1 : « abc » n'est pas un nombre.");
}

}  // namespace
}  // namespace orvane
