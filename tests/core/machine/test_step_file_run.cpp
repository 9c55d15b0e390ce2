#include "core/machine/step_file_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/machine/axis_positions.h"
#include "core/machine/heat_guard.h"
#include "core/machine/step_decoder.h"
#include "core/machine/tick_output.h"
#include "support/played_ticks.h"
#include "support/recording_port.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using test::TempFolder;
using test::WriteText;

constexpr uint16_t kData = 888;
constexpr uint16_t kControl = 890;

// The engine plays on its own thread, so the clock is the real one: the
// fake clock is not shared across threads. Nothing is asserted on time.
class SteadyClock : public Clock {
 public:
  int64_t Counter() override {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  int64_t TicksPerMicrosecond() const override { return 1000; }
  void SleepMilliseconds(int ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
};

struct Keys : KeyState {
  bool IsKeyDown(Key key) const override { return down.count(key) > 0; }
  std::set<Key> down;
};

// Presses keys as the run goes: `script` is called at every look with the
// ticks played so far.
struct ScriptedView : StepRunView {
  explicit ScriptedView(Keys& keys) : keys(keys) {}
  void Wait() override {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    ++waits;
    if (script) script(lastTicks, keys);
  }
  void Progress(const ProgressView&, uint64_t ticks) override { lastTicks = ticks; }
  void Trim(const std::string& label) override { trims.push_back(label); }
  bool AskAbandon() override {
    keys.down.clear();
    asked.push_back(lastTicks);
    return abandon;
  }
  Keys& keys;
  std::function<void(uint64_t, Keys&)> script;
  uint64_t lastTicks = 0;
  int waits = 0;
  std::vector<std::string> trims;
  std::vector<uint64_t> asked;
  bool abandon = false;
};

struct Bench {
  Bench() {
    settings.ActChauffe = true;  // run image 0x03, idle 0x01
    settings.PreChauffe = 0;
    for (int32_t* speed :
         {&settings.X1speed, &settings.Y1speed, &settings.X2speed, &settings.Y2speed}) {
      *speed = 20;  // 20 µs ticks: quick, and long enough for the trim to matter
    }
    images = ComputeControlImages(settings);
  }
  // A step file with every axis moving, both ways, and zero bytes.
  std::vector<uint8_t> WriteSteps(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
      static constexpr uint8_t kPatterns[] = {0x01, 0x03, 0x00, 0x05, 0x0F, 0x50, 0xF0, 0x44};
      bytes[i] = kPatterns[(i * 7 + i / 13) % 8];
    }
    WriteText(folder / "cut.ovd", std::string(bytes.begin(), bytes.end()));
    return bytes;
  }
  StepRunSetup Setup(uint64_t ticks) {
    StepRunSetup setup;
    setup.clock = &clock;
    setup.keys = &keys;
    setup.guard = &guard;
    setup.output = &output;
    setup.positions = &positions;
    setup.settings = &settings;
    setup.stepPath = folder / "cut.ovd";
    setup.ticks = ticks;
    setup.durationSeconds = 100;
    return setup;
  }
  TempFolder folder;
  MachineSettings settings;
  ControlImages images{};
  SteadyClock clock;
  Keys keys;
  test::RecordingPort port;
  HeatGuard guard{&port, settings};
  ParallelTickOutput output{port, kData};
  AxisPositions positions;
};

// Space stops at once with the heating off, or asks whether to abandon when
// resuming is allowed. (The pre-heat's stops are the shared timed wait's, played
// by the manual moves; a whole run, a resume after "no" and signals are played
// byte for byte by the command line and the stop window.)
TEST(StepFileRun, EveryStopRestsTheHeatingAndHeatsNoMore) {
  for (const bool resumeAllowed : {false, true}) {
    Bench bench;
    const std::vector<uint8_t> bytes = bench.WriteSteps(200000);
    ScriptedView view(bench.keys);
    view.abandon = true;
    view.script = [&](uint64_t, Keys& keys) {
      if (view.waits == 1) keys.down.insert(Key::Space);
    };
    auto setup = bench.Setup(bytes.size());
    setup.resumeAllowed = resumeAllowed;
    EXPECT_EQ(RunStepFile(setup, view).end, StepRunEnd::Stopped) << resumeAllowed;
    EXPECT_EQ(view.asked.size(), resumeAllowed ? 1u : 0u);
    const std::vector<uint8_t> played = test::PlayedPatterns(bench.port),
                               control = test::ValuesTo(bench.port, kControl);
    ASSERT_LT(played.size(), bytes.size()) << resumeAllowed;
    EXPECT_TRUE(std::equal(played.begin(), played.end(), bytes.begin())) << resumeAllowed;
    ASSERT_FALSE(control.empty());
    EXPECT_EQ(control.front(), bench.images.RunControlImage);
    EXPECT_EQ(control.back(), bench.images.IdleControlImage);
    EXPECT_EQ(std::count(control.begin(), control.end(), bench.images.RunControlImage), 1);
  }
}

TEST(StepFileRun, TheRightArrowTrimsWithinAQuarterOfThePeriod) {
  Bench bench;
  bench.WriteSteps(5000);
  ScriptedView view(bench.keys);
  view.script = [](uint64_t, Keys& keys) { keys.down.insert(Key::Right); };
  ASSERT_EQ(RunStepFile(bench.Setup(5000), view).end, StepRunEnd::Completed);
  // P = 20: the bar spans 0 .. 5, centre 2; held, it stops at 5: 2 × 3 µs faster.
  ASSERT_FALSE(view.trims.empty());
  EXPECT_EQ(view.trims.back(), "-6 µs");
}

// The run ends at the header's count: a file that shrank since it was
// checked is a failure, bytes appended since are not played.
TEST(StepFileRun, PlaysTheHeadersTicksNoMoreNoFewer) {
  struct Case {
    const char* name;
    size_t fileBytes;  // 0: no file
    uint64_t headerTicks;
    StepRunEnd end;
    const char* error;
  } cases[] = {
      {"missing", 0, 10, StepRunEnd::Failed, "Fichier de découpe manquant"},
      {"shorter than its header", 50, 80, StepRunEnd::Failed,
       "Fichier de découpe raccourci pendant la découpe : 50 pas joués sur 80."},
      {"longer than its header", 80, 50, StepRunEnd::Completed, ""},
  };
  for (const Case& c : cases) {
    Bench bench;
    std::vector<uint8_t> bytes;
    if (c.fileBytes > 0) bytes = bench.WriteSteps(c.fileBytes);
    ScriptedView view(bench.keys);
    const StepRunResult result = RunStepFile(bench.Setup(c.headerTicks), view);
    EXPECT_EQ(result.end, c.end) << c.name;
    EXPECT_THAT(result.error, ::testing::StartsWith(c.error)) << c.name;
    const size_t played = std::min<size_t>(c.fileBytes, c.headerTicks);
    EXPECT_EQ(test::PlayedPatterns(bench.port),
              std::vector<uint8_t>(bytes.begin(), bytes.begin() + played))
        << c.name;
    // The positions follow the ticks played, not the rest of the file.
    EXPECT_EQ(bench.positions.Steps(), StepDecoder(bench.settings).Delta(bytes.data(), played))
        << c.name;
    if (c.fileBytes == 0) {
      EXPECT_TRUE(bench.port.writes.empty()) << c.name;
    } else {
      EXPECT_EQ(test::ValuesTo(bench.port, kControl).back(), bench.images.IdleControlImage)
          << c.name;
    }
  }
}

}  // namespace
}  // namespace orvane
