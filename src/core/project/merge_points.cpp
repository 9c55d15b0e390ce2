// "Confondre": merging the points of an outline that lie within a tolerance
// of each other. The rule compares every point with every later one; here a
// grid of cells brings each point only the candidates near it, and the result
// is the rule's own, row for row.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/common/text_number.h"
#include "core/project/exports.h"
#include "core/project/operations.h"

namespace orvane {
namespace {

struct P {
  double x, y;
};

// The rule's test, kept exactly: `j` matches the reference `r`.
bool Within(P r, P j, double tol) {
  const double dx = j.x - r.x, dy = j.y - r.y;
  return -tol < dx && dx <= tol && -tol < dy && dy <= tol;
}

// Beyond this the cells could no longer be told apart exactly; such outlines
// are merged by the plain rule.
constexpr double kGridLimit = 1e15;

// Square cells over the points' bounding box, at least twice the tolerance
// wide so that a point's neighbourhood spans two or three cells a side. The
// cells searched are widened by a sliver so that rounding in the division
// never hides a candidate; the rule's own test then decides.
class Grid {
 public:
  Grid(const std::vector<P>& points, double tol) : tol_(tol) {
    double maxX = points[0].x, maxY = points[0].y, maxAbs = 0;
    minX_ = maxX, minY_ = maxY;
    for (P p : points) {
      minX_ = std::min(minX_, p.x), maxX = std::max(maxX, p.x);
      minY_ = std::min(minY_, p.y), maxY = std::max(maxY, p.y);
      maxAbs = std::max({maxAbs, std::fabs(p.x), std::fabs(p.y)});
    }
    const double span = std::max(maxX - minX_, maxY - minY_);
    // At most 2^30 cells a side, and cells far wider than a rounding step.
    size_ =
        std::max({2 * tol, span * 0x1p-30, maxAbs * 0x1p-30, std::numeric_limits<double>::min()});
    cellsX_ = static_cast<int64_t>(std::floor((maxX - minX_) / size_)) + 1;
    cellsY_ = static_cast<int64_t>(std::floor((maxY - minY_) / size_)) + 1;
  }

  int64_t Key(P p) const {
    return Cell(p.x, minX_, cellsX_, 0) * cellsY_ + Cell(p.y, minY_, cellsY_, 0);
  }

  // Every cell that may hold a point matching `p`.
  template <typename Visit>
  void ForEachCellNear(P p, Visit visit) const {
    constexpr double kSliver = 1e-4;  // of a cell
    const int64_t x0 = Cell(p.x - tol_, minX_, cellsX_, -kSliver);
    const int64_t x1 = Cell(p.x + tol_, minX_, cellsX_, kSliver);
    const int64_t y0 = Cell(p.y - tol_, minY_, cellsY_, -kSliver);
    const int64_t y1 = Cell(p.y + tol_, minY_, cellsY_, kSliver);
    for (int64_t cx = x0; cx <= x1; ++cx) {
      for (int64_t cy = y0; cy <= y1; ++cy) visit(cx * cellsY_ + cy);
    }
  }

 private:
  int64_t Cell(double v, double min, int64_t count, double widen) const {
    const double c = std::floor((v - min) / size_ + widen);
    if (!(c > 0)) return 0;
    return c >= static_cast<double>(count - 1) ? count - 1 : static_cast<int64_t>(c);
  }

  double tol_, size_ = 1, minX_ = 0, minY_ = 0;
  int64_t cellsX_ = 1, cellsY_ = 1;
};

// The rule as it reads, for outlines the grid cannot index exactly.
void MergeByRule(PointRows& rows, std::vector<P>& points, double tol, size_t step,
                 bool reverseSearch) {
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    const P reference = points[i];
    for (size_t j = i + step; j < points.size(); ++j) {
      if (!Within(reference, points[j], tol)) continue;
      if (reverseSearch) {
        points[j] = points[i];
        rows[j] = rows[i];
      } else {
        points[i] = points[j];
        rows[i] = rows[j];
      }
    }
  }
}

// Forward search: point i takes the text of the last later point (at least
// `step` rows on) within the tolerance of it. No point after i has changed
// yet when i is examined, so every test reads original values.
void MergeForward(PointRows& rows, const std::vector<P>& points, double tol, size_t step,
                  const std::function<void(size_t, size_t)>& progress) {
  const size_t n = points.size();
  const Grid grid(points, tol);
  // Each cell's rows in ascending order, so that a cell is read from its
  // last row down and left at the first match.
  std::vector<std::pair<int64_t, uint32_t>> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = {grid.Key(points[i]), static_cast<uint32_t>(i)};
  std::sort(order.begin(), order.end());
  std::unordered_map<int64_t, std::pair<uint32_t, uint32_t>> cells;
  cells.reserve(n);
  for (uint32_t k = 0; k < n;) {
    uint32_t end = k;
    while (end < n && order[end].first == order[k].first) ++end;
    cells.emplace(order[k].first, std::pair{k, end});
    k = end;
  }
  for (size_t i = 0; i + step < n; ++i) {
    if (progress && (i & 0xFFF) == 0) progress(i, n);
    const P reference = points[i];
    size_t best = 0;
    grid.ForEachCellNear(reference, [&](int64_t key) {
      const auto cell = cells.find(key);
      if (cell == cells.end()) return;
      for (uint32_t k = cell->second.second; k-- > cell->second.first;) {
        const size_t j = order[k].second;
        if (j < i + step || j <= best) break;
        if (Within(reference, points[j], tol)) {
          best = j;
          break;
        }
      }
    });
    if (best != 0) rows[i] = rows[best];
  }
}

struct TextHash {
  size_t operator()(const PointText& t) const {
    const std::hash<std::string> h;
    return h(t.x) * 1000003u ^ h(t.y);
  }
};

// Reverse search: every later point within the tolerance of point i takes
// point i's text. Points change while the search runs, so the candidates
// (rows still at least `step` after the current one) are kept in groups of
// equal text, filed in the grid by value: a group that matches moves whole
// into the reference's group, and equal points cost one test, not one each.
class ReverseMerge {
 public:
  ReverseMerge(PointRows& rows, std::vector<P>& points, double tol, size_t step)
      : rows_(rows),
        points_(points),
        tol_(tol),
        grid_(points, tol),
        bucketOf_(points.size(), kNone),
        slotOf_(points.size()) {
    for (size_t j = step; j < points.size(); ++j) {
      auto found = byText_.find(rows[j]);
      const uint32_t g = found != byText_.end() ? found->second : MakeGroup(rows[j], points[j]);
      AddMember(groups_[g].bucket, static_cast<uint32_t>(j));
    }
  }

  void Run(size_t step, const std::function<void(size_t, size_t)>& progress) {
    const size_t n = points_.size();
    std::vector<uint32_t> matched;
    for (size_t i = 0; i + 1 < n; ++i) {
      if (progress && (i & 0xFFF) == 0) progress(i, n);
      // Row i + step - 1 is no longer a candidate: its text is final.
      if (i >= 1 && i + step - 1 < n) Settle(static_cast<uint32_t>(i + step - 1));
      if (i + step >= n) continue;
      const PointText& text = rows_[i];
      const P reference = points_[i];
      matched.clear();
      grid_.ForEachCellNear(reference, [&](int64_t key) {
        const auto cell = cells_.find(key);
        if (cell == cells_.end()) return;
        for (uint32_t g : cell->second) {
          if (Within(reference, groups_[g].value, tol_) && !(groups_[g].text == text)) {
            matched.push_back(g);
          }
        }
      });
      if (matched.empty()) continue;
      const auto found = byText_.find(text);
      const uint32_t target = found != byText_.end() ? found->second : MakeGroup(text, reference);
      for (uint32_t g : matched) Absorb(target, g);
    }
    for (size_t j = 0; j < n; ++j) {
      if (bucketOf_[j] != kNone) Settle(static_cast<uint32_t>(j));
    }
  }

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  struct Group {
    PointText text;
    P value;
    int64_t cell;
    uint32_t slot;    // in its cell's list
    uint32_t bucket;  // its members
  };
  struct Bucket {
    std::vector<uint32_t> members;
    uint32_t group;
  };

  uint32_t MakeGroup(const PointText& text, P value) {
    const uint32_t g = static_cast<uint32_t>(groups_.size());
    const uint32_t b = static_cast<uint32_t>(buckets_.size());
    const int64_t cell = grid_.Key(value);
    std::vector<uint32_t>& list = cells_[cell];
    groups_.push_back({text, value, cell, static_cast<uint32_t>(list.size()), b});
    buckets_.push_back({{}, g});
    list.push_back(g);
    byText_.emplace(text, g);
    return g;
  }

  void KillGroup(uint32_t g) {
    std::vector<uint32_t>& list = cells_[groups_[g].cell];
    const uint32_t slot = groups_[g].slot;
    list[slot] = list.back();
    groups_[list[slot]].slot = slot;
    list.pop_back();
    byText_.erase(groups_[g].text);
  }

  void AddMember(uint32_t b, uint32_t j) {
    bucketOf_[j] = b;
    slotOf_[j] = static_cast<uint32_t>(buckets_[b].members.size());
    buckets_[b].members.push_back(j);
  }

  // Point j takes its group's text and leaves the candidates.
  void Settle(uint32_t j) {
    const uint32_t b = bucketOf_[j];
    const Group& group = groups_[buckets_[b].group];
    rows_[j] = group.text;
    points_[j] = group.value;
    std::vector<uint32_t>& members = buckets_[b].members;
    members[slotOf_[j]] = members.back();
    slotOf_[members[slotOf_[j]]] = slotOf_[j];
    members.pop_back();
    bucketOf_[j] = kNone;
    if (members.empty()) KillGroup(buckets_[b].group);
  }

  // The members of `g` take the text of `target`; the smaller list moves.
  void Absorb(uint32_t target, uint32_t g) {
    uint32_t large = groups_[target].bucket, small = groups_[g].bucket;
    if (buckets_[large].members.size() < buckets_[small].members.size()) std::swap(large, small);
    for (uint32_t j : buckets_[small].members) AddMember(large, j);
    buckets_[small].members = {};
    groups_[target].bucket = large;
    buckets_[large].group = target;
    KillGroup(g);
  }

  PointRows& rows_;
  std::vector<P>& points_;
  double tol_;
  Grid grid_;
  std::vector<Group> groups_;
  std::vector<Bucket> buckets_;
  std::unordered_map<int64_t, std::vector<uint32_t>> cells_;
  std::unordered_map<PointText, uint32_t, TextHash> byText_;
  std::vector<uint32_t> bucketOf_, slotOf_;
};

}  // namespace

void MergeClosePoints(PointRows& rows, double tolerance, double gap, bool reverseSearch,
                      const std::function<void(size_t done, size_t total)>& progress) {
  const double tol = std::fabs(tolerance);
  const size_t n = rows.size();
  const double rounded = std::max(1.0, RoundHalfEven(std::fabs(gap)));
  const size_t step = rounded >= static_cast<double>(n) ? n : static_cast<size_t>(rounded);
  // With no tolerance the rule's test (-0 < dx <= 0) never holds.
  if (tol > 0 && step < n) {
    std::vector<P> points(n);
    bool indexable = std::isfinite(tol);
    for (size_t i = 0; i < n; ++i) {
      points[i] = {CellNumber(rows[i].x), CellNumber(rows[i].y)};
      indexable &= std::fabs(points[i].x) <= kGridLimit && std::fabs(points[i].y) <= kGridLimit;
    }
    if (!indexable) {
      MergeByRule(rows, points, tol, step, reverseSearch);
    } else if (reverseSearch) {
      ReverseMerge(rows, points, tol, step).Run(step, progress);
    } else {
      MergeForward(rows, points, tol, step, progress);
    }
  }
  RemoveConsecutiveDuplicates(rows);
}

}  // namespace orvane
