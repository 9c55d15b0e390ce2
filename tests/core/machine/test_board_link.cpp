// The board's packets, answers and waits, and the serial link's start and end.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/app/machine_settings.h"
#include "core/machine/axis_positions.h"
#include "core/machine/board_feed.h"
#include "core/machine/board_protocol.h"
#include "core/machine/board_wait.h"
#include "core/machine/centronic.h"
#include "core/machine/serial_link.h"
#include "support/fake_serial_port.h"
#include "support/scripted_services.h"

namespace orvane {
namespace {

const std::string kEnd = "M2 (----------- fin du programme ------------)";

std::string Feed(int feed) {
  const std::string line = "F" + std::to_string(feed);
  return line + std::string(46 - line.size(), ' ');
}

TEST(BoardLinePacket, IsAlwaysFortyEightBytesOrRefused) {
  const auto shortLine = MakeBoardLinePacket(0x07, 0x04, "M2");
  ASSERT_TRUE(shortLine);
  EXPECT_EQ(std::string(shortLine->begin(), shortLine->end()), "\x07\x04M2" + std::string(44, ' '));
  EXPECT_TRUE(MakeBoardLinePacket(0x01, 0x02, std::string(46, 'G')));
  EXPECT_FALSE(MakeBoardLinePacket(0x01, 0x02, std::string(47, 'G')));
  EXPECT_NE(LineTooLongMessage(13, std::string(47, 'G')).find("47 caractères, 46 au plus"),
            std::string::npos);
}

// Each trigger's row of the output-level table, worked out by hand for four
// settings: plain (hold on), everything on, everything inverted, hold off.
// The end of the program releases the hold in every state.
TEST(BoardFlags, FollowTheirRowOfTheTable) {
  struct Case {
    const char* name;
    bool actCouple, actChauffe, invCouple, invChauffe;
    uint8_t holdMaintained, holdReleased, defineOrigin, closeWorking, closeFast, boardStop,
        testPress, testRelease, heatingOff, hold, runHeating, exit;
  };
  const Case cases[] = {
      // Hold 1|2 = 3; no heating; test: 0x81 pressed, 0x81 released; exit 3^1^2.
      {"hold only", true, false, false, false, 0x03, 0x00, 0x43, 0x03, 0x03, 0x03, 0x81, 0x81, 0x03,
       0x03, 0x07, 0x00},
      // Heating while running: 3|4 = 7; test pressed 0x80|5; exit 7^1^2 = 4.
      {"hold and heating", true, true, false, false, 0x03, 0x00, 0x43, 0x07, 0x03, 0x07, 0x85, 0x81,
       0x03, 0x03, 0x07, 0x04},
      // Both inverted: 7^3^12 = 0b1000 with heating, 3^3^12 = 0b1100 without;
      // test pressed 5^1^4 = 0, released 0^4 = 4; exit 0b1000^1^2 = 0x0B.
      {"all inverted", true, true, true, true, 0x00, 0x03, 0x40, 0x08, 0x0C, 0x08, 0x80, 0x84, 0x0C,
       0x00, 0x08, 0x0B},
      // No hold: hold 1; released test flips bit 0 back off; exit 1^1.
      {"hold off", false, false, false, false, 0x01, 0x02, 0x41, 0x01, 0x01, 0x01, 0x81, 0x80, 0x01,
       0x01, 0x05, 0x00},
  };
  for (const Case& c : cases) {
    MachineSettings s;
    s.ActCouple = c.actCouple, s.ActChauffe = c.actChauffe;
    s.InvCouple = c.invCouple, s.InvChauffe = c.invChauffe;
    const std::vector<int> got{HoldButtonFlags(s, false),   HoldButtonFlags(s, true),
                               DefineOriginFlags(s, false), ManualCloseFlags(s, true),
                               ManualCloseFlags(s, false),  BoardStopFlags(s),
                               OutputTestPressFlags(s),     OutputTestReleaseFlags(s),
                               HeatingOffFlags(s),          HoldFlags(s),
                               RunFlags(s, true),           ExitBoardFlags(s)};
    const std::vector<int> expected{
        c.holdMaintained, c.holdReleased, c.defineOrigin, c.closeWorking, c.closeFast,  c.boardStop,
        c.testPress,      c.testRelease,  c.heatingOff,   c.hold,         c.runHeating, c.exit};
    EXPECT_EQ(got, expected) << c.name;
  }
}

TEST(BoardParametersPacket, CarriesTheMachineSettingsAtTheirOffsets) {
  MachineSettings s;
  s.X1step = 200, s.Y1step = 200, s.X2step = 400, s.Y2step = 403;  // mean 300 (truncated)
  s.Vmin = 1.75;
  s.SerialBaudRate = "115200";
  s.InvCouple = true;
  const BoardPacket p = BoardParametersPacket(s);
  // 300 = 0x012C high byte first, 1.75 mm/s, baud rate 5, then nothing.
  EXPECT_EQ(std::vector<int>(p.begin(), p.begin() + 11),
            (std::vector<int>{HoldFlags(s), 0x01, 0x01, 0x2C, 50, 1, 75, 70, 8, 5, 0}));
  EXPECT_EQ(std::count(p.begin() + 11, p.end(), 0), std::ptrdiff_t(p.size() - 11));
}

TEST(BoardReport, DecodesSignsMagnitudesAndTheStop) {
  const std::array<uint8_t, 16> bytes = {0x80, 0x00, 0x01, 0x2C,   // X1 = -300
                                         0x00, 0x01, 0x00, 0x00,   // Y1 = 65536
                                         0x00, 0xFF, 0xFF, 0xFF,   // X2 = 16777215
                                         0x80, 0x00, 0x00, 0x00};  // Y2 = -0
  const BoardReport report = DecodeBoardReport(bytes);
  EXPECT_EQ(report.steps, (std::array<int64_t, 4>{-300, 65536, 16777215, 0}));
  EXPECT_FALSE(report.stopped);
  std::array<uint8_t, 16> stopped = bytes;  // the stop bit of the last group counts too
  stopped[12] |= 0x40;
  EXPECT_TRUE(DecodeBoardReport(stopped).stopped);
  EXPECT_EQ(DecodeBoardReport(stopped).steps, report.steps);
}

// 200 steps, 50 %, 0.33 mm/s, 70°, 8 s, version 1.23 rev 0, number 42.
constexpr std::array<uint8_t, 16> kIdentification = {0x00, 0xC8, 50, 0, 33, 70, 8, 123,
                                                     0,    0,    0,  0, 42, 0,  0, 0};

// The lines of a matching board are checked on the simulator; here the
// marks a near miss loses and the widest numbers.
TEST(BoardIdentification, ShowsTheBoardAndMarksWhatMatches) {
  MachineSettings s;  // the factory values the block above holds
  auto board = DecodeBoardIdentification(kIdentification);
  ASSERT_TRUE(board);
  s.Vmin = 0.34;
  s.Periode = 49;
  s.Y2step = 204;  // mean 201
  board->revision = 3;
  board->serialNumber = 4294967295u;
  const std::vector<std::string> lines = BoardIdentificationLines(board, s);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "4294967295   KELDRINO ver 1.23 rev 3");
  for (size_t i : {2, 3, 4}) EXPECT_EQ(lines[i].substr(0, 9), std::string(9, ' ')) << lines[i];
  EXPECT_EQ(lines[5], " (ok)    Pente en degrés            =  70");

  // Short or empty answers are no board.
  EXPECT_FALSE(DecodeBoardIdentification(std::span<const uint8_t>(kIdentification.data(), 15)));
  std::array<uint8_t, 16> zeroSteps = kIdentification;
  zeroSteps[0] = zeroSteps[1] = 0;
  EXPECT_FALSE(DecodeBoardIdentification(zeroSteps));
  // No board (its second line is the silent probe's): where to look.
  EXPECT_EQ(BoardIdentificationLines(std::nullopt, MachineSettings{}).back(),
            "           > VERIFIEZ LA CONNEXION USB");
}

// The sum of the four feeds is held in 16 bits; wrapping made the fastest
// presets crawl (80,000 would have become 14,464 ÷ 4 = 3616).
TEST(BoardCutFeed, ARealRunAveragesTheAxisFeedsAtThePresetsPeriods) {
  struct Case {
    const char* name;
    uint16_t steps;                  // on every axis; 0: 200 on X, 100 on Y
    std::array<int32_t, 4> periods;  // X1, X2, Y1, Y2
    uint16_t feed;
  };
  const Case cases[] = {
      // 60e6 / (4000 × 200) = 75, / (5000 × 200) = 60, / (6000 × 100) = 100,
      // / (2500 × 100) = 240: 475 ÷ 4 = 118 (pairing X2 with Y1's steps gives 121)
      {"mixed periods", 0, {4000, 5000, 6000, 2500}, 118},
      // X1 62.5 → 62 and X2 187.5 → 188 (halves to even), Y1 60, Y2 125:
      // 435 ÷ 4 = 108 (rounding halves up would give 436 ÷ 4 = 109)
      {"halves to even", 0, {4800, 1600, 10000, 4800}, 108},
      // A period the preset pushed to nothing moves that axis at no feed:
      // (0 + 60 + 100 + 240) ÷ 4 = 100
      {"a period of 0", 0, {0, 5000, 6000, 2500}, 100},
      // 60e6 / 3663 = 16,380.05: 65,520 fits; 60e6 / 3662 = 16,384.49: one past the top
      {"just within 16 bits", 1, {3663, 3663, 3663, 3663}, 16380},
      {"just past 16 bits", 1, {3662, 3662, 3662, 3662}, 16383},
  };
  for (const Case& c : cases) {
    MachineSettings s;
    s.X1step = s.X2step = c.steps ? c.steps : 200;
    s.Y1step = s.Y2step = c.steps ? c.steps : 100;
    s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 1;  // the configured periods play no part
    EXPECT_EQ(BoardCutFeed(s, c.periods, false), c.feed) << c.name;
  }
}

TEST(BoardCutFeed, ASimulationRunsAtTwiceVmaxScaledFromTheConfiguredFeed) {
  MachineSettings s;  // 5000 µs at 200 steps/mm: 60 mm/min, 1 mm/s; Vmax 2
  const std::array<int32_t, 4> preset{100, 100, 100, 100};
  // 60 × (2 / 1) × 2 = 240 is the command line's simulation.
  s.Vmax = 2.0625;  // 247.5 and 232.5 round to the even neighbour
  EXPECT_EQ(BoardCutFeed(s, preset, true), 248);
  s.Vmax = 1.9375;
  EXPECT_EQ(BoardCutFeed(s, preset, true), 232);
  // Feeds 60, 120, 60, 60: Fc = 75; speeds 1, 2, 1, 1 mm/s: Vc = 1.25;
  // 75 × (3.5 / 1.25) × 2 = 420, shown as 7 mm/s
  s.Y1speed = 2500;
  s.Y2speed = 10000, s.Y2step = 100;
  s.Vmax = 3.5;
  EXPECT_EQ(BoardCutFeed(s, preset, true), 420);
  EXPECT_EQ(BoardSimulationCaption(420), "Orvane - Simulation à 7 mm/s");
  s.Vmax = 1e9;
  EXPECT_EQ(BoardCutFeed(s, preset, true), 65535);
  s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 0;  // no configured speed: no feed
  EXPECT_EQ(BoardCutFeed(s, preset, true), 0);
}

TEST(BoardLineTimer, TimesEachMoveAtTheLastFeedFromTheSlack) {
  MachineSettings s;
  BoardLineTimer timer(s, 0);
  EXPECT_EQ(timer.LineMicroseconds(Feed(600)), 0);  // 10 mm/s
  EXPECT_EQ(timer.LineMicroseconds("G0 X    3.000 Y    4.000 A    0.000 B    0.000"), 500'000);
  // From (3, 4, 0, 0) to (3, 4, 12, 0): 12 mm.
  EXPECT_EQ(timer.LineMicroseconds("G1 X    3.000 Y    4.000 A   12.000 B    0.000"), 1'200'000);
  EXPECT_EQ(timer.LineMicroseconds(Feed(60)), 0);  // 1 mm/s
  EXPECT_EQ(timer.LineMicroseconds("G1 X    3.000 Y    4.000 A   12.000 B   -2.000"), 2'000'000);
  EXPECT_EQ(timer.LineMicroseconds(kEnd), 0);

  s.Vmin = 0.5;  // before any feed line: 30 mm/min
  BoardLineTimer slack(s, 10);
  EXPECT_EQ(slack.LineMicroseconds("G0 X    0.000 Y    0.000 A    0.000 B    0.000"), 20'000'000);
  EXPECT_EQ(slack.LineMicroseconds(Feed(0)), 0);  // taken as 1 mm/min
  EXPECT_EQ(slack.LineMicroseconds("G1 X    1.000 Y    0.000 A    0.000 B    0.000"), 60'000'000);
  EXPECT_GT(slack.LineMicroseconds("G1 X 1e300 Y 0 A 0 B 0"), 0);  // never stands still
  s.X1step = 100;  // the slack is the distance to the origin: 3 mm, 4 mm
  EXPECT_DOUBLE_EQ(DistanceFromOriginMm(s, {300, 800, 0, 0}), 5.0);
}

// A packet's flags and command.
std::pair<int, int> Head(const std::vector<uint8_t>& packet) {
  return {packet[0], packet[1]};
}

// A serial port answering every packet with `answer` (an identification
// block, or the greeting's byte to 0x40).
class Serial : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.stepPerRead = 1000;
    settings.PortType = 2;
    serial.onWrite = [this](const std::vector<uint8_t>& p, test::FakeSerialPort& port) {
      requests.push_back(p);
      if (answerTo < 0 || p[1] == answerTo)
        port.input.insert(port.input.end(), answer.begin(), answer.end());
    };
  }
  struct CountingPort : PortOutput {
    void WriteByte(uint16_t address, uint8_t value) override { writes.push_back({address, value}); }
    std::string Description() const override { return {}; }
    std::vector<std::pair<uint16_t, uint8_t>> writes;
  };
  MachineSettings settings;
  test::FakeSerialPort serial;
  test::FakeClock clock;
  CountingPort port;
  std::vector<uint8_t> answer;
  int answerTo = -1;  // the command answered; every one when negative
  std::vector<std::vector<uint8_t>> requests;
};

// What the board says back is checked on the simulator; here what the
// simulator cannot show: stale input, silence, a port that will not open.
TEST_F(Serial, IdentifyClearsStaleInputAndTakesSilenceForNoBoard) {
  answer = {0x00, 0xC8, 50, 0, 33, 70, 8, 100, 0, 0, 0, 0x30, 0x39, 0, 0, 0};
  serial.input = {0xAA};  // a stale byte is cleared, not read as the block
  settings.ActChauffe = true;
  ASSERT_TRUE(IdentifyBoard(serial, clock, settings).board);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(Head(requests[0]), std::make_pair(0x85, 0x00));
  EXPECT_EQ(serial.params, SerialSelectorParams(settings));

  answer.clear();
  const int64_t start = clock.now;
  const BoardIdentifyResult silent = IdentifyBoard(serial, clock, settings);
  EXPECT_FALSE(silent.board || settings.BoardPresent);
  EXPECT_EQ(silent.lines[1], "               PORT COM INTROUVABLE");
  EXPECT_LE(clock.now - start, 101'000'000);  // 100 ms and a look
  // A board that answered late, or held no parameters yet, still switched its
  // outputs on the request: the release goes whenever the port is open.
  requests.clear();
  ReleaseOutputTest(serial, settings);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(Head(requests[0]), std::make_pair(int(OutputTestReleaseFlags(settings)), 0));
  serial.Close();
  serial.openable = false;
  requests.clear();
  EXPECT_FALSE(IdentifyBoard(serial, clock, settings).board);
  ReleaseOutputTest(serial, settings);
  EXPECT_TRUE(requests.empty());
}

TEST_F(Serial, ShutdownReleasesTheHoldOfABoardFoundAtStartUpOnly) {
  answer = {0xAA};
  answerTo = 0x40;
  StartLink(settings, &port, serial, clock);
  EXPECT_TRUE(settings.BoardPresent);
  EXPECT_EQ(clock.sleeps, (std::vector<int>{150, 150, 150}));
  requests.clear();
  StopLink(settings, ComputeControlImages(settings), &port, serial, clock);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(Head(requests[0]), std::make_pair(int(ExitBoardFlags(settings)), 0));
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_TRUE(port.writes.empty());

  // Silence means no board, which is then left alone.
  answer.clear();
  StartLink(settings, &port, serial, clock);
  EXPECT_FALSE(settings.BoardPresent);
  requests.clear();
  StopLink(settings, ComputeControlImages(settings), &port, serial, clock);
  EXPECT_TRUE(requests.empty());
  EXPECT_TRUE(serial.IsOpen());
}

TEST_F(Serial, OtherLinksOnlyOpenThePortOrReleaseTheParallelHold) {
  settings.PortType = 1;  // the serial link only opens the port
  StartLink(settings, &port, serial, clock);
  EXPECT_TRUE(serial.IsOpen() && settings.BoardPresent);
  EXPECT_TRUE(requests.empty());
  StopLink(settings, ComputeControlImages(settings), &port, serial, clock);
  EXPECT_FALSE(serial.IsOpen());

  settings.PortType = 0;  // the parallel port rests its outputs at the start
  settings.LibCouple = false;
  settings.Port = 0x278;
  const ControlImages images = StartLink(settings, &port, serial, clock);
  EXPECT_EQ(port.writes, (std::vector<std::pair<uint16_t, uint8_t>>{
                             {0x278, 0}, {0x27A, images.IdleControlImage}}));
  port.writes.clear();  // and at the end writes only when the hold is released
  StopLink(settings, images, &port, serial, clock);
  EXPECT_TRUE(port.writes.empty());
  settings.LibCouple = true;
  StopLink(settings, images, &port, serial, clock);
  EXPECT_EQ(
      port.writes,
      (std::vector<std::pair<uint16_t, uint8_t>>{
          {uint16_t(settings.Port + 2), uint8_t(images.IdleControlImage ^ settings.BitCouple)}}));
  EXPECT_TRUE(requests.empty());
}

}  // namespace
}  // namespace orvane
