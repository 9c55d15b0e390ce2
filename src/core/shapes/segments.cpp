#include "core/shapes/segments.h"

#include <cmath>

#include "core/common/text_number.h"

namespace orvane {

SegmentValues ValidateSegment(SegmentValues v) {
  if (!(v.longueur > 0)) v.longueur = 50;
  if (v.angle > 360 || v.angle < 0) v.angle = 0;
  return v;
}

CheckedSegment CheckSegmentValues(const SegmentValues& typed, const SegmentValues& accepted,
                                  const PointRows& base, int decimals) {
  static constexpr double SegmentValues::*kSizes[] = {
      &SegmentValues::longueur, &SegmentValues::largeur, &SegmentValues::hauteur};
  CheckedSegment checked;
  SegmentValues v = typed;
  for (double SegmentValues::*field : kSizes) v.*field = AsShown(v.*field, decimals);
  v.angle = AsShown(v.angle, 1);
  if (!(v.longueur > 0)) {
    checked.notes.push_back({&SegmentValues::longueur,
                             "Valeur nulle : remplacée par " + FormatFixed(50, decimals) + "."});
  }
  if (v.angle > 360 || v.angle < 0) {
    checked.notes.push_back({&SegmentValues::angle, "Au-delà de 360 degrés : remplacé par 0.0."});
  }
  v = ValidateSegment(v);
  if (WithinReaderLimits(GenerateSegment(base, v))) {
    checked.values = v;
    return checked;
  }
  checked.notes.clear();
  for (double SegmentValues::*field : kSizes) {
    if (v.*field != accepted.*field) checked.notes.push_back({field, OversizeReason()});
  }
  checked.values = accepted;
  return checked;
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
