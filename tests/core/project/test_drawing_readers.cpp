#include "core/project/drawing_readers.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/temp_folder.h"

namespace orvane {
namespace {

using Status = DrawingRead::Status;

DrawingRead Dxf(const std::string& name) {
  return ReadDxf(test::ReadText(std::string(ORVANE_TEST_DATA) + "/drawings/" + name));
}

TEST(DxfReader, AClosedPolylineOfFourVerticesGivesFivePoints) {
  DrawingRead r = Dxf("square_lwpolyline.dxf");
  ASSERT_EQ(r.status, Status::Read);
  ASSERT_EQ(r.xs.size(), 5u);
  EXPECT_EQ(r.xs[2], 40);
  EXPECT_EQ(r.ys[2], 30);
  EXPECT_EQ(r.xs[4], r.xs[0]);
  EXPECT_EQ(r.ys[4], r.ys[0]);
}

TEST(DxfReader, ACircleIsSampledEveryFiveDegreesFromItsRightmostPoint) {
  DrawingRead r = Dxf("circle.dxf");
  ASSERT_EQ(r.xs.size(), 73u);
  EXPECT_NEAR(r.xs[0], 20, 1e-9);  // (60, 50) re-anchored by (40, 40)
  EXPECT_NEAR(r.ys[0], 10, 1e-9);
  EXPECT_NEAR(r.ys[18], 20, 1e-9);  // 90 degrees: counter-clockwise
  EXPECT_NEAR(r.xs[72], 20, 1e-9);
}

TEST(DxfReader, AnArcAcrossZeroGoesOnPast360) {
  DrawingRead r = Dxf("arc_350_10.dxf");
  ASSERT_EQ(r.xs.size(), 5u);  // 350, 355, 360, 365, 370
  EXPECT_NEAR(r.ys[2] - r.ys[0], 100 * std::sin(10 * M_PI / 180), 1e-9);
  EXPECT_NEAR(r.ys[4] - r.ys[2], 100 * std::sin(10 * M_PI / 180), 1e-9);
}

TEST(DxfReader, LinesKeepTheirOrderAndSharedEnds) {
  DrawingRead r = Dxf("two_lines.dxf");
  ASSERT_EQ(r.xs.size(), 4u);
  EXPECT_EQ(r.xs[1], r.xs[2]);
  EXPECT_EQ(r.ys[1], r.ys[2]);
  EXPECT_EQ(r.ys[3], 20);
}

TEST(DxfReader, ABulgeMakesTheDrawingIncomplete) {
  EXPECT_EQ(Dxf("bulge.dxf").status, Status::Incomplete);
  EXPECT_EQ(ReadDxf("0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n").status,
            Status::NothingRecognised);
  EXPECT_EQ(ReadDxf("AcDbPolyline\n10").status, Status::Read);  // cut short, still ends
}

TEST(CoordinateReader, AcceptsTheThreeSeparatorsAndClosesTheProfile) {
  for (const char* text :
       {"12.5 3.25\n0 0\n", "12.5;3.25\n0;0\n", "12.5\t3.25\n0\t0\n", "12.5  3.25\r\n0  0\r\n"}) {
    DrawingRead r = ReadCoordinates(text);
    ASSERT_EQ(r.xs.size(), 3u) << text;
    EXPECT_EQ(r.xs[0], 12.5);
    EXPECT_EQ(r.ys[0], 3.25);
    EXPECT_EQ(r.xs[2], 12.5);  // the closing point
  }
}

TEST(CoordinateReader, SkipsNameLinesAndRefusesAFileWithoutData) {
  DrawingRead r = ReadCoordinates("Clark Y\n1 0\n0.5 0.1\n0 0\n");
  EXPECT_EQ(r.xs.size(), 4u);
  r = ReadCoordinates("NACA 0012\n1 0\n0 0\n");  // ends in a digit: tried, and dropped
  EXPECT_EQ(r.xs.size(), 3u);
  EXPECT_EQ(r.xs[0], 1);
  r = ReadCoordinates("[ X ];[ Y ]\n1.000000;2.000000\n");  // the CSV export's header
  EXPECT_EQ(r.xs.size(), 2u);
  EXPECT_EQ(ReadCoordinates("no numbers here\n").status, Status::NothingRecognised);
  EXPECT_EQ(ReadCoordinates("").status, Status::NothingRecognised);
}

// Regression: published airfoil files indent their lines; reading them from
// the first character refused every line.
TEST(CoordinateReader, IndentedSeligAndLednicerAirfoilsGiveTheSameContour) {
  const std::string folder = std::string(ORVANE_TEST_DATA) + "/airfoils/";
  DrawingRead selig = ReadCoordinates(test::ReadText(folder + "naca2412_xfoil.dat"));
  DrawingRead lednicer = ReadCoordinates(test::ReadText(folder + "naca2412_lednicer.dat"));
  ASSERT_EQ(selig.xs.size(), 161u);  // 160 points and the closing one
  ASSERT_EQ(lednicer.xs.size(), selig.xs.size());
  for (size_t i = 0; i < selig.xs.size(); ++i) {
    EXPECT_NEAR(lednicer.xs[i], selig.xs[i], 1e-7) << i;
    EXPECT_NEAR(lednicer.ys[i], selig.ys[i], 1e-7) << i;
  }
  EXPECT_EQ(selig.xs[0], 1.0);  // the trailing edge first
  EXPECT_NEAR(selig.ys[1], 0.002947775, 1e-12);
}

}  // namespace
}  // namespace orvane
