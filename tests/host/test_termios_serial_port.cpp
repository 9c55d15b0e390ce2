#include "host/termios_serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <optional>
#include <thread>

#include "core/app/machine_settings.h"
#include "core/app/settings_document.h"
#include "host/host_centronic.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

// The board's side of a pseudo-terminal: reads one 48-byte packet and
// answers `reply`, or stays silent.
class PtyPeer {
 public:
  PtyPeer() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master_);
    unlockpt(master_);
    slave_ = ptsname(master_);
  }
  ~PtyPeer() {
    if (thread_.joinable()) thread_.join();
    CloseLine();
  }
  void AnswerOnePacket(std::optional<uint8_t> reply) {
    thread_ = std::thread([this, reply] {
      uint8_t packet[48];
      size_t got = 0;
      while (got < sizeof packet) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) return;
        ssize_t n = read(master_, packet + got, sizeof packet - got);
        if (n <= 0) return;
        got += static_cast<size_t>(n);
      }
      received = std::vector<uint8_t>(packet, packet + got);
      if (reply) [[maybe_unused]]
        ssize_t n = write(master_, &*reply, 1);
    });
  }
  void Finish() {
    if (thread_.joinable()) thread_.join();
  }
  void Send(const std::string& bytes) {
    [[maybe_unused]] ssize_t n = write(master_, bytes.data(), bytes.size());
  }
  void CloseLine() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }
  const std::string& Slave() const { return slave_; }
  std::vector<uint8_t> received;

 private:
  int master_ = -1;
  std::string slave_;
  std::thread thread_;
};

class SerialPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.SerialPort = peer.Slave();
    settings.PortType = 2;
    port.SetParams(SerialSelectorParams(settings));
  }
  PtyPeer peer;
  TermiosSerialPort port;
  MachineSettings settings;
  MonotonicClock clock;
  MemorySettingsStore store;
};

TEST_F(SerialPeer, ABoardAnsweringAaIsFoundWhenSettingsAreSaved) {
  peer.AnswerOnePacket(0xAA);
  WriteAllSettings(store, settings, &port, &clock);
  peer.Finish();
  EXPECT_TRUE(settings.BoardPresent);
  ASSERT_EQ(peer.received.size(), 48u);
  EXPECT_EQ(peer.received[0], 0x00);
  EXPECT_EQ(peer.received[1], 0x40);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(store.ReadSettingString(GroupKeyPath("Port"), "SerialPort"), peer.Slave());
}

TEST_F(SerialPeer, ASilentPeerMeansNoBoard) {
  peer.AnswerOnePacket(std::nullopt);
  WriteAllSettings(store, settings, &port, &clock);
  peer.Finish();
  EXPECT_FALSE(settings.BoardPresent);
  EXPECT_EQ(peer.received.size(), 48u);
}

TEST_F(SerialPeer, CountsReadsAndClearsWhatArrives) {
  port.Open();
  ASSERT_TRUE(port.IsOpen()) << port.OpenError();
  // Raw: no byte of a packet is translated on the way.
  peer.Send(std::string("a\nb\r\x03", 5));
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
  peer.CloseLine();
  EXPECT_EQ(port.WriteBytes(big.data(), 1, nullptr), SerialWrite::Failed);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.WriteError().empty());
  EXPECT_EQ(port.InputCount(), 0u);
}

TEST(TermiosSerialPort, WhatIsNoSerialPortFailsSilentlyButSaysWhy) {
  test::TempFolder folder;
  const std::string file = folder / "plain";
  {
    std::FILE* f = std::fopen(file.c_str(), "w");
    std::fclose(f);
  }
  const std::pair<std::string, std::string> cases[] = {
      {"/dev/orvane-no-such-port", "absent"},
      {file, "ce n'est pas un port série"},
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
