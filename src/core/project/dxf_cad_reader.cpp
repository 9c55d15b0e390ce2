// DXF files as CAD programs write them, parsed by dxflib: entities in any
// order and direction, bulges, old-style polylines, splines and ellipses.
#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_map>

#include "core/common/text_lines.h"
#include "core/common/text_number.h"
#include "core/project/drawing_readers.h"

namespace orvane {
namespace {

struct Point {
  double x, y;
};

// Ends closer than this are one point.
constexpr double kMeet = 0.001;
// Half of what a curve's chords may stray, since the deviation is measured
// at a few places per chord only.
constexpr double kChordTolerance = 0.005;

bool Meet(Point a, Point b) {
  return std::hypot(a.x - b.x, a.y - b.y) <= kMeet;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// One entity's outline. `plain` holds the points the marker-driven reader
// would give for it, when it reads this kind of entity faithfully.
struct Piece {
  std::vector<Point> points;
  bool faithful = false;
  std::vector<Point> plain;
};

// Points on the circle at cx, cy from `start` over `sweep` degrees
// (negative: clockwise): both ends and every multiple of 5 degrees between.
void AppendArc(std::vector<Point>& out, double cx, double cy, double r, double start,
               double sweep) {
  auto at = [&](double degrees) {
    const double a = degrees * M_PI / 180;
    return Point{cx + r * std::cos(a), cy + r * std::sin(a)};
  };
  constexpr double kApart = 1e-7;  // degrees: no near copy of an end
  out.push_back(at(start));
  const double end = start + sweep;
  if (sweep > 0) {
    for (double a = 5 * std::floor(start / 5) + 5; a < end - kApart; a += 5) {
      if (a > start + kApart) out.push_back(at(a));
    }
  } else {
    for (double a = 5 * std::ceil(start / 5) - 5; a > end + kApart; a -= 5) {
      if (a < start - kApart) out.push_back(at(a));
    }
  }
  out.push_back(at(end));
}

// The marker-driven reader's sampling of an arc: whole multiples of 5 degrees
// only, over one turn at most.
std::vector<Point> PlainArc(double cx, double cy, double r, double start, double end) {
  if (std::fabs(start) > 360) start = std::fmod(start, 360);
  if (std::fabs(end) > 360) end = std::fmod(end, 360);
  double sweep = end > start ? end - start : (360 - start) + end;
  sweep = std::fmod(sweep, 360);
  if (sweep <= 0) sweep += 360;
  std::vector<Point> out;
  const long a0 = std::lround(RoundHalfEven(start)), a1 = std::lround(RoundHalfEven(start + sweep));
  for (long a = a0; a <= a1; ++a) {
    if (a % 5 == 0)
      out.push_back({cx + r * std::cos(a * M_PI / 180), cy + r * std::sin(a * M_PI / 180)});
  }
  return out;
}

// Samples a smooth curve so that no chord strays more than the tolerance:
// each of `spans` equal parameter pieces is halved until its chord fits.
class CurveSampler {
 public:
  CurveSampler(std::function<Point(double)> curve, size_t budget)
      : curve_(std::move(curve)), budget_(budget) {}

  bool Sample(double t0, double t1, int spans, std::vector<Point>& out) {
    Point a = curve_(t0);
    out.push_back(a);
    for (int i = 1; i <= spans; ++i) {
      const double s0 = t0 + (t1 - t0) * (i - 1) / spans, s1 = t0 + (t1 - t0) * i / spans;
      const Point b = curve_(s1);
      if (!Split(s0, a, s1, b, 0, out)) return false;
      a = b;
    }
    return true;
  }

 private:
  static double Away(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    if (length == 0) return std::hypot(p.x - a.x, p.y - a.y);
    return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
  }

  bool Split(double s0, Point a, double s1, Point b, int depth, std::vector<Point>& out) {
    double worst = 0;
    for (double f : {0.25, 0.5, 0.75})
      worst = std::max(worst, Away(curve_(s0 + (s1 - s0) * f), a, b));
    if (worst > kChordTolerance && depth < 40) {
      const double sm = (s0 + s1) / 2;
      const Point m = curve_(sm);
      return Split(s0, a, sm, m, depth + 1, out) && Split(sm, m, s1, b, depth + 1, out);
    }
    if (out.size() >= budget_) return false;
    out.push_back(b);
    return true;
  }

  std::function<Point(double)> curve_;
  size_t budget_;
};

// A NURBS curve evaluated by de Boor's algorithm on weighted points.
class Nurbs {
 public:
  Nurbs(int degree, std::vector<Point> control, std::vector<double> weights,
        std::vector<double> knots)
      : p_(degree),
        control_(std::move(control)),
        weights_(std::move(weights)),
        knots_(std::move(knots)) {
    const size_t n = control_.size();
    if (weights_.size() != n) weights_.assign(n, 1.0);
    bool ordered = std::is_sorted(knots_.begin(), knots_.end());
    if (knots_.size() != n + p_ + 1 || !ordered || knots_[p_] >= knots_[n]) {
      // Clamped and uniform, as most CAD programs write them.
      knots_.assign(n + p_ + 1, 0);
      for (size_t i = 0; i < knots_.size(); ++i) {
        knots_[i] = double(std::clamp<long>(long(i) - p_, 0, long(n) - p_));
      }
    }
  }
  double First() const { return knots_[p_]; }
  double Last() const { return knots_[control_.size()]; }
  int Spans() const {
    int spans = 0;
    for (size_t k = p_; k < control_.size(); ++k) spans += knots_[k + 1] > knots_[k];
    return spans;
  }

  Point At(double t) const {
    const size_t n = control_.size();
    size_t k = p_;
    while (k + 1 < n && knots_[k + 1] <= t) ++k;
    struct H {
      double x, y, w;
    };
    std::vector<H> d(p_ + 1);
    for (int j = 0; j <= p_; ++j) {
      const size_t i = k - p_ + j;
      const double w = weights_[i];
      d[j] = {control_[i].x * w, control_[i].y * w, w};
    }
    for (int r = 1; r <= p_; ++r) {
      for (int j = p_; j >= r; --j) {
        const size_t i = k - p_ + j;
        const double span = knots_[i + p_ - r + 1] - knots_[i];
        const double alpha = span > 0 ? (t - knots_[i]) / span : 0;
        d[j] = {(1 - alpha) * d[j - 1].x + alpha * d[j].x,
                (1 - alpha) * d[j - 1].y + alpha * d[j].y,
                (1 - alpha) * d[j - 1].w + alpha * d[j].w};
      }
    }
    const H& h = d[p_];
    return h.w != 0 ? Point{h.x / h.w, h.y / h.w} : Point{h.x, h.y};
  }

 private:
  int p_;
  std::vector<Point> control_;
  std::vector<double> weights_, knots_;
};

// Receives dxflib's entities and turns each into a piece.
class Collector : public DL_CreationAdapter {
 public:
  std::vector<Piece> pieces;
  size_t points = 0;
  bool tooMany = false;

  void addLine(const DL_LineData& d) override {
    Finish();
    Piece piece;
    piece.points = {{d.x1, d.y1}, {d.x2, d.y2}};
    piece.faithful = true;
    piece.plain = piece.points;
    Add(std::move(piece));
  }

  void addArc(const DL_ArcData& d) override {
    Finish();
    double sweep = std::fmod(d.angle2 - d.angle1, 360);
    if (!(sweep > 0)) sweep += 360;
    Piece piece;
    AppendArc(piece.points, d.cx, d.cy, d.radius, std::fmod(d.angle1, 360), sweep);
    piece.faithful = !Upside();
    piece.plain = PlainArc(d.cx, d.cy, d.radius, d.angle1, d.angle2);
    Add(Mirrored(std::move(piece)));
  }

  void addCircle(const DL_CircleData& d) override {
    Finish();
    Piece piece;
    AppendArc(piece.points, d.cx, d.cy, d.radius, 0, 360);
    piece.faithful = !Upside();
    piece.plain = piece.points;
    Add(Mirrored(std::move(piece)));
  }

  void addPolyline(const DL_PolylineData& d) override {
    Finish();
    // Meshes hold faces, not an outline.
    if (d.flags & (16 | 64)) return;
    polyline_ = Polyline{};
    polyline_->closed = d.flags & 1;
    polyline_->lightweight = d.number > 0;
    polyline_->upside = Upside();
  }

  void addVertex(const DL_VertexData& d) override {
    if (polyline_) polyline_->vertices.push_back({{d.x, d.y}, d.bulge});
  }

  void addSpline(const DL_SplineData& d) override {
    Finish();
    spline_ = Spline{};
    spline_->degree = int(d.degree);
    spline_->closed = d.flags & 1;
  }
  void addControlPoint(const DL_ControlPointData& d) override {
    if (spline_) spline_->control.push_back({d.x, d.y}), spline_->weights.push_back(d.w);
  }
  void addKnot(const DL_KnotData& d) override {
    if (spline_) spline_->knots.push_back(d.k);
  }
  void addFitPoint(const DL_FitPointData& d) override {
    if (spline_) spline_->fit.push_back({d.x, d.y});
  }

  void addEllipse(const DL_EllipseData& d) override {
    Finish();
    const double side = Upside() ? -1 : 1;
    const Point major{d.mx, d.my}, minor{-side * d.ratio * d.my, side * d.ratio * d.mx};
    double a1 = d.angle1, a2 = d.angle2;
    if (!(std::isfinite(a1) && std::isfinite(a2))) a1 = 0, a2 = 2 * M_PI;
    a1 = std::fmod(a1, 2 * M_PI), a2 = std::fmod(a2, 2 * M_PI);
    if (a2 <= a1 + 1e-12) a2 += 2 * M_PI;
    const Point c{d.cx, d.cy};
    CurveSampler sampler(
        [=](double t) {
          return Point{c.x + major.x * std::cos(t) + minor.x * std::sin(t),
                       c.y + major.y * std::cos(t) + minor.y * std::sin(t)};
        },
        Budget());
    Piece piece;
    const int spans = std::max(1, int(std::ceil((a2 - a1) / (M_PI / 8))));
    if (!sampler.Sample(a1, a2, spans, piece.points)) return Overflow();
    Add(std::move(piece));
  }

  void endEntity() override { Finish(); }
  void endSequence() override { Finish(); }

  // The polyline or spline still collecting its points, if any.
  void Finish() {
    if (polyline_) FinishPolyline();
    if (spline_) FinishSpline();
  }

 private:
  struct Vertex {
    Point at;
    double bulge;
  };
  struct Polyline {
    std::vector<Vertex> vertices;
    bool closed = false, lightweight = false, upside = false;
  };
  struct Spline {
    int degree = 3;
    bool closed = false;
    std::vector<Point> control, fit;
    std::vector<double> weights, knots;
  };

  bool Upside() { return getExtrusion()->getDirection()[2] < 0; }

  size_t Budget() const { return points < kMostDrawingPoints ? kMostDrawingPoints - points : 0; }

  void Overflow() { tooMany = true; }

  // Points given in the plane seen from below, as CAD programs draw them.
  Piece Mirrored(Piece piece) {
    if (!Upside()) return piece;
    for (Point& p : piece.points) p.x = -p.x;
    return piece;
  }

  void Add(Piece piece) {
    if (piece.points.empty() || tooMany) return;
    points += piece.points.size();
    if (points > kMostDrawingPoints) return Overflow();
    pieces.push_back(std::move(piece));
  }

  void FinishPolyline() {
    Polyline line = std::move(*polyline_);
    polyline_.reset();
    const auto& v = line.vertices;
    if (v.empty()) return;
    Piece piece;
    piece.faithful = line.lightweight && !line.upside;
    const size_t segments = line.closed ? v.size() : v.size() - 1;
    for (size_t i = 0; i < segments && piece.points.size() < Budget(); ++i) {
      const Point a = v[i].at, b = v[(i + 1) % v.size()].at;
      const double bulge = v[i].bulge;
      if (bulge == 0 || !std::isfinite(bulge) || Meet(a, b)) {
        piece.points.push_back(a);
        continue;
      }
      piece.faithful = false;
      // The bulge is the tangent of a quarter of the arc's angle.
      const double dx = b.x - a.x, dy = b.y - a.y, k = (1 - bulge * bulge) / (4 * bulge);
      const Point c{(a.x + b.x) / 2 - k * dy, (a.y + b.y) / 2 + k * dx};
      const double r = std::hypot(a.x - c.x, a.y - c.y);
      const double start = std::atan2(a.y - c.y, a.x - c.x) * 180 / M_PI;
      std::vector<Point> arc;
      AppendArc(arc, c.x, c.y, r, start, 4 * std::atan(bulge) * 180 / M_PI);
      arc.front() = a, arc.back() = b;
      piece.points.insert(piece.points.end(), arc.begin(), arc.end() - 1);
    }
    piece.points.push_back(line.closed ? v.front().at : v.back().at);
    for (const Vertex& vertex : v) piece.plain.push_back(vertex.at);
    if (line.closed) piece.plain.push_back(v.front().at);
    if (line.upside) {
      for (Point& p : piece.points) p.x = -p.x;
    }
    Add(std::move(piece));
  }

  void FinishSpline() {
    Spline s = std::move(*spline_);
    spline_.reset();
    Piece piece;
    const size_t n = s.control.size();
    if (n == 0 || s.degree < 1 || n < size_t(s.degree) + 1) {
      // No curve to evaluate: its points as they stand.
      piece.points = n > 0 ? s.control : s.fit;
    } else {
      Nurbs curve(s.degree, s.control, s.weights, s.knots);
      CurveSampler sampler([&curve](double t) { return curve.At(t); }, Budget());
      if (!sampler.Sample(curve.First(), curve.Last(), 4 * std::max(1, curve.Spans()),
                          piece.points)) {
        return Overflow();
      }
    }
    if (s.closed && !piece.points.empty() && !Meet(piece.points.front(), piece.points.back())) {
      piece.points.push_back(piece.points.front());
    }
    Add(std::move(piece));
  }

  std::optional<Polyline> polyline_;
  std::optional<Spline> spline_;
};

// Only the drawn entities this reader understands are handed to the parser,
// with their counts checked first: the parser allocates what a count says.
struct Kept {
  std::string text;
  bool tooMany = false;
};

Kept KeepDrawnEntities(std::string_view bytes) {
  static constexpr std::string_view kDrawn[] = {
      "LINE", "ARC", "CIRCLE", "ELLIPSE", "LWPOLYLINE", "POLYLINE", "VERTEX", "SEQEND", "SPLINE"};
  const std::vector<std::string_view> lines = SplitLines(bytes);
  Kept kept;
  kept.text = "0\nSECTION\n2\nENTITIES\n";
  bool inEntities = false, keeping = false, sectionName = false;
  std::string_view entity;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    const std::string_view code = Trim(lines[i]), value = Trim(lines[i + 1]);
    if (code == "0") {
      sectionName = value == "SECTION";
      if (value == "ENDSEC") inEntities = false;
      entity = value;
      keeping =
          inEntities && std::find(std::begin(kDrawn), std::end(kDrawn), value) != std::end(kDrawn);
    } else if (code == "2" && sectionName) {
      inEntities = value == "ENTITIES";
      sectionName = false;
    }
    if (!keeping) continue;
    const bool count = (entity == "LWPOLYLINE" && code == "90") ||
                       (entity == "SPLINE" && (code == "72" || code == "73" || code == "74"));
    if (count) {
      const std::optional<double> n = ParseReal(value);
      if (n && *n > double(kMostDrawingPoints)) {
        kept.tooMany = true;
        return kept;
      }
    }
    kept.text.append(code).append("\n").append(value).append("\n");
  }
  kept.text += "0\nENDSEC\n0\nEOF\n";
  return kept;
}

// Joins the pieces into one contour when they form one chain, starting where
// the first piece starts; empty when they do not.
std::vector<Point> Chain(const std::vector<Piece>& pieces) {
  const size_t count = pieces.size();
  if (count == 1) return pieces[0].points;
  for (const Piece& piece : pieces) {
    if (piece.points.empty()) return {};
  }
  // Ends by the cell of a grid as fine as the joining distance.
  // Clamped so that a neighbour's cell is still a number; ends are compared by distance after.
  auto cell = [](Point p) {
    auto index = [](double v) {
      return std::llround(std::clamp(std::floor(v / kMeet), -1e15, 1e15));
    };
    return std::pair<long long, long long>{index(p.x), index(p.y)};
  };
  struct Hash {
    size_t operator()(const std::pair<long long, long long>& c) const {
      // Unsigned, so that a far cell wraps instead of overflowing.
      return std::hash<unsigned long long>()(static_cast<unsigned long long>(c.first) * 1000003ULL ^
                                             static_cast<unsigned long long>(c.second));
    }
  };
  std::unordered_map<std::pair<long long, long long>, std::vector<size_t>, Hash> ends;
  for (size_t i = 0; i < count; ++i) {
    const auto& p = pieces[i].points;
    if (!std::isfinite(p.front().x + p.front().y + p.back().x + p.back().y)) return {};
    ends[cell(p.front())].push_back(2 * i);
    ends[cell(p.back())].push_back(2 * i + 1);
  }
  std::vector<bool> used(count, false);
  // The unused piece with an end at `at`: its index times two, plus one for its last point.
  auto find = [&](Point at) -> std::optional<size_t> {
    const auto [cx, cy] = cell(at);
    for (long long dx = -1; dx <= 1; ++dx) {
      for (long long dy = -1; dy <= 1; ++dy) {
        auto it = ends.find({cx + dx, cy + dy});
        if (it == ends.end()) continue;
        for (size_t end : it->second) {
          const auto& p = pieces[end / 2].points;
          if (!used[end / 2] && Meet(at, end % 2 ? p.back() : p.front())) return end;
        }
      }
    }
    return std::nullopt;
  };
  std::vector<Point> contour = pieces[0].points;
  used[0] = true;
  size_t joined = 1;
  while (auto end = find(contour.back())) {
    std::vector<Point> p = pieces[*end / 2].points;
    if (*end % 2) std::reverse(p.begin(), p.end());
    contour.insert(contour.end(), p.begin() + 1, p.end());
    used[*end / 2] = true, ++joined;
  }
  // An open chain may go on before the first piece.
  std::vector<Point> before;
  Point head = contour.front();
  while (auto end = find(head)) {
    std::vector<Point> p = pieces[*end / 2].points;
    if (*end % 2 == 0) std::reverse(p.begin(), p.end());
    before.insert(before.begin(), p.begin(), p.end() - 1);
    // A piece of one point adds nothing before: the head stays where it was.
    if (!before.empty()) head = before.front();
    used[*end / 2] = true, ++joined;
  }
  if (joined != count) return {};
  contour.insert(contour.begin(), before.begin(), before.end());
  if (contour.size() > 2 && Meet(contour.front(), contour.back())) contour.back() = contour.front();
  return contour;
}

bool SamePoints(const std::vector<Point>& plain, const DrawingRead& read) {
  if (plain.size() != read.xs.size() || plain.empty()) return false;
  double minX = plain[0].x, minY = plain[0].y;
  for (const Point& p : plain) minX = std::min(minX, p.x), minY = std::min(minY, p.y);
  for (size_t i = 0; i < plain.size(); ++i) {
    if (!(std::fabs(plain[i].x - minX - read.xs[i]) <= 1e-6 &&
          std::fabs(plain[i].y - minY - read.ys[i]) <= 1e-6)) {
      return false;
    }
  }
  return true;
}

}  // namespace

DrawingRead ReadCadDxf(std::string_view bytes) {
  DrawingRead plainRead = ReadDxf(bytes);
  const Kept kept = KeepDrawnEntities(bytes);
  Collector collector;
  if (!kept.tooMany) {
    try {
      std::istringstream in(kept.text);
      DL_Dxf().in(in, &collector);
      collector.Finish();
    } catch (const std::bad_alloc&) {
      collector.tooMany = true;
    }
  }
  if (kept.tooMany || collector.tooMany) {
    DrawingRead refused;
    refused.status = DrawingRead::Status::Refused;
    refused.message =
        " Dessin trop détaillé (plus de " + std::to_string(kMostDrawingPoints) + " points) ";
    return refused;
  }
  const std::vector<Piece>& pieces = collector.pieces;
  // Files that are not DXF drawings, or that the parser finds nothing in,
  // stay with the marker-driven reader.
  if (pieces.empty()) return plainRead;

  bool inOrder = true, faithful = true;
  for (size_t i = 0; i < pieces.size(); ++i) {
    faithful = faithful && pieces[i].faithful;
    if (i > 0) inOrder = inOrder && Meet(pieces[i - 1].points.back(), pieces[i].points.front());
  }
  std::vector<Point> contour = Chain(pieces);
  const bool discontinuous = contour.empty();
  // What the marker-driven reader already reads right keeps its points.
  if (faithful && (inOrder || discontinuous) && plainRead.status == DrawingRead::Status::Read) {
    std::vector<Point> plain;
    for (const Piece& p : pieces) plain.insert(plain.end(), p.plain.begin(), p.plain.end());
    if (SamePoints(plain, plainRead)) {
      plainRead.discontinuous = discontinuous;
      return plainRead;
    }
  }
  if (discontinuous) {
    for (const Piece& p : pieces) contour.insert(contour.end(), p.points.begin(), p.points.end());
  }
  DrawingRead read;
  read.status = DrawingRead::Status::Read;
  read.discontinuous = discontinuous;
  read.xs.reserve(contour.size());
  read.ys.reserve(contour.size());
  for (const Point& p : contour) read.xs.push_back(p.x), read.ys.push_back(p.y);
  FinishDrawing(read, true);
  return read;
}

}  // namespace orvane
