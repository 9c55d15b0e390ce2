// The motor tests on the USB board: the real serial layer against
// orvane-board-sim, every check read from the packets the simulator logged.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/app/machine_settings.h"
#include "core/cut/gcode.h"
#include "core/machine/board_protocol.h"
#include "core/machine/board_run.h"
#include "core/params/motor_test.h"
#include "host/host_centronic.h"
#include "host/termios_serial_port.h"
#include "support/board_sim.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

std::string Line(const char* code, double x, double y, double a, double b) {
  return FormatGcodeLine(code, 0, x, y, a, b);
}

TEST(MotorTestOnBoard, TheProgramCarriesTheMoveAndTheOptionsAndEndsAtZero) {
  using Tweak = std::function<void(MachineSettings&, MotorEdits&)>;
  // X1's direction flag 1 makes its target negative.
  const Tweak heat = [](MachineSettings& s, MotorEdits&) {
    s.X1clockwise = 1, s.ActChauffe = true;
  };
  const Tweak pair = [](MachineSettings& s, MotorEdits& e) {
    s.ActChauffe = true, e.stepsPerMm[2] = 201;
  };
  using B = PadButton;
  struct Case {
    const char* name;
    PadButton button;
    Tweak tweak;
    MotorTestOptions options;
    std::array<double, 4> target;  // the G1 line
    bool heated;                   // pre-heat and heating flags
    bool stopped;                  // by the board's switch on the third line
  };
  const Case cases[] = {
      {"10 mm at 200 steps/mm", B::TestX1D, {}, {10}, {10, 0, 0, 0}, false, false},
      {"heated, Progressif", B::TestX1D, heat, {10, true, true, true}, {-10, 0, 0, 0}, true, false},
      // At working speed, the wire cold.
      {"X pair of 200 and 201", B::TestXG, pair, {1, true}, {-1, 0, -200.0 / 201, 0}, false, false},
      {"the board's switch", B::TestY2B, {}, {5}, {0, 0, 0, 5}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempFolder folder;
    std::vector<std::string> args = {"--speed", "0"};
    if (c.stopped) args.insert(args.end(), {"--stop-at", "3"});
    test::BoardSim sim(folder / "board.log", args);
    ASSERT_FALSE(sim.Device().empty());
    MachineSettings settings;  // 200 steps/mm, as the simulator holds
    settings.PortType = 2;
    settings.SerialPort = sim.Device();
    settings.BoardPresent = true;
    MotorEdits edits = StoredMotorEdits(settings);
    if (c.tweak) c.tweak(settings, edits);
    TermiosSerialPort port;
    port.SetParams(SerialSelectorParams(settings));
    port.Open();
    ASSERT_TRUE(port.IsOpen()) << port.OpenError();
    MonotonicClock clock;
    AxisPositions positions;
    positions.Set({120, -40, 0, 7});
    uint8_t abortFlag = 0;

    const MachineSettings t = MotorTestSettings(settings, edits);
    const JogMove move = PlanMotorTest(t, c.button, c.options.distanceMm);
    ASSERT_EQ(MotorTestRefusal(t, move), "");
    BoardLink link{port, clock, t, positions, abortFlag};
    BoardRunObserver observer;
    const MotorTestResult result = RunBoardMotorTest(link, observer, move, c.options);
    EXPECT_EQ(result.end, c.stopped ? MotorTestEnd::Stopped : MotorTestEnd::Completed)
        << result.message;
    EXPECT_EQ(abortFlag != 0, c.stopped);
    EXPECT_EQ(positions.Steps(), (AxisSteps{0, 0, 0, 0}));
    sim.Stop();

    std::vector<test::SimPacket> lines;
    std::vector<test::SimPacket> log = sim.Log();
    for (const test::SimPacket& p : log) {
      EXPECT_FALSE(p.error) << p.payload;
      if (p.command == 0x02) lines.push_back(p);
    }
    const uint8_t flags = RunFlags(t, c.heated) | (c.options.progressiveStop ? 0x20 : 0);
    ASSERT_EQ(lines.size(), c.stopped ? 3u : 4u);
    // The feed and origin lines are the board programs' test.
    const auto& [x, y, a, b] = c.target;
    EXPECT_EQ(lines[2].payload, Line("G1", x, y, a, b));
    for (const auto& line : lines) EXPECT_EQ(line.flags, flags);
    const bool preheated = std::any_of(log.begin(), log.end(),
                                       [](const test::SimPacket& p) { return p.command == 0x08; });
    EXPECT_EQ(preheated, c.heated);
    // The output levels go back to those of the lines, the board told nothing more.
    EXPECT_EQ(log.back().command, 0x00);
    EXPECT_EQ(log.back().flags, flags);
  }
}

}  // namespace
}  // namespace orvane
