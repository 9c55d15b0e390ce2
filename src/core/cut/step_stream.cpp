#include "core/cut/step_stream.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/app/machine_settings.h"
#include "core/common/text_number.h"
#include "core/machine/centronic.h"

namespace orvane {
namespace {

constexpr size_t kChunk = 1 << 16;

std::optional<long double> ParseExtended(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  long double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// Position of an axis in whole steps, truncated toward zero in extended precision.
int64_t StepPosition(long double millimetres, uint16_t stepsPerMm) {
  return static_cast<int64_t>(std::trunc(static_cast<long double>(stepsPerMm) * millimetres));
}

// A bit pair outside 0..3 counts as 0.
uint8_t Slot(const StepAxes& axes, int axis) {
  return static_cast<uint8_t>(axes.io[axis] <= 3 ? axes.io[axis] : 0);
}

}  // namespace

CutTable MakeCutTable(const PointRows& adjusted1, const PointRows& adjusted2) {
  CutTable table;
  table.points.reserve(adjusted1.size());
  for (size_t i = 0; i < adjusted1.size(); ++i) {
    const std::string* cells[4] = {&adjusted1[i].x, &adjusted1[i].y,
                                   i < adjusted2.size() ? &adjusted2[i].x : nullptr,
                                   i < adjusted2.size() ? &adjusted2[i].y : nullptr};
    CutPoint point{};
    for (int c = 0; c < 4; ++c) {
      auto value = cells[c] ? ParseExtended(*cells[c]) : std::nullopt;
      if (!value) {
        static const char* const kColumns[] = {"X1", "Y1", "X2", "Y2"};
        table.error = "Point " + std::to_string(i + 1) + ", colonne " + kColumns[c] + " : « " +
                      (cells[c] ? *cells[c] : std::string()) + " » n'est pas un nombre.";
        table.points.clear();
        return table;
      }
      point[c] = *value;
    }
    table.points.push_back(point);
  }
  return table;
}

StepAxes StepAxesFrom(const MachineSettings& s) {
  StepAxes axes;
  axes.stepsPerMm = {s.X1step, s.Y1step, s.X2step, s.Y2step};
  axes.clockwise = {s.X1clockwise, s.Y1clockwise, s.X2clockwise, s.Y2clockwise};
  axes.io = {s.X1io, s.Y1io, s.X2io, s.Y2io};
  return axes;
}

std::string CheckCutLimits(const std::vector<CutPoint>& points, const StepAxes& axes) {
  static const char* const kAxes[] = {"X1", "Y1", "X2", "Y2"};
  // Positions and their differences must fit 64-bit step counters.
  constexpr long double kMaxPosition = 4611686018427387904.0L;  // 2^62
  uint64_t ticks = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    uint64_t longest = 0;
    for (int axis = 0; axis < 4; ++axis) {
      const long double position = axes.stepsPerMm[axis] * points[i][axis];
      if (!std::isfinite(position) || std::fabs(position) >= kMaxPosition) {
        char value[64];
        std::snprintf(value, sizeof value, "%.6Lg", points[i][axis]);
        return "Découpe impossible : au point " + std::to_string(i + 1) + ", " + kAxes[axis] +
               " = " + value + " mm est hors de portée des moteurs.";
      }
      if (i == 0) continue;
      const int64_t delta = StepPosition(points[i][axis], axes.stepsPerMm[axis]) -
                            StepPosition(points[i - 1][axis], axes.stepsPerMm[axis]);
      longest = std::max(longest, static_cast<uint64_t>(delta < 0 ? -delta : delta));
    }
    ticks += longest;  // both terms below 2^63: no wrap
    if (ticks > kMaxCutTicks) {
      return "Découpe impossible : elle dépasse 4 294 967 296 pas (au point " +
             std::to_string(i + 1) + ").";
    }
  }
  return {};
}

std::array<uint8_t, 4> OppositePatterns(const std::array<uint8_t, 4>& patterns,
                                        const StepAxes& axes) {
  std::array<uint8_t, 4> opposite{};
  for (int axis = 0; axis < 4; ++axis) {
    const int partner = axis ^ 2;  // X1 <-> X2, Y1 <-> Y2
    const unsigned bits = (patterns[axis] >> (2 * Slot(axes, axis))) & 3u;
    opposite[axis] = static_cast<uint8_t>(bits << (2 * Slot(axes, partner)));
  }
  return opposite;
}

GenerationResult GenerateSteps(const std::vector<CutPoint>& points, const StepAxes& axes,
                               StepSink* sink, GenerationObserver* observer) {
  GenerationResult result;
  std::vector<uint8_t> a, b;
  if (sink) a.reserve(kChunk), b.reserve(kChunk);
  auto flush = [&]() {
    if (sink && !a.empty() && !sink->Put(a.data(), b.data(), a.size())) result.writeFailed = true;
    a.clear();
    b.clear();
    return !result.writeFailed;
  };
  const size_t segments = points.empty() ? 0 : points.size() - 1;
  for (size_t k = 0; k < segments; ++k) {
    uint64_t n[4];
    std::array<uint8_t, 4> pattern{};
    uint64_t longest = 0;
    for (int axis = 0; axis < 4; ++axis) {
      const long double from = points[k][axis], to = points[k + 1][axis];
      const uint16_t step = axes.stepsPerMm[axis];
      const int64_t delta = StepPosition(to, step) - StepPosition(from, step);
      n[axis] = static_cast<uint64_t>(delta < 0 ? -delta : delta);
      const uint8_t slot = Slot(axes, axis);
      const uint16_t clockwise = axes.clockwise[axis];
      pattern[axis] = from < to   ? AxisPattern(slot, static_cast<uint8_t>(clockwise ^ 1))
                      : from > to ? AxisPattern(slot, static_cast<uint8_t>(clockwise))
                                  : 0;
      longest = std::max(longest, n[axis]);
    }
    const std::array<uint8_t, 4> opposite = OppositePatterns(pattern, axes);
    uint64_t accumulator[4] = {0, 0, 0, 0};
    for (uint64_t t = 1; t <= longest; ++t) {
      uint8_t byteA = 0, byteB = 0;
      for (int axis = 0; axis < 4; ++axis) {
        accumulator[axis] += n[axis];
        if (accumulator[axis] >= longest) {
          accumulator[axis] -= longest;
          byteA |= pattern[axis];
          byteB |= opposite[axis];
        }
      }
      if (sink) {
        a.push_back(byteA);
        b.push_back(byteB);
        if (a.size() == kChunk && !flush()) return result;
      }
      ++result.ticks;
      if ((result.ticks & 0xFFFF) == 0 && observer &&
          !observer->Continue(k, segments, result.ticks)) {
        result.aborted = true;
        flush();
        return result;
      }
    }
    if (observer && !observer->Continue(k + 1, segments, result.ticks)) {
      result.aborted = true;
      break;
    }
  }
  flush();
  return result;
}

long RoundedDevelopedLength(const PointRows& adjusted) {
  return static_cast<long>(RoundHalfEven(DevelopedLength(adjusted)));
}

}  // namespace orvane

namespace orvane {

FileStepSink::FileStepSink(const std::string& pathA, const std::string& pathB)
    : a_(std::fopen(pathA.c_str(), "wb")), b_(std::fopen(pathB.c_str(), "wb")) {}

FileStepSink::~FileStepSink() {
  Close();
}

bool FileStepSink::Put(const uint8_t* a, const uint8_t* b, size_t count) {
  if (!Opened() || failed_) return false;
  failed_ = std::fwrite(a, 1, count, a_) != count || std::fwrite(b, 1, count, b_) != count;
  return !failed_;
}

bool FileStepSink::Close() {
  for (std::FILE** file : {&a_, &b_}) {
    if (*file && std::fclose(*file) != 0) failed_ = true;
    *file = nullptr;
  }
  return !failed_;
}

}  // namespace orvane
