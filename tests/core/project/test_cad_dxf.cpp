// DXF files as CAD programs export them (written by ezdxf, see tests/data).
#include <gtest/gtest.h>

#include <cmath>

#include "core/project/drawing_readers.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using Status = DrawingRead::Status;

std::string Drawing(const std::string& name) {
  return test::ReadText(std::string(ORVANE_TEST_DATA) + "/drawings/" + name);
}

// (a cos t + b sin t, c cos t + d sin t) for t from t0 to t1: the arcs and
// ellipses of the samples.
struct Curve {
  double a, b, c, d, t0, t1;
};

// The largest distance of the points, and of their chords' middles, from a
// fine sampling of the curve placed as the reader places drawings; the
// samples lie a few micrometres apart, well within the tolerance.
double Deviation(const DrawingRead& r, const Curve& curve) {
  const int fine = 100000;
  std::vector<std::pair<double, double>> samples(fine + 1);
  double minX = 1e300, minY = 1e300;
  for (int i = 0; i <= fine; ++i) {
    const double t = curve.t0 + (curve.t1 - curve.t0) * i / fine;
    samples[i] = {curve.a * std::cos(t) + curve.b * std::sin(t),
                  curve.c * std::cos(t) + curve.d * std::sin(t)};
    minX = std::min(minX, samples[i].first), minY = std::min(minY, samples[i].second);
  }
  auto distance = [&](double x, double y) {
    double best = 1e300;
    for (auto [sx, sy] : samples) best = std::min(best, std::hypot(x + minX - sx, y + minY - sy));
    return best;
  };
  double worst = 0;
  for (size_t i = 0; i < r.xs.size(); ++i) {
    worst = std::max(worst, distance(r.xs[i], r.ys[i]));
    if (i > 0) {
      worst = std::max(worst, distance((r.xs[i] + r.xs[i - 1]) / 2, (r.ys[i] + r.ys[i - 1]) / 2));
    }
  }
  return worst;
}

TEST(CadDxf, ExportedDrawingsImportAsTheOutlineTheyDraw) {
  const auto none = std::optional<Curve>();
  const struct {
    const char* file;
    size_t points;  // 0: as many as the curve needs
    double width, height;
    double firstX, firstY;
    bool closed, discontinuous;
    std::optional<Curve> curve;
  } cases[] = {
      // Four lines and four arcs in scrambled order, two lines backwards:
      // from where the first arc starts, counter-clockwise as it runs.
      {"rounded_rectangle_scrambled.dxf", 77, 40, 20, 40, 15, true, false, none},
      // Two half circles as bulges of 1: each arc from end to end every 5 degrees.
      {"polyline_bulges.dxf", 75, 40, 10, 5, 0, true, false, none},
      {"spline_circle.dxf", 0, 40, 40, 40, 20, true, false, Curve{20, 0, 0, 20, 0, 2 * M_PI}},
      {"ellipse.dxf", 0, 0, 0, 0, 0, false, false, Curve{25.980762, -5, 15, 8.660254, 0, M_PI}},
      {"r12_rectangle.dxf", 5, 30, 15, 0, 0, true, false, none},
      // Seen from below: from (-10, 0) to (0, 10) through the upper left quarter.
      {"arc_extrusion_down.dxf", 19, 10, 10, 0, 0, false, false, Curve{-10, 0, 0, 10, 0, M_PI / 2}},
      {"two_squares.dxf", 10, 30, 10, 0, 0, false, true, none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const DrawingRead r = ReadCadDxf(Drawing(c.file));
    ASSERT_EQ(r.status, Status::Read) << r.message;
    ASSERT_GE(r.xs.size(), 2u);
    if (c.points) {
      EXPECT_EQ(r.xs.size(), c.points);
    }
    if (c.width > 0) {
      EXPECT_NEAR(*std::max_element(r.xs.begin(), r.xs.end()), c.width, 1e-6);
      EXPECT_NEAR(*std::max_element(r.ys.begin(), r.ys.end()), c.height, 1e-6);
      EXPECT_NEAR(r.xs[0], c.firstX, 1e-6);
      EXPECT_NEAR(r.ys[0], c.firstY, 1e-6);
    }
    EXPECT_EQ(r.xs.front() == r.xs.back() && r.ys.front() == r.ys.back(), c.closed);
    EXPECT_EQ(r.discontinuous, c.discontinuous);
    if (c.curve) {
      EXPECT_LE(Deviation(r, *c.curve), 0.01);
    }
    // No point twice in a row: shared ends appear once.
    for (size_t i = 1; i < r.xs.size(); ++i) {
      EXPECT_FALSE(r.xs[i] == r.xs[i - 1] && r.ys[i] == r.ys[i - 1]) << i;
    }
  }
  // The rounded rectangle runs counter-clockwise from its first arc's start.
  const DrawingRead rounded = ReadCadDxf(Drawing("rounded_rectangle_scrambled.dxf"));
  EXPECT_GT(rounded.ys[1], rounded.ys[0]);
  EXPECT_LT(rounded.xs[1], rounded.xs[0]);
}

TEST(CadDxf, WhatTheMarkerReaderReadsRightOrCannotParseKeepsItsPoints) {
  const std::string twoLinesBackwards =
      "0\nSECTION\n2\nENTITIES\n0\nLINE\n100\nAcDbLine\n10\n30\n20\n0\n30\n0\n11\n30\n21\n20\n31\n0"
      "\n"
      "0\nLINE\n100\nAcDbLine\n10\n0\n20\n0\n30\n0\n11\n30\n21\n0\n31\n0\n0\nENDSEC\n0\nEOF\n";
  const struct {
    std::string name, text;
    bool same;
  } cases[] = {
      {"closed polyline", Drawing("square_lwpolyline.dxf"), true},
      {"circle", Drawing("circle.dxf"), true},
      {"arc across zero", Drawing("arc_350_10.dxf"), true},
      {"lines end to end", Drawing("two_lines.dxf"), true},
      {"two outlines", Drawing("two_squares.dxf"), true},
      {"markers only", "AcDbPolyline\n10", true},
      {"no entity", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n", true},
      // The marker reader's zig-zag: now one line after the other.
      {"lines in another order", twoLinesBackwards, false},
  };
  for (const auto& c : cases) {
    const DrawingRead plain = ReadDxf(c.text), cad = ReadCadDxf(c.text);
    EXPECT_EQ(plain.status, cad.status) << c.name;
    EXPECT_EQ(plain.xs == cad.xs && plain.ys == cad.ys, c.same) << c.name;
  }
  const DrawingRead joined = ReadCadDxf(twoLinesBackwards);
  // The first line keeps its direction; the other comes before it.
  EXPECT_EQ(joined.xs, (std::vector<double>{0, 30, 30}));
  EXPECT_EQ(joined.ys, (std::vector<double>{0, 0, 20}));
  EXPECT_EQ(ReadDrawing(Drawing("bulge.dxf"), ".DXF", true).status, Status::Incomplete);
  EXPECT_EQ(ReadDrawing(Drawing("bulge.dxf"), ".DXF").status, Status::Read);
}

// The parser allocates what a count says: a small file claiming billions of
// vertices is refused before it is parsed.
TEST(CadDxf, ACountBeyondThePointLimitIsRefusedWithAMessage) {
  for (const char* count : {"90\n999999999\n", "73\n3000000\n"}) {
    const std::string entity = std::string(count)[1] == '0' ? "LWPOLYLINE" : "SPLINE";
    const DrawingRead r = ReadCadDxf("0\nSECTION\n2\nENTITIES\n0\n" + entity + "\n" + count +
                                     "10\n1\n20\n1\n0\nENDSEC\n0\nEOF\n");
    EXPECT_EQ(r.status, Status::Refused) << count;
  }
}

}  // namespace
}  // namespace orvane
