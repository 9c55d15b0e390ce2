#include <cmath>
#include <optional>
#include <string>

#include "core/common/text_lines.h"
#include "core/common/text_number.h"
#include "core/project/drawing_readers.h"

namespace orvane {
namespace {

struct Point {
  double x, y;
};

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// One data line, as the coordinate files are read: separator ';', else the
// first blank, else the first tab.
std::optional<Point> DataPoint(std::string_view line, unsigned& separators) {
  line = TrimLeft(line);
  if (line.empty()) return std::nullopt;
  const char last = line.back();
  if (!(last == '\t' || last == ' ' || last == '-' || last == '.' || last == ';' ||
        (last >= '0' && last <= '9'))) {
    return std::nullopt;
  }
  size_t at = line.find(';');
  unsigned bit = 1;
  if (at == std::string_view::npos) at = line.find(' '), bit = 2;
  if (at == std::string_view::npos) at = line.find('\t'), bit = 4;
  if (at == std::string_view::npos) return std::nullopt;
  const auto x = ParseReal(TrimRight(line.substr(0, at)));
  const auto y = ParseReal(TrimRight(line.substr(at + 1)));
  if (!x || !y || std::fabs(*x) > kLargestCoordinate || std::fabs(*y) > kLargestCoordinate) {
    return std::nullopt;
  }
  separators |= bit;
  return Point{*x, *y};
}

// Two whole numbers of at least 2 on the second line, and room for them in
// the rest of the file: the Lednicer counts line.
std::optional<std::pair<size_t, size_t>> LednicerCounts(const std::vector<std::string_view>& lines,
                                                        size_t& countsLine) {
  size_t seen = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (TrimLeft(lines[i]).empty()) continue;
    if (++seen < 2) {
      unsigned ignored = 0;
      if (DataPoint(lines[i], ignored)) return std::nullopt;  // no title line
      continue;
    }
    countsLine = i;
    unsigned ignored = 0;
    const auto counts = DataPoint(lines[i], ignored);
    if (!counts || counts->x < 2 || counts->y < 2 || counts->x != std::floor(counts->x) ||
        counts->y != std::floor(counts->y) || counts->x + counts->y > lines.size()) {
      return std::nullopt;
    }
    return std::pair{static_cast<size_t>(counts->x), static_cast<size_t>(counts->y)};
  }
  return std::nullopt;
}

}  // namespace

DrawingRead ReadCoordinates(std::string_view bytes) {
  const std::vector<std::string_view> lines = SplitLines(bytes);
  DrawingRead read;
  std::vector<Point> points;
  unsigned separators = 0;

  size_t countsLine = 0;
  if (auto counts = LednicerCounts(lines, countsLine)) {
    std::vector<Point> surface;
    for (size_t i = countsLine + 1; i < lines.size(); ++i) {
      if (auto p = DataPoint(lines[i], separators)) surface.push_back(*p);
    }
    if (surface.size() == counts->first + counts->second) {
      // Upper surface from the trailing edge to the leading edge, then the
      // lower one back, the leading edge once.
      points.assign(surface.rbegin() + static_cast<long>(counts->second), surface.rend());
      const Point& leading = surface.front();
      const Point& lowerLeading = surface[counts->first];
      const bool sameLeading = leading.x == lowerLeading.x && leading.y == lowerLeading.y;
      points.insert(points.end(), surface.begin() + static_cast<long>(counts->first) + sameLeading,
                    surface.end());
    }
  }
  if (points.empty()) {
    separators = 0;
    for (std::string_view line : lines) {
      if (auto p = DataPoint(line, separators)) points.push_back(*p);
    }
  }
  if (separators == 0 || points.empty()) return read;
  points.push_back(points.front());
  read.status = DrawingRead::Status::Read;
  for (const Point& p : points) read.xs.push_back(p.x), read.ys.push_back(p.y);
  return read;
}

}  // namespace orvane
