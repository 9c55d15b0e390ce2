#include "core/cut/cut_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/app/machine_settings.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

int64_t WholeSteps(long double millimetres, double perMm) {
  return static_cast<int64_t>(std::trunc(static_cast<long double>(perMm) * millimetres));
}

double SegmentDistance(double x, double y, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay, length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((x - ax) * dx + (y - ay) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(x - ax - t * dx, y - ay - t * dy);
}

// How far ahead along the outline a position may be found: tiny segments
// (shorter than a step) pass without any motion, so the nearest one can lie
// several segments on.
constexpr double kLookAheadMm = 1.0;
constexpr size_t kLookAheadSegments = 256;

}  // namespace

bool CutDeviation::Fault(int side) const {
  return largest[side] > step[side] * (1 + 1e-9) + 1e-12;
}

CutChecker::CutChecker(const std::vector<CutPoint>& points, const MachineSettings& settings)
    : decoder_(settings) {
  const StepAxes axes = StepAxesFrom(settings);
  for (size_t a = 0; a < 4; ++a) perMm_[a] = std::max<double>(axes.stepsPerMm[a], 1);
  if (points.empty()) return;
  for (size_t a = 0; a < 4; ++a) {
    start_[a] = WholeSteps(points.front()[a], perMm_[a]);
    end_[a] = WholeSteps(points.back()[a], perMm_[a]);
  }
  for (int s = 0; s < 2; ++s) {
    Side& side = sides_[s];
    const size_t ax = 2 * s, ay = 2 * s + 1;
    for (const CutPoint& p : points) {
      side.xs.push_back(double(WholeSteps(p[ax], perMm_[ax])) / perMm_[ax]);
      side.ys.push_back(double(WholeSteps(p[ay], perMm_[ay])) / perMm_[ay]);
    }
    side.cornerBest.assign(points.size(), std::numeric_limits<double>::infinity());
    result_.step[s] = std::max(1 / perMm_[ax], 1 / perMm_[ay]);
    Measure(side, side.xs[0], side.ys[0]);
  }
}

void CutChecker::Measure(Side& side, double x, double y) {
  const size_t n = side.xs.size();
  auto corner = [&](size_t i) {
    side.cornerBest[i] = std::min(side.cornerBest[i], std::hypot(x - side.xs[i], y - side.ys[i]));
  };
  if (n < 2) {
    if (n == 1) corner(0), side.worst = std::max(side.worst, side.cornerBest[0]);
    return;
  }
  auto distance = [&](size_t k) {
    return SegmentDistance(x, y, side.xs[k], side.ys[k], side.xs[k + 1], side.ys[k + 1]);
  };
  size_t k = side.segment, best = k;
  double nearest = distance(k), along = 0;
  for (size_t j = k + 1; j < n - 1 && j <= k + kLookAheadSegments; ++j) {
    along += std::hypot(side.xs[j] - side.xs[j - 1], side.ys[j] - side.ys[j - 1]) * (j > k + 1);
    if (along > nearest + kLookAheadMm) break;
    const double d = distance(j);
    if (d <= nearest) nearest = d, best = j;
  }
  // Corners passed without motion are measured from here.
  for (size_t m = k; m <= best; ++m) corner(m);
  side.segment = best;
  side.worst = std::max(side.worst, nearest);
  corner(best);
  corner(best + 1);
}

void CutChecker::Feed(const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (bytes[i] == 0) continue;
    decoder_.Apply(bytes[i], steps_);
    const AxisSteps moved = steps_.Steps();
    for (int s = 0; s < 2; ++s) {
      const size_t ax = 2 * s, ay = 2 * s + 1;
      Measure(sides_[s], double(start_[ax] + moved[ax]) / perMm_[ax],
              double(start_[ay] + moved[ay]) / perMm_[ay]);
    }
  }
}

CutDeviation CutChecker::Finish() {
  const AxisSteps moved = steps_.Steps();
  for (size_t a = 0; a < 4; ++a) {
    if (start_[a] + moved[a] != end_[a]) result_.endsElsewhere = true;
  }
  for (int s = 0; s < 2; ++s) {
    double worst = sides_[s].worst;
    for (double c : sides_[s].cornerBest) worst = std::max(worst, c);
    result_.largest[s] = worst;
  }
  return result_;
}

CutDeviation CheckStepFile(const std::string& path, const std::vector<CutPoint>& points,
                           const MachineSettings& settings) {
  CutChecker checker(points, settings);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    CutDeviation failed;
    failed.error = "Impossible de relire le fichier temporaire " + path;
    return failed;
  }
  std::vector<uint8_t> buffer(size_t(1) << 20);
  size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
    checker.Feed(buffer.data(), got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  CutDeviation result = checker.Finish();
  if (failed) result.error = "Impossible de relire le fichier temporaire " + path;
  return result;
}

std::string DeviationText(double millimetres) {
  std::string text = FormatFixed(millimetres, 3);
  std::replace(text.begin(), text.end(), '.', ',');
  return text + " mm";
}

}  // namespace orvane
