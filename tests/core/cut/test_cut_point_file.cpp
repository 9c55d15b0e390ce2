#include "core/cut/cut_point_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
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
  const CutPointRead a = ReadCutPointFile(folder / "a.ovs", 3);
  ASSERT_TRUE(a.ok) << a.message;
  EXPECT_FALSE(a.damaged);
  ASSERT_EQ(a.points.size(), 3u);
  EXPECT_DOUBLE_EQ(a.points[1][0], 300.25);
  EXPECT_DOUBLE_EQ(a.points[2][3], -4);
  // Set B holds profile 2 first.
  const CutPointRead b = ReadCutPointFile(folder / "b.ovs", 3);
  ASSERT_EQ(b.points.size(), 3u);
  EXPECT_DOUBLE_EQ(b.points[1][0], 280);
  EXPECT_DOUBLE_EQ(b.points[1][2], 300.25);

  // A point holding NaN is left out.
  std::vector<CutPoint> nan = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  nan[1][1] = std::numeric_limits<long double>::quiet_NaN();
  WriteText(folder / "d.ovs", WriteCutPoints(nan, false));
  const CutPointRead damaged = ReadCutPointFile(folder / "d.ovs", 2);
  ASSERT_TRUE(damaged.ok);
  EXPECT_TRUE(damaged.damaged);
  EXPECT_EQ(damaged.points.size(), 1u);

  // 1001 points kept as at most 100: every 11th, and the last one.
  std::vector<CutPoint> many;
  for (int i = 0; i <= 1000; ++i) many.push_back({double(i), 0, double(i), 0});
  WriteText(folder / "m.ovs", WriteCutPoints(many, false));
  const CutPointRead thinned = ReadCutPointFile(folder / "m.ovs", 1001, 100);
  EXPECT_EQ(thinned.stride, 11u);
  ASSERT_LE(thinned.points.size(), 100u);
  EXPECT_DOUBLE_EQ(thinned.points.front()[0], 0);
  EXPECT_DOUBLE_EQ(thinned.points[1][0], 11);
  EXPECT_DOUBLE_EQ(thinned.points.back()[0], 1000);
}

// The size is checked against the header's count before anything is read.
TEST(CutPointFile, RefusesAFileThatIsNotTheHeaders) {
  TempFolder folder;
  const std::string points = WriteCutPoints({{1, 2, 3, 4}, {5, 6, 7, 8}}, false);
  WriteText(folder / "p.ovs", points);
  std::filesystem::create_directory(folder / "dir.ovs");
  // A pipe with no writer in the file's place is refused, not waited on.
  ASSERT_EQ(mkfifo((folder / "pipe.ovs").c_str(), 0644), 0);
  {
    // 4 GB with no block behind it: refused without reading a byte.
    std::ofstream sparse(folder / "sparse.ovs", std::ios::binary);
    sparse.seekp((int64_t(1) << 32) - 1);
    sparse.put('\0');
  }
  struct Case {
    const char* file;
    uint64_t expected;
    const char* says;
  } cases[] = {
      {"p.ovs", 3, "64 octets pour 3 points annoncés"},
      {"sparse.ovs", 6, "4294967296 octets pour 6 points"},
      {"p.ovs", UINT64_MAX, "pour 18446744073709551615 points"},  // a count times 32 wraps
      {"dir.ovs", 2, "illisible"},
      {"pipe.ovs", 2, "illisible"},
      {"none.ovs", 2, "none.ovs"},
  };
  alarm(60);
  for (const Case& c : cases) {
    const CutPointRead read = ReadCutPointFile(folder / c.file, c.expected);
    EXPECT_FALSE(read.ok) << c.file;
    EXPECT_TRUE(read.points.empty()) << c.file;
    EXPECT_NE(read.message.find(c.says), std::string::npos) << c.file << ": " << read.message;
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
