#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Coordinates beyond a kilometre are no drawing for a foam cutter; they are
// refused before they can overflow later arithmetic. Drawings are re-anchored
// at (0, 0), so for them the limit bounds the extent, not the position.
inline constexpr double kLargestCoordinate = 1e6;
// Where a drawing may lie before re-anchoring: beyond this, "%.6f" no longer
// holds the micrometres of its points.
inline constexpr double kFarthestCoordinate = 1e9;
// Far more than any outline; bounds what a small hostile file can make.
inline constexpr size_t kMostDrawingPoints = 2'000'000;

// Points read from a drawing or coordinate file, in file order.
struct DrawingRead {
  enum class Status { NothingRecognised, Read, Incomplete, Refused };
  Status status = Status::NothingRecognised;
  std::vector<double> xs, ys;
  std::string message;         // why, when Refused (shown on the preview as it stands)
  bool discontinuous = false;  // a drawing of several outlines, or with gaps, in file order
};

// The DXF reader: reacts to subclass marker lines and reads a fixed number
// of lines after each; circles and arcs are sampled every 5 degrees over at
// most one turn; a light-weight polyline with a bulge makes the drawing
// incomplete. The result's bounding box starts at (0, 0).
DrawingRead ReadDxf(std::string_view bytes);

// DXF as CAD programs write them: lines, arcs, polylines with bulges, old
// polylines, splines and ellipses in any order and direction are joined into
// one contour when they form one chain. A drawing the marker-driven reader
// already reads right gives its points unchanged; one that is not a single
// chain comes in file order, marked discontinuous.
DrawingRead ReadCadDxf(std::string_view bytes);

enum class CoordinateFormat { Dat, Csv };

// ".dat" and ".csv": one point a line, "X;Y", "X Y" or "X<tab>Y"; other lines
// are skipped; the closing point is appended. Lines may be indented, and a
// ".dat" in the Lednicer layout (title, counts line, upper surface, lower
// surface, both from the leading edge) is read into one contour from the
// trailing edge over the upper surface and back along the lower one.
DrawingRead ReadCoordinates(std::string_view bytes, CoordinateFormat format);

// The reader the extension picks (upper-cased: ".DXF", ".DAT", ".CSV");
// NothingRecognised for any other. `strictDxf` keeps DXF files to the
// marker-driven reader.
DrawingRead ReadDrawing(std::string_view bytes, std::string_view extension, bool strictDxf = false);

// The readers' last step: refuses points that are not finite, lie beyond
// kFarthestCoordinate or span more than kLargestCoordinate, then moves the
// points so that their bounding box starts at (0, 0) when `anchor` is set or
// when they lie beyond kLargestCoordinate.
void FinishDrawing(DrawingRead& read, bool anchor);

}  // namespace orvane
