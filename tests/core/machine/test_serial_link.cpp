#include "core/machine/serial_link.h"

#include <gtest/gtest.h>

#include "core/app/machine_settings.h"
#include "core/machine/centronic.h"
#include "support/fake_serial_port.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

struct CountingPort : PortOutput {
  void WriteByte(uint16_t address, uint8_t value) override { writes.push_back({address, value}); }
  std::string Description() const override { return {}; }
  std::vector<std::pair<uint16_t, uint8_t>> writes;
};

TEST(BoardFlags, MatchTheWorkedExamples) {
  MachineSettings s;
  s.ActCouple = s.ActChauffe = s.InvCouple = s.InvChauffe = true;
  // Hold active low in both states, heating active low running, high idle.
  EXPECT_EQ(RunFlags(s, true), 0b1000);
  EXPECT_EQ(HoldFlags(s), 0x00);

  MachineSettings plain;
  plain.ActCouple = false;
  EXPECT_EQ(HoldFlags(plain), 0x01);
  EXPECT_EQ(RunFlags(plain, false), 0x01);
  plain.ActCouple = true;
  EXPECT_EQ(HoldFlags(plain), 0x03);
  EXPECT_EQ(RunFlags(plain, true), 0x07);
}

TEST(BoardFlags, ProgramEndReleasesTheHoldInBothStates) {
  MachineSettings s;  // hold on, release on exit
  EXPECT_EQ(ExitBoardFlags(s), 0x00);
  s.ActChauffe = true;
  EXPECT_EQ(ExitBoardFlags(s), 0x04);
  s.InvCouple = true;
  EXPECT_EQ(ExitBoardFlags(s), 0x07);
  s.InvChauffe = true;
  EXPECT_EQ(ExitBoardFlags(s), 0x0B);
}

TEST(BoardParametersPacket, CarriesTheMachineSettingsAtTheirOffsets) {
  MachineSettings s;
  s.X1step = 200, s.Y1step = 200, s.X2step = 400, s.Y2step = 403;  // mean 300 (truncated)
  s.Periode = 40;
  s.Vmin = 1.75;
  s.Pente = 45;
  s.PreChauffe = 12;
  s.SerialBaudRate = "115200";
  s.InvCouple = true;
  BoardPacket p = BoardParametersPacket(s);
  EXPECT_EQ(p[0], HoldFlags(s));
  EXPECT_EQ(p[1], 0x01);
  EXPECT_EQ(p[2], 0x01);  // 300 = 0x012C, high byte first
  EXPECT_EQ(p[3], 0x2C);
  EXPECT_EQ(p[4], 40);
  EXPECT_EQ(p[5], 1);
  EXPECT_EQ(p[6], 75);
  EXPECT_EQ(p[7], 45);
  EXPECT_EQ(p[8], 12);
  EXPECT_EQ(p[9], 5);
  for (size_t i = 10; i < p.size(); ++i) EXPECT_EQ(p[i], 0) << i;
}

class BoardLink : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.stepPerRead = 1000;
    settings.PortType = 2;
    serial.onWrite = [this](const std::vector<uint8_t>& packet, test::FakeSerialPort& port) {
      if (packet[1] == 0x40 && answer) port.input.push_back(*answer);
    };
  }
  MachineSettings settings;
  test::FakeSerialPort serial;
  test::FakeClock clock;
  CountingPort port;
  std::optional<uint8_t> answer;
};

TEST_F(BoardLink, StartUpSetsTheOriginThenSaysHello) {
  answer = 0xAA;
  StartLink(settings, &port, serial, clock);
  EXPECT_TRUE(settings.BoardPresent);
  ASSERT_EQ(serial.written.size(), 2u);
  std::vector<uint8_t> origin(48, 0);
  origin[0] = 0x40;
  EXPECT_EQ(serial.written[0], origin);
  EXPECT_EQ(serial.written[1][0], HoldFlags(settings));
  EXPECT_EQ(serial.written[1][1], 0x40);
  EXPECT_EQ(clock.sleeps, (std::vector<int>{150, 150, 150}));
  EXPECT_TRUE(port.writes.empty());
}

TEST_F(BoardLink, AnyOtherAnswerOrSilenceMeansNoBoard) {
  for (std::optional<uint8_t> reply : {std::optional<uint8_t>(0x55), std::optional<uint8_t>()}) {
    answer = reply;
    serial.Close();
    StartLink(settings, &port, serial, clock);
    EXPECT_FALSE(settings.BoardPresent);
  }
}

TEST_F(BoardLink, ShutdownReleasesTheHoldThenClosesThePort) {
  answer = 0xAA;
  StartLink(settings, nullptr, serial, clock);
  serial.written.clear();
  StopLink(settings, ComputeControlImages(settings), &port, serial, clock);
  ASSERT_EQ(serial.written.size(), 1u);
  EXPECT_EQ(serial.written[0][0], ExitBoardFlags(settings));
  EXPECT_EQ(serial.written[0][1], 0x00);
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_TRUE(port.writes.empty());
}

TEST_F(BoardLink, AnAbsentBoardIsLeftAlone) {
  StartLink(settings, nullptr, serial, clock);
  serial.written.clear();
  StopLink(settings, ComputeControlImages(settings), &port, serial, clock);
  EXPECT_TRUE(serial.written.empty());
  EXPECT_TRUE(serial.IsOpen());
}

TEST_F(BoardLink, ParallelShutdownWritesOnlyWhenTheHoldIsReleased) {
  settings.PortType = 0;
  settings.LibCouple = false;
  ControlImages images = StartLink(settings, &port, serial, clock);
  port.writes.clear();
  StopLink(settings, images, &port, serial, clock);
  EXPECT_TRUE(port.writes.empty());
  EXPECT_TRUE(serial.written.empty());

  settings.LibCouple = true;
  StopLink(settings, images, &port, serial, clock);
  ASSERT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(port.writes[0].first, settings.Port + 2);
  EXPECT_EQ(port.writes[0].second, images.IdleControlImage ^ settings.BitCouple);
}

TEST_F(BoardLink, TheSerialLinkOnlyOpensThePort) {
  settings.PortType = 1;
  StartLink(settings, &port, serial, clock);
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_TRUE(settings.BoardPresent);
  EXPECT_TRUE(serial.written.empty());
  StopLink(settings, ComputeControlImages(settings), &port, serial, clock);
  EXPECT_FALSE(serial.IsOpen());
}

}  // namespace
}  // namespace orvane
