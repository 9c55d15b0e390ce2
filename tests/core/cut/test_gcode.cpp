#include "core/cut/gcode.h"

#include <gtest/gtest.h>

#include "core/app/machine_settings.h"

namespace orvane {
namespace {

TEST(FormatGcodeLine, BuildsTheThreeKindsOfLine) {
  EXPECT_EQ(FormatGcodeLine("G1", 0, 12.5, -3, 12.5, -3),
            "G1 X   12.500 Y   -3.000 A   12.500 B   -3.000");
  EXPECT_EQ(FormatGcodeLine("F", 250), "F250" + std::string(42, ' '));
  EXPECT_EQ(FormatGcodeLine("M2", 7, 1, 2, 3, 4), "M2 (----------- fin du programme ------------)");
  // Six digits before the point: all ten characters, nothing cut.
  EXPECT_EQ(FormatGcodeLine("G1", 0, 123456.5, 0, 0, 0).substr(0, 14), "G1 X123456.500");
  EXPECT_EQ(FormatGcodeLine("G1", 0, 123456.5, 0, 0, 0).size(), 47u);
}

// Regression: a value between -0.0005 and 0 printed as "-0.000".
TEST(FormatGcodeLine, AValueThatPrintsAsZeroHasNoSign) {
  EXPECT_EQ(FormatGcodeLine("G1", 0, -0.0001, -0.0004, -0.0, 0.0004),
            "G1 X    0.000 Y    0.000 A    0.000 B    0.000");
  EXPECT_EQ(FormatGcodeLine("G1", 0, -0.0006, -0.001, 0, 0).substr(0, 24),
            "G1 X   -0.001 Y   -0.001");
}

TEST(FeedRateMmMin, AveragesTheRoundedAxisFeedsInIntegers) {
  MachineSettings s;  // 5000 us at 200 steps/mm: 1 mm/s, 60 mm/min on every axis
  EXPECT_EQ(FeedRateMmMin(s), 60);
  // Per-axis feeds 300, 300, 301, 301 (60e6 / (speed x steps)).
  s.X1step = s.Y1step = s.X2step = s.Y2step = 100;
  s.X1speed = s.Y1speed = 2000;  // 300
  s.X2speed = s.Y2speed = 1993;  // 301.05 -> 301
  EXPECT_EQ(FeedRateMmMin(s), 300);
  s.X1speed = 0;  // a zero speed contributes 0
  EXPECT_EQ(FeedRateMmMin(s), (0 + 300 + 301 + 301) / 4);
}

// Regression: the feed was kept in 16 bits, so 60,000,000 mm/min came out as 34560.
TEST(FeedRateMmMin, AFastFeedDoesNotWrap) {
  MachineSettings s;
  s.X1step = s.Y1step = s.X2step = s.Y2step = 1;
  s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 1;  // 1e6 mm/s on every axis
  EXPECT_EQ(FeedRateMmMin(s), 60000000u);
  EXPECT_EQ(FormatGcodeLine("F", FeedRateMmMin(s)), "F60000000" + std::string(37, ' '));
  s.X1speed = -5;  // a negative period moves nothing
  EXPECT_EQ(FeedRateMmMin(s), 45000000u);
}

TEST(GenerateGcode, ATwoPointCutGivesFourLinesOf46Characters) {
  MachineSettings s;
  s.Y1clockwise = 1;
  s.Y2clockwise = 1;
  GcodePrograms programs = GenerateGcode({{0, 0, 0, 0}, {10, 5, 20, 2.5L}}, s);
  const std::string expected = "F60" + std::string(43, ' ') + "\r\n" +
                               "G0 X    0.000 Y    0.000 A    0.000 B    0.000\r\n"
                               "G1 X  -10.000 Y    5.000 A  -20.000 B    2.500\r\n"
                               "M2 (----------- fin du programme ------------)\r\n";
  EXPECT_EQ(programs.cut, expected);
  EXPECT_EQ(programs.opposite.substr(48 * 2, 48),
            "G1 X  -20.000 Y    2.500 A  -10.000 B    5.000\r\n");

  // At six decimals a small coordinate negated on its way out stays unsigned.
  programs = GenerateGcode({{0, 0, 0, 0}, {0.0004L, 0.000123L, 0, 0}}, MachineSettings{});
  EXPECT_EQ(programs.cut.substr(48 * 2, 48), "G1 X    0.000 Y    0.000 A    0.000 B    0.000\r\n");
}

}  // namespace
}  // namespace orvane
