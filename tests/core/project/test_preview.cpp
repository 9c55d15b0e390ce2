#include "core/project/preview.h"

#include <gtest/gtest.h>

#include "core/common/text_number.h"

namespace orvane {
namespace {

PointRows Rect(double w, double h) {
  return {{"0", "0"}, {FormatFixed(w, 3), "0"}, {FormatFixed(w, 3), FormatFixed(h, 3)}};
}

TEST(Preview, TheSmallerProfileIsDrawnAtTheSameScaleWithYUpAndZoomedPanning) {
  const PointRows wide = Rect(200, 50), narrow = Rect(100, 20);
  SizeFactors f = ComputeSizeFactors(wide, narrow);
  EXPECT_EQ(f.f1, 1);
  EXPECT_EQ(f.f2, 0.5);
  PreviewTransform t1 = MakePreviewTransform(ProfileExtent(wide, true), 380, 380, 1, f.f1, 0, 0);
  PreviewTransform t2 = MakePreviewTransform(ProfileExtent(narrow, true), 380, 380, 1, f.f2, 0, 0);
  auto [a0, ay] = t1.Map(0, 0);
  auto [a1, ay1] = t1.Map(200, 0);
  auto [b0, by] = t2.Map(0, 0);
  auto [b1, by1] = t2.Map(100, 0);
  EXPECT_EQ(a1 - a0, 365);       // 380 x 0.96, rounded
  EXPECT_EQ(b1 - b0, 182);       // half of it
  EXPECT_NEAR(a0 + a1, 380, 1);  // centred, to the pixel
  EXPECT_NEAR(ay + t1.Map(200, 50).second, 380, 1);
  // Y goes up, and panning moves by the zoomed offset.
  PreviewTransform t = MakePreviewTransform({100, 100}, 200, 200, 2, 1, 10, -5);
  auto [x0, y0] = t.Map(0, 0);
  auto [x1, y1] = t.Map(0, 10);
  EXPECT_LT(y1, y0);
  PreviewTransform still = MakePreviewTransform({100, 100}, 200, 200, 2, 1, 0, 0);
  auto [sx, sy] = still.Map(0, 0);
  EXPECT_EQ(x0 - sx, 20);
  EXPECT_EQ(y0 - sy, -10);
}

}  // namespace
}  // namespace orvane
