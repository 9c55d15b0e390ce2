#include "core/cut/projection.h"

#include <algorithm>
#include <cmath>

#include "core/common/text_number.h"

namespace orvane {
namespace {

double Extent(const PointRows& rows, int column) {
  const MinMax m = FindMinMax(rows, column);
  return m.max - m.min;
}

// Millimetres of the Cote field per table unit. A profile flat along an axis
// (or a field that reads 0) gives no ratio: the table's own millimetres count.
double Scale(double dimension, double extent) {
  return extent > 0 && dimension > 0 ? dimension / extent : 1;
}

// The size of the projected points in the field's millimetres; an axis that
// stays flat keeps the size its field shows.
double ProjectedSize(double dimension, double projectedExtent, double extent) {
  if (extent > 0 && dimension > 0) return dimension * (projectedExtent / extent);
  return projectedExtent > 0 ? projectedExtent : dimension;
}

}  // namespace

int DefaultThickness(int fil) {
  return static_cast<int>(RoundHalfEven(fil / 1.3 / 10) * 10);
}

ProjectionResult RecomputeProjection(const ProjectionInput& in) {
  ProjectionResult r;
  int e = in.thickness, d = in.spacing, l = in.wireLength;
  if (e < 1) e = 1;
  if (in.fil < e) e = in.fil;
  if (in.fil < d) d = in.fil;
  if (in.fil > l) l = in.fil;
  if (d < e) d = e;
  r.thickness = e, r.spacing = d, r.wireLength = l;

  const double p = in.position;
  const double d1 = d * p / 100 - e / 2.0;
  const double d2 = d * (100 - p) / 100 - e / 2.0;
  const PointRows& raw1 = *in.raw1;
  const PointRows& raw2 = *in.raw2;
  const size_t n = raw1.size();
  r.projected1.resize(n);
  r.projected2.resize(n);
  const double x10 = n ? CellNumber(raw1[0].x) : 0, y10 = n ? CellNumber(raw1[0].y) : 0;
  const double x20 = raw2.empty() ? 0 : CellNumber(raw2[0].x);
  const double y20 = raw2.empty() ? 0 : CellNumber(raw2[0].y);

  const double sX1 = Scale(in.dimX1, Extent(raw1, 1)), sY1 = Scale(in.dimY1, Extent(raw1, 2));
  const double sX2 = Scale(in.dimX2, Extent(raw2, 1)), sY2 = Scale(in.dimY2, Extent(raw2, 2));
  double wMax = 0;
  for (size_t i = 0; i < n; ++i) {
    const double a = CellNumber(raw1[i].x) - x10, b = CellNumber(raw1[i].y) - y10;
    const double c = i < raw2.size() ? CellNumber(raw2[i].x) - x20 : 0;
    const double dd = i < raw2.size() ? CellNumber(raw2[i].y) - y20 : 0;
    const double X1 = a + (a - c) / e * d1, Y1 = b + (b - dd) / e * d1;
    const double X2 = c + (c - a) / e * d2, Y2 = dd + (dd - b) / e * d2;
    r.projected1[i] = {FormatFixed(X1, 6), FormatFixed(Y1, 6)};
    r.projected2[i] = {FormatFixed(X2, 6), FormatFixed(Y2, 6)};
    const double w = std::sqrt(double(d) * d + std::pow(X1 * sX1 - X2 * sX2, 2) +
                               std::pow(Y1 * sY1 - Y2 * sY2, 2));
    wMax = std::max(wMax, w);
  }
  r.wireSpan = static_cast<int>(RoundHalfEven(wMax));
  r.spanOk = r.wireSpan <= l;

  // The sizes are those of the projected points, so a profile flat along an
  // axis still shows how far its guide travels there.
  r.projectedX1 = ProjectedSize(in.dimX1, Extent(r.projected1, 1), Extent(raw1, 1));
  r.projectedY1 = ProjectedSize(in.dimY1, Extent(r.projected1, 2), Extent(raw1, 2));
  r.projectedX2 = ProjectedSize(in.dimX2, Extent(r.projected2, 1), Extent(raw2, 1));
  r.projectedY2 = ProjectedSize(in.dimY2, Extent(r.projected2, 2), Extent(raw2, 2));
  r.withinX1 = r.projectedX1 <= in.maxX;
  r.withinY1 = r.projectedY1 <= in.maxY;
  r.withinX2 = r.projectedX2 <= in.maxX;
  r.withinY2 = r.projectedY2 <= in.maxY;

  auto changed = [](double projected, double real) {
    return RoundHalfEven(projected) != RoundHalfEven(real);
  };
  const bool somethingToApply =
      changed(r.projectedX1, in.dimX1) || changed(r.projectedY1, in.dimY1) ||
      changed(r.projectedX2, in.dimX2) || changed(r.projectedY2, in.dimY2);
  r.appliquer = in.ignoreCapacity || (r.withinX1 && r.withinY1 && r.withinX2 && r.withinY2 &&
                                      r.spanOk && somethingToApply);
  return r;
}

}  // namespace orvane
