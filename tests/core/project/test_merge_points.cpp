#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/project/exports.h"
#include "core/project/operations.h"
#include "support/profiles.h"

namespace orvane {
namespace {

// "Confondre" exactly as the rule reads: every point against every later one
// at least `gap` rows on, in row order. The grid must give the same rows.
PointRows ByTheRule(PointRows rows, double tolerance, double gap, bool reverse) {
  const double tol = std::fabs(tolerance);
  const double rows1 = std::max(1.0, std::nearbyint(std::fabs(gap)));
  const size_t step = static_cast<size_t>(std::min(rows1, static_cast<double>(rows.size())));
  std::vector<std::pair<double, double>> p(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) p[i] = {CellNumber(rows[i].x), CellNumber(rows[i].y)};
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    const auto reference = p[i];
    for (size_t j = i + step; j < p.size(); ++j) {
      const double dx = p[j].first - reference.first, dy = p[j].second - reference.second;
      if (!(-tol < dx && dx <= tol && -tol < dy && dy <= tol)) continue;
      if (reverse) {
        p[j] = p[i];
        rows[j] = rows[i];
      } else {
        p[i] = p[j];
        rows[i] = rows[j];
      }
    }
  }
  RemoveConsecutiveDuplicates(rows);
  return rows;
}

PointRows Texts(const std::vector<std::pair<double, double>>& points) {
  return test::MakeProfile(points, -1).raw;
}

// Points on a quarter-millimetre lattice, so that many lie exactly at the
// tolerance from each other (the rule's half-open test decides those).
PointRows Lattice(unsigned seed, size_t n, int extent) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> cell(0, extent);
  std::vector<std::pair<double, double>> points;
  for (size_t i = 0; i < n; ++i) points.push_back({cell(random) * 0.25, cell(random) * 0.25});
  PointRows rows = Texts(points);
  // The same value written differently is a different point for the texts.
  for (size_t i = 0; i < n; i += 7) rows[i].x = FormatReal15(CellNumber(rows[i].x));
  return rows;
}

// A closed outline walked `turns` times with a little drift, so that each
// pass runs close to the others.
PointRows Spiral(size_t n, double turns, double drift) {
  std::vector<std::pair<double, double>> points;
  for (size_t i = 0; i < n; ++i) {
    const double t = 2 * M_PI * turns * i / n;
    points.push_back({150 * (1 + std::cos(t)) + drift * t, 20 * std::sin(t)});
  }
  return Texts(points);
}

struct Case {
  const char* name;
  PointRows rows;
  double tolerance, gap;
};

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (unsigned seed : {1u, 2u, 3u}) {
    cases.push_back({"dense lattice", Lattice(seed, 500, 12), 0.5, 5});
    cases.push_back({"dense lattice, tolerance one step", Lattice(seed, 500, 12), 0.25, 1});
    cases.push_back({"sparse lattice", Lattice(seed, 800, 200), 0.75, 3});
    cases.push_back({"lattice, long gap", Lattice(seed, 300, 8), 1, 40});
  }
  cases.push_back({"outline walked three times", Spiral(3000, 3, 0.05), 0.5, 5});
  cases.push_back({"outline, wide tolerance", Spiral(1500, 2, 0.5), 12, 5});
  cases.push_back({"every point in reach", Lattice(4, 300, 12), 1e9, 5});
  cases.push_back(
      {"negative values", Texts({{-1, -1}, {-1.2, -0.9}, {5, 5}, {-0.8, -1}}), -0.5, -1});
  cases.push_back(
      {"all the same point", Texts(std::vector<std::pair<double, double>>(400, {3, 4})), 0.5, 5});
  cases.push_back({"fine tolerance far from the origin",
                   Texts({{1e6, 1e6}, {1e6 + 1e-6, 1e6}, {1e6 + 2e-6, 1e6}, {1e6 + 1e-6, 1e6}}),
                   1e-6, 1});
  cases.push_back({"beyond the grid", Texts({{2e15, 0}, {1, 1}, {2e15, 0.1}, {1.1, 1}}), 0.5, 1});
  cases.push_back({"gap beyond the outline", Lattice(5, 20, 4), 0.5, 1e30});
  cases.push_back({"no tolerance", Lattice(6, 200, 4), 0, 1});
  return cases;
}

TEST(Confondre, GivesTheRulesRowsOnVariedOutlines) {
  int changed = 0, runs = 0;
  for (const Case& c : Cases()) {
    for (bool reverse : {false, true}) {
      PointRows merged = c.rows;
      MergeClosePoints(merged, c.tolerance, c.gap, reverse);
      EXPECT_EQ(merged, ByTheRule(c.rows, c.tolerance, c.gap, reverse))
          << c.name << (reverse ? ", reversed search" : "");
      changed += merged != c.rows;
      ++runs;
    }
  }
  // Most cases do merge points, so the comparison is not between no-ops.
  EXPECT_GE(changed, runs - 4);
}

}  // namespace
}  // namespace orvane
