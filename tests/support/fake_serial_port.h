#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "core/machine/serial_link.h"

namespace orvane::test {

// A serial port in memory: records what is written and plays the board's
// side through `onWrite`, which may queue an answer (or stay silent).
class FakeSerialPort : public SerialPort {
 public:
  void Open() override {
    if (!open && openable) open = true, ++opens;
  }
  void Close() override { open = false; }
  bool IsOpen() const override { return open; }
  size_t InputCount() override { return input.size(); }
  void ClearBuffer(bool in, bool out) override {
    if (in) input.clear();
    if (out) ++outputClears;
    ++clears;
  }
  void Write(const uint8_t* data, size_t count) override {
    if (!open) return;
    written.emplace_back(data, data + count);
    if (onWrite) onWrite(written.back(), *this);
  }
  void WriteStr(std::string_view text) override {
    Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  size_t Read(uint8_t* data, size_t count) override {
    size_t n = 0;
    for (; n < count && !input.empty(); ++n) data[n] = input.front(), input.pop_front();
    return n;
  }
  SerialParams Params() const override { return params; }
  std::string OpenError() const override { return open ? std::string() : openError; }
  void SetParams(const SerialParams& p) override {
    params = p;
    ++paramChanges;
  }

  bool open = false;
  bool openable = true;
  int opens = 0;
  int clears = 0;
  int outputClears = 0;
  std::string openError;  // why opening fails, when `openable` is false  // each one may drop the
                          // unsent end of a packet
  int paramChanges = 0;
  SerialParams params;
  std::deque<uint8_t> input;
  std::vector<std::vector<uint8_t>> written;
  std::function<void(const std::vector<uint8_t>&, FakeSerialPort&)> onWrite;
};

}  // namespace orvane::test
