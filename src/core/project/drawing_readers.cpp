#include "core/project/drawing_readers.h"

#include <algorithm>
#include <cmath>

#include "core/common/text_number.h"

namespace orvane {

DrawingRead ReadDrawing(std::string_view bytes, std::string_view extension, bool strictDxf) {
  if (extension == ".DXF") return strictDxf ? ReadDxf(bytes) : ReadCadDxf(bytes);
  if (extension == ".DAT") return ReadCoordinates(bytes, CoordinateFormat::Dat);
  if (extension == ".CSV") return ReadCoordinates(bytes, CoordinateFormat::Csv);
  return {};
}

void FinishDrawing(DrawingRead& read, bool anchor) {
  if (read.xs.empty()) return;
  auto refuse = [&read](std::string message) {
    read = DrawingRead{};
    read.status = DrawingRead::Status::Refused;
    read.message = std::move(message);
  };
  double minX = read.xs[0], maxX = minX, minY = read.ys[0], maxY = minY;
  for (size_t i = 0; i < read.xs.size(); ++i) {
    const double x = read.xs[i], y = read.ys[i];
    if (!(std::fabs(x) <= kFarthestCoordinate && std::fabs(y) <= kFarthestCoordinate)) {
      return refuse(" Coordonnées hors limites ");
    }
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  if (maxX - minX > kLargestCoordinate || maxY - minY > kLargestCoordinate) {
    return refuse(" Dessin trop grand (plus de " + FormatFixed(kLargestCoordinate, 0) + " mm) ");
  }
  const bool far = std::max({-minX, maxX, -minY, maxY}) > kLargestCoordinate;
  if (!anchor && !far) return;
  for (double& x : read.xs) x -= minX;
  for (double& y : read.ys) y -= minY;
}

}  // namespace orvane
