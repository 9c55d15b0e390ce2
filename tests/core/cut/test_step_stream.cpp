#include "core/cut/step_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/app/machine_settings.h"
#include "core/cut/cut_generation.h"
#include "core/cut/gcode.h"
#include "core/cut/projection.h"
#include "support/profiles.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

// Keeps the whole stream, for decoding.
struct MemorySink : StepSink {
  bool Put(const uint8_t* a, const uint8_t* b, size_t count) override {
    bytesA.insert(bytesA.end(), a, a + count);
    bytesB.insert(bytesB.end(), b, b + count);
    return true;
  }
  std::vector<uint8_t> bytesA, bytesB;
};

StepAxes Axes(uint16_t steps = 100) {
  MachineSettings s;
  s.X1step = s.Y1step = s.X2step = s.Y2step = steps;
  return StepAxesFrom(s);
}

// Decodes a stream independently of the generator: per axis, the signed
// number of steps, a set direction bit meaning "towards larger coordinates"
// unless the axis is inverted.
std::array<int64_t, 4> Decode(const std::vector<uint8_t>& bytes, const StepAxes& axes) {
  std::array<int64_t, 4> moved{};
  for (uint8_t byte : bytes) {
    for (int axis = 0; axis < 4; ++axis) {
      const int shift = 2 * axes.io[axis];
      if (!((byte >> shift) & 1)) continue;
      const bool directionBit = (byte >> (shift + 1)) & 1;
      moved[axis] += directionBit != (axes.clockwise[axis] == 1) ? 1 : -1;
    }
  }
  return moved;
}

// Where each step falls is pinned byte for byte by the file hashes of the
// command line's GenerateWithTheFactoryWiringWritesTheSameFilesAsBefore, and
// checked within one step of the outlines by the cut check.

// Regression: byte B exchanged the halves of the byte whatever the wiring, so
// with profile 1's motors on pairs 2 and 3 the opposite cut did not move.
// Tick by tick, each motor of the opposite cut gets its partner's step and
// direction bits; set A moves each axis by its whole steps between the ends.
TEST(StepStream, TheOppositeCutDrivesEachMotorWithItsPartnersBits) {
  struct Wiring {
    const char* name;
    uint16_t x1, y1, x2, y2;
  };
  const Wiring wirings[] = {
      {"factory", 0, 1, 2, 3}, {"profile 1 on pairs 2 and 3", 2, 3, 0, 1}, {"mixed", 3, 0, 1, 2}};
  std::vector<CutPoint> points;  // a wing-like pair of outlines, open at the end
  for (int i = 0; i <= 300; ++i) {
    const long double t = 2 * M_PIl * i / 330;
    points.push_back({150 + 150 * std::cos(t), 20 * std::sin(t) + 2 * std::sin(3 * t),
                      90 + 90 * std::cos(t), 9 * std::sin(t) + 4});
  }
  for (const Wiring& w : wirings) {
    for (uint16_t clockwise : {0, 1}) {
      MachineSettings s;
      s.X1step = s.X2step = 200;
      s.Y1step = 333, s.Y2step = 17;
      s.X1clockwise = s.Y2clockwise = clockwise;
      s.X1io = w.x1, s.Y1io = w.y1, s.X2io = w.x2, s.Y2io = w.y2;
      const StepAxes axes = StepAxesFrom(s);
      MemorySink sink;
      GenerateSteps(points, axes, &sink, nullptr);
      std::array<int64_t, 4> expected{};
      for (int axis = 0; axis < 4; ++axis) {
        const long double steps = axes.stepsPerMm[axis];
        expected[axis] = static_cast<int64_t>(std::trunc(steps * points.back()[axis])) -
                         static_cast<int64_t>(std::trunc(steps * points.front()[axis]));
        ASSERT_NE(expected[axis], 0);
      }
      EXPECT_EQ(Decode(sink.bytesA, axes), expected) << w.name << ", clockwise " << clockwise;
      ASSERT_EQ(sink.bytesA.size(), sink.bytesB.size());
      size_t differing = 0;
      for (size_t t = 0; t < sink.bytesA.size(); ++t) {
        for (int axis = 0; axis < 4; ++axis) {
          const int own = 2 * axes.io[axis], partner = 2 * axes.io[(axis + 2) % 4];
          differing += ((sink.bytesB[t] >> own) & 3) != ((sink.bytesA[t] >> partner) & 3);
        }
      }
      EXPECT_EQ(differing, 0u) << w.name << ", clockwise " << clockwise;
    }
  }
}

TEST(StepStream, WithoutASinkOnlyTheTicksAreCountedAndTheObserverCanAbort) {
  const std::vector<CutPoint> points = {{0, 0, 0, 0}, {1, 0, 0, 0}, {2, 0, 0, 0}};
  EXPECT_EQ(GenerateSteps(points, Axes(100), nullptr, nullptr).ticks, 200u);
  struct StopAtOnce : GenerationObserver {
    bool Continue(size_t, size_t, uint64_t) override { return false; }
  } stop;
  MemorySink sink;
  const GenerationResult r = GenerateSteps(points, Axes(100), &sink, &stop);
  EXPECT_TRUE(r.aborted);
  EXPECT_EQ(r.ticks, 100u);
  struct Last : GenerationObserver {  // the progress bar ends full
    bool Continue(size_t done, size_t total, uint64_t) override {
      seen = {done, total};
      return true;
    }
    std::pair<size_t, size_t> seen;
  } last;
  GenerateSteps(points, Axes(100), nullptr, &last);
  EXPECT_EQ(last.seen, (std::pair<size_t, size_t>{2, 2}));
}

// Each program goes to its own file, a G-code-only cut counts the same ticks,
// and a disk that refuses the text is a failure, not a short file.
TEST(GenerateCut, WritesEachProgramToItsFileAndSaysWhenTheDiskRefuses) {
  namespace fs = std::filesystem;
  const Profile p1 = test::MakeProfile({{0, 0}, {10, 5}, {20, 0}});
  const Profile p2 = test::MakeProfile({{0, 0}, {8, 4}, {16, 0}});
  const MachineSettings settings;
  test::TempFolder folder, only, full;
  const CutGeneration g =
      GenerateCut(p1.adjusted, p2.adjusted, settings, folder.Path(), false, nullptr);
  ASSERT_TRUE(g.Ok()) << g.error;
  const GcodePrograms programs = GenerateGcode(g.table.points, settings);
  ASSERT_NE(programs.cut, programs.opposite);
  EXPECT_EQ(test::ReadText(folder / "gcd1"), programs.cut);
  EXPECT_EQ(test::ReadText(folder / "gcd2"), programs.opposite);
  const CutGeneration gcodeOnly =
      GenerateCut(p1.adjusted, p2.adjusted, settings, only.Path(), true, nullptr);
  EXPECT_GT(g.steps.ticks, 0u);
  EXPECT_EQ(gcodeOnly.steps.ticks, g.steps.ticks);
  DeleteTemporaryCutFiles(folder.Path());
  EXPECT_TRUE(fs::is_empty(folder.Path()));

  fs::create_symlink("/dev/full", full / "gcd1");
  EXPECT_EQ(GenerateCut(p1.adjusted, p2.adjusted, settings, full.Path(), false, nullptr).error,
            "Impossible d'écrire le G-code dans " + full.Path());
}

TEST(CutTable, ParsesTheAdjustedTextsAndNamesABadCell) {
  Profile p1 = test::MakeProfile({{0, 0}, {10.125, 2}});
  Profile p2 = test::MakeProfile({{0, 0}, {5, 1}});
  CutTable table = MakeCutTable(p1.adjusted, p2.adjusted);
  ASSERT_TRUE(table.error.empty());
  EXPECT_EQ(table.points[1][0], 10.125L);
  p2.adjusted[1].y = "1,5";
  table = MakeCutTable(p1.adjusted, p2.adjusted);
  EXPECT_EQ(table.error, "Point 2, colonne Y2 : « 1,5 » n'est pas un nombre.");
  EXPECT_TRUE(table.points.empty());
  p2.adjusted.pop_back();  // a tip shorter than the root
  EXPECT_EQ(MakeCutTable(p1.adjusted, p2.adjusted).error,
            "Point 2, colonne X2 : «  » n'est pas un nombre.");
  p1.adjusted[1].x = "abc";  // refused before any limit is looked at
  EXPECT_EQ(CutRefusal(p1.adjusted, p2.adjusted, MachineSettings{}),
            "Point 2, colonne X1 : « abc » n'est pas un nombre.");
}

TEST(FormatGcodeLine, BuildsTheThreeKindsOfLine) {
  EXPECT_EQ(FormatGcodeLine("G1", 0, 12.5, -3, 12.5, -3),
            "G1 X   12.500 Y   -3.000 A   12.500 B   -3.000");
  EXPECT_EQ(FormatGcodeLine("F", 250), "F250" + std::string(42, ' '));
  EXPECT_EQ(FormatGcodeLine("M2", 7, 1, 2, 3, 4), "M2 (----------- fin du programme ------------)");
  // Six digits before the point: all ten characters, nothing cut.
  EXPECT_EQ(FormatGcodeLine("G1", 0, 123456.5, 0, 0, 0),
            "G1 X123456.500 Y    0.000 A    0.000 B    0.000");
  // Regression: a value between -0.0005 and 0 printed as "-0.000".
  EXPECT_EQ(FormatGcodeLine("G1", 0, -0.0001, -0.0004, -0.0, 0.0004),
            "G1 X    0.000 Y    0.000 A    0.000 B    0.000");
  EXPECT_EQ(FormatGcodeLine("G1", 0, -0.0006, -0.001, 0, 0).substr(0, 24),
            "G1 X   -0.001 Y   -0.001");
}

TEST(FeedRateMmMin, AveragesTheRoundedAxisFeedsInIntegers) {
  MachineSettings s;  // 5000 us at 200 steps/mm: 1 mm/s, 60 mm/min on every axis
  EXPECT_EQ(FeedRateMmMin(s), 60);
  // Per-axis feeds 300, 300, 301, 301 (60e6 / (speed x steps)).
  s.X1step = s.Y1step = s.X2step = s.Y2step = 100;
  s.X1speed = s.Y1speed = 2000;  // 300
  s.X2speed = s.Y2speed = 1993;  // 301.05 -> 301
  EXPECT_EQ(FeedRateMmMin(s), 300);
  s.X1speed = 0;  // a zero speed contributes 0
  EXPECT_EQ(FeedRateMmMin(s), (0 + 300 + 301 + 301) / 4);
  // Regression: the feed was kept in 16 bits, so 60,000,000 mm/min came out as 34560.
  s.X1step = s.Y1step = s.X2step = s.Y2step = 1;
  s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 1;  // 1e6 mm/s on every axis
  EXPECT_EQ(FeedRateMmMin(s), 60000000u);
  EXPECT_EQ(FormatGcodeLine("F", FeedRateMmMin(s)), "F60000000" + std::string(37, ' '));
}

TEST(GenerateGcode, ATwoPointCutGivesFourLinesOf46Characters) {
  MachineSettings s;
  s.Y1clockwise = 1;
  s.Y2clockwise = 1;
  GcodePrograms programs = GenerateGcode({{0, 0, 0, 0}, {10, 5, 20, 2.5L}}, s);
  const std::string expected = "F60" + std::string(43, ' ') + "\r\n" +
                               "G0 X    0.000 Y    0.000 A    0.000 B    0.000\r\n"
                               "G1 X  -10.000 Y    5.000 A  -20.000 B    2.500\r\n"
                               "M2 (----------- fin du programme ------------)\r\n";
  EXPECT_EQ(programs.cut, expected);
  EXPECT_EQ(programs.opposite.substr(48 * 2, 48),
            "G1 X  -20.000 Y    2.500 A  -10.000 B    5.000\r\n");

  // At six decimals a small coordinate negated on its way out stays unsigned.
  programs = GenerateGcode({{0, 0, 0, 0}, {0.0004L, 0.000123L, 0, 0}}, MachineSettings{});
  EXPECT_EQ(programs.cut.substr(48 * 2, 48), "G1 X    0.000 Y    0.000 A    0.000 B    0.000\r\n");
}

TEST(CutLimits, TheTickCountMayReachTwoToThe32AndPositionsTheCounters) {
  const long double limit = 4294967296.0L;  // 2^32 mm at 1 step/mm
  EXPECT_EQ(CheckCutLimits({{0, 0, 0, 0}, {limit, 0, 0, 0}}, Axes(1)), "");
  EXPECT_EQ(CheckCutLimits({{0, 0, 0, 0}, {limit + 1, 0, 0, 0}}, Axes(1)),
            "Découpe impossible : elle dépasse 4 294 967 296 pas (au point 2).");
  // Counted over the segments, going back and forth.
  EXPECT_NE(
      CheckCutLimits({{0, 0, 0, 0}, {limit / 2, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 0}}, Axes(1)),
      "");
  EXPECT_EQ(CheckCutLimits({}, Axes(1)), "");
  // 1e17 mm at 200 steps/mm is 2e19 steps, more than a 64-bit counter holds.
  EXPECT_EQ(CheckCutLimits({{0, 0, 0, 0}, {0, 0, 1e17L, 0}}, Axes(200)),
            "Découpe impossible : au point 2, X2 = 1e+17 mm est hors de portée des moteurs.");
}

// Regression: a cut of 2e19 ticks was started (and with only the G-code
// wanted, counted for ever) instead of being refused.
TEST(CutLimits, AnAbsurdCutIsRefusedBeforeAnyTickOrFile) {
  struct Watch : GenerationObserver {
    bool Continue(size_t, size_t, uint64_t) override {
      called = true;
      return false;
    }
    bool called = false;
  };
  const Profile p1 = test::MakeProfile({{0, 0}, {1e17, 10}});
  const Profile p2 = test::MakeProfile({{0, 0}, {50, 10}});
  MachineSettings settings;
  ASSERT_NE(CutRefusal(p1.adjusted, p2.adjusted, settings), "");
  for (bool gcodeOnly : {true, false}) {
    test::TempFolder folder;
    Watch watch;
    const CutGeneration g =
        GenerateCut(p1.adjusted, p2.adjusted, settings, folder.Path(), gcodeOnly, &watch);
    EXPECT_EQ(g.error, CutRefusal(p1.adjusted, p2.adjusted, settings));
    EXPECT_FALSE(g.Ok());
    EXPECT_FALSE(watch.called);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
  }
  // An ordinary cut passes the same check.
  const Profile small = test::MakeProfile({{0, 0}, {100, 10}});
  EXPECT_EQ(CutRefusal(small.adjusted, p2.adjusted, settings), "");
}

struct Fixture {
  Profile p1, p2;
  ProjectionInput in;
  Fixture(std::vector<std::pair<double, double>> a, std::vector<std::pair<double, double>> b)
      : p1(test::MakeProfile(a, -1)), p2(test::MakeProfile(b, -1)) {
    in.raw1 = &p1.raw;
    in.raw2 = &p2.raw;
    const auto [w1, h1] = ProfileExtent(p1.raw, true);
    const auto [w2, h2] = ProfileExtent(p2.raw, true);
    in.dimX1 = w1, in.dimY1 = h1, in.dimX2 = w2, in.dimY2 = h2;
    in.fil = 500, in.spacing = 500, in.wireLength = 600, in.thickness = 300;
    in.maxX = in.maxY = 500;
  }
};

TEST(Projection, ExtendsAUniformTaperSymmetricallyFromEachProfilesFirstPoint) {
  Fixture same({{0, 0}, {100, 0}, {100, 20}}, {{0, 0}, {100, 0}, {100, 20}});
  ProjectionResult r = RecomputeProjection(same.in);
  EXPECT_EQ(r.projected1, same.p1.raw);
  EXPECT_EQ(r.projected2, same.p2.raw);
  EXPECT_FALSE(r.appliquer);  // identical profiles: nothing to apply
  EXPECT_EQ(r.wireSpan, 500);
  EXPECT_TRUE(r.spanOk);
  // Root 200 x 20 (starting at (20, 5)), tip 100 x 10, block 300 thick in the
  // middle of guides 500 apart: each face is 100 mm from its guide, so the
  // paths grow by a third of the difference.
  Fixture f({{20, 5}, {220, 5}, {220, 25}}, {{0, 0}, {100, 0}, {100, 10}});
  r = RecomputeProjection(f.in);
  EXPECT_EQ(r.projected1[0], (PointText{"0.000000", "0.000000"}));
  EXPECT_EQ(r.projected1[1].x, "233.333333");
  EXPECT_EQ(r.projected2[1].x, "66.666667");
  EXPECT_NEAR(r.projectedX1, 233.333, 1e-3);
  EXPECT_NEAR(r.projectedY2, 6.667, 1e-3);
  EXPECT_TRUE(r.appliquer);
}

TEST(Projection, ClampsThicknessAndSpacingAndAppliesNothingBeyondCapacity) {
  Fixture f({{0, 0}, {200, 0}}, {{0, 0}, {100, 0}});
  f.in.thickness = 800;  // thicker than the guides are apart
  ProjectionResult r = RecomputeProjection(f.in);
  EXPECT_EQ(r.thickness, 500);
  f.in.thickness = 300;
  f.in.spacing = 120;  // narrower than the block
  r = RecomputeProjection(f.in);
  EXPECT_EQ(r.spacing, 300);
  f.in.thickness = 0;
  f.in.wireLength = 100;  // shorter than the guide distance
  r = RecomputeProjection(f.in);
  EXPECT_EQ(r.thickness, 1);
  EXPECT_EQ(r.wireLength, 500);
  EXPECT_EQ(DefaultThickness(500), 380);

  Fixture wide({{0, 0}, {450, 0}, {450, 20}}, {{0, 0}, {100, 0}, {100, 10}});
  r = RecomputeProjection(wide.in);
  EXPECT_FALSE(r.withinX1 || r.appliquer);
  wide.in.ignoreCapacity = true;
  EXPECT_TRUE(RecomputeProjection(wide.in).appliquer);
  Fixture edge({{0, 0}, {500, 0}, {500, 500}}, {{0, 0}, {500, 0}, {500, 500}});
  r = RecomputeProjection(edge.in);  // exactly the capacity fits
  EXPECT_TRUE(r.withinX1 && r.withinY1 && r.withinX2 && r.withinY2);
}

// Regression: a vertical line has Cote fields of 0 x 0, and its projected
// sizes were those fields times a ratio, so a guide path 450 mm wide passed a
// 400 mm machine.
TEST(Projection, AProfileFlatAlongAnAxisIsSizedByItsProjectedPoints) {
  Fixture f({{0, 0}, {0, 50}, {0, 100}}, {{0, 0}, {150, 50}, {150, 100}});
  f.in.dimX1 = f.in.dimY1 = 0;  // as the project window shows a vertical line
  f.in.thickness = 100, f.in.position = 70, f.in.wireLength = 1000;
  f.in.maxX = 400;
  // d1 = 500 x 0.7 - 50 = 300, d2 = 100: X1 = 0 - 150 / 100 x 300 = -450,
  // X2 = 150 + 150 / 100 x 100 = 300; Y is the same on both sides.
  ProjectionResult r = RecomputeProjection(f.in);
  EXPECT_NEAR(r.projectedX1, 450, 1e-9);
  EXPECT_NEAR(r.projectedY1, 100, 1e-9);
  EXPECT_NEAR(r.projectedX2, 300, 1e-9);
  EXPECT_FALSE(r.withinX1);
  EXPECT_TRUE(r.withinX2);
  EXPECT_TRUE(r.spanOk);  // sqrt(500^2 + 750^2) = 901 <= 1000
  EXPECT_EQ(r.wireSpan, 901);
  EXPECT_FALSE(r.appliquer);

  // Flat on both sides: the axis keeps the size its field shows.
  Fixture flat({{0, 0}, {100, 0}, {200, 0}}, {{0, 0}, {50, 0}, {100, 0}});
  flat.in.dimY1 = 200, flat.in.dimY2 = 100;  // a horizontal line shows Cote Y = Cote X
  r = RecomputeProjection(flat.in);
  EXPECT_EQ(r.projectedY1, 200);
  EXPECT_EQ(r.projectedY2, 100);
}

}  // namespace
}  // namespace orvane
