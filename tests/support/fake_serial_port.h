#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "core/machine/serial_link.h"

namespace orvane::test {

// A serial port in memory: records what is written and plays the board's
// side through `onWrite`, which may queue an answer (or stay silent). It can
// lose the link at a given write, or be a device too slow to take anything
// (a write then waits for the stop request, or fails as a real one would at
// its bound).
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
  SerialWrite WriteBytes(const uint8_t* data, size_t count,
                         const std::atomic<bool>* stop) override {
    if (!open) return SerialWrite::Failed;
    if (stuck) {
      if (stop && stop->load()) return SerialWrite::Stopped;
      ++outputClears;  // the unsent bytes are dropped
      return SerialWrite::Failed;
    }
    if (failAtWrite > 0 && int(written.size()) + 1 >= failAtWrite) {
      open = false;
      return SerialWrite::Failed;
    }
    written.emplace_back(data, data + count);
    if (onWrite) onWrite(written.back(), *this);
    return SerialWrite::Done;
  }
  size_t Read(uint8_t* data, size_t count) override {
    size_t n = 0;
    for (; n < count && !input.empty(); ++n) data[n] = input.front(), input.pop_front();
    return n;
  }
  SerialParams Params() const override { return params; }
  std::string OpenError() const override { return open ? std::string() : openError; }
  std::string WriteError() const override { return failAtWrite > 0 || stuck ? "perdu" : ""; }
  void SetParams(const SerialParams& p) override { params = p; }

  bool open = false;
  bool openable = true;
  int opens = 0;
  int clears = 0;
  int outputClears = 0;   // each one may drop the unsent end of a packet
  std::string openError;  // why opening fails, when `openable` is false
  int failAtWrite = 0;    // from this write on (counting from 1) the link is lost
  bool stuck = false;     // takes nothing
  SerialParams params;
  std::deque<uint8_t> input;
  std::vector<std::vector<uint8_t>> written;
  std::function<void(const std::vector<uint8_t>&, FakeSerialPort&)> onWrite;
};

}  // namespace orvane::test
