#include "core/machine/pulse_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "core/app/machine_settings.h"
#include "core/machine/heat_guard.h"
#include "core/machine/serial_step.h"
#include "core/machine/tick_output.h"
#include "support/fake_serial_port.h"
#include "support/recording_port.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

using test::FakeClock;
using test::RecordingPort;

constexpr uint16_t kData = 888;
constexpr uint16_t kControl = 890;

// Wraps a source to act on the engine or the clock when a given tick is
// taken from it (it is taken during the high time of the tick before).
struct HookedSource : TickSource {
  HookedSource(TickSource& inner, uint64_t at, std::function<void()> hook)
      : inner(inner), at(at), hook(std::move(hook)) {}
  bool Next(Tick& tick) override {
    if (++taken == at) hook();
    return inner.Next(tick);
  }
  bool StopNow(uint64_t played) override { return inner.StopNow(played); }
  TickSource& inner;
  uint64_t at;
  std::function<void()> hook;
  uint64_t taken = 0;
};

// One run on a recording port and a fake clock (1000 counts per µs, one
// count per read), with the heat guard of `settings`.
struct Bench {
  Bench() {
    settings.ActChauffe = true;  // run image 0x03, idle 0x01: they differ
    clock.ticksPerMicrosecond = 1000;
  }
  PulseEngine::Setup Setup(bool withGuard = true) {
    PulseEngine::Setup setup;
    setup.clock = &clock;
    setup.output = &output;
    setup.guard = withGuard ? &guard : nullptr;
    setup.positions = &positions;
    setup.decoder = StepDecoder(settings);
    return setup;
  }
  // Times of the pattern writes (each tick's rising edge).
  std::vector<int64_t> Starts() const {
    std::vector<int64_t> starts;
    const auto data = port.To(kData);
    for (size_t i = 0; i < data.size(); i += 2) starts.push_back(data[i].time);
    return starts;
  }
  std::vector<uint8_t> Played() const {
    std::vector<uint8_t> bytes;
    const auto data = port.To(kData);
    for (size_t i = 0; i < data.size(); i += 2) {
      bytes.push_back(data[i].value);
      if (i + 1 < data.size()) {
        EXPECT_EQ(data[i + 1].value, 0) << "tick " << i / 2;
      }
    }
    return bytes;
  }
  std::vector<uint8_t> ControlWrites() const {
    std::vector<uint8_t> values;
    for (const auto& w : port.To(kControl)) values.push_back(w.value);
    return values;
  }

  MachineSettings settings;
  FakeClock clock;
  RecordingPort port{&clock};
  ParallelTickOutput output{port, kData};
  HeatGuard guard{&port, settings};
  AxisPositions positions;
};

constexpr PulseSplit kSplit{30, 70};  // 100 µs
constexpr int64_t kPeriod = 100 * 1000;
// A few counter reads between a deadline and the write (the fake clock moves
// one count per read; real reads are some tens of nanoseconds apart).
constexpr int64_t kSlack = 8;

TEST(PulseEngine, PlaysEveryTickOnItsScheduleAndTheBytesOfTheSource) {
  Bench b;
  std::vector<uint8_t> bytes(500);
  std::mt19937 random(7);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  SequenceSource source(bytes, kSplit);
  PulseEngine engine(b.Setup(false));
  EXPECT_EQ(engine.Play(source), EngineState::Finished);
  EXPECT_EQ(engine.Ticks(), bytes.size());
  EXPECT_EQ(b.Played(), bytes);

  const auto starts = b.Starts();
  const auto data = b.port.To(kData);
  for (size_t k = 1; k < starts.size(); ++k) {
    // Deadline-based: the per-tick work never adds up, whatever its cost,
    // and no tick comes before its deadline.
    EXPECT_GE(starts[k] - starts[k - 1], kPeriod) << k;
    EXPECT_LE(starts[k] - starts[k - 1], kPeriod + kSlack) << k;
    EXPECT_GE(data[2 * k - 1].time - starts[k - 1], 30 * 1000) << "high time " << k;
  }
  // The last tick keeps its low time before the run ends.
  EXPECT_GE(b.clock.now - starts.back(), kPeriod);

  EXPECT_EQ(b.positions.Steps(), StepDecoder(b.settings).Delta(bytes.data(), bytes.size()));
}

// Delays the n-th write before it reaches the port, as a preemption between
// a deadline and the write would.
struct StallingOutput : TickOutput {
  StallingOutput(TickOutput& inner, FakeClock& clock, int at, int64_t stall)
      : inner(inner), clock(clock), at(at), stall(stall) {}
  bool Write(uint8_t pattern, const std::atomic<bool>& stop) override {
    if (++writes == at) clock.now += stall;
    return inner.Write(pattern, stop);
  }
  TickOutput& inner;
  FakeClock& clock;
  int at;
  int64_t stall;
  int writes = 0;
};

TEST(PulseEngine, ALateTickIsFollowedByAFullPeriodNeverAShortOne) {
  // Tick 11 starts late, stalled while its byte is taken (during tick 10's
  // high time) or just before its own write: by 3.5 periods, or by less than
  // a microsecond, which once let the next tick start that much early.
  struct Case {
    const char* name;
    int64_t stall;
    bool beforeWrite;
    int64_t lateTick;  // at least, between ticks 10 and 11
  };
  constexpr int64_t kLong = 3 * kPeriod + kPeriod / 2;
  const Case cases[] = {{"3.5 periods, taking the byte", kLong, false, 3 * kPeriod},
                        {"3.5 periods, before the write", kLong, true, kPeriod + kLong},
                        {"0.9 µs, before the write", 900, true, kPeriod + 900}};
  for (const Case& c : cases) {
    Bench b;
    FixedPatternSource inner(0x05, 40, kSplit);
    HookedSource source(inner, 11, [&] {
      if (!c.beforeWrite) b.clock.now += c.stall;
    });
    StallingOutput output(b.output, b.clock, c.beforeWrite ? 21 : 0, c.stall);
    PulseEngine::Setup setup = b.Setup(false);
    setup.output = &output;
    PulseEngine engine(setup);
    engine.Play(source);
    const auto starts = b.Starts();
    ASSERT_EQ(starts.size(), 40u);
    EXPECT_GE(starts[10] - starts[9], c.lateTick) << c.name;
    for (size_t k = 1; k < starts.size(); ++k) {
      EXPECT_GE(starts[k] - starts[k - 1], kPeriod) << "tick " << k << ", " << c.name;
      if (k != 10) {
        EXPECT_LE(starts[k] - starts[k - 1], kPeriod + kSlack) << "tick " << k << ", " << c.name;
      }
    }
    // The low time after a late fall is whole as well.
    const auto data = b.port.To(kData);
    EXPECT_GE(data[20].time - data[19].time, 70 * 1000) << c.name;
  }
}

TEST(PulseEngine, AStopIsHonouredAtTheNextTickAndResumeLosesNoByte) {
  Bench b;
  std::vector<uint8_t> bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i + 1);
  SequenceSource inner(bytes, kSplit);
  PulseEngine* engine = nullptr;
  // Asked while tick 50 plays (tick 51 is being taken).
  HookedSource source(inner, 51, [&] { engine->RequestStop(); });
  PulseEngine::Setup setup = b.Setup();
  setup.pauseOnStop = true;
  PulseEngine real(setup);
  engine = &real;
  b.guard.Heat();
  EXPECT_EQ(real.Play(source), EngineState::Paused);
  EXPECT_EQ(real.Ticks(), 50u);
  const uint8_t pause = PauseControlImage(ComputeControlImages(b.settings), b.settings);
  EXPECT_EQ(b.ControlWrites(), (std::vector<uint8_t>{0x03, pause}));

  // Resuming (after the pre-heat) plays byte 51 next, then the rest.
  b.guard.Heat();
  ASSERT_TRUE(real.Resume());
  while (real.Playing()) {
  }
  real.Join();
  EXPECT_EQ(real.State(), EngineState::Finished);
  EXPECT_EQ(b.Played(), bytes);
  EXPECT_EQ(b.ControlWrites().back(), 0x01);
}

TEST(PulseEngine, TheTrimChangesTheVeryNextTick) {
  Bench b;
  FixedPatternSource inner(0x01, 30, kSplit);
  PulseEngine* engine = nullptr;
  HookedSource source(inner, 21, [&] { engine->SetTrim(-5); });  // during tick 20
  PulseEngine real(b.Setup(false));
  engine = &real;
  real.Play(source);
  const auto starts = b.Starts();
  ASSERT_EQ(starts.size(), 30u);
  EXPECT_GE(starts[20] - starts[19], kPeriod - kSlack);  // tick 20 still whole
  for (size_t k = 21; k < starts.size(); ++k) {
    EXPECT_GE(starts[k] - starts[k - 1], kPeriod - 10 * 1000) << k;
    EXPECT_LE(starts[k] - starts[k - 1], kPeriod - 10 * 1000 + kSlack) << k;
  }
}

TEST(PulseEngine, AProgressiveStopDeceleratesOverTheRampThenEnds) {
  // Ramp of 100 steps from 400 µs down to 100 µs; a stop at tick 300 of 1000
  // ends the move at tick 400 after slowing down as it had sped up.
  RampPlan plan;
  plan.rampSteps = 100;
  plan.start = {200, 200};
  plan.dHigh = plan.dLow = 1.5;
  for (bool progressive : {true, false}) {
    Bench b;
    RampMoveSource inner(0x05, 1000, plan, progressive);
    PulseEngine* engine = nullptr;
    HookedSource source(inner, 301, [&] { engine->RequestStop(); });
    PulseEngine real(b.Setup(false));
    engine = &real;
    real.Play(source);
    const auto starts = b.Starts();
    if (!progressive) {
      EXPECT_EQ(real.Ticks(), 300u);
      continue;
    }
    ASSERT_EQ(real.Ticks(), 400u);
    EXPECT_NEAR(starts[1] - starts[0], 400 * 1000, kSlack);
    EXPECT_NEAR(starts[150] - starts[149], 100 * 1000, kSlack);  // full speed between the ramps
    for (size_t k = 301; k < starts.size(); ++k) {
      EXPECT_GE(starts[k] - starts[k - 1], starts[k - 1] - starts[k - 2]) << "slowing " << k;
    }
    // Tick 301 still at 100 µs, then 3 µs more per tick: tick 399 at 100 + 3 x 98.
    EXPECT_NEAR(starts[399] - starts[398], 394 * 1000, kSlack);
  }
}

TEST(PulseEngine, TheSerialLinkGetsPatternThenZeroForEveryTick) {
  FakeClock clock;
  test::FakeSerialPort serial;
  serial.Open();
  SerialTickOutput output(serial);
  PulseEngine::Setup setup;
  setup.clock = &clock;
  setup.output = &output;
  PulseEngine engine(setup);
  const std::vector<uint8_t> bytes{0x03, 0x00, 0xC0, 0x55};
  SequenceSource source(bytes, kSplit);
  engine.Play(source);
  std::vector<std::vector<uint8_t>> expected;
  for (uint8_t b : bytes) expected.push_back({b}), expected.push_back({0});
  EXPECT_EQ(serial.written, expected);

  // The Part's own routine: the same two bytes, each followed by its delay.
  serial.written.clear();
  const int64_t before = clock.now;
  EXPECT_TRUE(SerialStep(serial, clock, 0x0C, 30, 70));
  EXPECT_EQ(serial.written, (std::vector<std::vector<uint8_t>>{{0x0C}, {0x00}}));
  EXPECT_GE(clock.now - before, kPeriod);
  serial.failAtWrite = 1;
  EXPECT_FALSE(SerialStep(serial, clock, 0x0C, 30, 70));
}

// Writes to a lost port returned silently and the run ended "normally".
TEST(PulseEngine, ALostSerialLinkFailsTheRunNamingTheDevice) {
  FakeClock clock;
  test::FakeSerialPort serial;
  serial.params.port = "/dev/ttyUSB3";
  serial.Open();
  serial.failAtWrite = 5;  // the third tick's pattern
  SerialTickOutput output(serial);
  PulseEngine::Setup setup;
  setup.clock = &clock;
  setup.output = &output;
  PulseEngine engine(setup);
  FixedPatternSource source(0x05, 100, kSplit);
  EXPECT_EQ(engine.Play(source), EngineState::Failed);
  EXPECT_EQ(engine.Ticks(), 2u);
  EXPECT_EQ(engine.Error(), SerialLinkLostMessage("/dev/ttyUSB3", "perdu"));
  EXPECT_NE(engine.Error().find("/dev/ttyUSB3"), std::string::npos);
}

// A device that takes nothing holds the write: the stop is seen there, and
// the zero of the tick cut short goes first when the run resumes.
TEST(PulseEngine, ASlowSerialDeviceStillSeesTheStopAndLosesNoEdge) {
  FakeClock clock;
  test::FakeSerialPort serial;
  serial.Open();
  SerialTickOutput output(serial);
  PulseEngine::Setup setup;
  setup.clock = &clock;
  setup.output = &output;
  PulseEngine engine(setup);
  FixedPatternSource inner(0x05, 6, kSplit);
  // Taken during tick 2's high time: its zero meets the stuck device.
  HookedSource source(inner, 3, [&] {
    serial.stuck = true;
    engine.RequestStop();
  });
  ASSERT_TRUE(engine.Start(source));
  while (engine.Playing()) {
  }
  engine.Join();
  EXPECT_EQ(engine.State(), EngineState::Stopped);
  EXPECT_EQ(engine.Ticks(), 2u);
  serial.stuck = false;
  ASSERT_TRUE(engine.Resume());
  while (engine.Playing()) {
  }
  engine.Join();
  EXPECT_EQ(engine.State(), EngineState::Finished);
  std::vector<uint8_t> wire;
  for (const auto& w : serial.written) wire.insert(wire.end(), w.begin(), w.end());
  std::vector<uint8_t> expected;
  for (int i = 0; i < 6; ++i) expected.push_back(0x05), expected.push_back(0);
  EXPECT_EQ(wire, expected);
}

// Every way a run ends leaves the control register at the idle image,
// written once, after the run image.
struct EndCase {
  const char* name;
  std::function<void(Bench&, PulseEngine::Setup&)> arrange;
  std::function<void(Bench&, PulseEngine&, TickSource&)> run;
  EngineState expected;
};

struct ThrowingSource : TickSource {
  bool Next(Tick& tick) override {
    if (++taken == 20) throw std::runtime_error("Lecture du fichier de découpe impossible");
    tick = {0x05, 30, 70};
    return true;
  }
  int taken = 0;
};

void PlayOnThread(Bench&, PulseEngine& engine, TickSource& source) {
  if (!engine.Start(source)) return;
  while (engine.Playing()) {
  }
  engine.Join();
}

TEST(HeatSafety, EveryEndOfARunRestsTheHeatingOnce) {
  const EndCase cases[] = {
      {"end of the ticks", nullptr, PlayOnThread, EngineState::Finished},
      {"stop request", nullptr,
       [](Bench&, PulseEngine& engine, TickSource& source) {
         HookedSource hooked(source, 3, [&] { engine.RequestStop(); });
         engine.Play(hooked);
         EXPECT_EQ(engine.Ticks(), 2u);
       },
       EngineState::Stopped},
      {"guard rested by the window thread (window closed)", nullptr,
       [](Bench& b, PulseEngine& engine, TickSource& source) {
         HookedSource hooked(source, 10, [&] { b.guard.Rest(); });
         engine.Play(hooked);
         EXPECT_LT(engine.Ticks(), 10u);
       },
       EngineState::Stopped},
      {"exception thrown by the source", nullptr,
       [](Bench& b, PulseEngine& engine, TickSource&) {
         ThrowingSource throwing;
         PlayOnThread(b, engine, throwing);
         EXPECT_EQ(engine.Error(), "Lecture du fichier de découpe impossible");
       },
       EngineState::Failed},
      {"port failing on the output thread",
       [](Bench& b, PulseEngine::Setup&) { b.port.failFrom = 30; }, PlayOnThread,
       EngineState::Failed},
      {"output thread that cannot start",
       [](Bench&, PulseEngine::Setup& setup) {
         setup.startThread = [](std::function<void()>) -> std::thread {
           throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
         };
       },
       PlayOnThread, EngineState::Failed},
      {"engine destroyed while paused",
       [](Bench& b, PulseEngine::Setup& setup) {
         setup.pauseOnStop = true;
         b.settings.ActCouple = false;  // so that the pause and idle images differ
       },
       [](Bench&, PulseEngine& engine, TickSource& source) {
         HookedSource hooked(source, 5, [&] { engine.RequestStop(); });
         EXPECT_EQ(engine.Play(hooked), EngineState::Paused);
       },
       EngineState::Paused},
  };
  for (const EndCase& c : cases) {
    Bench b;
    PulseEngine::Setup setup = b.Setup();
    if (c.arrange) c.arrange(b, setup);
    FixedPatternSource source(0x05, 100, kSplit);
    {
      PulseEngine engine(setup);
      b.guard.Heat();
      c.run(b, engine, source);
      EXPECT_EQ(engine.State(), c.expected) << c.name;
    }
    const ControlImages images = ComputeControlImages(b.settings);
    const auto control = b.ControlWrites();
    ASSERT_FALSE(control.empty()) << c.name;
    EXPECT_EQ(control.front(), images.RunControlImage) << c.name;
    EXPECT_EQ(control.back(), images.IdleControlImage) << c.name;
    EXPECT_EQ(std::count(control.begin(), control.end(), images.IdleControlImage), 1) << c.name;
    // No step after the heating is off (a falling edge may still come).
    bool rested = false;
    for (const auto& w : b.port.writes) {
      if (w.address == kControl && w.value == images.IdleControlImage) rested = true;
      if (rested && w.address == kData) {
        EXPECT_EQ(w.value, 0) << c.name;
      }
    }
  }
}

TEST(HeatSafety, TheIdleImageIsThatOfTheSettingsNowInMemory) {
  // Regression for stale images: the settings are reset while a run plays
  // (heating and hold bits exchanged); ending must not write the old idle
  // image, which now switches the heating on.
  Bench b;
  b.settings.BitChauffe = 2;
  b.settings.BitCouple = 1;
  b.guard.Heat();
  FixedPatternSource inner(0x05, 50, kSplit);
  HookedSource source(inner, 10, [&] {
    b.settings.BitChauffe = 1;
    b.settings.BitCouple = 2;
  });
  PulseEngine engine(b.Setup());
  engine.Play(source);
  EXPECT_EQ(b.ControlWrites().back(), ComputeControlImages(b.settings).IdleControlImage);
  EXPECT_EQ(b.ControlWrites().back(), 0x02);
}

}  // namespace
}  // namespace orvane
