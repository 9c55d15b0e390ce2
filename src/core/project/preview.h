#pragma once

#include <utility>

#include "core/project/profile.h"

namespace orvane {

// Relative size factors: the larger profile fills its preview and the smaller
// one is drawn at the same millimetre scale.
struct SizeFactors {
  double f1 = 1, f2 = 1;
};
SizeFactors ComputeSizeFactors(const PointRows& adjusted1, const PointRows& adjusted2);

// Millimetres to preview pixels, Y upwards on screen.
struct PreviewTransform {
  double scale = 1;
  int cx = 0, cy = 0;
  int width = 0, height = 0;
  int panX = 0, panY = 0;

  std::pair<int, int> Map(double x, double y) const;
};

PreviewTransform MakePreviewTransform(std::pair<double, double> extent, int width, int height,
                                      double zoom, double factor, double panX, double panY);

// Density step 1, 2 or 3: markers on rows that are multiples of it.
inline bool HasMarker(int row, int densityStep) {
  return densityStep > 0 && row % densityStep == 0;
}

}  // namespace orvane
