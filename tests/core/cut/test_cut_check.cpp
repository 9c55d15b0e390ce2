// The generated steps read back and measured against the outlines.
#include "core/cut/cut_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/app/machine_settings.h"

namespace orvane {
namespace {

struct KeptSink : StepSink {
  bool Put(const uint8_t* a, const uint8_t*, size_t count) override {
    bytes.insert(bytes.end(), a, a + count);
    return true;
  }
  std::vector<uint8_t> bytes;
};

// Root and tip of `n` points around ellipses, the tip smaller, off-centre and
// read to three decimals, as the adjusted tables give them.
std::vector<CutPoint> Wing(int n, double scale = 1) {
  std::vector<CutPoint> points;
  auto three = [](double v) { return std::round(v * 1000) / 1000; };
  for (int i = 0; i <= n; ++i) {
    const double t = 2 * M_PI * (i % n) / n;
    points.push_back({three(scale * (150 + 150 * std::cos(t))), three(scale * 22 * std::sin(t)),
                      three(scale * (70 + 90 * std::cos(t))),
                      three(scale * (-3 + 11 * std::sin(t)))});
  }
  return points;
}

CutDeviation Check(const std::vector<CutPoint>& points, const MachineSettings& s,
                   const std::function<void(std::vector<uint8_t>&)>& spoil = {}) {
  KeptSink sink;
  GenerateSteps(points, StepAxesFrom(s), &sink, nullptr);
  if (spoil) spoil(sink.bytes);
  CutChecker checker(points, s);
  checker.Feed(sink.bytes.data(), sink.bytes.size());
  return checker.Finish();
}

TEST(CutCheck, GeneratedCutsStayWithinOneStepOfTheirOutlines) {
  MachineSettings factory;
  MachineSettings mixed;  // unequal axes, inverted motors, other wiring
  mixed.X1step = 80, mixed.Y1step = 200, mixed.X2step = 157, mixed.Y2step = 33;
  mixed.X1clockwise = 1, mixed.Y2clockwise = 1;
  mixed.X1io = 2, mixed.X2io = 0;
  // Segments far shorter than a step, and a corner. Regression: counting each
  // segment on its own lost the fractions of a step, so a finely divided
  // outline came out shrunk and open (here, ending elsewhere).
  std::vector<CutPoint> tiny;
  for (int i = 0; i <= 400; ++i) tiny.push_back({i * 0.001L, 0, 0, i * 0.001L});
  tiny.push_back({0.4L, 30, 25, 0.4L});
  const struct {
    const char* name;
    std::vector<CutPoint> points;
    const MachineSettings& settings;
  } cases[] = {
      {"wing", Wing(160), factory},
      {"wing, mixed motors", Wing(160), mixed},
      {"wing below zero", Wing(99, -0.37), mixed},
      {"tiny segments", tiny, factory},
  };
  for (const auto& c : cases) {
    const CutDeviation d = Check(c.points, c.settings);
    EXPECT_FALSE(d.Fault()) << c.name << ": " << d.largest[0] << " " << d.largest[1];
  }
  EXPECT_EQ(DeviationText(0.0031), "0,003 mm");
}

TEST(CutCheck, ASpoiltStepFileIsAFault) {
  const MachineSettings s;
  const std::vector<CutPoint> wing = Wing(160);
  const struct {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> spoil;
    bool endsElsewhere;
  } cases[] = {
      {"cut short", [](std::vector<uint8_t>& b) { b.resize(b.size() * 9 / 10); }, true},
      // The same number of steps, in the wrong order: ends right, strays on the way.
      {"half swapped",
       [](std::vector<uint8_t>& b) { std::rotate(b.begin(), b.begin() + b.size() / 2, b.end()); },
       false},
      {"a burst of X1 steps",
       [](std::vector<uint8_t>& b) {
         for (size_t i = 2000; i < 2100; ++i) b[i] |= 0x03;
       },
       true},
  };
  for (const auto& c : cases) {
    const CutDeviation d = Check(wing, s, c.spoil);
    EXPECT_TRUE(d.Fault()) << c.name;
    EXPECT_EQ(d.endsElsewhere, c.endsElsewhere) << c.name;
  }
}

}  // namespace
}  // namespace orvane
