#include "core/shapes/alignment.h"

#include <gtest/gtest.h>

#include "support/profiles.h"

namespace orvane {
namespace {

TEST(Alignment, StepFollowsTheTableSizeAndTheModifiersAndTheOffsetShowsNegated) {
  // 250 rows: Round(0.5) is 0, half to even; 800: Round(1.6); Shift: 1;
  // Ctrl: 0.1, as the hint says.
  for (auto [rows, shift, ctrl, step] : {std::tuple{250, false, false, 0.1},
                                         {800, false, false, 2.0},
                                         {800, true, false, 1.0},
                                         {800, false, true, 0.1}}) {
    EXPECT_EQ(AlignmentStep(rows, shift, ctrl), step) << rows << shift << ctrl;
  }
  EXPECT_EQ(AlignmentOffsetText(0, Axis::X), "0.00  X");
  EXPECT_EQ(AlignmentOffsetText(-1, Axis::X), "+1.00  X");
  EXPECT_EQ(AlignmentOffsetText(0.25, Axis::Y), "-0.25  Y");
  EXPECT_EQ(AlignmentOffsetText(0.1 + 0.2 - 0.3, Axis::Y), "0.00  Y");
}

// A square of side 20 with an external lead-in 5 above its start (20, 10).
Profile WithLeadIn(int decimals) {
  return test::MakeProfile(
      {{20, 25}, {20, 10}, {20, 20}, {0, 20}, {0, 0}, {20, 0}, {20, 10}, {20, 25}}, decimals);
}

TEST(Alignment, StepsMoveOnlyTheLeadInPointsAndRevertPutsBothProfilesBack) {
  Profile p1 = WithLeadIn(0), p2 = WithLeadIn(3);
  p2.modified = true;
  AlignmentSession session(p1, p2, 0);
  for (int i = 0; i < 10; ++i) session.Step(1, Axis::Y, 0.1);  // one millimetre at 0 decimals
  EXPECT_EQ(p1.raw.back().y, "26.000000");
  EXPECT_EQ(p1.adjusted.front().y, "26");
  EXPECT_NEAR(session.Offset(1, Axis::Y), 1.0, 1e-12);
  EXPECT_TRUE(session.Changed(1));
  EXPECT_FALSE(session.Changed(2));
  session.Step(2, Axis::X, -1);  // D2 with Shift
  // The lead-in point is now the leftmost but one, and the profile re-anchored: x 19 of 0..20.
  EXPECT_EQ(p2.raw.front(), (PointText{"19.000000", "25.000000"}));
  EXPECT_EQ(p2.raw[1], (PointText{"20.000000", "10.000000"}));
  EXPECT_EQ(AlignmentOffsetText(session.Offset(2, Axis::X), Axis::X), "+1.00  X");
  session.Revert();
  EXPECT_EQ(p1.adjusted, WithLeadIn(0).adjusted);
  EXPECT_EQ(p2.raw, WithLeadIn(3).raw);
  EXPECT_FALSE(p1.modified);
  EXPECT_TRUE(p2.modified);
  EXPECT_FALSE(session.AnyChanged());
}

TEST(Alignment, OverlayPutsBothFirstPointsOnOneSpot) {
  const Profile a = WithLeadIn(3), b = test::MakeProfile({{0, 0}, {10, 10}, {0, 0}});
  const OverlayTransform t = MakeOverlayTransform(a.adjusted, b.adjusted, 400, 300, 20);
  // The union spans x -20..10, y -25..10 around the shared point: height decides.
  EXPECT_DOUBLE_EQ(t.scale, (300 - 40) / 35.0);
  const auto [x, y] = t.Map(0, 0);
  EXPECT_DOUBLE_EQ(x, 200 + 5 * t.scale);
  EXPECT_DOUBLE_EQ(y, 150 - 7.5 * t.scale);
}

}  // namespace
}  // namespace orvane
