#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "core/common/text_lines.h"
#include "core/common/text_number.h"
#include "core/project/drawing_readers.h"

namespace orvane {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// Line by line; past the end every read gives an empty line and `AtEnd`.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : lines_(SplitLines(text)) {}
  std::string_view Next() { return next_ < lines_.size() ? lines_[next_++] : std::string_view(); }
  // Reads `count` lines; the last one is the value.
  std::string_view Skip(int count) {
    std::string_view line;
    for (int i = 0; i < count; ++i) line = Next();
    return line;
  }
  double Value(int count) { return ParseReal(Trim(Skip(count))).value_or(0); }
  bool AtEnd() const { return next_ >= lines_.size(); }

 private:
  std::vector<std::string_view> lines_;
  size_t next_ = 0;
};

struct Point {
  double x, y;
};

void AppendArc(std::vector<Point>& points, double cx, double cy, double r, double start,
               double sweep) {
  // No arc goes round more than once.
  sweep = std::fmod(sweep, 360);
  if (sweep <= 0) sweep += 360;
  const long a0 = std::lround(RoundHalfEven(start));
  const long a1 = std::lround(RoundHalfEven(start + sweep));
  for (long a = a0; a <= a1; ++a) {
    if (a % 5 != 0) continue;
    const double radians = a * M_PI / 180;
    points.push_back({cx + r * std::cos(radians), cy + r * std::sin(radians)});
  }
}

}  // namespace

DrawingRead ReadDxf(std::string_view bytes) {
  using Status = DrawingRead::Status;
  DrawingRead read;
  std::vector<Point> points;
  LineReader in(bytes);
  // Checked as the points come, so a hostile file is refused before it fills memory.
  auto tooMany = [&points](size_t more) { return points.size() + more > kMostDrawingPoints; };
  while (!in.AtEnd() && !tooMany(0)) {
    const std::string marker = Upper(in.Next());
    if (marker == "ACDBCIRCLE") {
      read.status = Status::Read;
      const double cx = in.Value(2), cy = in.Value(2), r = in.Value(4);
      double start = 0, sweep = 360;
      if (Upper(in.Skip(2)) == "ACDBARC") {
        start = in.Value(2);
        double end = in.Value(2);
        // Angles are taken modulo a turn; those within one keep their value.
        if (std::fabs(start) > 360) start = std::fmod(start, 360);
        if (std::fabs(end) > 360) end = std::fmod(end, 360);
        sweep = end > start ? end - start : (360 - start) + end;
      }
      AppendArc(points, cx, cy, r, start, sweep);
    } else if (marker == "ACDBLINE") {
      read.status = Status::Read;
      const double x1 = in.Value(2), y1 = in.Value(2), x2 = in.Value(4), y2 = in.Value(2);
      in.Skip(2);
      points.push_back({x1, y1});
      points.push_back({x2, y2});
    } else if (marker == "ACDBPOLYLINE") {
      read.status = Status::Read;
      std::vector<Point> vertices;
      bool closed = false;
      std::string_view code = "100";
      while (Trim(code) != "0" && !in.AtEnd() && !tooMany(vertices.size())) {
        code = in.Next();
        const std::string_view value = in.Next();
        const std::string_view c = Trim(code);
        if (c == "70") {
          closed = Trim(value) == "1";
        } else if (c == "10") {
          vertices.push_back({ParseReal(Trim(value)).value_or(0), 0});
        } else if (c == "20" && !vertices.empty()) {
          vertices.back().y = ParseReal(Trim(value)).value_or(0);
        } else if (c == "42") {
          read.status = Status::Incomplete;
        }
      }
      points.insert(points.end(), vertices.begin(), vertices.end());
      if (closed && !vertices.empty()) points.push_back(vertices.front());
    } else if (marker == "ACDBSPLINE") {
      read.status = Status::Read;
      std::string_view code, value;
      do {
        code = in.Next();
        value = in.Next();
      } while (Trim(code) != "10" && !in.AtEnd());
      while (Trim(code) == "10" && !tooMany(0)) {
        const double x = ParseReal(Trim(value)).value_or(0);
        in.Next();
        const double y = ParseReal(Trim(in.Next())).value_or(0);
        in.Skip(2);  // Z
        points.push_back({x, y});
        code = in.Next();
        value = in.Next();
      }
    } else if (marker == "VERTEX") {
      read.status = Status::Read;
      const double x = in.Value(4), y = in.Value(2);
      points.push_back({x, y});
    } else if (marker == "ACDB2DVERTEX") {
      read.status = Status::Read;
      const double x = in.Value(2), y = in.Value(2);
      while (!in.AtEnd() && Trim(in.Next()) != "100") {
      }
      points.push_back({x, y});
    }
  }
  if (tooMany(0)) {
    read = DrawingRead{};
    read.status = Status::Refused;
    read.message =
        " Dessin trop détaillé (plus de " + std::to_string(kMostDrawingPoints) + " points) ";
    return read;
  }
  read.xs.reserve(points.size());
  read.ys.reserve(points.size());
  for (const Point& p : points) read.xs.push_back(p.x), read.ys.push_back(p.y);
  FinishDrawing(read, true);
  return read;
}

}  // namespace orvane
