#include "core/project/preview.h"

#include <algorithm>

#include "core/common/text_number.h"

namespace orvane {
namespace {

int Nearest(double value) {
  return static_cast<int>(RoundHalfEven(value));
}

}  // namespace

SizeFactors ComputeSizeFactors(const PointRows& adjusted1, const PointRows& adjusted2) {
  auto [w1, h1] = ProfileExtent(adjusted1, true);
  auto [w2, h2] = ProfileExtent(adjusted2, true);
  const double m1 = std::max(w1, h1);
  const double m2 = std::max(w2, h2);
  SizeFactors f;
  if (adjusted1.empty() || adjusted2.empty() || m1 <= 0 || m2 <= 0) return f;
  if (m1 > m2) f.f2 = m2 / m1;
  if (m1 < m2) f.f1 = m1 / m2;
  return f;
}

PreviewTransform MakePreviewTransform(std::pair<double, double> extent, int width, int height,
                                      double zoom, double factor, double panX, double panY) {
  const double w = extent.first > 0 ? extent.first : 1;
  const double h = extent.second > 0 ? extent.second : 1;
  PreviewTransform t;
  t.width = width;
  t.height = height;
  t.scale = std::min(width / w, height / h) * 0.96 * zoom * factor;
  t.cx = Nearest(extent.first * t.scale) / 2;
  t.cy = Nearest(-extent.second * t.scale) / 2;
  t.panX = Nearest(panX * zoom);
  t.panY = Nearest(panY * zoom);
  return t;
}

std::pair<int, int> PreviewTransform::Map(double x, double y) const {
  return {Nearest(x * scale) - cx + width / 2 + panX, Nearest(-y * scale) - cy + height / 2 + panY};
}

}  // namespace orvane
