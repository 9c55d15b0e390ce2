#include "core/cut/cut_point_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <limits>

#include "core/cut/cut_files.h"
#include "core/machine/cut_preview_layout.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using test::TempFolder;
using test::WriteText;

TEST(CutPointFile, ReadsBackWhatTheCutWindowWrites) {
  TempFolder folder;
  const std::vector<CutPoint> points = {{0, 0, 10, 5}, {300.25L, 100, 280, 90}, {-3, 2, 1, -4}};
  WriteText(folder / "a.ovs", WriteCutPoints(points, false));
  WriteText(folder / "b.ovs", WriteCutPoints(points, true));
  const CutPointRead a = ReadCutPointFile(folder / "a.ovs");
  ASSERT_TRUE(a.ok);
  EXPECT_FALSE(a.damaged);
  ASSERT_EQ(a.points.size(), 3u);
  EXPECT_DOUBLE_EQ(a.points[1][0], 300.25);
  EXPECT_DOUBLE_EQ(a.points[2][3], -4);
  // Set B holds profile 2 first.
  const CutPointRead b = ReadCutPointFile(folder / "b.ovs");
  ASSERT_EQ(b.points.size(), 3u);
  EXPECT_DOUBLE_EQ(b.points[1][0], 280);
  EXPECT_DOUBLE_EQ(b.points[1][2], 300.25);
}

TEST(CutPointFile, DamagedHugeAndMissingFiles) {
  TempFolder folder;
  // A trailing partial record and a point holding NaN are left out.
  std::vector<CutPoint> points = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  points[1][1] = std::numeric_limits<long double>::quiet_NaN();
  WriteText(folder / "d.ovs", WriteCutPoints(points, false) + "xyz");
  const CutPointRead damaged = ReadCutPointFile(folder / "d.ovs");
  ASSERT_TRUE(damaged.ok);
  EXPECT_TRUE(damaged.damaged);
  ASSERT_EQ(damaged.points.size(), 1u);
  EXPECT_EQ(damaged.pointsInFile, 2u);

  // 1001 points kept as at most 100: every 11th, and the last one.
  std::vector<CutPoint> many;
  for (int i = 0; i <= 1000; ++i) many.push_back({double(i), 0, double(i), 0});
  WriteText(folder / "m.ovs", WriteCutPoints(many, false));
  const CutPointRead thinned = ReadCutPointFile(folder / "m.ovs", 100);
  EXPECT_EQ(thinned.stride, 11u);
  ASSERT_LE(thinned.points.size(), 100u);
  EXPECT_DOUBLE_EQ(thinned.points.front()[0], 0);
  EXPECT_DOUBLE_EQ(thinned.points[1][0], 11);
  EXPECT_DOUBLE_EQ(thinned.points.back()[0], 1000);

  // A pipe with no writer in the file's place is refused, not waited on.
  ASSERT_EQ(mkfifo((folder / "pipe.ovs").c_str(), 0644), 0);
  alarm(60);
  for (const char* name : {"none.ovs", "pipe.ovs"}) {
    const CutPointRead missing = ReadCutPointFile(folder / name);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find(name), std::string::npos);
  }
  alarm(0);
}

TEST(CutPreviewLayout, BlockCentredAtOneScaleWithThePathInside) {
  // Profile 1 spans 0..300 × 0..100, profile 2 is smaller and inside it.
  const std::vector<CutPointRecord> points = {{0, 0, 10, 5}, {300, 100, 290, 95}};
  const CutPointExtent extent = PointExtent(points);
  EXPECT_DOUBLE_EQ(extent.maxX, 300);
  EXPECT_DOUBLE_EQ(extent.minY, 0);
  // A 310 × 120 block in a 400 × 300 pane with 20 px margins: the width
  // limits, 360 / 310 px per mm.
  const CutPreviewLayout layout = LayoutCutPreview(extent, 310, 120, 400, 300, 20);
  EXPECT_DOUBLE_EQ(layout.scale, 360.0 / 310.0);
  EXPECT_DOUBLE_EQ(layout.blockLeft, 20);
  EXPECT_DOUBLE_EQ(layout.blockTop, (300 - 120 * layout.scale) / 2);
  // The path's centre (150, 50) falls on the pane's centre, Y upwards.
  EXPECT_DOUBLE_EQ(layout.PixelX(150), 200);
  EXPECT_DOUBLE_EQ(layout.PixelY(50), 150);
  EXPECT_GT(layout.PixelY(0), layout.PixelY(100));

  // A block smaller than the path (the red case): the path still fits.
  const CutPreviewLayout tight = LayoutCutPreview(extent, 100, 50, 400, 300, 20);
  EXPECT_GE(tight.PixelX(0), 20 - 1e-9);
  EXPECT_LE(tight.PixelX(300), 380 + 1e-9);
}

}  // namespace
}  // namespace orvane
