// The simulator held to the board's strictness on a pseudo-terminal, every
// check reading what the simulator logged, packet by packet. The
// identification, runs and their faults are tested on orvane-cli against the
// same simulator; the serial layer's bounded writes (done, stuck, stopped,
// lost) on orvane-cli's serial step link, except what only the port shows.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/app/machine_settings.h"
#include "core/machine/board_protocol.h"
#include "core/machine/board_wait.h"
#include "core/machine/serial_link.h"
#include "host/host_centronic.h"
#include "host/termios_serial_port.h"
#include "support/board_sim.h"
#include "support/pty.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

// A cut line as the program writes it.
const std::string kLine = "G1 X    1.000 Y    2.000 A    3.000 B    4.000";

// A board with fixed framing keeps a partial packet whatever the pause, and
// takes no line it cannot read: it stops and reports instead.
TEST(BoardSimulator, IsNoKinderThanABoard) {
  const struct {
    const char* name;
    uint8_t flags;
    std::string text;
    uint8_t answer;
  } cases[] = {
      {"a line it knows", 0x01, kLine, 0},
      {"identification flag on a line", 0x81, kLine, 2},
      {"progressive stop on a cut line", 0x21, kLine, 2},
      {"a letter it has no axis for", 0x01, "G1 X 1 Q 2", 2},
      {"an unknown code", 0x01, "G2 X 1 Y 2", 2},
      {"a control byte", 0x01, std::string("F300\x01"), 2},
  };
  test::TempFolder folder;
  test::BoardSim sim(folder / "board.log", {"--speed", "0"});
  MachineSettings settings;
  settings.PortType = 2;
  settings.SerialPort = sim.Device();
  TermiosSerialPort port;
  port.SetParams(SerialSelectorParams(settings));
  port.Open();
  ASSERT_TRUE(port.IsOpen()) << port.OpenError();
  MonotonicClock clock;
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
  sim.Stop();
  const auto log = sim.Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2].flags, 0x01);
  EXPECT_EQ(log[log.size() - 2].payload, "77");
  EXPECT_TRUE(log.back().error) << "the last 20 bytes make no packet";
}

// A device that takes nothing ends a write as a failure with the port kept
// open: the board's heating-off packet still has a way out.
TEST(TermiosSerialPort, AStuckWriteKeepsThePortOpenForTheHeatingOffPacket) {
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
  EXPECT_EQ(port.WriteBytes(big.data(), big.size(), &stop), SerialWrite::Failed);
  EXPECT_EQ(port.WriteError(), "le périphérique ne prend plus rien");
  EXPECT_TRUE(port.IsOpen());
}

}  // namespace
}  // namespace orvane
