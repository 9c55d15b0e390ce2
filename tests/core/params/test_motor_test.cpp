// The motor tests on the step links, played by the pulse engine on the
// recording port: every check decodes the data and control writes
// themselves. The board's side runs against orvane-board-sim (host tests).
#include "core/params/motor_test.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <thread>

#include "core/app/machine_settings.h"
#include "core/machine/heat_guard.h"
#include "core/machine/tick_output.h"
#include "support/recording_port.h"

namespace orvane {
namespace {

using test::FakeClock;
using test::RecordingPort;

constexpr uint16_t kData = 888;
constexpr uint16_t kControl = 890;

struct Keys : KeyState {
  bool IsKeyDown(Key key) const override { return key == Key::Space && space.load(); }
  std::atomic<bool> space{false};
};

// Before the engine plays (the pre-heat) each look lets 100 ms pass; while
// it plays, the engine's thread alone reads the clock.
struct View : ManualRunView {
  explicit View(FakeClock& clock) : clock(clock) {}
  void Wait() override {
    if (!playing) clock.now += 100'000 * clock.ticksPerMicrosecond;
    std::this_thread::yield();
  }
  FakeClock& clock;
  std::atomic<bool> playing{false};
};

// Holds the `at`-th step until the window thread has seen the space bar and
// asked the engine to stop, so the stop lands after exactly that step.
struct SpaceAtStep : TickOutput {
  SpaceAtStep(TickOutput& inner, Keys& keys, uint64_t at) : inner(inner), keys(keys), at(at) {}
  bool Write(uint8_t pattern, const std::atomic<bool>& stop) override {
    if (pattern != 0 && ++steps == at) {
      keys.space = true;
      const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!stop.load() && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
    }
    return inner.Write(pattern, stop);
  }
  TickOutput& inner;
  Keys& keys;
  uint64_t at;
  uint64_t steps = 0;
};

struct Bench {
  Bench() {
    clock.stepPerRead = 1000;  // one µs per read
    settings.Vmin = 0.5;
    settings.Vmax = 2;
    settings.Pente = 45;
    settings.ActChauffe = true;  // run 0x03, idle 0x01
    settings.PreChauffe = 2;
  }
  MotorTestResult Run(PadButton button, const MotorEdits& edits, const MotorTestOptions& options,
                      uint64_t spaceAtStep = 0) {
    testSettings = MotorTestSettings(settings, edits);
    const JogMove move = PlanMotorTest(testSettings, button, options.distanceMm);
    EXPECT_EQ(MotorTestRefusal(testSettings, move), "");
    SpaceAtStep stopping(output, keys, spaceAtStep);
    ManualRunSetup setup;
    setup.clock = &clock;
    setup.keys = &keys;
    setup.guard = &guard;
    setup.output = spaceAtStep ? static_cast<TickOutput*>(&stopping) : &output;
    setup.positions = &positions;
    setup.settings = &testSettings;
    setup.startThread = [this](std::function<void()> body) {
      view.playing = true;
      return std::thread(std::move(body));
    };
    return RunStepMotorTest(setup, move, options, view);
  }
  // Step pulses per axis and the direction bit they carried (2: mixed).
  struct Decoded {
    std::array<int, kAxisCount> steps{};
    std::array<int, kAxisCount> direction{-1, -1, -1, -1};
    std::set<uint8_t> patterns;
    std::vector<int64_t> times;  // of each step pulse
  };
  Decoded Decode() const {
    Decoded d;
    const uint8_t slots[4] = {uint8_t(settings.X1io), uint8_t(settings.Y1io),
                              uint8_t(settings.X2io), uint8_t(settings.Y2io)};
    for (const auto& w : port.To(kData)) {
      if (w.value == 0) continue;
      d.patterns.insert(w.value);
      d.times.push_back(w.time);
      for (size_t k = 0; k < kAxisCount; ++k) {
        if (!(w.value & (1 << 2 * slots[k]))) continue;
        const int dir = (w.value >> (2 * slots[k] + 1)) & 1;
        d.direction[k] = ++d.steps[k] == 1 || d.direction[k] == dir ? dir : 2;
      }
    }
    return d;
  }

  MachineSettings settings, testSettings;
  FakeClock clock;
  RecordingPort port{&clock};
  ParallelTickOutput output{port, kData};
  HeatGuard guard{&port, settings};
  AxisPositions positions;
  Keys keys;
  View view{clock};
};

MotorEdits Edits(uint16_t steps, int32_t period) {
  return {{steps, steps, steps, steps}, {period, period, period, period}};
}

// Counts and directions come from the pulses on the port; the period of the
// steps between the ramps is the edit's, not the stored one.
TEST(MotorTest, EachButtonMovesItsAxesTheirStepsInTheirDirection) {
  struct Case {
    const char* name;
    PadButton button;
    std::function<void(MachineSettings&, MotorEdits&)> tweak;
    MotorTestOptions options;
    std::array<int, 4> steps;
    std::array<int, 4> direction;  // -1: not moving
    uint8_t heatImage;             // the control write at the start
    int64_t cruiseUs;              // period between the ramps
  };
  const Case cases[] = {
      {"10 mm at 200 steps/mm, 5000 µs",
       PadButton::TestX1D,
       {},
       {10, true, false, false},
       {2000, 0, 0, 0},
       {0, -1, -1, -1},
       0x01,
       5000},
      {"the second button follows a direction flag of 1",
       PadButton::TestX1D,
       [](MachineSettings& s, MotorEdits&) { s.X1clockwise = 1; },
       {10, true, true, false},
       {2000, 0, 0, 0},
       {1, -1, -1, -1},
       0x03,
       5000},
      {"the first one goes against it, with the page's 100 steps and 2500 µs",
       PadButton::TestY2H,
       [](MachineSettings& s, MotorEdits& e) {
         s.Y2clockwise = 1, s.Vmin = 3.5, e = Edits(100, 2500);
       },
       {3, true, false, false},
       {0, 0, 0, 300},
       {-1, -1, -1, 0},
       0x01,
       2500},
      {"an X pair of 200 and 201 makes 200 with one pattern",
       PadButton::TestXG,
       [](MachineSettings&, MotorEdits& e) { e.stepsPerMm[2] = 201; },
       {1, false, false, false},
       {200, 0, 200, 0},
       {1, -1, 1, -1},
       0x01,
       0},
      {"a Y pair on swapped slots, heating asked at fast speed",
       PadButton::TestYB,
       [](MachineSettings& s, MotorEdits&) { s.Y1io = 3, s.Y2io = 1, s.Y1clockwise = 1; },
       {2, false, true, false},
       {0, 400, 0, 400},
       {-1, 1, -1, 0},
       0x01,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    MotorEdits edits = Edits(200, 5000);
    if (c.tweak) c.tweak(b.settings, edits);
    const MotorTestResult result = b.Run(c.button, edits, c.options);
    EXPECT_EQ(result.end, MotorTestEnd::Completed);
    const Bench::Decoded d = b.Decode();
    EXPECT_EQ(d.steps, c.steps);
    for (size_t k = 0; k < 4; ++k) {
      if (c.direction[k] >= 0) {
        EXPECT_EQ(d.direction[k], c.direction[k]) << k;
      }
    }
    EXPECT_EQ(d.patterns.size(), 1u) << "one shared pattern";
    if (c.cruiseUs) {
      const size_t mid = d.times.size() / 2;
      EXPECT_NEAR(d.times[mid] - d.times[mid - 1], c.cruiseUs * 1000, 20'000);
    }
    const auto control = b.port.To(kControl);
    ASSERT_EQ(control.size(), 2u);
    EXPECT_EQ(control.front().value, c.heatImage);
    EXPECT_EQ(control.back().value, 0x01) << "heating off at the end";
    // The pre-heat comes before the first step, and is not part of the speed.
    if (c.heatImage == 0x03) {
      EXPECT_GE(d.times.front() - control.front().time, 2'000'000'000);
    }
    const int64_t pulsesUs = (d.times.back() - d.times.front()) / 1000;
    EXPECT_GE(result.elapsedMicroseconds, pulsesUs);
    EXPECT_LT(result.elapsedMicroseconds, pulsesUs + 20'000);
    EXPECT_TRUE(MeasuredSpeedText(c.options.distanceMm, result));
  }
}

// 2000 steps with a 300-step ramp (fast speed, 0.5 to 2 mm/s at 45°): the
// space bar at step 100 ends a progressive stop at step 200, slowing down as
// it sped up; an immediate one at step 100. Neither shows a speed.
TEST(MotorTest, TheSpaceBarStopsAtOnceOrOverTheRampSoFar) {
  for (bool progressive : {true, false}) {
    SCOPED_TRACE(progressive ? "Progressif" : "Immédiat");
    Bench b;
    const MotorTestOptions options{10, false, false, progressive};
    ASSERT_EQ(PlanJogRamp(MotorTestSettings(b.settings, Edits(200, 5000)),
                          PlanMotorTest(MotorTestSettings(b.settings, Edits(200, 5000)),
                                        PadButton::TestX1G, 10),
                          false)
                  .rampSteps,
              300u);
    const MotorTestResult result = b.Run(PadButton::TestX1G, Edits(200, 5000), options, 100);
    EXPECT_EQ(result.end, MotorTestEnd::Stopped);
    const Bench::Decoded d = b.Decode();
    EXPECT_EQ(d.steps[0], progressive ? 200 : 100);
    EXPECT_EQ(result.stepsMade, progressive ? 200u : 100u);
    if (progressive) {
      for (size_t k = 102; k < d.times.size(); ++k) {
        EXPECT_GE(d.times[k] - d.times[k - 1], d.times[k - 1] - d.times[k - 2] - 2000) << k;
      }
      // Back near the start period: 10 ms.
      EXPECT_NEAR(d.times[199] - d.times[198], 10'000'000, 200'000);
    }
    EXPECT_FALSE(MeasuredSpeedText(10, result));
    EXPECT_EQ(b.port.To(kControl).back().value, 0x01);
  }
}

}  // namespace
}  // namespace orvane
