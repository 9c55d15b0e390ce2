#include "core/project/drawing_readers.h"

#include <gtest/gtest.h>

#include "core/common/text_number.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using Status = DrawingRead::Status;

DrawingRead Dat(std::string_view text) {
  return ReadDrawing(text, ".DAT");  // as the import window chooses the reader
}

DrawingRead Dxf(const std::string& name) {
  return ReadDxf(test::ReadText(std::string(ORVANE_TEST_DATA) + "/drawings/" + name));
}

TEST(DxfReader, TheSampleDrawingsGiveTheirPoints) {
  DrawingRead r = Dxf("square_lwpolyline.dxf");  // closed, four vertices
  ASSERT_EQ(r.status, Status::Read);
  ASSERT_EQ(r.xs.size(), 5u);
  EXPECT_EQ(r.xs[2], 40);
  EXPECT_EQ(r.ys[2], 30);
  EXPECT_EQ(r.ys[4], r.ys[0]);
  // A circle is sampled every five degrees from its rightmost point.
  r = Dxf("circle.dxf");
  ASSERT_EQ(r.xs.size(), 73u);
  EXPECT_NEAR(r.xs[0], 20, 1e-9);  // (60, 50) re-anchored by (40, 40)
  EXPECT_NEAR(r.ys[0], 10, 1e-9);
  EXPECT_NEAR(r.ys[18], 20, 1e-9);  // 90 degrees: counter-clockwise
  r = Dxf("two_lines.dxf");         // in order, sharing an end
  ASSERT_EQ(r.xs.size(), 4u);
  EXPECT_EQ(r.xs[1], r.xs[2]);
  EXPECT_EQ(r.ys[3], 20);
  EXPECT_EQ(Dxf("bulge.dxf").status, Status::Incomplete);
  // A spline's control points, each with its Z.
  r = ReadDxf("AcDbSpline\n70\n8\n10\n0\n20\n0\n30\n0\n10\n10\n20\n5\n30\n0\n0\n");
  EXPECT_EQ(r.xs, (std::vector<double>{0, 10}));
  EXPECT_EQ(r.ys, (std::vector<double>{0, 5}));
  EXPECT_EQ(ReadDxf("0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n").status,
            Status::NothingRecognised);
  EXPECT_EQ(ReadDxf("AcDbPolyline\n10").status, Status::Read);  // cut short, still ends
}

// Regression (the UTF-8 mark): it made the first line unreadable and its
// point was lost.
TEST(CoordinateReader, AcceptsTheThreeSeparatorsAndAByteOrderMarkAndClosesTheProfile) {
  for (const char* text :
       {"12.5 3.25\n0 0\n", "12.5;3.25\n0;0\n", "12.5\t3.25\n0\t0\n", "12.5  3.25\r\n0  0\r\n",
        "\xEF\xBB\xBF"
        "12.5 3.25\n0 0\n"}) {
    DrawingRead r = Dat(text);
    ASSERT_EQ(r.xs.size(), 3u) << text;
    EXPECT_EQ(r.xs[0], 12.5);
    EXPECT_EQ(r.ys[0], 3.25);
    EXPECT_EQ(r.xs[2], 12.5);  // the closing point
  }
}

// Regression: published airfoil files indent their lines; reading them from
// the first character refused every line.
TEST(CoordinateReader, IndentedSeligAndLednicerAirfoilsGiveTheSameContour) {
  const std::string folder = std::string(ORVANE_TEST_DATA) + "/airfoils/";
  DrawingRead selig = Dat(test::ReadText(folder + "naca2412_xfoil.dat"));
  DrawingRead lednicer = Dat(test::ReadText(folder + "naca2412_lednicer.dat"));
  ASSERT_EQ(selig.xs.size(), 161u);  // 160 points and the closing one
  ASSERT_EQ(lednicer.xs.size(), selig.xs.size());
  for (size_t i = 0; i < selig.xs.size(); ++i) {
    EXPECT_NEAR(lednicer.xs[i], selig.xs[i], 1e-7) << i;
    EXPECT_NEAR(lednicer.ys[i], selig.ys[i], 1e-7) << i;
  }
  EXPECT_EQ(selig.xs[0], 1.0);  // the trailing edge first
  EXPECT_NEAR(selig.ys[1], 0.002947775, 1e-12);
}

// Regression: an arc from 0 to 99,999 degrees made 20,000 points, so a 6 KB
// file held 2 million of them. Angles count modulo a turn, as in any CAD program.
TEST(DxfReader, AnArcSweepsOneTurnAtMost) {
  auto arc = [](double start, double end) {
    return ReadDxf("AcDbCircle\n10\n0\n20\n0\n30\n0\n40\n10\n100\nAcDbArc\n50\n" +
                   FormatFixed(start, 1) + "\n51\n" + FormatFixed(end, 1) + "\n");
  };
  const struct {
    const char* name;
    double start, end;
    size_t points;
  } cases[] = {
      {"the worked example across 0", 350, 10, 5},
      {"many turns", 0, 99999, 56},
      {"end a whole turn on", 10, 370, 73},
      {"start far outside a turn", 1e17, 1e17, 73},
      {"negative start", -90, 0, 19},
  };
  for (const auto& c : cases) {
    DrawingRead r = arc(c.start, c.end);
    ASSERT_EQ(r.status, Status::Read) << c.name;
    EXPECT_EQ(r.xs.size(), c.points) << c.name;
  }
}

std::string Repeat(std::string_view unit, size_t times) {
  std::string text;
  text.reserve(unit.size() * times);
  for (size_t i = 0; i < times; ++i) text += unit;
  return text;
}

// Regression: a small file could make millions of points until memory ran out.
TEST(DrawingReaders, MoreThanTwoMillionPointsAreRefusedWithAMessage) {
  const std::string circle = "AcDbCircle\n\n\n\n\n\n\n\n\n\n\n";  // 73 points
  const size_t circles = kMostDrawingPoints / 73;
  DrawingRead r = ReadDxf(Repeat(circle, circles));
  EXPECT_EQ(r.status, Status::Read);
  EXPECT_EQ(r.xs.size(), circles * 73);
  r = ReadDxf(Repeat(circle, circles + 1));
  EXPECT_EQ(r.status, Status::Refused);
  EXPECT_TRUE(r.xs.empty());
  EXPECT_EQ(r.message, " Dessin trop détaillé (plus de 2000000 points) ");

  EXPECT_EQ(Dat(Repeat("1;2\n", kMostDrawingPoints)).status, Status::Refused);
}

// Regression: the limit was applied to positions before re-anchoring, so an
// ordinary drawing placed far from the origin was " Fichier incompatible ".
TEST(DrawingReaders, TheCoordinateLimitBoundsTheExtentNotThePosition) {
  auto rectangle = [](double x0, double width) {
    const std::string a = FormatFixed(x0, 3), b = FormatFixed(x0 + width, 3);
    return "AcDbPolyline\n70\n1\n10\n" + a + "\n20\n-7\n10\n" + b + "\n20\n-7\n10\n" + b +
           "\n20\n43\n10\n" + a + "\n20\n43\n0\n";
  };
  DrawingRead far = ReadDxf(rectangle(2'500'000, 100));
  ASSERT_EQ(far.status, Status::Read) << far.message;
  EXPECT_EQ(far.xs, (std::vector<double>{0, 100, 100, 0, 0}));
  EXPECT_EQ(far.ys, (std::vector<double>{0, 0, 50, 50, 0}));

  EXPECT_EQ(ReadDxf(rectangle(0, 1'000'001)).message, " Dessin trop grand (plus de 1000000 mm) ");
  EXPECT_EQ(ReadDxf(rectangle(0, 1'000'000)).status, Status::Read);
  // Beyond a thousand kilometres "%.6f" loses the micrometres: refused, saying so.
  EXPECT_EQ(ReadDxf(rectangle(1e17, 100)).message, " Coordonnées hors limites ");

  // Coordinate files keep their coordinates unless they lie beyond the limit.
  DrawingRead near = Dat("10 -5\n110 -5\n110 45\n");
  EXPECT_EQ(near.xs, (std::vector<double>{10, 110, 110, 10}));
  DrawingRead placed = Dat("-2500000 7\n-2499900 7\n-2499900 57\n");
  ASSERT_EQ(placed.status, Status::Read) << placed.message;
  EXPECT_EQ(placed.xs, (std::vector<double>{0, 100, 100, 0}));
  EXPECT_EQ(placed.ys, (std::vector<double>{0, 0, 50, 0}));
  EXPECT_EQ(Dat("0 0\n2000000 0\n").message, " Dessin trop grand (plus de 1000000 mm) ");
}

// Name lines are skipped. The Lednicer layout is taken only when everything
// about it holds; the file is otherwise read point by point, as written.
TEST(CoordinateReader, NameLinesAndTheLednicerLayout) {
  const std::string lednicer = "Profil\n3. 2.\n\n0 0\n0.5 0.1\n1 0\n\n0 0\n1 -0.1\n";
  DrawingRead r = Dat(lednicer);
  EXPECT_EQ(r.xs, (std::vector<double>{1, 0.5, 0, 1, 1}));
  EXPECT_EQ(r.ys, (std::vector<double>{0, 0.1, 0, -0.1, 0}));
  const auto dat = CoordinateFormat::Dat;
  const struct {
    const char* name;
    std::string text;
    CoordinateFormat format;
    size_t points;  // read as written, with the closing point; 0: nothing recognised
  } cases[] = {
      {"a name line", "Clark Y\n1 0\n0.5 0.1\n0 0\n", dat, 4},
      {"a name ending in a digit", "NACA 0012\n1 0\n0 0\n", dat, 3},
      {"the CSV export's header", "[ X ];[ Y ]\n1.000000;2.000000\n", dat, 2},
      {"no numbers", "no numbers here\n", dat, 0},
      {"Lednicer in a .csv", lednicer, CoordinateFormat::Csv, 7},
      {"one point too many", lednicer + "1 0\n", dat, 8},
      {"one point short", "Profil\n3. 2.\n0 0\n0.5 0.1\n1 0\n0 0\n", dat, 6},
      {"surfaces apart", "Profil\n3. 2.\n0 0\n0.5 0.1\n1 0\n0 0.01\n1 -0.1\n", dat, 7},
      {"counts with decimals", "Profil\n3.000000 2.000000\n0 0\n0.5 0.1\n1 0\n0 0\n1 -0.1\n", dat,
       7},
  };
  for (const auto& c : cases) {
    r = ReadCoordinates(c.text, c.format);
    EXPECT_EQ(r.xs.size(), c.points) << c.name;
    EXPECT_EQ(r.status == Status::NothingRecognised, c.points == 0) << c.name;
  }
  EXPECT_EQ(Dat("NACA 0012\n1 0\n0 0\n").xs[0], 1);
}

}  // namespace
}  // namespace orvane
