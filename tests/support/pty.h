#pragma once
// The test's end of a pseudo-terminal: the program under test opens Device()
// as its serial port, and what it writes there is read here.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace orvane::test {

class PtyEnd {
 public:
  PtyEnd() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) device_ = ptsname(master_);
  }
  ~PtyEnd() { Close(); }
  PtyEnd(const PtyEnd&) = delete;
  PtyEnd& operator=(const PtyEnd&) = delete;

  const std::string& Device() const { return device_; }
  // Reads until `count` bytes came in all, the other side closed its last
  // descriptor, or `seconds` passed.
  const std::vector<uint8_t>& Receive(size_t count = SIZE_MAX, int seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (received.size() < count && std::chrono::steady_clock::now() < end) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      uint8_t buffer[4096];
      const size_t want = std::min(sizeof buffer, count - received.size());
      const ssize_t n = read(master_, buffer, want);
      if (n < 0 && errno == EAGAIN) continue;
      if (n <= 0) break;
      received.insert(received.end(), buffer, buffer + n);
    }
    return received;
  }
  // Written by the program, not yet read here.
  int Pending() const {
    int n = 0;
    ioctl(master_, FIONREAD, &n);
    return n;
  }
  // The line goes away, as a pulled cable.
  void Close() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  std::vector<uint8_t> received;

 private:
  int master_ = -1;
  std::string device_;
};

}  // namespace orvane::test
