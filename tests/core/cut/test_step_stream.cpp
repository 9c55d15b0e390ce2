#include "core/cut/step_stream.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/app/machine_settings.h"
#include "support/profiles.h"

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

std::vector<CutPoint> Points(std::initializer_list<CutPoint> points) {
  return points;
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

TEST(StepStream, ASingleAxisSegmentStepsInEveryTick) {
  MemorySink sink;
  const StepAxes axes = Axes(100);
  GenerationResult r =
      GenerateSteps(Points({{0, 0, 0, 0}, {0.05L, 0, 0, 0}}), axes, &sink, nullptr);
  ASSERT_EQ(r.ticks, 5u);
  for (uint8_t byte : sink.bytesA) EXPECT_EQ(byte, 0x03);  // X1 on pair 0, moving up
  EXPECT_EQ(Decode(sink.bytesA, axes), (std::array<int64_t, 4>{5, 0, 0, 0}));
}

TEST(StepStream, ShorterAxesStepWhenTheirRunningSumPassesAnInteger) {
  MemorySink sink;
  const StepAxes axes = Axes(100);
  GenerateSteps(Points({{0, 0, 0, 0}, {0.10L, 0.03L, 0.10L, 0.03L}}), axes, &sink, nullptr);
  ASSERT_EQ(sink.bytesA.size(), 10u);
  std::vector<int> y1Ticks;
  for (size_t t = 0; t < sink.bytesA.size(); ++t) {
    EXPECT_TRUE(sink.bytesA[t] & 0x01) << t;  // X1 steps in every tick
    if (sink.bytesA[t] & 0x04) y1Ticks.push_back(static_cast<int>(t) + 1);
  }
  EXPECT_EQ(y1Ticks, (std::vector<int>{4, 7, 10}));
}

// Regression: counting each segment on its own lost the fractions of a step,
// so a finely divided outline came out shrunk and open.
TEST(StepStream, SubStepSegmentsKeepTheirMotionForTheFollowingOnes) {
  std::vector<CutPoint> points;
  for (int i = 0; i <= 100; ++i) points.push_back({i * 0.004L, 0, 0, 0});  // 0.4 step each
  MemorySink sink;
  const StepAxes axes = Axes(100);
  GenerateSteps(points, axes, &sink, nullptr);
  // 0.4 mm at 100 steps/mm: within one step of 40 (counted per segment, 0).
  const int64_t moved = Decode(sink.bytesA, axes)[0];
  EXPECT_GE(moved, 39);
  EXPECT_LE(moved, 40);
}

TEST(StepStream, AClosedOutlineOfManyPointsReturnsToItsStart) {
  std::vector<CutPoint> points;
  const int n = 1000;
  for (int i = 0; i <= n; ++i) {
    const long double t = 2 * M_PIl * (i % n) / n;
    points.push_back(
        {150 + 150 * std::cos(t), 20 * std::sin(t), 100 + 100 * std::cos(t), 12 * std::sin(t) + 3});
  }
  MachineSettings s;
  s.X1step = 200, s.Y1step = 333, s.X2step = 800, s.Y2step = 17;
  s.X1clockwise = 1, s.Y2clockwise = 1;
  s.X1io = 2, s.Y1io = 3, s.X2io = 0, s.Y2io = 1;
  const StepAxes axes = StepAxesFrom(s);
  MemorySink sink;
  GenerationResult r = GenerateSteps(points, axes, &sink, nullptr);
  EXPECT_EQ(Decode(sink.bytesA, axes), (std::array<int64_t, 4>{0, 0, 0, 0}));
  // Half-way round, every axis is where its position in whole steps says.
  EXPECT_GT(r.ticks, 150u * 2 * 200);
}

TEST(StepStream, InversionReversesTheDirectionBitBothWays) {
  for (uint16_t clockwise : {0, 1}) {
    MachineSettings s;
    s.X1step = 100;
    s.X1clockwise = clockwise;
    MemorySink sink;
    GenerateSteps(Points({{0, 0, 0, 0}, {0.02L, 0, 0, 0}, {0, 0, 0, 0}}), StepAxesFrom(s), &sink,
                  nullptr);
    ASSERT_EQ(sink.bytesA.size(), 4u);
    EXPECT_EQ(sink.bytesA[0], clockwise ? 0x01 : 0x03);  // moving up
    EXPECT_EQ(sink.bytesA[3], clockwise ? 0x03 : 0x01);  // moving down
  }
}

// A wing-like pair of outlines that moves every axis both ways, open at the end.
std::vector<CutPoint> TaperedOutline() {
  std::vector<CutPoint> points;
  for (int i = 0; i <= 300; ++i) {
    const long double t = 2 * M_PIl * i / 330;
    points.push_back({150 + 150 * std::cos(t), 20 * std::sin(t) + 2 * std::sin(3 * t),
                      90 + 90 * std::cos(t), 9 * std::sin(t) + 4});
  }
  return points;
}

TEST(StepStream, WithTheFactoryPairsTheOppositeCutExchangesTheHalvesOfEachByte) {
  for (uint16_t clockwise : {0, 1}) {
    MachineSettings s;  // pairs 0, 1, 2, 3
    s.X1step = s.X2step = 200;
    s.Y1step = 333, s.Y2step = 17;
    s.X1clockwise = s.Y2clockwise = clockwise;
    MemorySink sink;
    GenerateSteps(TaperedOutline(), StepAxesFrom(s), &sink, nullptr);
    ASSERT_EQ(sink.bytesA.size(), sink.bytesB.size());
    ASSERT_GT(sink.bytesA.size(), 1000u);
    size_t differing = 0;
    for (size_t t = 0; t < sink.bytesA.size(); ++t) {
      const uint8_t a = sink.bytesA[t];
      differing += sink.bytesB[t] != static_cast<uint8_t>((a << 4) | (a >> 4));
    }
    EXPECT_EQ(differing, 0u) << "clockwise " << clockwise;
  }
  MemorySink sink;
  GenerateSteps(Points({{0, 0, 0, 0}, {0.03L, -0.01L, 0.02L, 0.03L}}), Axes(100), &sink, nullptr);
  EXPECT_EQ(sink.bytesA[2] & 0x0C, 0x04);  // Y1 moving down: step without direction
}

// Regression: byte B exchanged the halves of the byte whatever the wiring, so
// with profile 1's motors on pairs 2 and 3 the opposite cut did not move.
TEST(StepStream, TheOppositeCutDrivesEachMotorWithItsPartnersMotion) {
  struct Wiring {
    const char* name;
    uint16_t x1, y1, x2, y2;
  };
  const Wiring wirings[] = {{"factory", 0, 1, 2, 3},
                            {"profile 1 on pairs 2 and 3", 2, 3, 0, 1},
                            {"X and Y exchanged on each side", 1, 0, 3, 2},
                            {"mixed", 3, 0, 1, 2}};
  // Open outline: net motion per axis in whole steps, worked from its two ends.
  const std::vector<CutPoint> points = TaperedOutline();
  for (const Wiring& w : wirings) {
    MachineSettings s;
    s.X1step = s.X2step = 200;
    s.Y1step = s.Y2step = 100;
    s.X1clockwise = s.X2clockwise = 1;
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
    EXPECT_EQ(Decode(sink.bytesA, axes), expected) << w.name;
    const std::array<int64_t, 4> opposite{expected[2], expected[3], expected[0], expected[1]};
    EXPECT_EQ(Decode(sink.bytesB, axes), opposite) << w.name;
  }
}

TEST(StepStream, WithoutASinkOnlyTheTicksAreCounted) {
  GenerationResult r =
      GenerateSteps(Points({{0, 0, 0, 0}, {1, 0, 0, 0}}), Axes(100), nullptr, nullptr);
  EXPECT_EQ(r.ticks, 100u);
}

TEST(StepStream, TheObserverCanAbort) {
  struct StopAtOnce : GenerationObserver {
    bool Continue(size_t, size_t, uint64_t) override { return false; }
  } stop;
  MemorySink sink;
  GenerationResult r =
      GenerateSteps(Points({{0, 0, 0, 0}, {1, 0, 0, 0}, {2, 0, 0, 0}}), Axes(100), &sink, &stop);
  EXPECT_TRUE(r.aborted);
  EXPECT_EQ(r.ticks, 100u);
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
}

}  // namespace
}  // namespace orvane
