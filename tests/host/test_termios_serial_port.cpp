#include "host/termios_serial_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

#include "core/app/machine_settings.h"
#include "core/app/settings_document.h"
#include "host/host_centronic.h"
#include "support/pty.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

// A port set to the test's end of a pseudo-terminal.
struct PeerLine {
  PeerLine() {
    settings.SerialPort = peer.Device();
    settings.PortType = 2;
    port.SetParams(SerialSelectorParams(settings));
  }
  test::PtyEnd peer;
  TermiosSerialPort port;
  MachineSettings settings;
  MonotonicClock clock;
};
class SerialPeer : public ::testing::Test, public PeerLine {};

// Saving the settings looks for the board: one packet, and the board is the
// peer that answers 0xAA to it.
TEST(SerialBoardSearch, ABoardAnsweringAaIsFoundWhenSettingsAreSaved) {
  for (const std::optional<uint8_t> reply :
       {std::optional<uint8_t>(0xAA), std::optional<uint8_t>()}) {
    PeerLine line;
    std::thread board([&] {
      line.peer.Receive(48, 5);
      if (reply) line.peer.Send(std::string(1, char(*reply)));
    });
    MemorySettingsStore store;
    WriteAllSettings(store, line.settings, &line.port, &line.clock);
    board.join();
    EXPECT_EQ(line.settings.BoardPresent, reply.has_value());
    ASSERT_EQ(line.peer.received.size(), 48u);
    EXPECT_EQ(line.peer.received[0], 0x00);
    EXPECT_EQ(line.peer.received[1], 0x40);
    EXPECT_TRUE(line.port.IsOpen());
    EXPECT_EQ(store.ReadSettingString(GroupKeyPath("Port"), "SerialPort"), line.peer.Device());
  }
}

TEST_F(SerialPeer, CountsReadsAndClearsWhatArrivesUntranslated) {
  port.Open();
  ASSERT_TRUE(port.IsOpen()) << port.OpenError();
  ASSERT_TRUE(peer.Send(std::string("a\nb\r\x03", 5)));
  const int64_t deadline = clock.Counter() + int64_t(2000) * 1000 * 1000;
  while (port.InputCount() < 5 && clock.Counter() < deadline) port.WaitForInput(10);
  ASSERT_EQ(port.InputCount(), 5u);
  uint8_t first[2] = {};
  EXPECT_EQ(port.Read(first, 2), 2u);
  EXPECT_EQ(first[1], '\n');
  port.ClearBuffer(true, true);
  EXPECT_EQ(port.InputCount(), 0u);
}

// A write is bounded and says how it ended; the port goes away with its
// device, so a wait on it ends at once.
TEST_F(SerialPeer, AWriteEndsDoneLostStuckOrStopped) {
  std::vector<uint8_t> big(1 << 20, 0x55);  // more than the line holds
  std::atomic<bool> stop{false};
  port.Open();
  ASSERT_TRUE(port.IsOpen()) << port.OpenError();
  EXPECT_EQ(port.WriteBytes(big.data(), 48, &stop), SerialWrite::Done);

  // Nobody reads: the device takes nothing more, and the bound ends it.
  EXPECT_EQ(port.WriteBytes(big.data(), big.size(), &stop), SerialWrite::Failed);
  EXPECT_EQ(port.WriteError(), "le périphérique ne prend plus rien");
  EXPECT_TRUE(port.IsOpen()) << "kept open for the heating-off packet";

  // A stop ends a write that has not started.
  stop = true;
  EXPECT_EQ(port.WriteBytes(big.data(), 1, &stop), SerialWrite::Stopped);

  // The line closed: the next write fails at once and the port closes.
  peer.Close();
  EXPECT_EQ(port.WriteBytes(big.data(), 1, nullptr), SerialWrite::Failed);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.WriteError().empty());
  EXPECT_EQ(port.InputCount(), 0u);
}

TEST(TermiosSerialPort, WhatIsNoSerialPortFailsSilentlyButSaysWhy) {
  test::TempFolder folder;
  test::WriteText(folder / "plain", "");
  const std::pair<std::string, std::string> cases[] = {
      {"/dev/orvane-no-such-port", "absent"},
      {folder / "plain", "ce n'est pas un port série"},
  };
  for (const auto& [path, reason] : cases) {
    TermiosSerialPort port;
    SerialParams params;
    params.port = path;
    port.SetParams(params);
    port.Open();
    EXPECT_FALSE(port.IsOpen()) << path;
    EXPECT_EQ(port.OpenError(), reason) << path;
    const uint8_t byte = 1;
    EXPECT_FALSE(port.Write(&byte, 1)) << path;
    EXPECT_EQ(port.InputCount(), 0u) << path;
  }
}

}  // namespace
}  // namespace orvane
