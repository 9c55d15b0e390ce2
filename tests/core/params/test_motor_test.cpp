// The motor tests on the step links, played by the pulse engine on the
// recording port: every check decodes the data and control writes
// themselves; on the board, the packets written.
#include "core/params/motor_test.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>

#include "core/cut/gcode.h"
#include "core/machine/board_protocol.h"
#include "core/machine/board_run.h"
#include "core/machine/step_decoder.h"
#include "support/fake_serial_port.h"
#include "support/manual_run_bench.h"
#include "support/played_ticks.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

using test::kControlRegister;

// Holds the `at`-th step until the window thread has seen the space bar and
// asked the engine to stop, so the stop lands after exactly that step.
struct SpaceAtStep : TickOutput {
  SpaceAtStep(TickOutput& inner, test::SpaceBar& keys, uint64_t at)
      : inner(inner), keys(keys), at(at) {}
  bool Write(uint8_t pattern, const std::atomic<bool>& stop) override {
    if (pattern != 0 && ++steps == at) {
      keys.down = true;
      const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!stop.load() && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
    }
    return inner.Write(pattern, stop);
  }
  TickOutput& inner;
  test::SpaceBar& keys;
  uint64_t at;
  uint64_t steps = 0;
};

// Speeds from 0.5 to 2 mm/s at 45°.
struct Bench : test::RunBench {
  Bench() {
    settings.Vmin = 0.5;
    settings.Vmax = 2;
    settings.Pente = 45;
  }
  MotorTestResult Run(PadButton button, const MotorEdits& edits, const MotorTestOptions& options,
                      uint64_t spaceAtStep = 0) {
    testSettings = MotorTestSettings(settings, edits);
    const JogMove move = PlanMotorTest(testSettings, button, options.distanceMm);
    EXPECT_EQ(MotorTestRefusal(testSettings, move), "");
    SpaceAtStep stopping(output, keys, spaceAtStep);
    ManualRunSetup setup = Setup(testSettings);
    if (spaceAtStep) setup.output = &stopping;
    return RunStepMotorTest(setup, move, options, view);
  }
  AxisSteps Decoded() const {
    const std::vector<uint8_t> bytes = test::PlayedPatterns(port);
    return StepDecoder(testSettings).Delta(bytes.data(), bytes.size());
  }
  std::vector<int64_t> StepTimes() const {
    std::vector<int64_t> times;
    for (const auto& w : port.To(test::kDataRegister)) {
      if (w.value != 0) times.push_back(w.time);
    }
    return times;
  }
  MachineSettings testSettings;
};

MotorEdits Edits(uint16_t steps, int32_t period) {
  return {{steps, steps, steps, steps}, {period, period, period, period}};
}

// Counts and directions come from the pulses on the port ("right" counts
// down, "left" and "up" count up, whatever the direction flag); the period
// between the ramps is the edit's, not the stored one.
TEST(MotorTest, EachButtonMovesItsAxesTheirStepsInTheirDirection) {
  using Tweak = std::function<void(MachineSettings&, MotorEdits&)>;
  const Tweak flag = [](MachineSettings& s, MotorEdits&) { s.X1clockwise = 1; };
  const Tweak page = [](MachineSettings& s, MotorEdits& e) {
    s.Y2clockwise = 1, s.Vmin = 3.5, e = Edits(100, 2500);
  };
  const Tweak pair = [](MachineSettings&, MotorEdits& e) { e.stepsPerMm[2] = 201; };
  using B = PadButton;
  const struct {
    const char* name;
    PadButton button;
    Tweak tweak;
    MotorTestOptions options;
    AxisSteps steps;
    uint8_t heatImage;  // the control write at the start
    int64_t cruiseUs;   // period between the ramps
  } cases[] = {
      {"direction flag 1, heated", B::TestX1D, flag, {10, true, true}, {-2000, 0, 0, 0}, 3, 5000},
      {"the page's 100 steps, 2500 µs", B::TestY2H, page, {3, true}, {0, 0, 0, 300}, 1, 2500},
      // A pair of 200 and 201 makes 200 each; the heating is never on at fast speed.
      {"X pair, fast, heating asked", B::TestXG, pair, {1, false, true}, {200, 0, 200, 0}, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    MotorEdits edits = Edits(200, 5000);
    if (c.tweak) c.tweak(b.settings, edits);
    const MotorTestResult result = b.Run(c.button, edits, c.options);
    EXPECT_EQ(result.end, MotorTestEnd::Completed);
    EXPECT_EQ(b.Decoded(), c.steps);
    const std::vector<int64_t> times = b.StepTimes();
    if (c.cruiseUs) {
      const size_t mid = times.size() / 2;
      EXPECT_NEAR(times[mid] - times[mid - 1], c.cruiseUs * 1000, 20'000);
    }
    const auto control = b.port.To(kControlRegister);
    ASSERT_EQ(control.size(), 2u);
    EXPECT_EQ(control.front().value, c.heatImage);
    EXPECT_EQ(control.back().value, 0x01) << "heating off at the end";
    // The 2 s pre-heat comes before the first step, and is not part of the speed.
    if (c.heatImage == 3) {
      EXPECT_GE(times.front() - control.front().time, 2'000'000'000);
    }
    const int64_t pulsesUs = (times.back() - times.front()) / 1000;
    EXPECT_GE(result.elapsedMicroseconds, pulsesUs);
    EXPECT_LT(result.elapsedMicroseconds, pulsesUs + 20'000);
    EXPECT_TRUE(MeasuredSpeedText(c.options.distanceMm, result));
  }
}

// 2000 steps with a 300-step ramp (fast speed, 0.5 to 2 mm/s at 45°): the
// space bar at step 100 ends a progressive stop at step 200, slowing down as
// it sped up; an immediate one at step 100. Neither shows a speed.
TEST(MotorTest, TheSpaceBarStopsAtOnceOrOverTheRampSoFar) {
  const MachineSettings t = MotorTestSettings(Bench().settings, Edits(200, 5000));
  ASSERT_EQ(PlanJogRamp(t, PlanMotorTest(t, PadButton::TestX1G, 10), false).rampSteps, 300u);
  for (bool progressive : {true, false}) {
    SCOPED_TRACE(progressive ? "Progressif" : "Immédiat");
    Bench b;
    const MotorTestResult result =
        b.Run(PadButton::TestX1G, Edits(200, 5000), {10, false, false, progressive}, 100);
    EXPECT_EQ(result.end, MotorTestEnd::Stopped);
    const std::vector<int64_t> times = b.StepTimes();
    EXPECT_EQ(times.size(), progressive ? 200u : 100u);
    EXPECT_EQ(result.stepsMade, times.size());
    if (progressive) {
      for (size_t k = 102; k < times.size(); ++k) {
        EXPECT_GE(times[k] - times[k - 1], times[k - 1] - times[k - 2] - 2000) << k;
      }
      // Back near the start period: 10 ms.
      EXPECT_NEAR(times[199] - times[198], 10'000'000, 200'000);
    }
    EXPECT_FALSE(MeasuredSpeedText(10, result));
    EXPECT_EQ(b.port.To(kControlRegister).back().value, 0x01);
  }
}

// On the board the test is a program from 0 to the move (direction flag and
// a pair's scaling in its G1 line) with the options in every line's flags; it
// pre-heats only heated, puts the output levels back and counts from 0 again.
TEST(MotorTest, OnTheBoardTheProgramCarriesTheMoveAndTheOptionsAndEndsAtZero) {
  using B = PadButton;
  const struct {
    const char* name;
    PadButton button;
    int x1Clockwise;
    MotorTestOptions options;      // at working speed, heating as asked
    std::array<double, 4> target;  // the G1 line
    bool stopped;                  // by the board's switch on the third line
  } cases[] = {
      // X2 at 201 steps/mm makes the same 200 steps as X1.
      {"X pair, heated", B::TestXG, 1, {1, true, true, true}, {1, 0, -200.0 / 201, 0}, false},
      {"the wire cold, the board's switch", B::TestY2B, 0, {5, true}, {0, 0, 0, 5}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The board's side, 200 steps per mm: it identifies itself, answers the
    // pre-heat and each line (1, stopped, on the third when `stopped`), and
    // then reports the move's end.
    test::FakeSerialPort serial;
    test::FakeClock clock;
    int sent = 0;
    int preheats = 0;
    serial.open = true;
    serial.onWrite = [&](const std::vector<uint8_t>& p, test::FakeSerialPort& port) {
      if (p[1] == kBoardApply && (p[0] & 0x80)) {
        port.input.insert(port.input.end(),
                          {0, 0xC8, 50, 0, 33, 70, 8, 100, 0, 0, 0, 0x30, 0x39, 0, 0, 0});
      }
      if (p[1] == kBoardPreheat) port.input.push_back(0), ++preheats;
      if (p[1] != kBoardManualLine) return;
      const bool stop = ++sent == (c.stopped ? 3 : 0);
      port.input.push_back(stop);
      if (!stop && p[2] != 'M') return;
      for (double mm : c.target) {
        const int64_t steps = std::llround(mm * 200), size = std::abs(steps);
        port.input.insert(port.input.end(),
                          {uint8_t((stop ? 0x40 : 0) | (steps < 0 ? 0x80 : 0)), uint8_t(size >> 16),
                           uint8_t(size >> 8), uint8_t(size)});
      }
    };
    MachineSettings settings;  // 200 steps/mm, as the board holds
    settings.PortType = 2;
    settings.BoardPresent = true;
    settings.X1clockwise = c.x1Clockwise;
    settings.ActChauffe = true;
    MotorEdits edits = StoredMotorEdits(settings);
    edits.stepsPerMm[2] = 201;
    AxisPositions positions;
    positions.Set({120, -40, 0, 7});
    uint8_t abortFlag = 0;
    const MachineSettings t = MotorTestSettings(settings, edits);
    const JogMove move = PlanMotorTest(t, c.button, c.options.distanceMm);
    BoardLink link{serial, clock, t, positions, abortFlag};
    BoardRunObserver observer;
    const MotorTestResult result = RunBoardMotorTest(link, observer, move, c.options);
    EXPECT_EQ(result.end, c.stopped ? MotorTestEnd::Stopped : MotorTestEnd::Completed)
        << result.message;
    EXPECT_EQ(abortFlag != 0, c.stopped);
    EXPECT_EQ(positions.Steps(), (AxisSteps{0, 0, 0, 0}));

    const bool heated = c.options.heating;
    const int flags = RunFlags(t, heated) | (c.options.progressiveStop ? kFlagProgressiveStop : 0);
    std::vector<std::string> lines;
    for (const auto& p : serial.written) {
      if (p[1] != kBoardManualLine) continue;
      EXPECT_EQ(p[0], flags);
      lines.emplace_back(p.begin() + 2, p.end());
    }
    ASSERT_EQ(lines.size(), c.stopped ? 3u : 4u);
    const auto& [x, y, a, b] = c.target;
    EXPECT_EQ(lines[2], FormatGcodeLine("G1", 0, x, y, a, b));
    EXPECT_EQ(preheats, heated ? 1 : 0);
    // The output levels go back to those of the lines.
    const std::vector<uint8_t>& last = serial.written.back();
    EXPECT_EQ((std::pair<int, int>{last[0], last[1]}), (std::pair<int, int>{flags, kBoardApply}));
  }
}

}  // namespace
}  // namespace orvane
