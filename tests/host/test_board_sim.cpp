// The board's parameters and identification through the real serial layer
// (termios) against tools/orvane-board-sim on its pseudo-terminal, the
// port's bounded writes, and the simulator held to the board's strictness.
// Every check reads what the simulator logged, packet by packet. Runs and
// their faults are tested on orvane-cli against the same simulator.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "core/app/machine_settings.h"
#include "core/machine/board_protocol.h"
#include "core/machine/board_run.h"
#include "core/machine/centronic.h"
#include "core/machine/serial_link.h"
#include "host/host_centronic.h"
#include "host/termios_serial_port.h"
#include "support/board_sim.h"
#include "support/pty.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using test::SimPacket;

class BoardOnPty : public ::testing::Test {
 protected:
  void StartSim(std::vector<std::string> args = {"--speed", "0"}) {
    sim = std::make_unique<test::BoardSim>(folder / "board.log", args);
    ASSERT_FALSE(sim->Device().empty());
    settings.PortType = 2;
    settings.SerialPort = sim->Device();
    port.SetParams(SerialSelectorParams(settings));
    port.Open();
    ASSERT_TRUE(port.IsOpen()) << port.OpenError();
  }
  std::vector<SimPacket> StopAndLog() {
    sim->Stop();
    return sim->Log();
  }

  test::TempFolder folder;
  std::unique_ptr<test::BoardSim> sim;
  TermiosSerialPort port;
  MonotonicClock clock;
  MachineSettings settings;
};

TEST_F(BoardOnPty, ParametersComeBackInTheIdentificationBlock) {
  StartSim();
  settings.X1step = settings.Y1step = 160;
  settings.X2step = settings.Y2step = 161;  // mean 160
  settings.Periode = 40;
  settings.Vmin = 1.25;
  settings.Pente = 45;
  settings.PreChauffe = 12;
  SendBoardParameters(port, settings);
  BoardIdentifyResult result = IdentifyBoard(port, clock, settings);
  ASSERT_TRUE(result.board);
  EXPECT_TRUE(settings.BoardPresent);
  // What was sent came back: every parameter line is marked as matching.
  ASSERT_EQ(result.lines.size(), 7u);
  EXPECT_EQ(result.lines[0], "001789   KELDRINO ver 1.00");
  EXPECT_EQ(result.lines[3], " (ok)    Rapport cyclique en %      =  40");
  for (size_t i = 2; i < 7; ++i) EXPECT_TRUE(result.lines[i].starts_with(" (ok)")) << i;
  ReleaseOutputTest(port, settings);

  const auto log = StopAndLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].command, 0x01);
  EXPECT_EQ(log[0].payload, "00 A0 28 01 19 2D 0C 01");
  EXPECT_EQ(log[1].flags, OutputTestPressFlags(settings));
  EXPECT_EQ(log[2].flags, OutputTestReleaseFlags(settings));
}

// A write is bounded: a device that takes nothing ends it as a failure with
// the port kept open for the heating-off packet; a stop ends a write that has
// not started; a line that goes away closes the port.
TEST(TermiosSerialPort, AWriteEndsDoneStuckStoppedOrLost) {
  test::PtyEnd peer;
  MachineSettings settings;
  settings.SerialPort = peer.Device();
  settings.PortType = 2;
  TermiosSerialPort port;
  port.SetParams(SerialSelectorParams(settings));
  port.Open();
  ASSERT_TRUE(port.IsOpen()) << port.OpenError();
  std::vector<uint8_t> big(1 << 20, 0x55);  // more than the line holds
  std::atomic<bool> stop{false};
  EXPECT_EQ(port.WriteBytes(big.data(), 48, &stop), SerialWrite::Done);
  EXPECT_EQ(port.WriteBytes(big.data(), big.size(), &stop), SerialWrite::Failed);
  EXPECT_EQ(port.WriteError(), "le périphérique ne prend plus rien");
  EXPECT_TRUE(port.IsOpen()) << "kept open for the heating-off packet";
  stop = true;
  EXPECT_EQ(port.WriteBytes(big.data(), 1, &stop), SerialWrite::Stopped);
  peer.Close();
  EXPECT_EQ(port.WriteBytes(big.data(), 1, nullptr), SerialWrite::Failed);
  EXPECT_FALSE(port.IsOpen());
}

std::string Move(const char* code, double x, double y, double a, double b) {
  char line[64];
  std::snprintf(line, sizeof line, "%s X%9.3f Y%9.3f A%9.3f B%9.3f", code, x, y, a, b);
  return line;
}

// A board with fixed framing keeps a partial packet whatever the pause, and
// takes no line it cannot read: it stops and reports instead.
TEST_F(BoardOnPty, TheSimulatorIsNoKinderThanABoard) {
  const struct {
    const char* name;
    uint8_t flags;
    std::string text;
    uint8_t answer;
  } cases[] = {
      {"a line it knows", 0x01, Move("G1", 1, 2, 3, 4), 0},
      {"identification flag on a line", 0x81, Move("G1", 1, 2, 3, 4), 2},
      {"progressive stop on a cut line", 0x21, Move("G1", 1, 2, 3, 4), 2},
      {"a letter it has no axis for", 0x01, "G1 X 1 Q 2", 2},
      {"an unknown code", 0x01, "G2 X 1 Y 2", 2},
      {"a control byte", 0x01, std::string("F300\x01"), 2},
  };
  StartSim();
  for (const auto& c : cases) {
    const BoardPacket packet = *MakeBoardLinePacket(c.flags, kBoardCutLine, c.text);
    port.ClearBuffer(true, false);
    ASSERT_TRUE(port.Write(packet.data(), packet.size()));
    uint8_t answer = 0xFF;
    ASSERT_EQ(WaitBoardAck(port, clock, 2'000'000, nullptr, answer), BoardWaitEnd::Answered);
    EXPECT_EQ(answer, c.answer) << c.name;
    // A refused line is followed by the report of a stopped board.
    BoardReport report;
    EXPECT_EQ(ReadBoardReport(port, clock, 300'000, nullptr, report),
              c.answer ? BoardWaitEnd::Answered : BoardWaitEnd::TimedOut)
        << c.name;
    EXPECT_EQ(report.stopped, c.answer != 0) << c.name;
  }

  // Twenty bytes, a pause, then a whole packet of zeros: its first 28 bytes
  // complete the partial one.
  BoardPacket partial = MakeBoardPacket(0x01, 0x00);
  partial[2] = 0x77;
  ASSERT_TRUE(port.Write(partial.data(), 20));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the pause is the case
  const BoardPacket zeros = MakeBoardPacket(0x00, 0x00);
  ASSERT_TRUE(port.Write(zeros.data(), zeros.size()));
  const auto log = StopAndLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2].flags, 0x01);
  EXPECT_EQ(log[log.size() - 2].payload, "77");
  EXPECT_TRUE(log.back().error) << "the last 20 bytes make no packet";
}

}  // namespace
}  // namespace orvane
