#include "core/cut/cut_set_check.h"

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/machine_settings.h"
#include "core/cut/cut_files.h"
#include "core/cut/step_stream.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;

struct Bytes : StepSink {
  bool Put(const uint8_t* a, const uint8_t* b, size_t count) override {
    setA.append(reinterpret_cast<const char*>(a), count);
    setB.append(reinterpret_cast<const char*>(b), count);
    return true;
  }
  std::string setA, setB;
};

// A cut as the cut window makes it: its step streams and the headers of both
// sets, with the outlines' extents as sizes.
struct GeneratedCut {
  GeneratedCut(const std::vector<CutPoint>& points, const double (&sizes)[4],
               const MachineSettings& settings)
      : settings(settings) {
    GenerateSteps(points, StepAxesFrom(settings), &steps, nullptr);
    DefaultZeroSizes(data.projection, sizes);
    data.segments = points.size() - 1;
    data.ticks = steps.setA.size();
  }
  CutHeaderInfo Header(bool setB) const {
    const CutHeaderRead read = ParseCutHeader(WriteCutHeader(data, settings, setB));
    EXPECT_TRUE(read.ok) << read.message;
    return read.info;
  }
  MachineSettings settings;
  Bytes steps;
  CutHeaderData data;
};

// A square of 50 mm on profile 1 and a rectangle on profile 2, both at 200
// steps/mm: 4 segments of 10,000 ticks. A cut there and back along X1 over
// 100 mm has as many ticks and twice the travel.
const std::vector<CutPoint> kSquare = {
    {0, 0, 0, 0}, {50, 0, 30, 0}, {50, 50, 30, 10}, {0, 50, 0, 10}, {0, 0, 0, 0}};
const double kSquareSizes[4] = {50, 50, 30, 10};
const std::vector<CutPoint> kThereAndBack = {{0, 0, 0, 0}, {100, 0, 0, 0}, {0, 0, 0, 0}};

TEST(CutStepCheck, AcceptsTheSetsItsWindowWritesAndNoMixedSet) {
  MachineSettings settings;
  const GeneratedCut square(kSquare, kSquareSizes, settings);
  const GeneratedCut longer(kThereAndBack, {100, 0, 0, 0}, settings);
  ASSERT_EQ(square.steps.setA.size(), longer.steps.setA.size());
  MachineSettings inverted = settings;  // other wiring: the travel is the same
  inverted.X1io = 3;
  inverted.Y2io = 0;
  inverted.X1clockwise = 1;
  const GeneratedCut rewired(kSquare, kSquareSizes, inverted);
  struct Case {
    const char* name;
    CutHeaderInfo header;
    std::optional<std::string> steps;
    const char* says;  // empty: accepted
  } cases[] = {
      {"set A", square.Header(false), square.steps.setA, ""},
      {"set B", square.Header(true), square.steps.setB, ""},
      {"motors on other bits, X1 inverted", rewired.Header(false), rewired.steps.setA, ""},
      {"no step file: a G-code-only cut", square.Header(false), std::nullopt, ""},
      {"set B's step file under set A's header", square.Header(false), square.steps.setB,
       "parcourir 10000 pas à X2, l'en-tête en annonce 6000"},
      {"a step file of another cut, same size", square.Header(false), longer.steps.setA,
       "parcourir 20000 pas à X1, l'en-tête en annonce 10000 (50.000 mm à 200 pas/mm)"},
      {"a byte short", square.Header(false), square.steps.setA.substr(1),
       "39999 octets pour 40000 pas annoncés"},
      {"empty", square.Header(false), "", "0 octets pour 40000 pas"},
  };
  for (const Case& c : cases) {
    const CutStepCheck check = CheckCutStepFile(
        c.header, c.steps ? std::optional<std::string_view>(*c.steps) : std::nullopt);
    EXPECT_EQ(check.ok, *c.says == '\0') << c.name << ": " << check.message;
    EXPECT_THAT(check.message, HasSubstr(c.says)) << c.name;
    if (check.ok) {
      EXPECT_EQ(check.ticks, 40000u) << c.name;
    }
  }
}

// X1's header size is 50 mm at 200 steps/mm with three decimals: 10,000
// steps, plus 0.0015 mm of rounding (0.3 step) and one step.
TEST(CutStepCheck, EachMotorsTravelFitsItsSizeWithinOneStep) {
  CutHeaderData data;
  const double sizes[4] = {50, 50, 50, 50};
  DefaultZeroSizes(data.projection, sizes);
  auto repeat = [](size_t count, char byte) { return std::string(count, byte); };
  struct Case {
    const char* name;
    std::string steps;
    bool ok;
  } cases[] = {
      {"10,001 steps up", repeat(10001, '\x03'), true},
      {"10,002 steps up", repeat(10002, '\x03'), false},
      {"10,002 steps down: the step bit alone", repeat(10002, '\x01'), false},
      {"the direction bit alone moves nothing", repeat(20000, '\x02'), true},
      // Net 0, but from +6000 to -6000.
      {"there and back beyond", repeat(6000, '\x03') + repeat(12000, '\x01') + repeat(6000, '\x03'),
       false},
      {"Y2 on bits 6-7", repeat(10002, '\xC0'), false},
  };
  for (const Case& c : cases) {
    data.ticks = c.steps.size();
    const CutHeaderRead read = ParseCutHeader(WriteCutHeader(data, MachineSettings{}, false));
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(CheckCutStepFile(read.info, std::string_view(c.steps)).ok, c.ok) << c.name;
  }
}

TEST(CutStepCheck, ReadsTheSetOnDisk) {
  test::TempFolder folder;
  const std::string base = folder / "wing";
  const GeneratedCut square(kSquare, kSquareSizes, MachineSettings{});
  EXPECT_THAT(CheckCutSet(base).message, HasSubstr("introuvable"));
  test::WriteText(base + ".ovi", WriteCutHeader(square.data, square.settings, false));
  EXPECT_TRUE(CheckCutSet(base).ok);  // no step file
  test::WriteText(base + ".ovd", square.steps.setA);
  EXPECT_TRUE(CheckCutSet(base).ok);
  test::WriteText(base + ".ovd", square.steps.setB);
  EXPECT_THAT(CheckCutSet(base).message, HasSubstr("Fichiers de découpes différentes"));
  test::WriteText(base + ".ovd", square.steps.setA + "x");
  EXPECT_THAT(CheckCutSet(base).message, HasSubstr("40001 octets"));
  // Anything the size of a step file is no header; a FIFO is not waited on.
  test::WriteText(base + ".ovi", std::string(1 << 20, '\n'));
  EXPECT_THAT(CheckCutSet(base).message, HasSubstr("n'est pas un en-tête"));
  std::filesystem::remove(base + ".ovi");
  ASSERT_EQ(mkfifo((base + ".ovi").c_str(), 0600), 0);
  EXPECT_THAT(CheckCutSet(base).message, HasSubstr("n'est pas un en-tête"));
}

}  // namespace
}  // namespace orvane
