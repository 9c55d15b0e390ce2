#pragma once
// A move on the step links played by the pulse engine into the recording
// port: the fake clock, the heat guard, the positions and a space bar.

#include <atomic>
#include <functional>
#include <thread>

#include "core/app/machine_settings.h"
#include "core/machine/axis_positions.h"
#include "core/machine/heat_guard.h"
#include "core/machine/manual_run.h"
#include "core/machine/tick_output.h"
#include "support/recording_port.h"

namespace orvane::test {

inline constexpr uint16_t kDataRegister = 888;
inline constexpr uint16_t kControlRegister = 890;

// Pressed from any thread (an output that stops the move at a given step).
struct SpaceBar : KeyState {
  bool IsKeyDown(Key key) const override { return key == Key::Space && down.load(); }
  std::atomic<bool> down{false};
};

// Before the engine plays (a pre-heat, a pause) each look lets 100 ms pass;
// while it plays, the engine's thread alone reads the clock.
struct RunView : ManualRunView {
  explicit RunView(FakeClock& clock) : clock(clock) {}
  void Wait() override {
    if (!playing) clock.now += 100'000 * clock.ticksPerMicrosecond;
    std::this_thread::yield();
  }
  FakeClock& clock;
  std::atomic<bool> playing{false};
};

// The heating configured (run image 0x03, idle 0x01) with a 2 s pre-heat;
// each clock read is one microsecond.
struct RunBench {
  RunBench() {
    clock.stepPerRead = 1000;
    settings.ActChauffe = true;
    settings.PreChauffe = 2;
  }
  // The move runs with `run` (the bench's settings or a copy of them).
  ManualRunSetup Setup(const MachineSettings& run) {
    ManualRunSetup setup;
    setup.clock = &clock;
    setup.keys = &keys;
    setup.guard = &guard;
    setup.output = &output;
    setup.positions = &positions;
    setup.settings = &run;
    setup.startThread = [this](std::function<void()> body) {
      view.playing = true;
      return std::thread(std::move(body));
    };
    return setup;
  }

  MachineSettings settings;
  FakeClock clock;
  RecordingPort port{&clock};
  ParallelTickOutput output{port, kDataRegister};
  HeatGuard guard{&port, settings};
  AxisPositions positions;
  SpaceBar keys;
  RunView view{clock};
};

}  // namespace orvane::test
