#include "core/machine/board_wait.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/app/machine_settings.h"
#include "core/machine/axis_positions.h"
#include "support/fake_serial_port.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

TEST(BoardLineTimer, TimesEachMoveAtTheLastFeed) {
  MachineSettings s;
  BoardLineTimer timer(s, 0);
  EXPECT_EQ(timer.LineMicroseconds("F600" + std::string(42, ' ')), 0);  // 10 mm/s
  EXPECT_EQ(timer.LineMicroseconds("G0 X    3.000 Y    4.000 A    0.000 B    0.000"), 500'000);
  // From (3, 4, 0, 0) to (3, 4, 12, 0): 12 mm.
  EXPECT_EQ(timer.LineMicroseconds("G1 X    3.000 Y    4.000 A   12.000 B    0.000"), 1'200'000);
  EXPECT_EQ(timer.LineMicroseconds("F60" + std::string(43, ' ')), 0);  // 1 mm/s
  EXPECT_EQ(timer.LineMicroseconds("G1 X    3.000 Y    4.000 A   12.000 B   -2.000"), 2'000'000);
  EXPECT_EQ(timer.LineMicroseconds("M2 (----------- fin du programme ------------)"), 0);
}

TEST(BoardLineTimer, CountsTheSlackOnTheFirstMoveAndNeverStandsStill) {
  MachineSettings s;
  s.Vmin = 0.5;  // before any feed line: 30 mm/min
  BoardLineTimer timer(s, 10);
  EXPECT_EQ(timer.LineMicroseconds("G0 X    0.000 Y    0.000 A    0.000 B    0.000"), 20'000'000);
  EXPECT_EQ(timer.LineMicroseconds("F0" + std::string(44, ' ')), 0);  // taken as 1 mm/min
  EXPECT_EQ(timer.LineMicroseconds("G1 X    1.000 Y    0.000 A    0.000 B    0.000"), 60'000'000);
  EXPECT_GT(timer.LineMicroseconds("G1 X 1e300 Y 0 A 0 B 0"), 0);
}

TEST(BoardLineTimer, SlackIsTheDistanceToTheOrigin) {
  MachineSettings s;
  s.X1step = 100;
  EXPECT_DOUBLE_EQ(DistanceFromOriginMm(s, {300, 800, 0, 0}), 5.0);  // 3 mm, 4 mm
}

class Identify : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.stepPerRead = 1000;
    serial.onWrite = [this](const std::vector<uint8_t>& p, test::FakeSerialPort& port) {
      requests.push_back(p);
      port.input.insert(port.input.end(), answer.begin(), answer.end());
    };
  }
  test::FakeSerialPort serial;
  test::FakeClock clock;
  MachineSettings settings;
  std::vector<uint8_t> answer;
  std::vector<std::vector<uint8_t>> requests;
};

TEST_F(Identify, ReadsTheBlockAndFindsTheBoard) {
  answer = {0x00, 0xC8, 50, 0, 33, 70, 8, 100, 0, 0, 0, 0x30, 0x39, 0, 0, 0};
  serial.input = {0xAA};  // a stale byte is cleared, not read as the block
  settings.ActChauffe = true;
  const BoardIdentifyResult result = IdentifyBoard(serial, clock, settings);
  ASSERT_TRUE(result.board);
  EXPECT_TRUE(settings.BoardPresent);
  EXPECT_EQ(result.lines[0], "012345   KELDRINO ver 1.00");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].size(), 48u);
  EXPECT_EQ(requests[0][0], 0x85);
  EXPECT_EQ(requests[0][1], 0x00);
  EXPECT_EQ(serial.params, SerialSelectorParams(settings));

  ReleaseOutputTest(serial, settings);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1][0], 0x81);
}

TEST_F(Identify, ShortSilentOrMissingAnswersAreNoBoard) {
  for (std::vector<uint8_t> reply :
       {std::vector<uint8_t>{0x00, 0xC8, 50, 0, 33, 70, 8}, std::vector<uint8_t>{}}) {
    answer = reply;
    settings.BoardPresent = true;
    const int64_t start = clock.now;
    const BoardIdentifyResult result = IdentifyBoard(serial, clock, settings);
    EXPECT_FALSE(result.board);
    EXPECT_FALSE(settings.BoardPresent);
    EXPECT_EQ(result.lines[1], "               PORT COM INTROUVABLE");
    EXPECT_LE(clock.now - start, 101'000'000);  // 100 ms and a look
    EXPECT_TRUE(serial.input.empty());
  }
  serial.Close();
  serial.openable = false;
  requests.clear();
  EXPECT_FALSE(IdentifyBoard(serial, clock, settings).board);
  EXPECT_TRUE(requests.empty());
  ReleaseOutputTest(serial, settings);
  EXPECT_TRUE(requests.empty());
}

}  // namespace
}  // namespace orvane
