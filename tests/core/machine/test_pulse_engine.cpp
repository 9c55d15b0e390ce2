#include "core/machine/pulse_engine.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <functional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "core/app/machine_settings.h"
#include "core/machine/heat_guard.h"
#include "core/machine/serial_step.h"
#include "core/machine/tick_output.h"
#include "support/fake_serial_port.h"
#include "support/played_ticks.h"
#include "support/recording_port.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

using test::FakeClock;

constexpr uint16_t kData = 888, kControl = 890;
constexpr PulseSplit kSplit{30, 70};  // 100 µs
constexpr int64_t kPeriod = 100 * 1000;
// A few counter reads between a deadline and the write (the fake clock moves
// one count per read; real reads are some tens of nanoseconds apart).
constexpr int64_t kSlack = 8;

// Acts on the engine or the clock when a given tick is taken from `inner`
// (it is taken during the high time of the tick before).
struct HookedSource : TickSource {
  HookedSource(TickSource& inner, uint64_t at, std::function<void()> hook)
      : inner(inner), at(at), hook(std::move(hook)) {}
  bool Next(Tick& tick) override {
    if (++taken == at) hook();
    return inner.Next(tick);
  }
  bool StopNow(uint64_t played) override { return inner.StopNow(played); }
  TickSource& inner;
  uint64_t at, taken = 0;
  std::function<void()> hook;
};

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

PulseEngine::Setup On(Clock& clock, TickOutput& output) {
  PulseEngine::Setup setup;
  setup.clock = &clock;
  setup.output = &output;
  return setup;
}

// One run on a recording port and a fake clock (1000 counts per µs, one
// count per read), with the heat guard of `settings`.
struct Bench {
  Bench() { settings.ActChauffe = true; }  // run image 0x03, idle 0x01: they differ
  PulseEngine::Setup Setup(bool withGuard = true) {
    PulseEngine::Setup setup = On(clock, output);
    setup.guard = withGuard ? &guard : nullptr;
    setup.positions = &positions;
    setup.decoder = StepDecoder(settings);
    return setup;
  }
  // Time between the rising edges of tick k - 1 and k, at [k].
  std::vector<int64_t> Gaps() const {
    const auto data = port.To(kData);
    std::vector<int64_t> gaps{0};
    for (size_t i = 2; i < data.size(); i += 2) gaps.push_back(data[i].time - data[i - 2].time);
    return gaps;
  }
  MachineSettings settings;
  FakeClock clock;
  test::RecordingPort port{&clock};
  ParallelTickOutput output{port, kData};
  HeatGuard guard{&port, settings};
  AxisPositions positions;
};

void PlayOnThread(PulseEngine& engine, TickSource& source) {
  if (!engine.Start(source)) return;
  while (engine.Playing()) {
  }
  engine.Join();
}

// Deadline-based: the per-tick work never adds up and no tick is early. (The
// bytes played and the positions are the step file run's, a progressive stop
// over the ramp the motor test's.)
TEST(PulseEngine, EveryTickOnItsScheduleAndALateOneFollowedByAFullPeriod) {
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
  const Case cases[] = {{"on time", 0, false, kPeriod},
                        {"3.5 periods, taking the byte", kLong, false, 3 * kPeriod},
                        {"3.5 periods, before the write", kLong, true, kPeriod + kLong},
                        {"0.9 µs, before the write", 900, true, kPeriod + 900}};
  for (const Case& c : cases) {
    Bench b;
    FixedPatternSource inner(0x05, 40, kSplit);
    HookedSource source(inner, 11, [&] { b.clock.now += c.beforeWrite ? 0 : c.stall; });
    StallingOutput output(b.output, b.clock, c.beforeWrite ? 21 : 0, c.stall);
    PulseEngine::Setup setup = b.Setup(false);
    setup.output = &output;
    PulseEngine(setup).Play(source);
    const auto gaps = b.Gaps();
    ASSERT_EQ(gaps.size(), 40u);
    EXPECT_GE(gaps[10], c.lateTick) << c.name;
    const auto data = b.port.To(kData);
    for (size_t k = 1; k < gaps.size(); ++k) {
      EXPECT_GE(gaps[k], kPeriod) << "tick " << k << ", " << c.name;
      EXPECT_TRUE(k == 10 || gaps[k] <= kPeriod + kSlack) << "tick " << k << ", " << c.name;
      EXPECT_GE(data[2 * k - 1].time - data[2 * k - 2].time, 30 * 1000) << "high " << k << c.name;
    }
    // The low time after a late fall is whole as well, and so is the last.
    EXPECT_GE(data[20].time - data[19].time, 70 * 1000) << c.name;
    EXPECT_GE(b.clock.now - data[data.size() - 2].time, kPeriod) << c.name;
  }
}

TEST(PulseEngine, TheTrimChangesTheVeryNextTick) {
  Bench b;
  FixedPatternSource inner(0x01, 30, kSplit);
  PulseEngine engine(b.Setup(false));
  HookedSource source(inner, 21, [&] { engine.SetTrim(-5); });  // during tick 20
  engine.Play(source);
  const auto gaps = b.Gaps();
  ASSERT_EQ(gaps.size(), 30u);
  EXPECT_GE(gaps[20], kPeriod - kSlack);  // tick 20 still whole
  for (size_t k = 21; k < gaps.size(); ++k) {
    EXPECT_GE(gaps[k], kPeriod - 10 * 1000) << k;
    EXPECT_LE(gaps[k], kPeriod - 10 * 1000 + kSlack) << k;
  }
}

struct ThrowingSource : TickSource {
  bool Next(Tick& tick) override {
    if (++taken == 20) throw std::runtime_error("Lecture du fichier de découpe impossible");
    tick = {0x05, 30, 70};
    return true;
  }
  int taken = 0;
};

// A device that takes nothing still sees the stop, and the zero of the tick
// cut short goes first when the run resumes. (A sound link's bytes, and a
// lost or stuck one naming its device, are read on a pty by the command
// line's tests.)
TEST(PulseEngine, ASerialDeviceTakingNothingSeesTheStopAndLosesNoEdge) {
  FakeClock clock;
  test::FakeSerialPort serial;
  serial.Open();
  SerialTickOutput output(serial);
  PulseEngine engine(On(clock, output));
  FixedPatternSource inner(0x05, 6, kSplit);
  HookedSource source(inner, 3, [&] { serial.stuck = true, engine.RequestStop(); });
  PlayOnThread(engine, source);
  EXPECT_EQ(engine.State(), EngineState::Stopped);
  EXPECT_EQ(engine.Ticks(), 2u);
  serial.stuck = false;
  ASSERT_TRUE(engine.Resume());
  while (engine.Playing()) {
  }
  engine.Join();
  EXPECT_EQ(engine.State(), EngineState::Finished);
  std::vector<uint8_t> wire, expected;
  for (const auto& w : serial.written) wire.insert(wire.end(), w.begin(), w.end());
  for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {5, 0});
  EXPECT_EQ(wire, expected);
  // The step routine outside the engine sends the pattern then one zero, and
  // says when its write fails.
  serial.written.clear();
  EXPECT_TRUE(SerialStep(serial, clock, 0x0C, 30, 70));
  EXPECT_EQ(serial.written, (std::vector<std::vector<uint8_t>>{{0x0C}, {0x00}}));
  serial.failAtWrite = int(serial.written.size()) + 1;
  EXPECT_FALSE(SerialStep(serial, clock, 0x0C, 30, 70));
  // The serial link heats nothing, so its engine has no guard: a failing
  // source still ends the run with its message.
  serial.failAtWrite = 0;
  serial.Open();
  ThrowingSource throwing;
  PulseEngine unguarded(On(clock, output));
  PlayOnThread(unguarded, throwing);
  EXPECT_EQ(unguarded.State(), EngineState::Failed);
  EXPECT_EQ(unguarded.Error(), "Lecture du fichier de découpe impossible");
}

// Every way a run ends leaves the control register at the idle image,
// written once, after the run image, and no step after it. (The end of the
// ticks, a stop and signals are played byte for byte by the command line.)
TEST(HeatSafety, EveryEndOfARunRestsTheHeatingOnce) {
  using Run = std::function<void(Bench&, PulseEngine&, TickSource&)>;
  const auto onThread = [](Bench&, PulseEngine& e, TickSource& s) { PlayOnThread(e, s); };
  struct Case {
    const char* name;
    std::function<void(Bench&, PulseEngine::Setup&)> arrange;
    Run run;
    EngineState expected;
  };
  const Case cases[] = {
      {"guard rested by the window thread (window closed)", nullptr,
       [](Bench& b, PulseEngine& engine, TickSource& source) {
         HookedSource hooked(source, 10, [&] { b.guard.Rest(); });
         engine.Play(hooked);
         EXPECT_LT(engine.Ticks(), 10u);
       },
       EngineState::Stopped},
      {"exception thrown by the source", nullptr,
       [](Bench&, PulseEngine& engine, TickSource&) {
         ThrowingSource throwing;
         PlayOnThread(engine, throwing);
         EXPECT_EQ(engine.Error(), "Lecture du fichier de découpe impossible");
       },
       EngineState::Failed},
      {"port failing on the output thread",
       [](Bench& b, PulseEngine::Setup&) { b.port.failFrom = 30; }, onThread, EngineState::Failed},
      {"output thread that cannot start",
       [](Bench&, PulseEngine::Setup& setup) {
         setup.startThread = [](std::function<void()>) -> std::thread {
           throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
         };
       },
       onThread, EngineState::Failed},
      {"engine destroyed while paused",
       [](Bench& b, PulseEngine::Setup& setup) {
         setup.pauseOnStop = true;
         b.settings.ActCouple = false;  // so that the pause and idle images differ
       },
       [](Bench&, PulseEngine& engine, TickSource& source) {
         HookedSource hooked(source, 5, [&] { engine.RequestStop(); });
         engine.Play(hooked);
         EXPECT_EQ(engine.Ticks(), 4u);
       },
       EngineState::Paused},
      // Regression for stale images: the heating and hold bits are exchanged
      // while a run plays; ending must not write the old idle image (0x01),
      // which now switches the heating on.
      {"settings reset during the run", nullptr,
       [](Bench& b, PulseEngine& engine, TickSource& source) {
         HookedSource hooked(source, 10,
                             [&] { b.settings.BitChauffe = 1, b.settings.BitCouple = 2; });
         engine.Play(hooked);
         EXPECT_EQ(test::ValuesTo(b.port, kControl).back(), 0x02);
       },
       EngineState::Finished},
  };
  for (const Case& c : cases) {
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
    const auto control = test::ValuesTo(b.port, kControl);
    ASSERT_FALSE(control.empty()) << c.name;
    EXPECT_EQ(control.front(), images.RunControlImage) << c.name;
    EXPECT_EQ(control.back(), images.IdleControlImage) << c.name;
    EXPECT_EQ(std::count(control.begin(), control.end(), images.IdleControlImage), 1) << c.name;
    bool rested = false;  // a falling edge may still come
    for (const auto& w : b.port.writes) {
      rested = rested || (w.address == kControl && w.value == images.IdleControlImage);
      EXPECT_FALSE(rested && w.address == kData && w.value != 0) << c.name;
    }
  }
}

// Keeps the last value written to the control register, whichever thread or
// handler wrote it: what the port holds.
struct LastWritePort : PortOutput {
  void WriteByte(uint16_t address, uint8_t value) override {
    if (address == kControl) last.store(value);
  }
  void WriteByteFromSignal(uint16_t address, uint8_t value) noexcept override {
    WriteByte(address, value);
  }
  std::string Description() const override { return "dernière écriture"; }
  std::atomic<int> last{-1};
};

std::atomic<uint64_t> gRested{0};

void RestFromSignal(int) {
  HeatGuard::RestActiveFromSignal();
  gRested.fetch_add(1);
}

// Heat, pause and rest in a loop while another thread signals this one as
// fast as it can, the handler resting the guard as a termination signal
// does. Whenever the guard says resting, the port must hold the idle image;
// before the fix a handler between the state and the write of `Heat` left
// the run image for good (hundreds of times in a few million calls).
TEST(HeatGuard, NoSignalInsideHeatPauseOrRestLeavesTheRunImageWhileResting) {
  MachineSettings settings;
  settings.ActChauffe = true;
  settings.ActCouple = false;  // run, pause and idle images all differ
  settings.InvChauffe = true;  // an idle image that is not 0
  const ControlImages images = ComputeControlImages(settings);
  ASSERT_NE(images.RunControlImage, images.IdleControlImage);
  ASSERT_NE(images.IdleControlImage, 0);
  LastWritePort port;
  HeatGuard guard(&port, settings);
  guard.Heat(true);
  HeatGuard::RestActiveFromSignal();
  EXPECT_EQ(port.last.load(), images.IdleControlImage) << "the handler's image";

  struct sigaction action {
  }, previous{};
  action.sa_handler = RestFromSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
  std::atomic<bool> done{false};
  const pthread_t target = pthread_self();
  std::thread sender([&] {
    while (!done.load()) pthread_kill(target, SIGUSR1);
  });

  gRested = 0;
  uint64_t wrong = 0, calls = 0;
  auto check = [&] {
    if (guard.Resting() && port.last.load() != images.IdleControlImage) ++wrong;
  };
  // Enough calls for thousands of signals to land among them (how many a
  // second get through depends on the machine's load).
  while (calls < 30000000 && (calls < 300000 || gRested.load() < 5000)) {
    guard.Heat(calls % 2 == 0);
    check();
    guard.Pause();
    check();
    guard.Rest();
    check();
    calls += 3;
  }
  done = true;
  sender.join();
  sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_EQ(wrong, 0u) << "in " << calls << " calls, " << gRested.load() << " signals";
  EXPECT_GT(gRested.load(), 0u);
  EXPECT_EQ(port.last.load(), images.IdleControlImage);
}

}  // namespace
}  // namespace orvane
