#pragma once

#include <string_view>
#include <vector>

namespace orvane {

// Coordinates beyond a kilometre are no drawing for a foam cutter; they are
// refused before they can overflow later arithmetic.
inline constexpr double kLargestCoordinate = 1e6;

// Points read from a drawing or coordinate file, in file order.
struct DrawingRead {
  enum class Status { NothingRecognised, Read, Incomplete };
  Status status = Status::NothingRecognised;
  std::vector<double> xs, ys;
};

// The DXF reader: reacts to subclass marker lines and reads a fixed number
// of lines after each; circles and arcs are sampled every 5 degrees; a
// light-weight polyline with a bulge makes the drawing incomplete. The
// result's bounding box starts at (0, 0).
DrawingRead ReadDxf(std::string_view bytes);

// ".dat" and ".csv": one point a line, "X;Y", "X Y" or "X<tab>Y"; other lines
// are skipped; the closing point is appended. Lines may be indented, and the
// Lednicer layout (title, counts line, upper surface, blank, lower surface,
// both from the leading edge) is read into one contour from the trailing
// edge over the upper surface and back along the lower one.
DrawingRead ReadCoordinates(std::string_view bytes);

}  // namespace orvane
