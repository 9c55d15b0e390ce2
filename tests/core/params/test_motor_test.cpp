// The motor tests on the step links, played by the pulse engine on the
// recording port: every check decodes the data and control writes
// themselves. The board's side runs against orvane-board-sim (host tests).
#include "core/params/motor_test.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "core/machine/step_decoder.h"
#include "support/manual_run_bench.h"
#include "support/played_ticks.h"

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

}  // namespace
}  // namespace orvane
