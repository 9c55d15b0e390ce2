#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/machine/serial_link.h"

namespace orvane {

// The serial-port layer on a termios file descriptor, non-blocking: every
// wait is a `poll` with a bound, so nothing here can hold a thread for long,
// and no Qt object is involved, so the output thread may write through it.
// Port names are Linux names ("ttyS0", "ttyUSB0") or full paths ("/dev/pts/3").
class TermiosSerialPort : public SerialPort {
 public:
  TermiosSerialPort() = default;
  ~TermiosSerialPort() override;
  TermiosSerialPort(const TermiosSerialPort&) = delete;
  TermiosSerialPort& operator=(const TermiosSerialPort&) = delete;

  void Open() override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  size_t InputCount() override;
  void ClearBuffer(bool input, bool output) override;
  SerialWrite WriteBytes(const uint8_t* data, size_t count, const std::atomic<bool>* stop) override;
  size_t Read(uint8_t* data, size_t count) override;
  void WaitForInput(int milliseconds) override;
  SerialParams Params() const override { return params_; }
  void SetParams(const SerialParams& params) override;
  std::string OpenError() const override { return openError_; }
  std::string WriteError() const override { return writeError_; }

  // How long a write may wait for the device to take a byte.
  static constexpr int kWriteLimitMs = 2000;
  // Bytes the device may hold unsent: a stop takes effect on the wire within
  // this many, however slow the line.
  static constexpr int kMaxQueued = 64;

 private:
  bool Configure();
  // Moves what the system received into `input_`; closes the port when the
  // device is gone.
  void Pull();
  void Lose(const std::string& reason);

  int fd_ = -1;
  SerialParams params_;
  std::string openError_;
  std::string writeError_;
  std::vector<uint8_t> input_;
};

}  // namespace orvane
