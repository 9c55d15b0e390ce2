// orvane-cli jog and origin as processes, on the recording virtual port and
// against orvane-board-sim: every check decodes what was written.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

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
    FileSettingsStore store(config / "settings.ini");
    WriteDefaultSettings(store, settings);
    WriteAllSettings(store, settings, nullptr, nullptr);
  }
  // What followed the start's rest (data 0, idle image), which must come first.
  std::vector<RecordedWrite> Recorded() {
    auto writes = ReadRecording(recording);
    EXPECT_GE(writes.size(), 2u);
    if (writes.size() < 2) return {};
    EXPECT_EQ(writes[0].reg * 1000 + writes[0].value, 0);
    EXPECT_EQ(writes[1].reg * 1000 + writes[1].value, 2001);
    return {writes.begin() + 2, writes.end()};
  }
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
  // recording holds `writes` lines; the signal it died of or minus its status.
  int Interrupt(const std::vector<std::string>& arguments, size_t writes, int signal) {
    int keys[2];
    if (pipe(keys) != 0) return 0;
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(keys[0], STDIN_FILENO);
      close(keys[0]);
      close(keys[1]);
      std::freopen(output.c_str(), "w", stdout);
      dup2(STDOUT_FILENO, STDERR_FILENO);
      std::vector<char*> argv{const_cast<char*>(ORVANE_CLI)};
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(ORVANE_CLI, argv.data());
      _exit(127);
    }
    close(keys[0]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadRecording(recording).size() < writes &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (signal != 0) {
      kill(pid, signal);
    } else {
      EXPECT_EQ(write(keys[1], " ", 1), 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(keys[1]);
    return WIFSIGNALED(status) ? WTERMSIG(status) : -WEXITSTATUS(status);
  }

  MachineSettings settings;
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
  // Periods: the start's 5000 µs, 1000 between the ramps, back up at the end.
  std::vector<long long> rises, periods;
  bool high = false;
  for (const RecordedWrite& w : writes) {
    if (w.reg == 0 && !high) rises.push_back(w.ns);
    high = w.reg == 0 ? !high : high;
  }
  for (size_t k = 1; k < rises.size(); ++k) periods.push_back((rises[k] - rises[k - 1]) / 1000);
  ASSERT_EQ(periods.size(), 199u);
  EXPECT_GE(periods.front(), 4900);
  std::vector<long long> plateau(periods.begin() + 80, periods.begin() + 120);
  std::nth_element(plateau.begin(), plateau.begin() + 20, plateau.end());
  EXPECT_LT(plateau[20], 1300);  // the median: a loaded machine may make a few late
  EXPECT_GE(periods.back(), 4900);
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

// Ctrl-C (and any termination signal) or the space bar, in the pre-heat or
// while the move plays: the idle image is the last control write.
TEST_F(OrvaneCliManual, AStopOrASignalLeavesTheHeatingOff) {
  struct Case {
    const char* name;
    int signal;    // 0: the space bar
    size_t after;  // recorded writes before it comes
    int status;
    const char* said;
  };
  const Case cases[] = {
      {"Ctrl-C in the pre-heat", SIGINT, 3, SIGINT, "Arrêt demandé : chauffe coupée."},
      {"Ctrl-C during the move", SIGINT, 60, SIGINT, "Arrêt demandé : chauffe coupée."},
      {"SIGTERM during the move", SIGTERM, 60, SIGTERM, "Arrêt demandé : chauffe coupée."},
      {"space during the move", 0, 60, -1, "Déplacement interrompu : chauffe coupée."},
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
  const auto jog =
      BoardMoveProgram(BoardMoveFeed(settings, false), {0.5, 0, 0, 0}, {3.5, -3, 3, -3});
  const auto home = BoardMoveProgram(BoardMoveFeed(settings, true), {-0.5, 0.25, 0, 0}, {});
  ASSERT_EQ(lines.size(), 8u);
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(lines[i].command, i < 4 ? 0x02 : 0x22) << i;
    EXPECT_EQ(lines[i].payload, i < 4 ? jog[i] : home[i - 4]) << i;
    // Fast: no heating; the return at working speed heats; both stop progressively.
    EXPECT_EQ(lines[i].flags, RunFlags(settings, i >= 4) | 0x20) << i;
  }
  EXPECT_EQ(sim.Log().back().command, 0x00);
  EXPECT_EQ(sim.Log().back().flags, DefineOriginFlags(settings, false));
}

}  // namespace
}  // namespace orvane
