#include "core/shapes/lead_in.h"

#include <algorithm>
#include <cmath>

#include "core/common/text_number.h"

namespace orvane {
namespace {

struct Point {
  double x, y;
};

Point At(const PointText& row) {
  return {CellNumber(row.x), CellNumber(row.y)};
}

// The lead-in point for end point `p`, outside the bounding box or from `p`.
Point LeadInPoint(int direction, double l, bool external, Point p, MinMax x, MinMax y) {
  const double up = external ? y.max + l : p.y + l;
  const double down = external ? y.min - l : p.y - l;
  const double right = external ? x.max + l : p.x + l;
  const double left = external ? x.min - l : p.x - l;
  switch (direction) {
    case 1:
      return {p.x, up};
    case 2:
      return {right, p.y};
    case 3:
      return {p.x, down};
    case 4:
      return {left, p.y};
    case 5:
      return {right, up};
    case 6:
      return {right, down};
    case 7:
      return {left, down};
    default:
      return {left, up};
  }
}

bool Diagonal(int direction) {
  return direction >= 5;
}

bool HasOne(const LeadInTarget& target) {
  return (target.leadIn && *target.leadIn) || HasLeadIn(*target.rows).has_value();
}

}  // namespace

void RenumberLockedRows(std::vector<int>& lockedRows, int fromRow, int delta, int rowsAfter) {
  for (int& row : lockedRows) {
    if (row >= fromRow) row += delta;
  }
  std::erase_if(lockedRows, [rowsAfter](int row) { return row < 1 || row > rowsAfter; });
}

bool InsertLeadIn(LeadInTarget target, int direction, double length, bool external) {
  PointRows& rows = *target.rows;
  if (rows.size() < 2 || direction < 1 || direction > 8) return false;
  const MinMax x = FindMinMax(rows, 1);
  const MinMax y = FindMinMax(rows, 2);
  const Point in = LeadInPoint(direction, length, external, At(rows.front()), x, y);
  const Point out = LeadInPoint(direction, length, external, At(rows.back()), x, y);
  rows.insert(rows.begin(), {FormatFixed(in.x, 6), FormatFixed(in.y, 6)});
  rows.push_back({FormatFixed(out.x, 6), FormatFixed(out.y, 6)});
  if (target.lockedRows) {
    RenumberLockedRows(*target.lockedRows, 1, 1, static_cast<int>(rows.size()));
  }
  if (target.leadIn) *target.leadIn = true;
  return true;
}

LeadInOutcome AddLeadIn(int number, LeadInTarget self, LeadInTarget other,
                        const LeadInOptions& options) {
  LeadInOutcome outcome;
  const int d = options.direction;
  if (d < 1 || d > 8 || self.rows->size() < 2 || !(options.length > 0)) return outcome;
  double l = options.length;
  if (Diagonal(d)) l = std::sqrt(l * l + l * l);
  // An empty other profile has nothing to compare with, and nothing to get.
  if (options.both && other.rows->size() >= 2) {
    const int column = (d == 1 || d == 3 || d == 5 || d == 7) ? 2 : 1;
    const double mine = FindMinMax(*self.rows, column).max;
    const double theirs = FindMinMax(*other.rows, column).max;
    const bool otherHasOne = HasOne(other);
    double otherLength = l;
    if (options.adjust && theirs > mine) {
      l += (theirs - mine) / 2;
    } else if (options.adjust && theirs < mine) {
      otherLength += (mine - theirs) / 2;
    }
    if (!otherHasOne) {
      outcome.changedOther = InsertLeadIn(other, d, otherLength, options.external);
    }
  }
  outcome.changedThis = InsertLeadIn(self, d, l, options.external);
  const std::string prefix = outcome.changedOther ? "P1/P2" : "P" + std::to_string(number);
  if (outcome.changedThis) outcome.label = prefix + " - Ajouter dégagements";
  return outcome;
}

bool RemoveLeadIn(LeadInTarget target) {
  PointRows& rows = *target.rows;
  // A marked lead-in may leave a single segment; the closed pattern needs a
  // profile of at least three points besides it.
  const size_t least = target.leadIn && *target.leadIn ? 4 : 5;
  if (rows.size() < least || !HasOne(target)) return false;
  rows.erase(rows.begin());
  rows.pop_back();
  if (target.lockedRows) {
    RenumberLockedRows(*target.lockedRows, 1, -1, static_cast<int>(rows.size()));
  }
  if (target.leadIn) *target.leadIn = false;
  return true;
}

}  // namespace orvane
