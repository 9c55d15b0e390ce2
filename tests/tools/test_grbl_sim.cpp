// The simulated GRBL controller itself: as strict as the controller it
// stands for, so that the link's tests mean something. Each case feeds
// bytes at once and reads what it answered and logged.
#include <gtest/gtest.h>

#include "grbl_sim/sim_grbl.h"

namespace orvane::gsim {
namespace {

TEST(GrblSim, AnswersAsStrictlyAsTheController) {
  std::string overflow;
  for (int i = 0; i < 12; ++i) overflow += "G1 X" + std::to_string(i + 1) + " F600\n";
  const struct {
    const char* name;
    std::string input;
    std::string answer;
    std::string logged;  // a log line that must appear, "" for none
  } cases[] = {
      {"build info", "$I\n", "[VER:1.1h.20190825:]\r\n[OPT:V,15,128]\r\n[AXS:4:XYZA]\r\nok\r\n",
       ""},
      // The ring buffer holds 127: of 132 bytes at once, 5 are lost and the
      // line they belonged to reads as another.
      {"overflow", overflow, "", ""},
      {"feed never set", "G1 X1\n", "error:22\r\n", ""},
      {"axis it lacks", "G1 B1 F100\n", "error:20\r\n", ""},
      {"inverse time needs F on each line", "G93 G1 X1 F60\nG1 X2\n", "ok\r\nerror:22\r\n", ""},
      {"CR is a line end too", "G1 X1 F60\r\n", "ok\r\nok\r\n", ""},
      {"two motions", "G0 G1 X1 F60\n", "error:21\r\n", ""},
      {"repeated word", "G1 X1 X2 F60\n", "error:25\r\n", ""},
      {"line too long", "G1 X1 F60 (" + std::string(80, 'c') + ")\n", "error:11\r\n", ""},
      {"dwell without P", "G4\n", "error:28\r\n", ""},
      {"spindle", "M3 S500\nM5\n", "ok\r\nok\r\n", "SPINDLE off (M5)"},
      {"reset", "\x18", "\r\nGrbl 1.1h ['$' for help]\r\n", "RESET"},
      {"unlock out of alarm changes nothing", "$X\n", "ok\r\n", ""},
      {"overrides", "\x91\x91\x92?",
       "<Idle|MPos:0.000,0.000,0.000,0.000|FS:0,0|WCO:0.000,0.000,0.000,0.000|Ov:110,100,100>\r\n",
       "RT 0x92"},
  };
  for (const auto& c : cases) {
    GrblSimOptions options;
    options.timeFactor = 0;
    SimGrbl grbl(options);
    const std::string& input = c.input;
    grbl.Receive(reinterpret_cast<const uint8_t*>(input.data()), input.size(), 0);
    grbl.Advance(1);
    const std::string answer = grbl.TakeOutput();
    const auto log = grbl.TakeLog();
    if (std::string(c.name) == "overflow") {
      EXPECT_EQ(grbl.Stats().lostBytes, input.size() - 127) << c.name;
      EXPECT_NE(answer.find("ok"), std::string::npos) << c.name;
      continue;
    }
    EXPECT_EQ(answer, c.answer) << c.name;
    if (!std::string(c.logged).empty()) {
      bool found = false;
      for (const std::string& line : log) found |= line.find(c.logged) != std::string::npos;
      EXPECT_TRUE(found) << c.name;
    }
  }
}

// A held controller switches its spindle off only once at rest, and a
// reset in motion is an alarm: a host that skips the wait is caught.
TEST(GrblSim, HoldSpindleStopAndResetFollowTheMotion) {
  GrblSimOptions options;
  options.timeFactor = 1;
  SimGrbl grbl(options);
  auto send = [&](const std::string& bytes, double at) {
    grbl.Receive(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), at);
  };
  send("M3 S900\nG1 X60 F600\n", 0);  // six seconds of motion
  EXPECT_TRUE(grbl.SpindleOn());
  send("!\x9e", 1);  // still decelerating: the spindle stop is ignored
  EXPECT_TRUE(grbl.SpindleOn());
  send("\x9e", 1.1);
  EXPECT_FALSE(grbl.SpindleOn());
  send("\x9e~", 2);
  EXPECT_TRUE(grbl.SpindleOn());
  grbl.TakeOutput();
  send("\x18", 3);
  EXPECT_FALSE(grbl.SpindleOn());
  EXPECT_EQ(grbl.TakeOutput(),
            "ALARM:3\r\n\r\nGrbl 1.1h ['$' for help]\r\n[MSG:'$H'|'$X' to unlock]\r\n");
  send("G1 X1 F60\n", 3.1);
  send("\x18", 3.1);  // a reset does not lift the alarm either
  EXPECT_EQ(grbl.TakeOutput(),
            "error:9\r\n\r\nGrbl 1.1h ['$' for help]\r\n[MSG:'$H'|'$X' to unlock]\r\n");
  send("$X\nG1 X1 F60\n", 3.2);
  EXPECT_EQ(grbl.TakeOutput(), "[MSG:Caution: Unlocked]\r\nok\r\nok\r\n");
  EXPECT_FALSE(grbl.SpindleOn());
}

}  // namespace
}  // namespace orvane::gsim
