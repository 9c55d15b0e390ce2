#include "core/machine/manual_move.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/machine/step_decoder.h"
#include "support/manual_run_bench.h"
#include "support/played_ticks.h"

namespace orvane {
namespace {

constexpr uint16_t kData = test::kDataRegister;
constexpr uint16_t kControl = test::kControlRegister;

// 50 steps/mm, 1000 µs nominal ticks, a start at 5 mm/s (4000 µs).
struct Bench : test::RunBench {
  Bench() {
    settings.X1step = settings.Y1step = settings.X2step = settings.Y2step = 50;
    settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = 1000;
    settings.Vmin = 5;
    settings.Vmax = 40;
    settings.Pente = 85;
  }
  ManualRunSetup Setup(bool heating) {
    ManualRunSetup setup = RunBench::Setup(settings);
    setup.heating = heating;
    setup.preHeat = true;
    return setup;
  }
  ManualRunResult Jog(PadButton button, JogSpan span, bool working) {
    const JogMove move = PlanJog(settings, button, 10, span);
    EXPECT_EQ(JogRefusal(settings, move), "");
    RampMoveSource source(move.pattern, move.steps, PlanJogRamp(settings, move, working), false);
    ManualRunSetup setup = Setup(working);
    setup.ticks = move.steps;
    return RunManualMove(setup, source, view);
  }
  AxisSteps Decoded() const {
    const std::vector<uint8_t> bytes = test::PlayedPatterns(port);
    return StepDecoder(settings).Delta(bytes.data(), bytes.size());
  }
};

// "Right" and "down" count an axis down and "left" and "up" count it up
// (a direction flag flips both the bit and its sign: the motor test's row).
TEST(ManualMove, PadMovesMakeTheirStepsOnTheirAxes) {
  using Tweak = std::function<void(MachineSettings&)>;
  const Tweak xSteps = [](MachineSettings& s) { s.X1step = 50, s.X2step = 40; };
  const Tweak xInverted = [](MachineSettings& s) { s.InvTeleX = 1; };
  // Y inverted and its slots swapped.
  const Tweak ySwapped = [](MachineSettings& s) { s.InvTeleY = 1, s.Y1io = 3, s.Y2io = 1; };
  const Tweak y2Steps = [](MachineSettings& s) { s.Y2step = 10; };
  struct Case {
    const char* name;
    PadButton button;
    JogSpan span;
    AxisSteps expected;
    Tweak tweak = nullptr;  // the factory settings otherwise
  };
  const Case cases[] = {
      {"horizontal: (500 + 400) / 2", PadButton::TestXD, JogSpan::Bar, {-450, 0, -450, 0}, xSteps},
      {"Ctrl and Shift: Shift's 1 mm", PadButton::TestY1H, JogSpanFor(true, true), {0, 50, 0, 0}},
      {"Ctrl: 0.1 mm", PadButton::TestX2G, JogSpanFor(true, false), {0, 0, 5, 0}},
      {"up-left, X inverted", PadButton::TestHG, JogSpan::Bar, {-500, 500, -500, 500}, xInverted},
      {"down, Y swapped", PadButton::TestYB, JogSpan::Bar, {0, 500, 0, 500}, ySwapped},
      {"down-right, mean of 4", PadButton::TestBD, JogSpan::Bar, {-400, -400, -400, -400}, y2Steps},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    if (c.tweak) c.tweak(b.settings);
    EXPECT_EQ(b.Jog(c.button, c.span, false).end, ManualRunEnd::Completed);
    EXPECT_EQ(b.Decoded(), c.expected);
  }
}

// The space bar in the pre-heat ends the move before any step, heating off.
TEST(ManualMove, TheSpaceBarInThePreheatStopsWithTheHeatingOff) {
  Bench b;
  b.keys.down = true;
  EXPECT_EQ(b.Jog(PadButton::TestYH, JogSpan::Bar, true).end, ManualRunEnd::Stopped);
  EXPECT_TRUE(b.port.To(kData).empty());
  EXPECT_EQ(test::ValuesTo(b.port, kControl), (std::vector<uint8_t>{0x03, 0x01}));
}

TEST(ManualMove, SettingsTheRampWouldDivideByAreRefusedByName) {
  struct Case {
    std::function<void(MachineSettings&)> tweak;
    PadButton button;
    JogSpan span;
    const char* named;  // empty: the move may run
  };
  const Case cases[] = {
      {[](MachineSettings& s) { s.Vmin = 0; }, PadButton::TestXD, JogSpan::Bar, "Vmin"},
      {[](MachineSettings& s) { s.Pente = 0; }, PadButton::TestXD, JogSpan::Bar, "Pente"},
      {[](MachineSettings& s) { s.X2step = 0; }, PadButton::TestXD, JogSpan::Bar, "X2step"},
      {[](MachineSettings& s) { s.X2step = 0; }, PadButton::TestX1D, JogSpan::Bar, ""},
      {[](MachineSettings& s) { s.Y2speed = 0; }, PadButton::TestBG, JogSpan::Bar, "Y2speed"},
      {[](MachineSettings& s) { s.Y1step = 9; }, PadButton::TestY1B, JogSpan::Tenth, "court"},
  };
  for (const Case& c : cases) {
    MachineSettings s;
    c.tweak(s);
    const std::string refusal = JogRefusal(s, PlanJog(s, c.button, 10, c.span));
    if (*c.named == 0) {
      EXPECT_EQ(refusal, "");
    } else {
      EXPECT_NE(refusal.find(c.named), std::string::npos) << refusal;
    }
  }
}

// The command, the flags and the return to the origin are read on the
// simulator by the command line's manual test; here the lines and the feed.
TEST(ManualMove, BoardProgramsCarryTheMoveAndTheFeed) {
  MachineSettings s;  // 200 steps/mm, 60 mm/min at working speed, 120 fast
  const AxisSteps at{200, -100, 0, 50};
  const BoardProgramRequest jog =
      BoardJogProgram(s, at, PlanJog(s, PadButton::TestXG, 2, JogSpan::Bar), false);
  EXPECT_EQ(jog.lines,
            (std::vector<std::string>{"F120" + std::string(42, ' '),
                                      "G0 X    1.000 Y   -0.500 A    0.000 B    0.250",
                                      "G1 X   -1.000 Y   -0.500 A   -2.000 B    0.250",
                                      "M2 (----------- fin du programme ------------)"}));

  s.Vmax = 2.5;
  // A feed past 16 bits stays at the top instead of wrapping into a crawl.
  s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 1;
  s.X1step = s.Y1step = s.X2step = s.Y2step = 1;  // 60,000,000 mm/min
  EXPECT_EQ(BoardMoveFeed(s, true), 65535);
  EXPECT_EQ(BoardMoveFeed(s, false), 150);  // Vmax 2.5 over Vcut 1,000,000 mm/s of 60,000,000
}

TEST(ManualMove, AGuillotineSkipsWhatFollowsAStop) {
  struct Case {
    int number;
    int stopAtMove;  // 1 or 2; 0 none
    bool pauseStopped;
    std::vector<std::pair<PadButton, bool>> moves;
  };
  using B = PadButton;
  const Case cases[] = {
      {1, 0, false, {{B::TestYB, true}, {B::TestYH, false}}},
      {2, 0, false, {{B::TestYH, true}, {B::TestYB, false}}},
      {3, 1, false, {{B::TestXG, true}}},
      {4, 0, true, {{B::TestXD, true}}},
      {4, 2, false, {{B::TestXD, true}, {B::TestXG, false}}},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<PadButton, bool>> moves;
    const bool done = RunGuillotine(
        c.number,
        [&](const GuillotineStep& step) {
          moves.emplace_back(step.button, step.workingSpeed);
          return int(moves.size()) != c.stopAtMove;
        },
        [&] { return !c.pauseStopped; });
    EXPECT_EQ(moves, c.moves) << c.number;
    EXPECT_EQ(done, c.stopAtMove == 0 && !c.pauseStopped);
  }
  // The pause lasts its seconds, unless the space bar ends it.
  Bench b;
  ManualRunSetup setup = b.Setup(false);
  EXPECT_TRUE(ManualPause(setup, b.view, kGuillotinePauseSeconds));
  EXPECT_GE(b.clock.now, 3'000'000'000);
  b.keys.down = true;
  EXPECT_FALSE(ManualPause(setup, b.view, kGuillotinePauseSeconds));
}

TEST(ManualMove, PositionsShowOneDecimalNeverMinusZero) {
  EXPECT_EQ(PositionMmText(-4, 200), "0.0");  // -0.02 mm
  EXPECT_EQ(PositionMmText(-30, 200), "-0.1");
  EXPECT_EQ(PositionMmText(12345, 0), "0.0");
}

}  // namespace
}  // namespace orvane
