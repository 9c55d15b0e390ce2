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
// first blank, else the first tab. The texts before and after it, untrimmed
// on the left of Y (the number parse skips those blanks).
std::optional<std::pair<std::string_view, std::string_view>> SplitDataLine(std::string_view line,
                                                                           unsigned& bit) {
  line = TrimLeft(line);
  if (line.empty()) return std::nullopt;
  const char last = line.back();
  if (!(last == '\t' || last == ' ' || last == '-' || last == '.' || last == ';' ||
        (last >= '0' && last <= '9'))) {
    return std::nullopt;
  }
  size_t at = line.find(';');
  bit = 1;
  if (at == std::string_view::npos) at = line.find(' '), bit = 2;
  if (at == std::string_view::npos) at = line.find('\t'), bit = 4;
  if (at == std::string_view::npos) return std::nullopt;
  return std::pair{TrimRight(line.substr(0, at)), TrimRight(line.substr(at + 1))};
}

std::optional<Point> DataPoint(std::string_view line, unsigned& separators) {
  unsigned bit = 0;
  const auto texts = SplitDataLine(line, bit);
  if (!texts) return std::nullopt;
  const auto x = ParseReal(texts->first);
  const auto y = ParseReal(texts->second);
  if (!x || !y) return std::nullopt;
  separators |= bit;
  return Point{*x, *y};
}

// A point count as the Lednicer layout writes it: "61" or "61.". A number
// with decimals is a coordinate, as every export writes them.
std::optional<size_t> WholeCount(std::string_view text) {
  text = TrimLeft(text);
  if (!text.empty() && text.back() == '.') text.remove_suffix(1);
  if (text.empty() || text.size() > 9) return std::nullopt;
  size_t count = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    count = count * 10 + static_cast<size_t>(c - '0');
  }
  return count >= 2 ? std::optional(count) : std::nullopt;
}

struct LednicerCounts {
  size_t upper, lower;
  size_t countsLine;
};

// A title line, then a line of two whole counts: the Lednicer header.
std::optional<LednicerCounts> FindLednicerCounts(const std::vector<std::string_view>& lines) {
  size_t seen = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (TrimLeft(lines[i]).empty()) continue;
    if (++seen < 2) {
      unsigned ignored = 0;
      if (DataPoint(lines[i], ignored)) return std::nullopt;  // no title line
      continue;
    }
    unsigned bit = 0;
    const auto texts = SplitDataLine(lines[i], bit);
    if (!texts) return std::nullopt;
    const auto upper = WholeCount(texts->first), lower = WholeCount(texts->second);
    if (!upper || !lower) return std::nullopt;
    return LednicerCounts{*upper, *lower, i};
  }
  return std::nullopt;
}

// The Lednicer layout, recognised only when the counts are exactly the points
// that follow and both surfaces start at the same leading edge; anything else
// is read point by point, so no file of points reads back reordered.
std::vector<Point> ReadLednicer(const std::vector<std::string_view>& lines, unsigned& separators) {
  const auto counts = FindLednicerCounts(lines);
  if (!counts) return {};
  std::vector<Point> surfaces;
  for (size_t i = counts->countsLine + 1; i < lines.size(); ++i) {
    if (auto p = DataPoint(lines[i], separators)) {
      if (surfaces.size() == counts->upper + counts->lower) return {};
      surfaces.push_back(*p);
    }
  }
  if (surfaces.size() != counts->upper + counts->lower) return {};
  const Point& leading = surfaces.front();
  const Point& lowerLeading = surfaces[counts->upper];
  if (leading.x != lowerLeading.x || leading.y != lowerLeading.y) return {};
  // Upper surface from the trailing edge to the leading edge, then the lower
  // one back, the leading edge once.
  std::vector<Point> points(surfaces.rbegin() + static_cast<long>(counts->lower), surfaces.rend());
  points.insert(points.end(), surfaces.begin() + static_cast<long>(counts->upper) + 1,
                surfaces.end());
  return points;
}

}  // namespace

DrawingRead ReadCoordinates(std::string_view bytes, CoordinateFormat format) {
  // Editors that save UTF-8 may start the file with a byte-order mark.
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const std::vector<std::string_view> lines = SplitLines(bytes);
  DrawingRead read;
  unsigned separators = 0;
  std::vector<Point> points;
  if (format == CoordinateFormat::Dat) points = ReadLednicer(lines, separators);
  if (points.empty()) {
    separators = 0;
    for (std::string_view line : lines) {
      if (auto p = DataPoint(line, separators)) points.push_back(*p);
      if (points.size() >= kMostDrawingPoints) break;
    }
  }
  if (separators == 0 || points.empty()) return read;
  if (points.size() >= kMostDrawingPoints) {
    read.status = DrawingRead::Status::Refused;
    read.message =
        " Dessin trop détaillé (plus de " + std::to_string(kMostDrawingPoints) + " points) ";
    return read;
  }
  points.push_back(points.front());
  read.status = DrawingRead::Status::Read;
  read.xs.reserve(points.size());
  read.ys.reserve(points.size());
  for (const Point& p : points) read.xs.push_back(p.x), read.ys.push_back(p.y);
  FinishDrawing(read, false);
  return read;
}

}  // namespace orvane
