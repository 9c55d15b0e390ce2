// orvane-cli jog and origin as processes, on the recording virtual port and
// against orvane-board-sim: every check decodes what was written.
#include <functional>

#include "cli_harness.h"
#include "core/machine/board_protocol.h"
#include "core/machine/step_decoder.h"
#include "support/board_sim.h"
#include "support/recording_file.h"

namespace orvane {
namespace {

using test::ReadRecording;
using test::RecordedWrite;
using ::testing::HasSubstr;

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
  static std::vector<uint8_t> Ticks(const std::vector<RecordedWrite>& writes) {
    std::vector<uint8_t> ticks;
    bool high = false;
    for (const RecordedWrite& w : writes) {
      if (w.reg != 0) continue;
      if (!high) ticks.push_back(uint8_t(w.value));
      high = !high;
    }
    return ticks;
  }
  std::string PositionsOf(const AxisSteps& s) {
    return "Positions : X1 = " + std::to_string(s[0]) + "  Y1 = " + std::to_string(s[1]) +
           "  X2 = " + std::to_string(s[2]) + "  Y2 = " + std::to_string(s[3]);
  }
  // Runs `arguments` and sends `signal` (or a space when 0) once the
  // recording holds `writes` lines; its exit code.
  int Interrupt(std::vector<std::string> arguments, size_t writes, int signal) {
    arguments.insert(arguments.begin(), ORVANE_CLI);
    test::Child run(arguments, output);
    run.WaitUntil([&] { return ReadRecording(recording).size() >= writes; }, 30);
    if (signal == 0) {
      EXPECT_TRUE(run.Type(" "));
    }
    run.Signal(signal);  // none when 0
    return run.Wait();
  }

  const std::string recording = work / "moves.txt";
  const std::string output = work / "output.txt";
};

TEST_F(OrvaneCliManual, AWorkingJogHeatsPreheatsRampsAndEndsAtRest) {
  Configure();
  const CliRun run = Cli("jog --axis X --mm -10 --record " + recording + " </dev/null");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("Déplacement terminé normalement"));
  const auto writes = Recorded();
  ASSERT_GE(writes.size(), 3u);
  EXPECT_EQ(writes.front().reg * 1000 + writes.front().value, 2003);  // heating on
  EXPECT_EQ(writes.back().reg * 1000 + writes.back().value, 2001);    // at rest after
  const auto ticks = Ticks(writes);
  ASSERT_EQ(ticks.size(), 200u);
  // The pre-heat second before the first step.
  EXPECT_GE(writes[1].ns - writes[0].ns, 1'000'000'000);
  // The ramp is the engine's: here it starts at 10 mm/s (5000 µs), not at speed.
  std::vector<long long> rises;
  bool high = false;
  for (const RecordedWrite& w : writes) {
    if (w.reg == 0 && !high) rises.push_back(w.ns);
    high = w.reg == 0 ? !high : high;
  }
  EXPECT_GE(rises[1] - rises[0], 4'900'000);
  // Left: both X count up; the positions printed are the decoded steps.
  const AxisSteps net = StepDecoder(settings).Delta(ticks.data(), ticks.size());
  EXPECT_EQ(net, (AxisSteps{200, 0, 200, 0}));
  EXPECT_THAT(run.output, HasSubstr(PositionsOf(net)));
}

TEST_F(OrvaneCliManual, TheReturnToOriginEndsEveryAxisAtExactlyZero) {
  Configure([](MachineSettings& s) {
    s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 100;
    s.Y1clockwise = 1;  // its count goes the other way round
  });
  const CliRun run =
      Cli("origin --return --from 1001,-333,7,0 --record " + recording + " </dev/null");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr(PositionsOf({0, 0, 0, 0})));
  const auto writes = Recorded();
  // The hold without the heat while it moves.
  EXPECT_EQ(writes.front().reg * 1000 + writes.front().value, 2001);
  const auto ticks = Ticks(writes);
  EXPECT_EQ(ticks.size(), 1001u);
  EXPECT_EQ(StepDecoder(settings).Delta(ticks.data(), ticks.size()),
            (AxisSteps{-1001, 333, -7, 0}));
}

// Ctrl-C (every other termination signal is the pulses' test) or the space
// bar, in the pre-heat or while the move plays: the idle image is the last
// control write.
TEST_F(OrvaneCliManual, AStopOrASignalLeavesTheHeatingOff) {
  struct Case {
    const char* name;
    int signal;    // 0: the space bar
    size_t after;  // recorded writes before it comes
    int status;
    const char* said;
  };
  const Case cases[] = {
      {"Ctrl-C in the pre-heat", SIGINT, 3, 128 + SIGINT, "Arrêt demandé : chauffe coupée."},
      {"Ctrl-C during the move", SIGINT, 60, 128 + SIGINT, "Arrêt demandé : chauffe coupée."},
      {"space during the move", 0, 60, 1, "Déplacement interrompu : chauffe coupée."},
  };
  Configure([](MachineSettings& s) { s.PreChauffe = 2, s.ModeArret = 0; });
  for (const Case& c : cases) {
    fs::remove(recording);
    EXPECT_EQ(
        Interrupt({"jog", "--axis", "Y", "--mm", "100", "--record", recording}, c.after, c.signal),
        c.status)
        << c.name;
    EXPECT_THAT(test::ReadText(output), HasSubstr(c.said)) << c.name;
    const auto writes = Recorded();
    ASSERT_FALSE(writes.empty()) << c.name;
    // The heating off at once; a progressive stop may still decelerate
    // after it, over no more than the ramp's 71 ticks.
    size_t last = writes.size();
    while (last > 0 && writes[last - 1].reg != 2) --last;
    ASSERT_GT(last, 0u) << c.name;
    EXPECT_EQ(writes[last - 1].value, 1) << c.name;
    EXPECT_LE(writes.size() - last, 2 * 71u) << c.name;
    EXPECT_LT(Ticks(writes).size(), 2000u) << c.name;
  }
}

TEST_F(OrvaneCliManual, TheBoardGetsTheFourLineProgramsAndItsReportSetsThePositions) {
  Configure([](MachineSettings& s) {
    s.X1step = s.Y1step = s.X2step = s.Y2step = 200;  // the simulator's own
    s.ModeArret = 0;
    s.PreChauffe = 0;
  });
  test::BoardSim sim(work / "board.log", {"--speed", "0"});
  ASSERT_FALSE(sim.Device().empty());
  const std::string link = " --link board --device " + sim.Device() + " </dev/null";
  CliRun run = Cli("jog --axis XY --mm 3 --fast --from 100,0,0,0" + link);
  EXPECT_EQ(run.status, 0) << run.output;
  // Up-right: the board counts X up and Y down, from the given start.
  EXPECT_THAT(run.output, HasSubstr(PositionsOf({700, -600, 600, -600})));
  run = Cli("origin --return --from 100,-50,0,0" + link);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr(PositionsOf({0, 0, 0, 0})));
  run = Cli("origin --set" + link);
  EXPECT_EQ(run.status, 0) << run.output;
  sim.Stop();

  std::vector<test::SimPacket> lines;
  for (const test::SimPacket& p : sim.Log()) {
    EXPECT_FALSE(p.error) << p.payload;
    if (p.command == 0x02 || p.command == 0x22) lines.push_back(p);
  }
  // What the programs hold is the board's report above (and the core's test).
  ASSERT_EQ(lines.size(), 8u);
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(lines[i].command, i < 4 ? 0x02 : 0x22) << i;
    // Fast: no heating; the return at working speed heats; both stop progressively.
    EXPECT_EQ(lines[i].flags, RunFlags(settings, i >= 4) | 0x20) << i;
  }
  EXPECT_EQ(sim.Log().back().command, 0x00);
  EXPECT_EQ(sim.Log().back().flags, DefineOriginFlags(settings, false));
}

}  // namespace
}  // namespace orvane
