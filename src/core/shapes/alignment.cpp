#include "core/shapes/alignment.h"

#include <algorithm>
#include <cmath>

#include "core/common/text_number.h"

namespace orvane {

double AlignmentStep(int rowCount, bool shift, bool ctrl) {
  if (shift) return 1;
  if (ctrl) return 0.1;
  const double s = RoundHalfEven(2.0 * rowCount / 1000);
  return s == 0 ? 0.1 : s;
}

std::string AlignmentOffsetText(double offset, Axis axis) {
  std::string number = FormatFixed(-offset, 2);
  if (number == "-0.00") number = "0.00";
  if (number != "0.00" && number[0] != '-') number = "+" + number;
  return number + (axis == Axis::X ? "  X" : "  Y");
}

AlignmentSession::AlignmentSession(Profile& p1, Profile& p2, int decimals)
    : profiles_{&p1, &p2}, saved_{p1, p2}, decimals_(decimals) {}

void AlignmentSession::Step(int profile, Axis axis, double delta) {
  Profile& p = *profiles_[profile - 1];
  if (p.raw.size() < 2) return;
  // Six decimals, as every raw cell: a 0.1 mm step must not vanish in the
  // rounding of the shown decimals.
  for (PointText* row : {&p.raw.front(), &p.raw.back()}) {
    std::string& cell = axis == Axis::X ? row->x : row->y;
    cell = FormatFixed(CellNumber(cell) + delta, 6);
  }
  RefreshAdjusted(p, decimals_);
  offsets_[profile - 1][axis == Axis::Y] += delta;
  changed_[profile - 1] = true;
}

void AlignmentSession::Revert() {
  for (int k = 0; k < 2; ++k) {
    *profiles_[k] = saved_[k];
    changed_[k] = false;
    offsets_[k][0] = offsets_[k][1] = 0;
  }
}

OverlayTransform MakeOverlayTransform(const PointRows& adjusted1, const PointRows& adjusted2,
                                      int width, int height, double margin) {
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (const PointRows* rows : {&adjusted1, &adjusted2}) {
    if (rows->empty()) continue;
    const double fx = CellNumber(rows->front().x), fy = CellNumber(rows->front().y);
    for (const PointText& row : *rows) {
      const double dx = CellNumber(row.x) - fx, dy = CellNumber(row.y) - fy;
      minX = std::min(minX, dx), maxX = std::max(maxX, dx);
      minY = std::min(minY, dy), maxY = std::max(maxY, dy);
    }
  }
  const double w = std::max(maxX - minX, 1e-9), h = std::max(maxY - minY, 1e-9);
  OverlayTransform t;
  t.scale = std::min((width - 2 * margin) / w, (height - 2 * margin) / h);
  if (!(t.scale > 0)) t.scale = 1;
  t.originX = width / 2.0 - (minX + maxX) / 2 * t.scale;
  t.originY = height / 2.0 + (minY + maxY) / 2 * t.scale;
  return t;
}

}  // namespace orvane
