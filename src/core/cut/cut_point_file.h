#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// One point of a cut as the ".ovs" file holds it: X1, Y1, X2, Y2 in mm.
using CutPointRecord = std::array<double, 4>;

struct CutPointRead {
  bool ok = false;
  std::string message;  // why the file cannot be used, in French
  std::vector<CutPointRecord> points;
  uint64_t pointsInFile = 0;
  // Only every k-th point of a very large file is kept; the last always is.
  uint64_t stride = 1;
  // Points with a value that is not a number, or a file that shrank while read.
  bool damaged = false;
};

// Reads the point file for drawing. Its size must be that of the header's
// `expectedPoints` (segments + 1), checked before anything is read, so a file
// of another cut or a huge sparse one is refused at once. At most `maxPoints`
// are kept, so a huge or hostile file never sizes the allocation.
CutPointRead ReadCutPointFile(const std::string& path, uint64_t expectedPoints,
                              uint64_t maxPoints = 200000);

// The extent of the points of both profiles together, in mm.
struct CutPointExtent {
  bool empty = true;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};
CutPointExtent PointExtent(const std::vector<CutPointRecord>& points);

}  // namespace orvane
