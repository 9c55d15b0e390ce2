#include "core/project/profile.h"

#include <gtest/gtest.h>

#include "support/profiles.h"

#include "core/common/text_number.h"

namespace orvane {
namespace {

TEST(RefreshAdjusted, ReAnchorsTheBoundingBoxAtTheOriginAndRoundsTheShownTable) {
  Profile p = test::MakeProfile({{-20, 5}, {10, 25}, {-5, 45.5}}, 2);
  EXPECT_EQ(p.raw[0], (PointText{"0.000000", "0.000000"}));
  EXPECT_EQ(p.raw[2], (PointText{"15.000000", "40.500000"}));
  EXPECT_EQ(p.adjusted[2], (PointText{"15.00", "40.50"}));
  EXPECT_DOUBLE_EQ(p.width, 30);
  // Fewer decimals make near points duplicates; the raw table keeps full precision.
  p = test::MakeProfile({{0, 0}, {10.4, 3}, {10.1, 3}, {20, 0}}, 2);
  EXPECT_FALSE(IsDuplicateRow(p.adjusted, 1));
  RefreshAdjusted(p, 0);
  EXPECT_EQ(p.adjusted[1], (PointText{"10", "3"}));
  EXPECT_TRUE(IsDuplicateRow(p.adjusted, 2));
  EXPECT_FALSE(IsDuplicateRow(p.adjusted, 3));
  EXPECT_EQ(p.raw[1].x, "10.400000");
}

// Regression: a flat segment showed Cote Y equal to Cote X (5 x 5 mm), and
// the cut header and the block proposal followed.
TEST(RefreshAdjusted, AProfileWithoutExtentOnAnAxisMeasuresZeroOnIt) {
  const struct {
    const char* name;
    std::vector<std::pair<double, double>> points;
    const char *x, *y;
  } cases[] = {
      {"flat segment, length 5 at 0 degrees", {{0, 0}, {5, 0}}, "5.000", "0.000"},
      {"vertical line", {{3, 0}, {3, 30}}, "0.000", "30.000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Profile p = test::MakeProfile(c.points);
    const DimensionTexts texts = DimensionsOf(p, 3);
    EXPECT_EQ(texts.x, c.x);
    EXPECT_EQ(texts.y, c.y);
    UpdateDimensions(p, 1, 3, 600, 600, false);
    EXPECT_EQ(p.DimX, CellNumber(c.x));
    EXPECT_EQ(p.DimY, CellNumber(c.y));
    // With proportions kept, a new width leaves a zero height at zero.
    const DimensionChange change = EditDimension(p, 1, Axis::X, "100", p.DimX, 3, 600, 600, false);
    if (CellNumber(c.y) == 0) {
      EXPECT_EQ(change.texts.y, "0.000");
    }
  }
}

TEST(ProfileShape, ClosureLeadInExtentAndDifferenceFollowTheRules) {
  Profile closed = test::MakeProfile({{0, 0}, {10, 0}, {10, 10}, {0, 0}});
  EXPECT_TRUE(IsClosed(closed.adjusted));
  EXPECT_FALSE(IsClosed(test::MakeProfile({{0, 0}, {10, 0}, {10, 10}}).adjusted));

  // Lead-in from (0, 5) to (5, 5), square of 10, then back out.
  Profile leadIn =
      test::MakeProfile({{0, 5}, {5, 5}, {5, 0}, {15, 0}, {15, 10}, {5, 10}, {5, 5}, {0, 5}});
  auto vector = HasLeadIn(leadIn.adjusted);
  ASSERT_TRUE(vector);
  EXPECT_EQ(*vector, (std::pair<double, double>{5, 0}));
  EXPECT_EQ(ProfileExtent(leadIn.adjusted, true), (std::pair<double, double>{15, 10}));
  EXPECT_EQ(ProfileExtent(leadIn.adjusted, false), (std::pair<double, double>{10, 10}));
  // Profiles differ by their adjusted texts.
  Profile a = test::MakeProfile({{0, 0}, {10, 0}, {10, 10}}), b = a;
  EXPECT_FALSE(ProfilesDiffer(a.adjusted, b.adjusted));
  Profile c = test::MakeProfile({{0, 0}, {10, 0}, {10, 10.0004}});
  EXPECT_FALSE(ProfilesDiffer(a.adjusted, c.adjusted));  // equal at three decimals
  Profile d = test::MakeProfile({{0, 0}, {10, 0}});
  EXPECT_TRUE(ProfilesDiffer(a.adjusted, d.adjusted));
}

// Cote X or Y typed for a 100 x 50 profile in a 600 x 600 machine: an empty,
// non-positive or zero-rounding value brings the previous one back.
TEST(EditDimension, RescalesClampsOrRestoresAsTyped) {
  const struct {
    const char* name;
    int profile;
    Axis axis;
    const char* typed;
    int decimals;
    bool proportions, ignoreCapacity, rescaled, clamped;
    const char* shownX;
    double x, y;  // the far corner afterwards
  } cases[] = {
      {"without proportions", 2, Axis::Y, "25", 1, false, false, true, false, "100.0", 100, 25},
      {"over the capacity", 1, Axis::X, "800", 3, true, false, true, true, "600.000", 600, 300},
      {"capacity ignored", 1, Axis::X, "800", 3, true, true, true, false, "800.000", 800, 400},
      {"empty", 1, Axis::X, "", 2, true, false, false, false, "100.00", 100, 50},
      {"0.4 at no decimals", 1, Axis::X, "0.4", 0, true, false, false, false, "100", 100, 50},
      {"0.6 shows as 1, taken as 1", 1, Axis::X, "0.6", 0, true, false, true, false, "1", 1, 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Profile p = test::MakeProfile({{0, 0}, {100, 50}});
    p.proportions = c.proportions;
    UpdateDimensions(p, c.profile, c.decimals, 600, 600, c.ignoreCapacity);
    const DimensionChange change =
        EditDimension(p, c.profile, c.axis, c.typed, c.axis == Axis::X ? 100 : 50, c.decimals, 600,
                      600, c.ignoreCapacity);
    EXPECT_EQ(change.rescaled, c.rescaled);
    EXPECT_EQ(change.clamped, c.clamped);
    EXPECT_EQ(change.texts.x, c.shownX);
    EXPECT_EQ(change.texts.y, FormatFixed(c.y, c.decimals));
    EXPECT_EQ(p.raw[1], (PointText{FormatFixed(c.x, 6), FormatFixed(c.y, 6)}));
  }
  Profile p = test::MakeProfile({{0, 0}, {100, 50}});
  p.proportions = false;
  EXPECT_EQ(EditDimension(p, 2, Axis::Y, "25", 50, 1, 500, 500, false).label, "P2 - Cote Y = 25");
  EXPECT_EQ(EditDimension(p, 1, Axis::X, "0.6", 100, 0, 500, 500, false).label, "P1 - Cote X = 1");
}

TEST(UpdateDimensions, AnOversizeProfileIsClampedOnce) {
  Profile p = test::MakeProfile({{0, 0}, {800, 400}});
  DimensionChange change = UpdateDimensions(p, 1, 3, 500, 500, false);
  EXPECT_TRUE(change.clamped);
  EXPECT_EQ(change.texts.y, "250.000");
  EXPECT_EQ(p.raw[1], (PointText{"500.000000", "250.000000"}));
}

TEST(ProjectState, ColoursAndEnablingFollowThePointCounts) {
  Profile a, b;
  for (int i = 0; i < 50; ++i) a.raw.push_back({FormatFixed(i, 6), FormatFixed(i % 7, 6)});
  b.raw = a.raw;
  b.raw.push_back({"1.000000", "2.000000"});
  RefreshAdjusted(a, 3);
  RefreshAdjusted(b, 3);
  ProjectState state = ComputeProjectState(a, b);
  EXPECT_EQ(state.NbPoints1, "50 points ");
  EXPECT_EQ(state.NbPointsColour, (Rgb{255, 0, 0}));
  EXPECT_FALSE(state.Calculer || state.Exporter || state.Enregistrer);
  EXPECT_TRUE(state.Fermer);
  EXPECT_EQ(state.Etat1, " ouvert ");
  EXPECT_EQ(state.Etat1Colour, (Rgb{255, 0, 255}));

  b.raw.pop_back();
  b.raw.back() = b.raw.front();
  b.modified = true;
  RefreshAdjusted(b, 3);
  state = ComputeProjectState(a, b);
  EXPECT_EQ(state.NbPointsColour, (Rgb{0, 128, 128}));
  EXPECT_TRUE(state.Calculer && state.Exporter && state.Enregistrer);
  EXPECT_EQ(state.Etat2, " fermé ");

  state = ComputeProjectState(Profile{}, Profile{});
  EXPECT_EQ(state.NbPoints1, "0 points ");
  EXPECT_FALSE(state.Fermer);
  EXPECT_EQ(state.Etat1, "---");
}

TEST(CopyProfile, TakesTheSourcePointsAndClearsTheLocksAndTheCopiedPoint) {
  Profile source = test::MakeProfile({{0, 0}, {10, 0}, {10, 10}});
  source.fileName = "aile";
  source.proportions = false;
  Profile destination = test::MakeProfile({{0, 0}, {1, 1}});
  destination.LockedRows = {1};
  destination.clipboard = destination.raw[1];
  CopyProfile(source, destination, 3);
  EXPECT_EQ(destination.raw, source.raw);
  EXPECT_TRUE(destination.LockedRows.empty());
  EXPECT_EQ(destination.clipboard, PointText{});
  EXPECT_FALSE(destination.proportions);
  EXPECT_EQ(ProfileTitle(1, destination.fileName), " PROFIL 1 : aile ");
  EXPECT_EQ(ProfileTitle(2, ""), " PROFIL 2 ");
}

}  // namespace
}  // namespace orvane
