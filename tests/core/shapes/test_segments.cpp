#include "core/shapes/segments.h"

#include <gtest/gtest.h>

#include "core/common/text_number.h"

namespace orvane {
namespace {

PointRows Refreshed(PointRows rows) {
  Profile p;
  p.raw = std::move(rows);
  RefreshAdjusted(p, 3);
  return p.raw;
}

TEST(Segments, PolarDefaultsUseTheTruncatedConstant) {
  const PointRows rows = GenerateSegment({}, SegmentValues{});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (PointText{"0.000000", "0.000000"}));
  EXPECT_EQ(rows[1], (PointText{"35.355340", "35.355338"}));
}

TEST(Segments, RectangularThereAndBackIsReAnchored) {
  SegmentValues v;
  v.polar = false;
  v.largeur = -20;
  v.hauteur = 10;
  v.roundTrip = true;
  EXPECT_EQ(
      Refreshed(GenerateSegment({}, v)),
      (PointRows{{"20.000000", "0.000000"}, {"0.000000", "10.000000"}, {"20.000000", "0.000000"}}));
}

TEST(Segments, AppendingAddsOneRowFromTheProfileAsItWas) {
  const PointRows base{{"0.000000", "0.000000"}, {"100.000000", "0.000000"}};
  SegmentValues v;
  v.append = true;
  v.longueur = 50;
  v.angle = 90;
  // Every regeneration starts again from `base`: the segment is there once.
  PointRows rows;
  for (int i = 0; i < 3; ++i) rows = GenerateSegment(base, v);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2], (PointText{"100.000004", "50.000000"}));
  // On an empty profile the segment starts at (0, 0).
  EXPECT_EQ(GenerateSegment({}, v).front(), (PointText{"0.000000", "0.000000"}));
}

TEST(Segments, ZeroSegmentAddsNoDuplicate) {
  SegmentValues v;
  v.polar = false;
  v.largeur = v.hauteur = 0;
  v.roundTrip = true;
  EXPECT_EQ(GenerateSegment({}, v).size(), 1u);
  v.append = true;
  const PointRows base{{"0.000000", "0.000000"}, {"5.000000", "0.000000"}};
  EXPECT_EQ(GenerateSegment(base, v), base);
}

TEST(Segments, LeavingAnEditAppliesTheRules) {
  SegmentValues v;
  v.angle = 400;
  v.longueur = 0;
  v = ValidateSegment(v);
  EXPECT_EQ(v.angle, 0);
  EXPECT_EQ(v.longueur, 50);
}

}  // namespace
}  // namespace orvane
