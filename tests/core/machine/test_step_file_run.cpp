// A step file played on the recording port. Stops, a resume after "no" and
// signals are played byte for byte by the command line and the stop window.

#include "core/machine/step_file_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
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
#include "support/scripted_services.h"
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

// Holds the right arrow down from the first look on when asked.
struct View : StepRunView {
  explicit View(test::ScriptedKeys& keys) : keys(keys) {}
  void Wait() override {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (holdRight) keys.down = [](Key key) { return key == Key::Right; };
  }
  void Trim(const std::string& label) override { trims.push_back(label); }
  bool AskAbandon() override { return true; }
  test::ScriptedKeys& keys;
  bool holdRight = false;
  std::vector<std::string> trims;
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
  test::ScriptedKeys keys;
  test::RecordingPort port;
  HeatGuard guard{&port, settings};
  ParallelTickOutput output{port, kData};
  AxisPositions positions;
};

TEST(StepFileRun, TheRightArrowTrimsWithinAQuarterOfThePeriod) {
  Bench bench;
  bench.WriteSteps(5000);
  View view(bench.keys);
  view.holdRight = true;
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
    View view(bench.keys);
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
