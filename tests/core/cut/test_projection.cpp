#include "core/cut/projection.h"

#include <gtest/gtest.h>

#include "support/profiles.h"

namespace orvane {
namespace {

struct Fixture {
  Profile p1, p2;
  ProjectionInput in;
  Fixture(std::vector<std::pair<double, double>> a, std::vector<std::pair<double, double>> b)
      : p1(test::MakeProfile(a, -1)), p2(test::MakeProfile(b, -1)) {
    in.raw1 = &p1.raw;
    in.raw2 = &p2.raw;
    const auto [w1, h1] = ProfileExtent(p1.raw, true);
    const auto [w2, h2] = ProfileExtent(p2.raw, true);
    in.dimX1 = w1, in.dimY1 = h1, in.dimX2 = w2, in.dimY2 = h2;
    in.fil = 500, in.spacing = 500, in.wireLength = 600, in.thickness = 300;
    in.maxX = in.maxY = 500;
  }
};

TEST(Projection, IdenticalProfilesHaveNothingToApply) {
  Fixture f({{0, 0}, {100, 0}, {100, 20}}, {{0, 0}, {100, 0}, {100, 20}});
  ProjectionResult r = RecomputeProjection(f.in);
  EXPECT_EQ(r.projected1, f.p1.raw);
  EXPECT_EQ(r.projected2, f.p2.raw);
  EXPECT_FALSE(r.appliquer);
  EXPECT_EQ(r.wireSpan, 500);
  EXPECT_TRUE(r.spanOk);
}

TEST(Projection, ExtendsAUniformTaperSymmetricallyAtTheMiddle) {
  // Root 200 x 20, tip 100 x 10, block 300 thick in the middle of guides 500 apart:
  // each face is 100 mm from its guide, so the paths grow by a third of the difference.
  Fixture f({{0, 0}, {200, 0}, {200, 20}}, {{0, 0}, {100, 0}, {100, 10}});
  ProjectionResult r = RecomputeProjection(f.in);
  EXPECT_EQ(r.projected1[1].x, "233.333333");
  EXPECT_EQ(r.projected2[1].x, "66.666667");
  EXPECT_NEAR(r.projectedX1, 233.333, 1e-3);
  EXPECT_NEAR(r.projectedY2, 6.667, 1e-3);
  EXPECT_TRUE(r.appliquer);
}

TEST(Projection, EachProfileStartsFromItsOwnFirstPoint) {
  Fixture f({{20, 5}, {220, 5}, {220, 25}}, {{0, 0}, {100, 0}, {100, 10}});
  ProjectionResult r = RecomputeProjection(f.in);
  EXPECT_EQ(r.projected1[0], (PointText{"0.000000", "0.000000"}));
  EXPECT_EQ(r.projected1[1].x, "233.333333");
}

TEST(Projection, ClampsThicknessAndSpacing) {
  Fixture f({{0, 0}, {200, 0}}, {{0, 0}, {100, 0}});
  f.in.thickness = 800;  // thicker than the guides are apart
  ProjectionResult r = RecomputeProjection(f.in);
  EXPECT_EQ(r.thickness, 500);
  f.in.thickness = 300;
  f.in.spacing = 120;  // narrower than the block
  r = RecomputeProjection(f.in);
  EXPECT_EQ(r.spacing, 300);
  f.in.thickness = 0;
  f.in.wireLength = 100;  // shorter than the guide distance
  r = RecomputeProjection(f.in);
  EXPECT_EQ(r.thickness, 1);
  EXPECT_EQ(r.wireLength, 500);
  EXPECT_EQ(DefaultThickness(500), 380);
}

TEST(Projection, BeyondCapacityOrWireLengthNothingIsApplied) {
  Fixture f({{0, 0}, {450, 0}, {450, 20}}, {{0, 0}, {100, 0}, {100, 10}});
  ProjectionResult r = RecomputeProjection(f.in);
  EXPECT_FALSE(r.withinX1);
  EXPECT_FALSE(r.appliquer);
  f.in.ignoreCapacity = true;
  EXPECT_TRUE(RecomputeProjection(f.in).appliquer);
}

// Regression: a vertical line has Cote fields of 0 x 0, and its projected
// sizes were those fields times a ratio, so a guide path 450 mm wide passed a
// 400 mm machine.
TEST(Projection, AProfileFlatAlongAnAxisIsSizedByItsProjectedPoints) {
  Fixture f({{0, 0}, {0, 50}, {0, 100}}, {{0, 0}, {150, 50}, {150, 100}});
  f.in.dimX1 = f.in.dimY1 = 0;  // as the project window shows a vertical line
  f.in.thickness = 100, f.in.position = 70, f.in.wireLength = 1000;
  f.in.maxX = 400;
  // d1 = 500 x 0.7 - 50 = 300, d2 = 100: X1 = 0 - 150 / 100 x 300 = -450,
  // X2 = 150 + 150 / 100 x 100 = 300; Y is the same on both sides.
  ProjectionResult r = RecomputeProjection(f.in);
  EXPECT_NEAR(r.projectedX1, 450, 1e-9);
  EXPECT_NEAR(r.projectedY1, 100, 1e-9);
  EXPECT_NEAR(r.projectedX2, 300, 1e-9);
  EXPECT_FALSE(r.withinX1);
  EXPECT_TRUE(r.withinX2);
  EXPECT_TRUE(r.spanOk);  // sqrt(500^2 + 750^2) = 901 <= 1000
  EXPECT_EQ(r.wireSpan, 901);
  EXPECT_FALSE(r.appliquer);

  // Flat on both sides: the axis keeps the size its field shows.
  Fixture flat({{0, 0}, {100, 0}, {200, 0}}, {{0, 0}, {50, 0}, {100, 0}});
  flat.in.dimY1 = 200, flat.in.dimY2 = 100;  // a horizontal line shows Cote Y = Cote X
  r = RecomputeProjection(flat.in);
  EXPECT_EQ(r.projectedY1, 200);
  EXPECT_EQ(r.projectedY2, 100);
}

}  // namespace
}  // namespace orvane
