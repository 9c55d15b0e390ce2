#include "host/qt_serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "core/app/machine_settings.h"
#include "core/app/settings_document.h"
#include "host/host_centronic.h"

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
    close(master_);
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
  QtSerialPort port;
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
  peer.Send("abc");
  const int64_t deadline = clock.Counter() + int64_t(2000) * 1000 * 1000;
  while (port.InputCount() < 3 && clock.Counter() < deadline) {
  }
  ASSERT_EQ(port.InputCount(), 3u);
  uint8_t first = 0;
  EXPECT_EQ(port.Read(&first, 1), 1u);
  EXPECT_EQ(first, 'a');
  port.ClearBuffer(true, true);
  EXPECT_EQ(port.InputCount(), 0u);
}

TEST(QtSerialPort, AMissingDeviceFailsSilentlyButSaysWhy) {
  QtSerialPort port;
  SerialParams params;
  params.port = "/dev/orvane-no-such-port";
  port.SetParams(params);
  port.Open();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.OpenError().empty());
  const uint8_t byte = 1;
  port.Write(&byte, 1);
  EXPECT_EQ(port.InputCount(), 0u);
}

}  // namespace
}  // namespace orvane
