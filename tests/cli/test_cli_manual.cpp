// orvane-cli jog and origin as processes, on the recording virtual port and
// against orvane-board-sim: every check decodes what was written.
#include <functional>
#include <sstream>

#include "cli_harness.h"
#include "core/machine/board_protocol.h"
#include "core/machine/step_decoder.h"
#include "support/board_sim.h"
#include "support/recording_file.h"

namespace orvane {
namespace {

using test::ReadRecording;
using test::RecordedWrite;

class OrvaneCliManual : public OrvaneCli {
 protected:
  // 20 steps/mm, 1000 µs ticks (50 mm/s), a start at 10 mm/s (5000 µs) and
  // a steep slope: a 10 mm jog of 200 ticks ramps over 71.
  void Configure(const std::function<void(MachineSettings&)>& tweak = {}) {
    settings.X1step = settings.Y1step = settings.X2step = settings.Y2step = 20;
    settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = 1000;
    settings.Vmin = 10;
    settings.Vmax = 100;
    settings.Pente = 85;
    settings.ActChauffe = true;  // run image 0x03, idle 0x01
    settings.PreChauffe = 1;
    if (tweak) tweak(settings);
    Store(settings);
  }
  std::vector<RecordedWrite> Recorded() { return AfterTheRest(ReadRecording(recording)); }
  // Each tick's pattern, decoded into the steps of each axis.
  AxisSteps Decoded(const std::vector<RecordedWrite>& writes) {
    const std::string ticks = TickPatterns(writes);
    return StepDecoder(settings).Delta(reinterpret_cast<const uint8_t*>(ticks.data()),
                                       ticks.size());
  }
  std::string PositionsOf(const AxisSteps& s) {
    return "Positions : X1 = " + std::to_string(s[0]) + "  Y1 = " + std::to_string(s[1]) +
           "  X2 = " + std::to_string(s[2]) + "  Y2 = " + std::to_string(s[3]);
  }

  const std::string recording = work / "moves.txt";
  const std::string output = work / "output.txt";
};

// A jog heats; the return to the origin holds without the heat. Each ends at
// rest with the decoded steps as the positions. Ctrl-C (every other
// termination signal is the pulses' test) or the space bar, in the pre-heat
// or while the move plays, stops it with the idle image the last control
// write. The pre-heat before the first step and the ramp are timed by the
// engine's and the motor test's tests.
TEST_F(OrvaneCliManual, AMovePlaysItsStepsOrStopsWithTheHeatingOff) {
  const std::string jog = "jog --axis Y --mm 100";
  const char* done = "terminé normalement";
  const struct {
    std::string command;
    int signal;    // 0: the space bar
    size_t after;  // recorded writes before it comes; 0: none comes
    int status;
    const char* said;
    int heating;      // the run's control image
    AxisSteps steps;  // decoded from the ticks
    AxisSteps end;    // the positions printed
  } cases[] = {
      // Left: both X count up.
      {"jog --axis X --mm -10", 0, 0, 0, done, 3, {200, 0, 200, 0}, {200, 0, 200, 0}},
      {"origin --return --from 1001,-333,7,0", 0, 0, 0, done, 1, {-1001, 333, -7, 0}, {}},
      {jog, SIGINT, 3, 128 + SIGINT, "Arrêt demandé : chauffe coupée.", 3, {}, {}},
      {jog, SIGINT, 60, 128 + SIGINT, "Arrêt demandé : chauffe coupée.", 3, {}, {}},
      {jog, 0, 60, 1, "Déplacement interrompu : chauffe coupée.", 3, {}, {}},
  };
  // Y1's count goes the other way; a long pre-heat to stop in; a progressive stop.
  Configure([](MachineSettings& s) { s.Y1clockwise = 1, s.PreChauffe = 2, s.ModeArret = 0; });
  for (const auto& c : cases) {
    const std::string name =
        c.command + " " + std::to_string(c.signal) + " after " + std::to_string(c.after);
    std::vector<std::string> argv = {ORVANE_CLI, "--record", recording};
    std::istringstream words(c.command);
    for (std::string word; words >> word;) argv.insert(argv.end() - 2, word);
    fs::remove(recording);
    test::Child run(argv, output);
    if (c.after) {
      run.WaitUntil([&] { return ReadRecording(recording).size() >= c.after; }, 30);
      EXPECT_TRUE(c.signal || run.Type(" ")) << name;
      run.Signal(c.signal);  // none when 0
    }
    EXPECT_EQ(run.Wait(), c.status) << name;
    const std::string text = test::ReadText(output);
    EXPECT_THAT(text, HasSubstr(c.said)) << name;
    const auto writes = Recorded();
    ASSERT_GE(writes.size(), 2u) << name;
    EXPECT_EQ(writes.front().reg * 1000 + writes.front().value, 2000 + c.heating) << name;
    if (c.status == 0) {
      EXPECT_THAT(text, HasSubstr(PositionsOf(c.end))) << name;
      EXPECT_EQ(writes.back().reg * 1000 + writes.back().value, 2001) << name;
      EXPECT_EQ(Decoded(writes), c.steps) << name;
      continue;
    }
    // The heating off at once; a progressive stop may still decelerate
    // after it, over no more than the ramp's 71 ticks.
    size_t last = writes.size();
    while (last > 0 && writes[last - 1].reg != 2) --last;
    ASSERT_GT(last, 0u) << name;
    EXPECT_EQ(writes[last - 1].value, 1) << name;
    EXPECT_LE(writes.size() - last, 2 * 71u) << name;
    EXPECT_LT(TickPatterns(writes).size(), 2000u) << name;
  }
}

// On the board the jog and the return are manual (0x02) and return (0x22)
// programs of four lines, stopping progressively, the fast jog without heat
// and the return with it; the board's report sets the positions.
TEST_F(OrvaneCliManual, TheBoardGetsTheFourLineProgramsAndItsReportSetsThePositions) {
  Configure([](MachineSettings& s) {
    s.X1step = s.Y1step = s.X2step = s.Y2step = 200;  // the simulator's own
    s.ModeArret = 0;
    s.PreChauffe = 0;
  });
  test::BoardSim sim(work / "board.log", {"--speed", "0"});
  ASSERT_FALSE(sim.Device().empty());
  const std::pair<const char*, AxisSteps> cases[] = {
      // Up-right: the board counts X up and Y down, from the given start.
      {"jog --axis XY --mm 3 --fast --from 100,0,0,0", {700, -600, 600, -600}},
      {"origin --return --from 100,-50,0,0", {0, 0, 0, 0}},
      {"origin --set", {0, 0, 0, 0}},
  };
  for (const auto& [command, end] : cases) {
    const CliRun run =
        Cli(std::string(command) + " --link board --device " + sim.Device() + " </dev/null");
    EXPECT_EQ(run.status, 0) << command << run.output;
    EXPECT_THAT(run.output, HasSubstr(PositionsOf(end))) << command;
  }
  sim.Stop();
  std::vector<int> lines;  // command << 8 | flags
  for (const test::SimPacket& p : sim.Log()) {
    EXPECT_FALSE(p.error) << p.payload;
    if (p.command == 0x02 || p.command == 0x22) lines.push_back(p.command << 8 | p.flags);
  }
  const int jog = 0x0200 | RunFlags(settings, false) | 0x20;
  const int back = 0x2200 | RunFlags(settings, true) | 0x20;
  EXPECT_EQ(lines, (std::vector<int>{jog, jog, jog, jog, back, back, back, back}));
  EXPECT_EQ(sim.Log().back().command, 0x00);
  EXPECT_EQ(sim.Log().back().flags, DefineOriginFlags(settings, false));
}

}  // namespace
}  // namespace orvane
