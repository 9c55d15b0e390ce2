#include "core/machine/centronic.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/app/machine_settings.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

struct RecordingPort : PortOutput {
  struct Write {
    uint16_t address;
    uint8_t value;
    int64_t time;
  };
  explicit RecordingPort(test::FakeClock* clock = nullptr) : clock(clock) {}
  void WriteByte(uint16_t address, uint8_t value) override {
    writes.push_back({address, value, clock ? clock->now : 0});
  }
  std::string Description() const override { return "enregistreur"; }
  test::FakeClock* clock;
  std::vector<Write> writes;
};

struct ImageCase {
  const char* name;
  uint8_t bitCouple, bitChauffe;
  bool actCouple, actChauffe, invCouple, invChauffe;
  uint8_t run, idle;
};

TEST(ControlImages, FollowTheSixStepsForEveryCombination) {
  // Worked by hand: "active" is bit = 1 unless inverted.
  const ImageCase cases[] = {
      {"factory: hold on, heat off", 1, 2, true, false, false, false, 0x01, 0x01},
      {"automatic heating", 1, 2, true, true, false, false, 0x03, 0x01},
      {"no hold at rest", 1, 2, false, true, false, false, 0x03, 0x00},
      {"inverted hold, no hold at rest", 2, 1, false, false, true, false, 0x00, 0x02},
      {"inverted heating", 1, 2, true, true, false, true, 0x01, 0x03},
      {"everything inverted", 4, 8, true, true, true, true, 0x00, 0x08},
      {"one bit for both", 1, 1, true, true, false, false, 0x01, 0x00},
  };
  for (const ImageCase& c : cases) {
    MachineSettings s;
    s.BitCouple = c.bitCouple;
    s.BitChauffe = c.bitChauffe;
    s.ActCouple = c.actCouple;
    s.ActChauffe = c.actChauffe;
    s.InvCouple = c.invCouple;
    s.InvChauffe = c.invChauffe;
    ControlImages images = ComputeControlImages(s);
    EXPECT_EQ(images.RunControlImage, c.run) << c.name;
    EXPECT_EQ(images.IdleControlImage, c.idle) << c.name;
  }
}

TEST(ControlImages, InvertedHoldBitTwoIsSetAtRestAndClearWhileCutting) {
  MachineSettings s;
  s.InvCouple = true;
  s.ActCouple = false;
  s.BitCouple = 2;
  s.BitChauffe = 1;
  ControlImages images = ComputeControlImages(s);
  EXPECT_TRUE(images.IdleControlImage & 2);
  EXPECT_FALSE(images.RunControlImage & 2);
}

TEST(ParallelLink, StartUpRestsTheOutputsAndExitReleasesTheHold) {
  MachineSettings s;
  s.Port = 0x278;
  RecordingPort port;
  ControlImages images = ParallelLinkStartUp(port, s);
  ASSERT_EQ(port.writes.size(), 2u);
  EXPECT_EQ(port.writes[0].address, 0x278);
  EXPECT_EQ(port.writes[0].value, 0);
  EXPECT_EQ(port.writes[1].address, 0x27A);
  EXPECT_EQ(port.writes[1].value, images.IdleControlImage);
  EXPECT_EQ(ExitControlImage(images, s), images.IdleControlImage ^ 1);

  EXPECT_TRUE(ReleasesHoldOnExit(s));
  s.LibCouple = false;
  EXPECT_FALSE(ReleasesHoldOnExit(s));
  s.LibCouple = true;
  s.PortType = 2;
  EXPECT_FALSE(ReleasesHoldOnExit(s));
}

TEST(AxisPattern, GivesAStepWithOrWithoutDirection) {
  EXPECT_EQ(AxisPattern(2, 1), 48);
  EXPECT_EQ(AxisPattern(3, 0), 64);
  EXPECT_EQ(AxisPattern(1, 2), 0);
  EXPECT_EQ(AxisPairMask(3), 192);
  EXPECT_EQ(AxisStepBit(2), 16);
  EXPECT_EQ(AxisStepBit(4), 0);
}

TEST(SplitPeriod, RoundsHalvesToEven) {
  auto check = [](uint32_t period, uint8_t duty, uint16_t high, uint16_t low) {
    PulseSplit split = SplitPeriod(period, duty);
    EXPECT_EQ(split.highUs, high) << period << " at " << int(duty);
    EXPECT_EQ(split.lowUs, low) << period << " at " << int(duty);
  };
  check(2000, 50, 1000, 1000);
  check(2001, 50, 1000, 1001);
  check(2003, 50, 1002, 1001);
  check(5000, 25, 1250, 3750);
  check(7, 75, 5, 2);
}

TEST(StepPulse, AZeroPatternStillTakesTheWholePeriod) {
  test::FakeClock clock;
  clock.ticksPerMicrosecond = 10;
  RecordingPort port(&clock);
  const int64_t start = clock.now;
  StepPulse(port, clock, 888, 0, 30, 70);
  ASSERT_EQ(port.writes.size(), 2u);
  EXPECT_EQ(port.writes[0].value, 0);
  EXPECT_EQ(port.writes[1].value, 0);
  EXPECT_GE(port.writes[1].time - port.writes[0].time, 30 * 10);
  EXPECT_GE(clock.now - start, (30 + 70) * 10);
  // The busy-wait stops as soon as the target is reached.
  EXPECT_LE(clock.now - start, (30 + 70) * 10 + 4);
}

}  // namespace
}  // namespace orvane
