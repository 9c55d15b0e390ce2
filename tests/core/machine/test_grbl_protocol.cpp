// Reading what a GRBL-class controller says, and timing what it is sent.
#include <gtest/gtest.h>

#include <cmath>

#include "core/app/machine_settings.h"
#include "core/machine/grbl_link.h"
#include "core/machine/grbl_protocol.h"

namespace orvane {
namespace {

TEST(GrblProtocol, ReadsOnlyWhatTheControllerCanSay) {
  const struct {
    const char* line;
    GrblLineKind kind;
    int code;
  } cases[] = {
      {"ok", GrblLineKind::Ok, 0},
      {"error:22", GrblLineKind::Error, 22},
      {"ALARM:3", GrblLineKind::Alarm, 3},
      {"<Run|MPos:1.000,2.500,-3.000,0.000|FS:300,800>", GrblLineKind::Status, 0},
      {"Grbl 1.1h ['$' for help]", GrblLineKind::Banner, 0},
      {"[MSG:Pgm End]", GrblLineKind::Feedback, 0},
      // Near misses are nonsense, not answers.
      {"ok ", GrblLineKind::Other, 0},
      {"error:", GrblLineKind::Other, 0},
      {"error:2x", GrblLineKind::Other, 0},
      {"<Idle|FS:0,0>", GrblLineKind::Other, 0},
      {"<Idle|MPos:1.0,,2.0>", GrblLineKind::Other, 0},
  };
  for (const auto& c : cases) {
    const GrblLine line = ClassifyGrblLine(c.line);
    EXPECT_EQ(line.kind, c.kind) << c.line;
    EXPECT_EQ(line.code, c.code) << c.line;
  }
  const auto status = ParseGrblStatus("<Hold:0|WPos:1.5,-2.25,0,7|Bf:15,128|Ov:120,100,100|A:SF>");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->state, "Hold:0");
  EXPECT_EQ(*status->work, (std::vector<double>{1.5, -2.25, 0, 7}));
  EXPECT_EQ(status->feedOverride, 120);
  EXPECT_TRUE(status->spindleOn);
}

TEST(GrblProtocol, BuildInfoGivesBufferAndAxes) {
  const struct {
    std::vector<const char*> lines;
    size_t rx;
    std::string axes;
  } cases[] = {
      {{"[VER:1.1h.20190825:]", "[OPT:V,15,128]"}, 128, ""},
      {{"[OPT:VNMHSL,35,1024,4,0]", "[AXS:4:XYZA]"}, 1024, "XYZA"},
      // A buffer too small for one line is not believed.
      {{"[OPT:V,15,4]"}, 128, ""},
  };
  for (const auto& c : cases) {
    GrblBuildInfo info;
    for (const char* line : c.lines) EXPECT_TRUE(ReadGrblBuildLine(line, info)) << line;
    EXPECT_EQ(info.rxBuffer, c.rx) << c.lines[0];
    EXPECT_EQ(info.axes, c.axes) << c.lines[0];
  }
  EXPECT_EQ(GrblAxesFromCount(3), "XYZ");
  EXPECT_EQ(MissingGrblAxes("XYZA", "XYUV"), "UV");
  EXPECT_EQ(MissingGrblAxes("XYZABC", "XYZA"), "");
}

// G93: one minute over F whatever the length; G94: the length over the four
// axes at F; a dwell its P; the end where the last move went.
TEST(GrblProtocol, TimesLinesAsTheControllerRunsThem) {
  GrblProgramClock clock({'X', 'Y', 'U', 'V'}, 60);
  const struct {
    const char* line;
    double seconds;
  } cases[] = {
      {"G21 G90 G94", 0},
      {"G1 X30 Y40 U0 V0 F600", 5},  // 50 mm at 10 mm/s
      {"G1 X30 Y40 U30 V40", 5},     // 50 mm more, the feed kept
      {"G4 P1.5", 1.5},
      {"G93", 0},
      {"G1 X0 Y0 U0 V0 F120", 0.5},
      {"M3 S1000", 0},
  };
  for (const auto& c : cases) EXPECT_NEAR(clock.LineSeconds(c.line), c.seconds, 1e-9) << c.line;
  // A rapid has no feed of its own: 14.14 mm at the slowest speed given, 1 mm/s.
  EXPECT_NEAR(clock.LineSeconds("G0 X6 Y8 U6 V8"), std::sqrt(200.0), 1e-9);
  EXPECT_TRUE(clock.SpindleLeftOn());
  ASSERT_TRUE(clock.End());
  EXPECT_EQ(*clock.End(), (std::array<double, 4>{6, 8, 6, 8}));

  MachineSettings s;
  s.X1step = 200, s.Y1step = 100, s.X2step = 200, s.Y2step = 50;
  EXPECT_EQ(GrblStepsOf({1.5, -2.0, 9.0, 0.25}, "XYZA", {'X', 'Y', 'A', 'Z'}, s),
            (AxisSteps{300, -200, 50, 450}));
}

// Progress follows the position the controller reports along the timed
// path, among the lines it has taken only, and never goes back.
TEST(GrblPath, FollowsThePositionAlongTheTimedPath) {
  // From wherever the machine stood, a rapid to the start (no time: where
  // from is not known), 10 s along X1 and X2, then 30 s along Y1 and Y2.
  const std::vector<std::string> program = {"G21 G90 G93", "G0 X-50 Y0 Z-50 A0",
                                            "G1 X10 Y0 Z10 A0 F6", "G1 X10 Y10 Z10 A10 F2", "M2"};
  GrblPath path(program, {'X', 'Y', 'Z', 'A'}, 60);
  const struct {
    std::array<double, 4> at;
    size_t acknowledged;
    double fraction;
  } steps[] = {
      {{-50, 0, -50, 0}, 2, 0},
      {{10, 10, 10, 10}, 3, 0.25},  // beyond what it has taken: the end of line 3
      {{10, 5, 10, 5}, 5, 0.625},
      {{-50, 0, -50, 0}, 5, 0.625},  // back at the start: the progress stays
      {{10, 10, 10, 10}, 5, 1},
  };
  for (const auto& s : steps) EXPECT_DOUBLE_EQ(path.Fraction(s.at, s.acknowledged), s.fraction);
}

}  // namespace
}  // namespace orvane
