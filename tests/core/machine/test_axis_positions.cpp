#include "core/machine/axis_positions.h"

#include <gtest/gtest.h>

#include <thread>

namespace orvane {
namespace {

TEST(AxisPositions, AnUnknownPositionIsNeverTakenForTheOrigin) {
  AxisPositions positions;
  EXPECT_TRUE(positions.AtOrigin());
  positions.MarkUnknown();
  // The counters still read 0, but a return to origin must not think it is there.
  EXPECT_FALSE(positions.AtOrigin());
  positions.Set({-300, 0, 12, 0});
  EXPECT_TRUE(positions.Known());
  EXPECT_FALSE(positions.AtOrigin());
  EXPECT_EQ(positions.Get(MotorAxis::X1), -300);
  EXPECT_EQ(positions.Get(MotorAxis::X2), 12);
  positions.MarkUnknown();
  positions.SetOrigin();
  EXPECT_TRUE(positions.AtOrigin());
}

TEST(AxisPositions, MovesFromTheOutputThreadAreSeenWholeByTheWindowThread) {
  AxisPositions positions;
  constexpr int kSteps = 200000;
  std::thread writer([&] {
    for (int i = 0; i < kSteps; ++i) {
      positions.Move(MotorAxis::Y1, 1);
      positions.Move(MotorAxis::Y2, -1);
    }
  });
  int64_t last = 0;
  while (last < kSteps) {
    const int64_t now = positions.Get(MotorAxis::Y1);
    ASSERT_GE(now, last);  // never a torn or stale-after-fresh value
    last = now;
  }
  writer.join();
  EXPECT_EQ(positions.Steps(), (AxisSteps{0, kSteps, 0, -kSteps}));
}

}  // namespace
}  // namespace orvane
