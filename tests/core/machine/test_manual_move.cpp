#include "core/machine/manual_move.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "core/app/machine_settings.h"
#include "core/machine/heat_guard.h"
#include "core/machine/manual_run.h"
#include "core/machine/pulse_engine.h"
#include "core/machine/step_decoder.h"
#include "core/machine/tick_output.h"
#include "support/recording_port.h"

namespace orvane {
namespace {

using test::FakeClock;
using test::RecordingPort;

constexpr uint16_t kData = 888;
constexpr uint16_t kControl = 890;

struct Keys : KeyState {
  bool IsKeyDown(Key key) const override { return down.count(key) > 0; }
  std::set<Key> down;
};

// Slows every write in real time, never on the fake clock, so the window's
// side sees the move while it plays.
struct SlowOutput : TickOutput {
  explicit SlowOutput(TickOutput& inner) : inner(inner) {}
  bool Write(uint8_t pattern, const std::atomic<bool>& stop) override {
    std::this_thread::sleep_for(std::chrono::microseconds(20));
    return inner.Write(pattern, stop);
  }
  TickOutput& inner;
};

// The engine thread alone reads the fake clock while it plays; before that
// (the pre-heat) each look lets 100 ms pass.
struct View : ManualRunView {
  View(FakeClock& clock, Keys& keys) : clock(clock), keys(keys) {}
  void Wait() override {
    if (!playing) clock.now += 100'000 * clock.ticksPerMicrosecond;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
    if (pressAt && ticks >= pressAt) keys.down.insert(Key::Space);
  }
  void PreHeating(bool visible, int) override { preheatShown |= visible; }
  void Progress(uint64_t played) override { ticks = played; }
  FakeClock& clock;
  Keys& keys;
  std::atomic<bool> playing{false};
  uint64_t pressAt = 0;
  uint64_t ticks = 0;
  bool preheatShown = false;
};

// 50 steps/mm, 1000 µs nominal ticks (20 mm/s), a start at 5 mm/s (4000 µs)
// and a steep slope: a 10 mm move of 500 ticks ramps over 66.
struct Bench {
  Bench() {
    clock.stepPerRead = 1000;  // one µs per read
    settings.X1step = settings.Y1step = settings.X2step = settings.Y2step = 50;
    settings.X1speed = settings.Y1speed = settings.X2speed = settings.Y2speed = 1000;
    settings.Vmin = 5;
    settings.Vmax = 40;
    settings.Pente = 85;
    settings.PreChauffe = 2;
  }
  ManualRunSetup Setup(bool heating) {
    ManualRunSetup setup;
    setup.clock = &clock;
    setup.keys = &keys;
    setup.guard = &guard;
    setup.output = &output;
    setup.positions = &positions;
    setup.settings = &settings;
    setup.heating = heating;
    setup.preHeat = true;
    setup.startThread = [this](std::function<void()> body) {
      view.playing = true;
      return std::thread(std::move(body));
    };
    return setup;
  }
  ManualRunResult Jog(PadButton button, uint32_t mm, JogSpan span, bool working) {
    move = PlanJog(settings, button, mm, span);
    EXPECT_EQ(JogRefusal(settings, move), "");
    RampMoveSource source(move.pattern, move.steps, PlanJogRamp(settings, move, working),
                          settings.ModeArret == 0);
    ManualRunSetup setup = Setup(working);
    setup.ticks = move.steps;
    return RunManualMove(setup, source, view);
  }
  std::vector<uint8_t> Played() const {
    std::vector<uint8_t> bytes;
    const auto data = port.To(kData);
    for (size_t i = 0; i < data.size(); i += 2) bytes.push_back(data[i].value);
    return bytes;
  }
  // Microseconds from each rising edge to the next.
  std::vector<int64_t> Periods() const {
    std::vector<int64_t> periods;
    const auto data = port.To(kData);
    for (size_t i = 2; i < data.size(); i += 2) {
      periods.push_back((data[i].time - data[i - 2].time) / 1000);
    }
    return periods;
  }
  AxisSteps Decoded() const {
    const auto bytes = Played();
    return StepDecoder(settings).Delta(bytes.data(), bytes.size());
  }

  MachineSettings settings;
  FakeClock clock;
  RecordingPort port{&clock};
  ParallelTickOutput parallel{port, kData};
  SlowOutput output{parallel};
  HeatGuard guard{&port, settings};
  AxisPositions positions;
  Keys keys;
  View view{clock, keys};
  JogMove move;
};

// Whatever the direction flags, "right" and "down" count an axis down and
// "left" and "up" count it up (the flag flips both the bit and its sign).
TEST(ManualMove, PadMovesMakeTheirStepsOnTheirAxes) {
  struct Case {
    const char* name;
    PadButton button;
    bool ctrl, shift;
    std::function<void(MachineSettings&)> tweak;
    AxisSteps expected;
  };
  const Case cases[] = {
      {"horizontal: (500 + 400) / 2 on both X",
       PadButton::TestXD,
       false,
       false,
       [](MachineSettings& s) { s.X1step = 50, s.X2step = 40; },
       {-450, 0, -450, 0}},
      {"Ctrl and Shift: Shift's 1 mm", PadButton::TestY1H, true, true, {}, {0, 50, 0, 0}},
      {"Ctrl: 0.1 mm", PadButton::TestX2G, true, false, {}, {0, 0, 5, 0}},
      {"single axis with its flag set",
       PadButton::TestX1D,
       false,
       false,
       [](MachineSettings& s) { s.X1clockwise = 1; },
       {-500, 0, 0, 0}},
      {"diagonal up-left, X inverted",
       PadButton::TestHG,
       false,
       false,
       [](MachineSettings& s) { s.InvTeleX = 1; },
       {-500, 500, -500, 500}},
      {"vertical down, Y inverted, slots swapped",
       PadButton::TestYB,
       false,
       false,
       [](MachineSettings& s) { s.InvTeleY = 1, s.Y1io = 3, s.Y2io = 1; },
       {0, 500, 0, 500}},
      {"diagonal down-right, mean of four",
       PadButton::TestBD,
       false,
       false,
       [](MachineSettings& s) { s.Y2step = 10; },
       {-400, -400, -400, -400}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    if (c.tweak) c.tweak(b.settings);
    const ManualRunResult result =
        b.Jog(c.button, 10, JogSpanFor(c.ctrl, c.shift), /*working=*/false);
    EXPECT_EQ(result.end, ManualRunEnd::Completed);
    EXPECT_EQ(b.Decoded(), c.expected);
    EXPECT_EQ(b.positions.Steps(), c.expected);
  }
}

TEST(ManualMove, AJogHeatsAsItsSpeedAsksRampsAndEndsAtRest) {
  for (bool working : {true, false}) {
    SCOPED_TRACE(working ? "working speed" : "fast");
    Bench b;
    b.settings.ActChauffe = true;  // run 0x03, idle 0x01
    ASSERT_EQ(b.Jog(PadButton::TestXG, 10, JogSpan::Bar, working).end, ManualRunEnd::Completed);
    const auto control = b.port.To(kControl);
    ASSERT_EQ(control.size(), 2u);
    EXPECT_EQ(control[0].value, working ? 0x03 : 0x01);  // fast: the hold, not the heat
    EXPECT_EQ(control[1].value, 0x01);
    const auto data = b.port.To(kData);
    ASSERT_EQ(data.size(), 1000u);
    EXPECT_GT(control[1].time, data.back().time);
    // The pre-heat: two seconds between the heat and the first step.
    EXPECT_EQ(b.view.preheatShown, working);
    EXPECT_EQ(data[0].time - control[0].time >= 2'000'000'000, working);
    EXPECT_EQ(b.Decoded(), (AxisSteps{500, 0, 500, 0}));
    EXPECT_EQ(b.positions.Steps(), b.Decoded());
    const auto periods = b.Periods();
    if (working) {
      // 4000 µs at the start, 1000 between the ramps, back up to about 4000.
      EXPECT_NEAR(periods.front(), 4000, 5);
      EXPECT_NEAR(periods[250], 1000, 5);
      EXPECT_NEAR(periods.back(), 4000, 60);
      EXPECT_EQ(*std::min_element(periods.begin(), periods.end()), periods[250]);
    } else {
      EXPECT_LT(periods[250], 1000);  // 40 mm/s: half the working period
    }
  }
}

TEST(ManualMove, TheSpaceBarStopsInThePreheatOrDuringTheMove) {
  struct Case {
    const char* name;
    uint8_t modeArret;
    uint64_t pressAt;  // ticks seen before the space goes down; 0: at once
  };
  for (const Case& c :
       {Case{"in the pre-heat", 1, 0}, Case{"immediate", 1, 150}, Case{"progressive", 0, 150}}) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.settings.ActChauffe = true;
    b.settings.ModeArret = c.modeArret;
    b.view.pressAt = c.pressAt;
    if (c.pressAt == 0) b.keys.down.insert(Key::Space);
    const ManualRunResult result = b.Jog(PadButton::TestYH, 10, JogSpan::Bar, true);
    EXPECT_EQ(result.end, ManualRunEnd::Stopped);
    EXPECT_EQ(b.port.To(kControl).back().value, 0x01);  // heating off
    const auto played = b.Played();
    EXPECT_EQ(b.positions.Steps(), b.Decoded());
    if (c.pressAt == 0) {
      EXPECT_TRUE(played.empty());
      continue;
    }
    const auto periods = b.Periods();
    const uint32_t ramp = PlanJogRamp(b.settings, b.move, true).rampSteps;
    ASSERT_GT(played.size(), c.pressAt);
    ASSERT_LT(played.size(), 500u - ramp);
    if (c.modeArret == 1) {
      EXPECT_NEAR(periods.back(), 1000, 5);  // cut off at full speed
      continue;
    }
    // Stopped at tick i, the move ends at R + i, slowing over its last R
    // ticks back to the start period (all but the last step of it: the
    // tick after the stop was already planned).
    const size_t i = played.size() - ramp;
    EXPECT_NEAR(periods[i - 2], 1000, 5);
    for (size_t k = i; k < periods.size(); ++k) EXPECT_GE(periods[k] + 2, periods[k - 1]) << k;
    EXPECT_NEAR(periods.back(), 4000, 100);
  }
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

TEST(ManualMove, TheReturnToOriginBringsEveryAxisExactlyToZero) {
  const AxisSteps starts[] = {{1001, -333, 7, 0}, {0, 0, 0, -1}, {3, -3, 3, -3}};
  for (const AxisSteps& start : starts) {
    for (uint16_t flag : {0, 1}) {
      FakeClock clock;
      RecordingPort port(&clock);
      ParallelTickOutput output(port, kData);
      clock.stepPerRead = 1000;
      MachineSettings s;
      s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 100;
      s.Y1clockwise = s.X2clockwise = flag;
      AxisPositions positions;
      positions.Set(start);
      OriginReturnSource source(s, start);
      PulseEngine::Setup setup;
      setup.clock = &clock;
      setup.output = &output;
      setup.positions = &positions;
      setup.decoder = StepDecoder(s);
      PulseEngine engine(setup);
      EXPECT_EQ(engine.Play(source), EngineState::Finished);
      EXPECT_EQ(positions.Steps(), AxisSteps{});
      int64_t longest = 0;
      for (int64_t p : start) longest = std::max(longest, std::abs(p));
      EXPECT_EQ(engine.Ticks(), uint64_t(longest));
      // Every step goes towards 0: none is taken back.
      const auto data = port.To(kData);
      AxisPositions walk;
      walk.Set(start);
      StepDecoder decoder(s);
      for (size_t k = 0; k < data.size(); k += 2) {
        const AxisSteps before = walk.Steps();
        decoder.Apply(data[k].value, walk);
        for (size_t a = 0; a < kAxisCount; ++a) {
          EXPECT_LE(std::abs(walk.Steps()[a]), std::abs(before[a]));
        }
      }
    }
  }
}

TEST(ManualMove, BoardProgramsCarryTheMoveTheFeedAndTheCommand) {
  MachineSettings s;  // 200 steps/mm, 60 mm/min at working speed, 120 fast
  s.ModeArret = 0;
  const AxisSteps at{200, -100, 0, 50};
  const BoardProgramRequest jog =
      BoardJogProgram(s, at, PlanJog(s, PadButton::TestXG, 2, JogSpan::Bar), false);
  EXPECT_EQ(jog.command, kBoardManualLine);
  EXPECT_TRUE(jog.progressiveStop);
  EXPECT_FALSE(jog.workingSpeed);
  EXPECT_EQ(jog.lines, BoardMoveProgram(120, {1, -0.5, 0, 0.25}, {-1, -0.5, -2, 0.25}));
  const BoardProgramRequest home = BoardOriginProgram(s, at, true);
  EXPECT_EQ(home.command, kBoardReturnLine);
  EXPECT_EQ(home.lines, BoardMoveProgram(60, {-1, 0.5, 0, -0.25}, {0, 0, 0, 0}));

  // A feed past 16 bits stays at the top instead of wrapping into a crawl.
  s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 1;
  s.X1step = s.Y1step = s.X2step = s.Y2step = 1;  // 60,000,000 mm/min
  EXPECT_EQ(BoardMoveFeed(s, true), 65535);
  EXPECT_EQ(BoardMoveFeed(s, false), 120);  // Vmax 2 over Vcut 1,000,000 mm/s of 60,000,000
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
  b.keys.down.insert(Key::Space);
  EXPECT_FALSE(ManualPause(setup, b.view, kGuillotinePauseSeconds));
}

TEST(ManualMove, TheJogBarAndThePositionTexts) {
  MachineSettings s;
  s.MaxX = 500, s.MaxY = 600, s.DepDefaut = 1000;
  JogDistanceRange range = JogDistances(s);
  EXPECT_EQ(range.maximum, 600);
  EXPECT_EQ(range.depDefaut, 300);
  EXPECT_TRUE(range.depDefautChanged);
  s.DepDefaut = 600;
  EXPECT_FALSE(JogDistances(s).depDefautChanged);

  EXPECT_EQ(PositionMmText(-4, 200), "0.0");  // -0.02 mm
  EXPECT_EQ(PositionMmText(-30, 200), "-0.1");
  EXPECT_EQ(PositionMmText(1001, 200), "5.0");
  EXPECT_EQ(PositionMmText(12345, 0), "0.0");
}

}  // namespace
}  // namespace orvane
