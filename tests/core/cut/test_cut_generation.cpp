#include "core/cut/cut_generation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/machine_settings.h"
#include "core/machine/cut_opening.h"
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

// Regression: a flat segment (length 5, angle 0) was recorded as 5 x 5 mm and
// the execution window proposed an 11 x 11 block; a vertical line likewise in X.
TEST(CutHeader, AProfileWithoutExtentOnAnAxisIsRecordedZeroThereAndSoIsItsBlock) {
  const struct {
    const char* name;
    std::vector<std::pair<double, double>> points;
    const char *sizeX, *sizeY;
    int64_t blockWidth, blockHeight;
  } cases[] = {
      {"flat segment", {{0, 0}, {5, 0}}, "5.000", "0.000", 11, 6},
      {"vertical line", {{0, 0}, {0, 40}}, "0.000", "40.000", 6, 46},
      {"rectangle", {{0, 0}, {100, 0}, {100, 75}, {0, 75}}, "100.000", "75.000", 106, 81},
  };
  MachineSettings settings;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempFolder folder;
    Profile p = test::MakeProfile(c.points);
    UpdateDimensions(p, 1, 3, settings.MaxX, settings.MaxY, false);
    const CutGeneration g =
        GenerateCut(p.adjusted, p.adjusted, settings, folder.Path(), true, nullptr);
    ASSERT_TRUE(g.Ok()) << g.error;
    const double dimensions[4] = {p.DimX, p.DimY, p.DimX, p.DimY};
    const CutHeaderData data = MakeCutHeader(g, p.adjusted, p.adjusted, 3, {}, dimensions);
    const CutHeaderRead read = ParseCutHeader(WriteCutHeader(data, settings, false));
    ASSERT_TRUE(read.ok) << read.message;
    for (size_t line : {0u, 2u, 4u, 6u}) {
      EXPECT_EQ(read.info.sizeLines[line], c.sizeX) << line;
      EXPECT_EQ(read.info.sizeLines[line + 1], c.sizeY) << line;
    }
    const BlockSize block = ProposeBlock(read.info);
    EXPECT_EQ(block.width, c.blockWidth);
    EXPECT_EQ(block.height, c.blockHeight);
  }
}

}  // namespace
}  // namespace orvane
