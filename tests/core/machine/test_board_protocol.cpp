#include "core/machine/board_protocol.h"

#include <gtest/gtest.h>

#include "core/app/machine_settings.h"

namespace orvane {
namespace {

TEST(BoardLinePacket, IsAlwaysFortyEightBytesOrRefused) {
  const auto shortLine = MakeBoardLinePacket(0x07, 0x04, "M2");
  ASSERT_TRUE(shortLine);
  EXPECT_EQ((*shortLine)[0], 0x07);
  EXPECT_EQ((*shortLine)[1], 0x04);
  EXPECT_EQ((*shortLine)[2], 'M');
  EXPECT_EQ((*shortLine)[3], '2');
  for (size_t i = 4; i < 48; ++i) EXPECT_EQ((*shortLine)[i], ' ') << i;

  const std::string full(46, 'G');
  const auto exact = MakeBoardLinePacket(0x01, 0x02, full);
  ASSERT_TRUE(exact);
  EXPECT_EQ(std::string(exact->begin() + 2, exact->end()), full);

  EXPECT_FALSE(MakeBoardLinePacket(0x01, 0x02, std::string(47, 'G')));
  const std::string message = LineTooLongMessage(13, std::string(47, 'G'));
  EXPECT_NE(message.find("La ligne 13 "), std::string::npos);
  EXPECT_NE(message.find("47 caractères, 46 au plus"), std::string::npos);
}

// Each trigger's row of the output-level table, worked out by hand for four
// settings: plain (hold on), everything on, everything inverted, hold off.
struct OutputCase {
  const char* name;
  bool actCouple, actChauffe, invCouple, invChauffe;
  uint8_t holdMaintained, holdReleased, defineOrigin, closeWorking, closeFast, boardStop, testPress,
      testRelease, heatingOff;
};

class OutputLevels : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputLevels, FollowTheirRowOfTheTable) {
  const OutputCase& c = GetParam();
  MachineSettings s;
  s.ActCouple = c.actCouple;
  s.ActChauffe = c.actChauffe;
  s.InvCouple = c.invCouple;
  s.InvChauffe = c.invChauffe;
  EXPECT_EQ(HoldButtonFlags(s, false), c.holdMaintained);
  EXPECT_EQ(HoldButtonFlags(s, true), c.holdReleased);
  EXPECT_EQ(DefineOriginFlags(s, false), c.defineOrigin);
  EXPECT_EQ(ManualCloseFlags(s, true), c.closeWorking);
  EXPECT_EQ(ManualCloseFlags(s, false), c.closeFast);
  EXPECT_EQ(BoardStopFlags(s), c.boardStop);
  EXPECT_EQ(OutputTestPressFlags(s), c.testPress);
  EXPECT_EQ(OutputTestReleaseFlags(s), c.testRelease);
  EXPECT_EQ(HeatingOffFlags(s), c.heatingOff);
}

INSTANTIATE_TEST_SUITE_P(Settings, OutputLevels,
                         ::testing::Values(
                             // Hold 1|2 = 3; no heating; test: 0x81 pressed, 0x81 released.
                             OutputCase{"HoldOnly", true, false, false, false, 0x03, 0x00, 0x43,
                                        0x03, 0x03, 0x03, 0x81, 0x81, 0x03},
                             // Heating while running: 3|4 = 7; test pressed 0x80|5.
                             OutputCase{"HoldAndHeating", true, true, false, false, 0x03, 0x00,
                                        0x43, 0x07, 0x03, 0x07, 0x85, 0x81, 0x03},
                             // Both inverted: 7^3^12 = 0b1000 with heating, 3^3^12 = 0b1100
                             // without; test pressed 5^1^4 = 0, released 0^4 = 4.
                             OutputCase{"AllInverted", true, true, true, true, 0x00, 0x03, 0x40,
                                        0x08, 0x0C, 0x08, 0x80, 0x84, 0x0C},
                             // No hold: hold 1; released test flips bit 0 back off.
                             OutputCase{"HoldOff", false, false, false, false, 0x01, 0x02, 0x41,
                                        0x01, 0x01, 0x01, 0x81, 0x80, 0x01}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BoardReport, DecodesSignsMagnitudesAndTheStop) {
  std::array<uint8_t, 16> bytes = {0x80, 0x00, 0x01, 0x2C,   // X1 = -300
                                   0x00, 0x01, 0x00, 0x00,   // Y1 = 65536
                                   0x00, 0xFF, 0xFF, 0xFF,   // X2 = 16777215
                                   0x80, 0x00, 0x00, 0x00};  // Y2 = -0
  BoardReport report = DecodeBoardReport(bytes);
  EXPECT_EQ(report.steps, (std::array<int64_t, 4>{-300, 65536, 16777215, 0}));
  EXPECT_FALSE(report.stopped);
  for (size_t group = 0; group < 4; ++group) {
    std::array<uint8_t, 16> stopped = bytes;
    stopped[4 * group] |= 0x40;
    EXPECT_TRUE(DecodeBoardReport(stopped).stopped) << group;
    EXPECT_EQ(DecodeBoardReport(stopped).steps, report.steps) << group;
  }
}

std::array<uint8_t, 16> Identification() {
  // 200 steps, 50 %, 0.33 mm/s, 70°, 8 s, version 1.23 rev 0, number 42.
  return {0x00, 0xC8, 50, 0, 33, 70, 8, 123, 0, 0, 0, 0, 42, 0, 0, 0};
}

TEST(BoardIdentification, ShowsTheBoardAndMarksWhatMatches) {
  MachineSettings s;  // the factory values the block above holds
  auto board = DecodeBoardIdentification(Identification());
  ASSERT_TRUE(board);
  std::vector<std::string> lines = BoardIdentificationLines(board, s);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "000042   KELDRINO ver 1.23");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], " (ok)    Pas par millimètre         =  200");
  EXPECT_EQ(lines[4], " (ok)    Vitesse minimale en mm/s   =  0.33");
  EXPECT_EQ(lines[6], " (ok)    Durée de préchauffe en s   =  8");

  s.Vmin = 0.34;
  s.Periode = 49;
  s.Y2step = 204;  // mean 201
  board->revision = 3;
  board->serialNumber = 4294967295u;
  lines = BoardIdentificationLines(board, s);
  EXPECT_EQ(lines[0], "4294967295   KELDRINO ver 1.23 rev 3");
  EXPECT_EQ(lines[2], "         Pas par millimètre         =  200");
  EXPECT_EQ(lines[3], "         Rapport cyclique en %      =  50");
  EXPECT_EQ(lines[4], "         Vitesse minimale en mm/s   =  0.33");
  EXPECT_EQ(lines[5], " (ok)    Pente en degrés            =  70");
}

TEST(BoardIdentification, ShortOrEmptyAnswersAreNoBoard) {
  const std::array<uint8_t, 16> block = Identification();
  EXPECT_FALSE(DecodeBoardIdentification(std::span<const uint8_t>(block.data(), 15)));
  std::array<uint8_t, 16> zeroSteps = block;
  zeroSteps[0] = zeroSteps[1] = 0;
  EXPECT_FALSE(DecodeBoardIdentification(zeroSteps));
  EXPECT_EQ(BoardIdentificationLines(std::nullopt, MachineSettings{}),
            (std::vector<std::string>{"", "               PORT COM INTROUVABLE", "",
                                      "           > VERIFIEZ LE NUMERO DE PORT",
                                      "           > VERIFIEZ LA CONNEXION USB"}));
}

TEST(BoardMovePrograms, UseTheWorkingFeedOrTheFastOne) {
  MachineSettings s;  // 5000 µs at 200 steps/mm: 1 mm/s, 60 mm/min
  EXPECT_EQ(BoardMoveFeed(s, true), 60);
  EXPECT_EQ(BoardMoveFeed(s, false), 120);  // Vmax 2 mm/s over Vcut 1 mm/s
  s.Vmax = 2.5;
  EXPECT_EQ(BoardMoveFeed(s, false), 150);

  const auto lines = BoardMoveProgram(150, {1, 2, 3, 4}, {-1, 2, 3, 4.5});
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "F150" + std::string(42, ' '));
  EXPECT_EQ(lines[1], "G0 X    1.000 Y    2.000 A    3.000 B    4.000");
  EXPECT_EQ(lines[2], "G1 X   -1.000 Y    2.000 A    3.000 B    4.500");
  EXPECT_EQ(lines[3], "M2 (----------- fin du programme ------------)");
}

}  // namespace
}  // namespace orvane
