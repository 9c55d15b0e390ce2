#include "core/project/operations.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

#include "core/common/text_number.h"
#include "core/project/drawing_readers.h"
#include "core/project/exports.h"

namespace orvane {
namespace {

constexpr double kPi = 3.14159265359;

struct P {
  double x, y;
};

P At(const PointRows& rows, size_t i) {
  return {CellNumber(rows[i].x), CellNumber(rows[i].y)};
}
PointText Text(double x, double y) {
  return {FormatFixed(x, 6), FormatFixed(y, 6)};
}

// Rewrites every row (or those of `mask`) as `transform` of its point.
template <typename Transform>
void MapRows(PointRows& rows, Transform transform, const std::vector<bool>* mask = nullptr) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (mask && !(*mask)[i]) continue;
    const P moved = transform(At(rows, i));
    rows[i] = Text(moved.x, moved.y);
  }
}

std::vector<bool> Mask(const std::vector<int>& rowsList, size_t n) {
  std::vector<bool> mask(n, false);
  for (int r : rowsList) {
    if (r >= 1 && static_cast<size_t>(r) <= n) mask[r - 1] = true;
  }
  return mask;
}

double Direction(double dx, double dy) {
  const double length = std::hypot(dx, dy);
  const double ux = std::clamp(dx / length, -1.0, 1.0), uy = dy / length;
  return uy > 0 ? std::acos(ux) : std::acos(-ux) + kPi;
}

bool SegmentsMeet(P a, P b, P c, P d) {
  auto cross = [](P o, P p, P q) { return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x); };
  auto within = [](P o, P p, P q) {
    return std::min(o.x, p.x) <= q.x && q.x <= std::max(o.x, p.x) && std::min(o.y, p.y) <= q.y &&
           q.y <= std::max(o.y, p.y);
  };
  const double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
  if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) {
    return true;
  }
  return (d1 == 0 && within(c, d, a)) || (d2 == 0 && within(c, d, b)) ||
         (d3 == 0 && within(a, b, c)) || (d4 == 0 && within(a, b, d));
}

}  // namespace

bool ScaleByCoefficient(PointRows& rows, double factor, const std::vector<int>& lockedRows) {
  const double k = std::fabs(factor);
  if (k == 0 || k == 1 || rows.empty()) return false;
  RescaleRows(rows, k, Axis::X, true, lockedRows);
  RemoveConsecutiveDuplicates(rows);
  return true;
}

void MoveRows(PointRows& rows, const std::vector<int>& targets, double dx, double dy) {
  const std::vector<bool> mask = Mask(targets, rows.size());
  MapRows(
      rows,
      [&](P p) {
        return P{p.x + dx, p.y + dy};
      },
      &mask);
}

bool DivideSegments(PointRows& rows, double minimum, double passes, size_t most) {
  // Without a positive distance every pass would double every segment.
  if (!(minimum > 0)) return true;
  const long count = std::lround(RoundHalfEven(std::clamp(passes, 0.0, 64.0)));
  PointRows divided = rows;
  for (long pass = 0; pass < count; ++pass) {
    PointRows out;
    out.reserve(std::min(divided.size() * 2, most + 1));
    for (size_t i = 0; i < divided.size(); ++i) {
      out.push_back(divided[i]);
      if (out.size() > most) return false;
      if (i + 1 == divided.size()) break;
      const P a = At(divided, i), b = At(divided, i + 1);
      if (std::hypot(b.x - a.x, b.y - a.y) > 2 * minimum) {
        out.push_back(Text((a.x + b.x) / 2, (a.y + b.y) / 2));
      }
    }
    if (out.size() == divided.size()) break;
    divided = std::move(out);
  }
  rows = std::move(divided);
  return true;
}

double EnclosedArea(const PointRows& rows) {
  size_t first = 0, last = rows.size();
  if (HasLeadIn(rows)) first = 1, last = rows.size() - 1;
  if (last - first < 3) return 0;
  double twice = 0;
  for (size_t i = first; i < last; ++i) {
    const P a = At(rows, i), b = At(rows, i + 1 < last ? i + 1 : first);
    twice += a.x * b.y - b.x * a.y;
  }
  return std::fabs(twice) / 2;
}

bool CrossesItself(const PointRows& rows) {
  const size_t n = rows.size();
  if (n < 4) return false;
  std::vector<P> p(n);
  double total = 0;
  for (size_t i = 0; i < n; ++i) p[i] = At(rows, i);
  for (size_t i = 1; i < n; ++i) total += std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y);
  const bool closed = rows.front() == rows.back();
  const size_t segments = n - 1;
  auto adjacent = [&](size_t s, size_t t) {
    if (s > t) std::swap(s, t);
    return s == t || s + 1 == t || (closed && s == 0 && t == segments - 1);
  };
  auto meet = [&](size_t s, size_t t) {
    return !adjacent(s, t) && SegmentsMeet(p[s], p[s + 1], p[t], p[t + 1]);
  };
  // Segments are filed in a grid of cells about one mean segment wide, so
  // only neighbours are compared. The few segments spanning many cells are
  // compared with all the others instead.
  const double cell = std::max(total / segments, 1e-9);
  std::unordered_map<long long, std::vector<size_t>> grid;
  std::vector<size_t> large;
  auto key = [](long long cx, long long cy) { return cx * 73856093LL ^ cy * 19349663LL; };
  for (size_t s = 0; s < segments; ++s) {
    const P a = p[s], b = p[s + 1];
    const double x0 = std::floor(std::min(a.x, b.x) / cell),
                 x1 = std::floor(std::max(a.x, b.x) / cell);
    const double y0 = std::floor(std::min(a.y, b.y) / cell),
                 y1 = std::floor(std::max(a.y, b.y) / cell);
    if ((x1 - x0 + 1) * (y1 - y0 + 1) > 256) {
      large.push_back(s);
      continue;
    }
    for (long long cx = static_cast<long long>(x0); cx <= static_cast<long long>(x1); ++cx) {
      for (long long cy = static_cast<long long>(y0); cy <= static_cast<long long>(y1); ++cy) {
        auto& bucket = grid[key(cx, cy)];
        for (size_t other : bucket) {
          if (meet(s, other)) return true;
        }
        bucket.push_back(s);
      }
    }
  }
  for (size_t s : large) {
    for (size_t t = 0; t < segments; ++t) {
      if (meet(s, t)) return true;
    }
  }
  return false;
}

KerfResult OffsetKerf(const PointRows& raw, const PointRows& adjusted, double k, bool inward) {
  KerfResult result;
  if (!(k >= 0.01 && k <= 5)) {
    result.message = "Valeur incorrecte !";
    return result;
  }
  if (CountConsecutiveDuplicates(adjusted) > 0) {
    result.message = "Supprimez d'abord les doublons !";
    return result;
  }
  PointRows rows = raw;
  const bool open = !IsClosed(rows);
  if (open) rows.push_back(rows.front());
  if (CrossesItself(rows)) {
    result.message =
        "Le tracé se croise : le trait de coupe n'est pas appliqué.\n"
        "Corrigez le tracé pour qu'il ne se recoupe pas.";
    return result;
  }
  const size_t n = rows.size();
  std::vector<P> p(n);
  for (size_t i = 0; i < n; ++i) p[i] = At(rows, i);
  // Signed shoelace area, updated in O(1) per candidate: moving one point
  // changes only the two terms of its segments.
  double twice = 0;
  for (size_t i = 0; i + 1 < n; ++i) twice += p[i].x * p[i + 1].y - p[i + 1].x * p[i].y;
  const double a0 = std::fabs(twice) / 2;
  std::vector<P> kept(n);
  for (size_t i = 0; i + 1 < n; ++i) {
    const P prev = i == 0 ? p[n - 2] : p[i - 1];
    const P c = p[i];
    const P next = p[i + 1];
    const double a1 = Direction(c.x - prev.x, c.y - prev.y);
    const double a2 = Direction(next.x - c.x, next.y - c.y);
    const double length =
        std::sqrt(std::pow(std::tan(((a1 + a2) / 2 - kPi / 2) - (a1 - kPi / 2)) * k, 2) + k * k);
    auto areaWith = [&](P moved) {
      const double before = prev.x * c.y - c.x * prev.y + c.x * next.y - next.x * c.y;
      const double after =
          prev.x * moved.y - moved.x * prev.y + moved.x * next.y - next.x * moved.y;
      return std::fabs(twice - before + after) / 2;
    };
    double b = (a1 + a2) / 2 - kPi / 2;
    P candidate{c.x + length * std::cos(b), c.y + length * std::sin(b)};
    const double area = areaWith(candidate);
    if ((area < a0 && !inward) || (area > a0 && inward)) {
      b = (a1 + a2) / 2 + kPi / 2;
      candidate = {c.x + length * std::cos(b), c.y + length * std::sin(b)};
    }
    kept[i] = candidate;
  }
  kept[n - 1] = kept[0];
  PointRows out(n);
  for (size_t i = 0; i < n; ++i) out[i] = Text(kept[i].x, kept[i].y);
  if (open) out.pop_back();
  result.rows = std::move(out);
  return result;
}

void Rotate(PointRows& rows, double degrees) {
  const double theta = 2 * kPi * degrees / 360;
  const double c = std::cos(theta), s = std::sin(theta);
  MapRows(rows, [&](P p) { return P{p.x * c - p.y * s, p.x * s + p.y * c}; });
}

void QuarterTurnClockwise(PointRows& rows) {
  const MinMax x = FindMinMax(rows, 1);
  MapRows(rows, [&](P p) { return P{p.y, x.max + x.min - p.x}; });
}

void MirrorHorizontal(PointRows& rows) {
  const MinMax x = FindMinMax(rows, 1);
  MapRows(rows, [&](P p) { return P{x.max + x.min - p.x, p.y}; });
}

void MirrorVertical(PointRows& rows) {
  const MinMax y = FindMinMax(rows, 2);
  MapRows(rows, [&](P p) { return P{p.x, y.max + y.min - p.y}; });
}

void ReverseDirection(PointRows& rows) {
  std::reverse(rows.begin(), rows.end());
}

void ReverseRange(PointRows& rows, int top, int bottom) {
  if (top < 1 || bottom > static_cast<int>(rows.size()) || top >= bottom) return;
  std::reverse(rows.begin() + (top - 1), rows.begin() + bottom);
}

void InsertPoint(PointRows& rows, int row, std::vector<int>* lockedRows) {
  if (row < 1 || row > static_cast<int>(rows.size())) return;
  PointText added = rows[0];
  if (row > 1) {
    const P a = At(rows, row - 2), b = At(rows, row - 1);
    added = Text((a.x + b.x) / 2, (a.y + b.y) / 2);
  }
  rows.insert(rows.begin() + (row - 1), added);
  if (lockedRows) {
    for (int& locked : *lockedRows) locked += locked >= row ? 1 : 0;
  }
}

Deleted DeleteRows(PointRows& rows, std::vector<int>& lockedRows, int top, int bottom) {
  const int rowCount = RowCount(rows);
  if (!lockedRows.empty()) {
    if (static_cast<int>(lockedRows.size()) >= rowCount - 4) return Deleted::Nothing;
    const std::vector<bool> mask = Mask(lockedRows, rows.size());
    PointRows kept;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (!mask[i]) kept.push_back(rows[i]);
    }
    rows = std::move(kept);
    lockedRows.clear();
    return Deleted::Locked;
  }
  if (top < 1 || bottom > static_cast<int>(rows.size()) || top > bottom ||
      bottom - top >= rowCount - 4) {
    return Deleted::Nothing;
  }
  rows.erase(rows.begin() + (top - 1), rows.begin() + bottom);
  return Deleted::Selected;
}

void CloseOutline(PointRows& rows) {
  if (!rows.empty()) rows.push_back(rows.front());
}

bool SetStartPoint(PointRows& rows, int row) {
  if (!IsClosed(rows) || row < 2 || row > static_cast<int>(rows.size())) return false;
  PointRows out;
  out.reserve(rows.size());
  const size_t n = rows.size() - 1;  // without the closing copy
  for (size_t k = 0; k < n; ++k) out.push_back(rows[(row - 1 + k) % n]);
  out.push_back(out.front());
  rows = std::move(out);
  return true;
}

bool Simplify(PointRows& rows) {
  if (rows.size() < 3) return false;
  const size_t before = rows.size();
  PointRows out;
  out.reserve(rows.size());
  size_t i = 0;
  while (i + 2 < rows.size()) {
    out.push_back(rows[i]);
    const bool aligned = (rows[i].x == rows[i + 1].x && rows[i + 1].x == rows[i + 2].x) ||
                         (rows[i].y == rows[i + 1].y && rows[i + 1].y == rows[i + 2].y);
    i += aligned ? 2 : 1;
  }
  for (; i + 1 < rows.size(); ++i) out.push_back(rows[i]);
  // The end point stays: the closing copy of a closed outline, the last point
  // of an open one (replacing it by point 1 would close the outline unasked).
  out.push_back(rows.back());
  const bool fewer = out.size() < before;
  rows = std::move(out);
  return fewer;
}

void LockRows(std::vector<int>& locked, int top, int bottom) {
  for (int r = top; r <= bottom; ++r) {
    if (std::find(locked.begin(), locked.end(), r) == locked.end()) locked.push_back(r);
  }
}

void ReleaseRows(std::vector<int>& locked, int top, int bottom) {
  std::erase_if(locked, [&](int r) { return r >= top && r <= bottom; });
}

void InvertLocks(std::vector<int>& locked, int rowCount) {
  const std::vector<bool> mask = Mask(locked, static_cast<size_t>(std::max(0, rowCount - 1)));
  locked.clear();
  for (int r = 1; r < rowCount; ++r) {
    if (!mask[r - 1]) locked.push_back(r);
  }
}

std::string ShiftLabel(int profile, double dx, double dy, double increment) {
  const std::string prefix = "P" + std::to_string(profile) + " - ";
  const std::string amount = FormatReal15(increment);
  if (dx > 0) return prefix + "X + " + amount;
  if (dx < 0) return prefix + "X  - " + amount;
  if (dy > 0) return prefix + "Y + " + amount;
  return prefix + "Y  - " + amount;
}

void ExchangeProfiles(Profile& p1, Profile& p2) {
  PointRows first = p2.adjusted;  // profile 1 takes profile 2's points with D decimals
  for (PointText& row : first) row = Text(CellNumber(row.x), CellNumber(row.y));
  PointRows second = p1.raw;
  p1.raw = std::move(first);
  p2.raw = std::move(second);
  RemoveConsecutiveDuplicates(p1.raw);
  RemoveConsecutiveDuplicates(p2.raw);
  std::swap(p1.leadIn, p2.leadIn);
}

}  // namespace orvane
