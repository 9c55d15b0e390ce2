#include "core/project/operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/common/text_number.h"
#include "support/profiles.h"

namespace orvane {
namespace {

PointRows Rows(const std::vector<std::pair<double, double>>& points) {
  return test::MakeProfile(points, -1).raw;
}

std::pair<double, double> XY(const PointRows& rows, int row) {
  return {CellNumber(rows[row - 1].x), CellNumber(rows[row - 1].y)};
}

TEST(Coefficient, DoublesFreePointsAndMovesALockedRunRigidly) {
  PointRows rows = Rows({{0, 0}, {10, 0}, {20, 0}, {30, 5}, {32, 5}, {34, 6}, {40, 0}, {50, 0}});
  ASSERT_TRUE(ScaleByCoefficient(rows, -2, {4, 5, 6}));  // k = |factor|
  EXPECT_EQ(XY(rows, 3), (std::pair<double, double>{40, 0}));
  // Point 4 would go to (60, 10): the run moves by (30, 5) and keeps its spacing.
  EXPECT_EQ(XY(rows, 4), (std::pair<double, double>{60, 10}));
  EXPECT_EQ(XY(rows, 6), (std::pair<double, double>{64, 11}));
  EXPECT_EQ(XY(rows, 8), (std::pair<double, double>{100, 0}));
  EXPECT_FALSE(ScaleByCoefficient(rows, 1, {}));
}

TEST(DivideSegments, HalvesLongSegmentsWithinTheirLimits) {
  PointRows rows = Rows({{0, 0}, {10, 0}});
  DivideSegments(rows, 2, 5);
  ASSERT_EQ(rows.size(), 5u);  // 4 pieces of 2.5 mm
  for (int r = 1; r <= 5; ++r) EXPECT_EQ(XY(rows, r).first, 2.5 * (r - 1));
  // A non-positive distance or too many points leave the outline alone.
  const PointRows segment = Rows({{0, 0}, {10, 0}});
  for (double d : {0.0, -2.0}) {
    rows = segment;
    EXPECT_TRUE(DivideSegments(rows, d, 5));
    EXPECT_EQ(rows, segment) << d;
  }
  // 5 passes would give 33 points: refused at 20, whole at 33.
  rows = segment;
  EXPECT_FALSE(DivideSegments(rows, 0.01, 5, 20));
  EXPECT_EQ(rows, segment);
  EXPECT_TRUE(DivideSegments(rows, 0.01, 5, 33));
  EXPECT_EQ(rows.size(), 33u);
}

TEST(Kerf, OffsetsASquareAndRefusesBadWidthsDuplicatesAndCrossings) {
  const Profile square = test::MakeProfile({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
  for (auto [inward, side] : {std::pair{false, 11.0}, std::pair{true, 9.0}}) {
    KerfResult r = OffsetKerf(square.raw, square.adjusted, 0.5, inward);
    ASSERT_TRUE(r.rows) << r.message;
    Profile out;
    out.raw = *r.rows;
    RefreshAdjusted(out, 3);
    EXPECT_EQ(DimensionsOf(out, 3).x, FormatFixed(side, 3)) << inward;
    EXPECT_EQ(DimensionsOf(out, 3).y, FormatFixed(side, 3)) << inward;
    EXPECT_TRUE(IsClosed(out.raw));
  }
  EXPECT_EQ(OffsetKerf(square.raw, square.adjusted, 6, false).message, "Valeur incorrecte !");
  EXPECT_EQ(OffsetKerf(square.raw, square.adjusted, 0.001, false).message, "Valeur incorrecte !");
  const Profile twice = test::MakeProfile({{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 0}});
  EXPECT_EQ(OffsetKerf(twice.raw, twice.adjusted, 0.5, false).message,
            "Supprimez d'abord les doublons !");
  const Profile bowtie = test::MakeProfile({{0, 0}, {10, 10}, {10, 0}, {0, 10}, {0, 0}});
  KerfResult crossed = OffsetKerf(bowtie.raw, bowtie.adjusted, 0.5, false);
  EXPECT_FALSE(crossed.rows);
  EXPECT_NE(crossed.message.find("se croise"), std::string::npos);
}

TEST(CrossesItself, FindsACrossingAmongManySegments) {
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i <= 2000; ++i) {
    const double t = 2 * M_PI * (i % 2000) / 2000;
    points.push_back({100 * std::cos(t), 40 * std::sin(t)});
  }
  EXPECT_FALSE(CrossesItself(Rows(points)));
  points[1000] = {100, 0};  // a spike across to the other side
  EXPECT_TRUE(CrossesItself(Rows(points)));
  // An end inside another segment's box, off its line, is no crossing.
  EXPECT_FALSE(CrossesItself(Rows({{0, 0}, {10, 10}, {20, 10}, {20, 14}, {2, 8}})));
}

TEST(Transforms, RotateTurnAndMirror) {
  PointRows rows = Rows({{10, 0}, {10, 5}});
  Rotate(rows, 90);
  EXPECT_NEAR(XY(rows, 1).first, 0, 1e-6);
  EXPECT_NEAR(XY(rows, 1).second, 10, 1e-6);
  rows = Rows({{0, 0}, {10, 0}, {10, 4}});
  QuarterTurnClockwise(rows);  // (X, Y) -> (Y, maxX + minX - X)
  EXPECT_EQ(XY(rows, 3), (std::pair<double, double>{4, 0}));
  MirrorHorizontal(rows);
  MirrorVertical(rows);
  EXPECT_EQ(XY(rows, 1), (std::pair<double, double>{4, 0}));
}

TEST(RowEdits, InsertDeleteCloseAndReverse) {
  PointRows rows = Rows({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 4}});
  InsertPoint(rows, 2);
  EXPECT_EQ(XY(rows, 2), (std::pair<double, double>{5, 0}));
  std::vector<int> locked;
  EXPECT_EQ(DeleteRows(rows, locked, 2, 2), Deleted::Selected);
  EXPECT_EQ(DeleteRows(rows, locked, 1, 3), Deleted::Nothing);  // would leave fewer than 4 rows
  locked = {5};
  EXPECT_EQ(DeleteRows(rows, locked, 1, 1), Deleted::Locked);
  EXPECT_TRUE(locked.empty());
  EXPECT_EQ(rows.size(), 4u);
  CloseOutline(rows);
  EXPECT_TRUE(IsClosed(rows));
  ReverseRange(rows, 2, 4);
  EXPECT_EQ(XY(rows, 2), (std::pair<double, double>{0, 10}));
  // An inserted point moves the locks below it: they stay on (0, 0), (10, 10), (0, 10).
  rows = Rows({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 4}});
  locked = {1, 3, 4};
  InsertPoint(rows, 3, &locked);
  EXPECT_EQ(locked, (std::vector<int>{1, 4, 5}));
  EXPECT_EQ(XY(rows, 4), (std::pair<double, double>{10, 10}));
}

TEST(SetStartPoint, RotatesAClosedOutline) {
  // Rows 1..4 distinct, row 5 the closing copy.
  PointRows rows = Rows({{0, 0}, {1, 0}, {2, 1}, {0, 2}, {0, 0}});
  const PointRows before = rows;
  ASSERT_TRUE(SetStartPoint(rows, 3));
  EXPECT_EQ(rows, (PointRows{before[2], before[3], before[0], before[1], before[2]}));
  PointRows open = Rows({{0, 0}, {1, 0}, {2, 1}});
  EXPECT_FALSE(SetStartPoint(open, 2));
}

TEST(Simplify, DropsTheMiddleOfAlignedTextsAndKeepsAnOpenEnd) {
  PointRows rows = Rows({{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
  EXPECT_TRUE(Simplify(rows));
  EXPECT_EQ(rows.size(), 5u);
  EXPECT_EQ(XY(rows, 2), (std::pair<double, double>{10, 0}));
  EXPECT_TRUE(IsClosed(rows));
  // Nothing aligned: nothing changes.
  PointRows open = Rows({{0, 0}, {5, 1}, {10, 3}, {12, 8}});
  const PointRows before = open;
  EXPECT_FALSE(Simplify(open));
  EXPECT_EQ(open, before);
  // The middle of (0, 0) (5, 0) (10, 0) goes; an open profile keeps its end point (12, 8).
  PointRows aligned = Rows({{0, 0}, {5, 0}, {10, 0}, {12, 8}});
  EXPECT_TRUE(Simplify(aligned));
  EXPECT_EQ(aligned, Rows({{0, 0}, {10, 0}, {12, 8}}));
}

TEST(Locks, LockingRangesAddsOnlyNewRows) {
  std::vector<int> locked;
  LockRows(locked, 5, 8);
  LockRows(locked, 7, 9);
  std::sort(locked.begin(), locked.end());
  EXPECT_EQ(locked, (std::vector<int>{5, 6, 7, 8, 9}));
  ReleaseRows(locked, 6, 7);
  InvertLocks(locked, 11);  // rows 1..10
  std::sort(locked.begin(), locked.end());
  EXPECT_EQ(locked, (std::vector<int>{1, 2, 3, 4, 6, 7, 10}));
  EXPECT_EQ(ShiftLabel(2, 0, -0.1, 0.1), "P2 - Y  - 0.1");
}

TEST(EnclosedArea, LeavesTheLeadInOut) {
  // Lead-in from (-5, 0) to (0, 0), the square, and back out.
  EXPECT_EQ(EnclosedArea(Rows({{-5, 0}, {0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {-5, 0}})),
            100);
}

}  // namespace
}  // namespace orvane
