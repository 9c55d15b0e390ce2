#include "core/cut/cut_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "core/app/machine_settings.h"
#include "core/common/text_lines.h"
#include "core/cut/cut_point_file.h"
#include "core/cut/cut_set_check.h"
#include "core/cut/step_stream.h"
#include "core/machine/cut_preview_layout.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using test::TempFolder;
using test::WriteText;
using ::testing::HasSubstr;

CutHeaderData Header() {
  CutHeaderData d;
  d.decimals = 2;
  const double dimensions[4] = {120.5, 40, 80, 20};
  DefaultZeroSizes(d.projection, dimensions);
  d.leadIn2 = {-10, 0};
  d.segments = 99;
  d.developed1 = 310;
  d.developed2 = 205;
  d.ticks = 123456;
  return d;
}

TEST(CutHeader, ReadsBackWhatItWrites) {
  MachineSettings s;
  s.Y2clockwise = 1;
  s.X2step = 400;
  s.X1io = 3;
  s.Y2io = 0;
  CutHeaderData d = Header();
  d.projection.projectedX2 = 95.25;
  d.projection.guideDistance = 900;
  d.projection.materialPosition = 40;
  d.projection.materialThickness = 600;
  const CutHeaderRead read = ParseCutHeader(WriteCutHeader(d, s, false));
  ASSERT_TRUE(read.ok) << read.message;
  const CutHeaderInfo& h = read.info;
  EXPECT_EQ(h.decimals, 2);
  EXPECT_EQ(h.sizes, (std::array<double, 8>{120.5, 40, 120.5, 40, 80, 20, 95.25, 20}));
  EXPECT_EQ(h.sizeLines[6], "95.250");
  EXPECT_EQ(h.leadIns, (std::array<double, 4>{0, 0, -10, 0}));
  EXPECT_EQ(h.guideDistance, 900);
  EXPECT_EQ(h.materialPosition, 40);
  EXPECT_EQ(h.materialThickness, 600);
  EXPECT_EQ(h.clockwise, (std::array<int64_t, 4>{0, 0, 0, 1}));
  EXPECT_EQ(h.stepsPerMm, (std::array<int64_t, 4>{200, 200, 400, 200}));
  EXPECT_EQ(h.ioSlots, (std::array<int64_t, 4>{3, 1, 2, 0}));
  EXPECT_EQ(h.segments, 99);
  EXPECT_EQ(h.developed, (std::array<int64_t, 2>{310, 205}));
  EXPECT_EQ(h.ticks, 123456u);

  // Lead-ins are written in whole millimetres. (What set B exchanges is
  // pinned by the file hashes of the command line's
  // GenerateWithTheFactoryWiringWritesTheSameFilesAsBefore.)
  const std::string setB = WriteCutHeader(d, s, true);
  EXPECT_EQ(SplitLines(setB)[15], "-10");
}

// One line of a written header replaced, or lines missing or added: every
// refusal names its line.
TEST(CutHeader, ReadsOnlyWhatTheCutWindowCanWrite) {
  const std::string good = WriteCutHeader(Header(), MachineSettings{}, false);
  auto lineStart = [&good](size_t number) {
    size_t start = 0;
    for (size_t i = 1; i < number; ++i) start = good.find('\n', start) + 1;
    return start;
  };
  struct Case {
    size_t line;
    const char* text;
    bool ok;
  } cases[] = {
      {2, "161", false},  // another layout
      {4, "6", true},        {4, "7", false},
      {6, "1e300", false},  // overflowed the block proposal
      {7, "-0.001", false},  {9, "100000000000", true},
      {16, "-1e300", false}, {24, "101", false},
      {28, "2", false},      {33, "800", true},
      {33, "801", false},    {38, "-9223372036854775808", false},  // wrapped to bits 0-1
      {45, "64.7", false},   {48, "4294967297", false},
  };
  for (const Case& c : cases) {
    const size_t start = lineStart(c.line);
    const CutHeaderRead read =
        ParseCutHeader(good.substr(0, start) + c.text + good.substr(good.find('\r', start)));
    EXPECT_EQ(read.ok, c.ok) << c.line << " " << c.text;
    if (!c.ok) {
      EXPECT_THAT(read.message, ::testing::HasSubstr("ligne " + std::to_string(c.line) + " : « " +
                                                     c.text + " »"));
    }
  }
  std::string lf = good;
  std::erase(lf, '\r');
  EXPECT_TRUE(ParseCutHeader(lf).ok);
  EXPECT_THAT(ParseCutHeader(good.substr(0, lineStart(47))).message,
              ::testing::HasSubstr("46 lignes sur 48"));  // without its tick count
  EXPECT_THAT(ParseCutHeader(good + "0\r\n").message,
              ::testing::HasSubstr("49 lignes au lieu de 48"));
  // An older version's header follows another layout: only recognised.
  const CutHeaderRead older = ParseCutHeader("// version\r\nv1.5\r\n");
  EXPECT_TRUE(older.ok && older.info.olderVersion);
}

// The names of both sets are listed by the command line's G-code test.
TEST(CutNames, FollowTheChosenBaseAndTheNumberOfCuts) {
  EXPECT_EQ(ProposedCutName("wing", true), "wing_A");
  EXPECT_EQ(ProposedCutName("wing", false), "wing");
  const std::string base = CutBase("/d/découpes/wing_A.ovd");
  EXPECT_EQ(base, "/d/découpes/wing_A");
  EXPECT_EQ(CutBase("/d/v1.2/wing"), "/d/v1.2/wing");
}

TEST(CutPointFile, ReadsBackWhatTheCutWindowWrites) {
  TempFolder folder;
  const std::vector<CutPoint> points = {{0, 0, 10, 5}, {300.25L, 100, 280, 90}, {-3, 2, 1, -4}};
  WriteText(folder / "a.ovs", WriteCutPoints(points, false));
  const CutPointRead a = ReadCutPointFile(folder / "a.ovs", 3);
  ASSERT_TRUE(a.ok) << a.message;
  EXPECT_FALSE(a.damaged);
  ASSERT_EQ(a.points.size(), 3u);
  EXPECT_DOUBLE_EQ(a.points[1][0], 300.25);
  EXPECT_DOUBLE_EQ(a.points[2][3], -4);
  // Set B's order (profile 2 first) is pinned by the file hashes of the
  // command line's GenerateWithTheFactoryWiringWritesTheSameFilesAsBefore.

  // A point holding NaN is left out.
  std::vector<CutPoint> nan = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  nan[1][1] = std::numeric_limits<long double>::quiet_NaN();
  WriteText(folder / "d.ovs", WriteCutPoints(nan, false));
  const CutPointRead damaged = ReadCutPointFile(folder / "d.ovs", 2);
  ASSERT_TRUE(damaged.ok);
  EXPECT_TRUE(damaged.damaged);
  EXPECT_EQ(damaged.points.size(), 1u);

  // 1001 points kept as at most 100: every 11th, and the last one.
  std::vector<CutPoint> many;
  for (int i = 0; i <= 1000; ++i) many.push_back({double(i), 0, double(i), 0});
  WriteText(folder / "m.ovs", WriteCutPoints(many, false));
  const CutPointRead thinned = ReadCutPointFile(folder / "m.ovs", 1001, 100);
  EXPECT_EQ(thinned.stride, 11u);
  ASSERT_LE(thinned.points.size(), 100u);
  EXPECT_DOUBLE_EQ(thinned.points[1][0], 11);
  EXPECT_DOUBLE_EQ(thinned.points.back()[0], 1000);
}

// The size is checked against the header's count before anything is read.
TEST(CutPointFile, RefusesAFileThatIsNotTheHeaders) {
  TempFolder folder;
  const std::string points = WriteCutPoints({{1, 2, 3, 4}, {5, 6, 7, 8}}, false);
  WriteText(folder / "p.ovs", points);
  // A pipe with no writer in the file's place is refused, not waited on.
  ASSERT_EQ(mkfifo((folder / "pipe.ovs").c_str(), 0644), 0);
  {
    // 4 GB with no block behind it: refused without reading a byte, its
    // size whole past 32 bits.
    std::ofstream sparse(folder / "sparse.ovs", std::ios::binary);
    sparse.seekp((int64_t(1) << 32) - 1);
    sparse.put('\0');
  }
  struct Case {
    const char* file;
    uint64_t expected;
    const char* says;
  } cases[] = {
      {"p.ovs", 3, "64 octets pour 3 points annoncés"},
      {"sparse.ovs", 6, "4294967296 octets pour 6 points"},
      {"p.ovs", UINT64_MAX, "pour 18446744073709551615 points"},  // a count times 32 wraps
      {"pipe.ovs", 2, "illisible"},
      {"none.ovs", 2, "none.ovs"},
  };
  alarm(60);
  for (const Case& c : cases) {
    const CutPointRead read = ReadCutPointFile(folder / c.file, c.expected);
    EXPECT_FALSE(read.ok) << c.file;
    EXPECT_TRUE(read.points.empty()) << c.file;
    EXPECT_NE(read.message.find(c.says), std::string::npos) << c.file << ": " << read.message;
  }
  alarm(0);
}

TEST(CutPreviewLayout, BlockCentredAtOneScaleWithThePathInside) {
  // Profile 1 spans 0..300 × 0..100, profile 2 is smaller and inside it.
  const std::vector<CutPointRecord> points = {{0, 0, 10, 5}, {300, 100, 290, 95}};
  const CutPointExtent extent = PointExtent(points);
  // A 310 × 120 block in a 400 × 300 pane with 20 px margins: the width
  // limits, 360 / 310 px per mm.
  const CutPreviewLayout layout = LayoutCutPreview(extent, 310, 120, 400, 300, 20);
  EXPECT_DOUBLE_EQ(layout.scale, 360.0 / 310.0);
  EXPECT_DOUBLE_EQ(layout.blockLeft, 20);
  EXPECT_DOUBLE_EQ(layout.blockTop, (300 - 120 * layout.scale) / 2);
  // The path's centre (150, 50) falls on the pane's centre, Y upwards.
  EXPECT_DOUBLE_EQ(layout.PixelX(150), 200);
  EXPECT_DOUBLE_EQ(layout.PixelY(50), 150);
  EXPECT_GT(layout.PixelY(0), layout.PixelY(100));

  // A block smaller than the path (the red case): the path still fits.
  const CutPreviewLayout tight = LayoutCutPreview(extent, 100, 50, 400, 300, 20);
  EXPECT_GE(tight.PixelX(0), 20 - 1e-9);
  EXPECT_LE(tight.PixelX(300), 380 + 1e-9);
}

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
