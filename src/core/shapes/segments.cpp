#include "core/shapes/segments.h"

#include <cmath>

#include "core/common/text_number.h"

namespace orvane {

SegmentValues ValidateSegment(SegmentValues v) {
  if (!(v.longueur > 0)) v.longueur = 50;
  if (v.angle > 360 || v.angle < 0) v.angle = 0;
  return v;
}

PointRows GenerateSegment(const PointRows& base, const SegmentValues& v) {
  // Appending always starts from the profile as it was, so that each
  // regeneration replaces the segment instead of adding another.
  PointRows rows = v.append ? base : PointRows{};
  double ox = 0, oy = 0;
  if (v.append && !base.empty()) {
    ox = CellNumber(base.back().x);
    oy = CellNumber(base.back().y);
  }
  double dx = v.largeur, dy = v.hauteur;
  if (v.polar) {
    // The truncated constant is the one the segment window has always used.
    const double a = 6.283185 / 360 * v.angle;
    dx = v.longueur * std::cos(a);
    dy = v.longueur * std::sin(a);
  }
  auto add = [&rows](double x, double y) {
    PointText point{FormatFixed(x, 6), FormatFixed(y, 6)};
    if (rows.empty() || !(rows.back() == point)) rows.push_back(std::move(point));
  };
  if (!v.append || base.empty()) add(ox, oy);
  add(ox + dx, oy + dy);
  if (v.roundTrip) add(ox, oy);
  return rows;
}

}  // namespace orvane
