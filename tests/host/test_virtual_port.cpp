// The recording virtual port, whose files every orvane-cli run test reads
// back.
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "host/host_centronic.h"
#include "host/virtual_port.h"

namespace orvane {
namespace {

TEST(VirtualPort, StreamsEveryWriteInOrderOrEndsWhereItsRingIsFull) {
  MonotonicClock clock;
  VirtualPort port(&clock, 1 << 16, 0x378);
  std::vector<VirtualPort::Write> out;
  port.StartStream([&](const VirtualPort::Write* w, size_t n) { out.insert(out.end(), w, w + n); });
  // Two writers, as the output thread and the window thread can be.
  auto writer = [&](uint16_t address) {
    for (int i = 0; i < 20000; ++i) port.WriteByte(address, static_cast<uint8_t>(i));
  };
  std::thread other(writer, 0x37A);
  writer(0x378);
  other.join();
  port.StopStream();
  ASSERT_EQ(out.size(), 40000u);
  int next[2] = {0, 0};
  for (const auto& w : out) {
    int& expected = next[w.address == 0x37A];
    EXPECT_EQ(w.value, static_cast<uint8_t>(expected++));
  }

  // A full ring or a full store ends the recording there and counts what was
  // dropped: whatever was kept is a whole prefix, no write skipped in the middle.
  VirtualPort small(nullptr, 8);
  out.clear();
  small.StartStream(
      [&](const VirtualPort::Write* w, size_t n) { out.insert(out.end(), w, w + n); });
  for (int i = 0; i < 100000; ++i) small.WriteByte(888, static_cast<uint8_t>(i));
  small.StopStream();
  ASSERT_GE(out.size(), 8u);
  for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i].value, static_cast<uint8_t>(i));
  EXPECT_EQ(out.size() + small.DroppedWrites(), 100000u);

  VirtualPort stored(nullptr, 3);
  for (int i = 0; i < 5; ++i) stored.WriteByte(888, static_cast<uint8_t>(i));
  EXPECT_EQ(stored.Writes().size(), 3u);
  EXPECT_EQ(stored.DroppedWrites(), 2u);
}

}  // namespace
}  // namespace orvane
